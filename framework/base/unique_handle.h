// One move-only owner for every kind of handle the programs hold. A traits type says what the handle is, which
// value means "none" and how it is closed:
//
//   struct Traits {
//     using Handle = ...;
//     static Handle Empty();             // the value an owner holds when it owns nothing
//     static bool IsValid(Handle h);     // false for every "no handle" value (null and INVALID_HANDLE_VALUE)
//     static bool Close(Handle h);       // true when the close succeeded
//   };
//
// The raw handle is reached through Get() only: no conversion hands it out unnoticed.
#pragma once

#include <cstdio>
#include <utility>

namespace base {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : m_h(h) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Handle Get() const { return m_h; }
  bool IsValid() const { return Traits::IsValid(m_h); }
  // Gives the handle up without closing it.
  Handle Release() { return std::exchange(m_h, Traits::Empty()); }
  // Closes the handle held (if any) and takes h.
  void Reset(Handle h = Traits::Empty()) {
    Close();
    m_h = h;
  }
  // Closes the handle held; false when the close failed (a file whose buffered bytes could not be written).
  bool Close() {
    const Handle h = Release();
    return !Traits::IsValid(h) || Traits::Close(h);
  }

 private:
  Handle m_h = Traits::Empty();
};

struct FileTraits {
  using Handle = FILE*;
  static FILE* Empty() { return nullptr; }
  static bool IsValid(FILE* f) { return f != nullptr; }
  static bool Close(FILE* f) {
    const bool sound = !std::ferror(f);
    return std::fclose(f) == 0 && sound;
  }
};

// A C stream; Close() also tells whether every buffered byte reached the file.
using UniqueFile = UniqueHandle<FileTraits>;

}  // namespace base
