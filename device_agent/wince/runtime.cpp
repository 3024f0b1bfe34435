// What gcc's output needs besides the agent's own code, in place of a C and C++ runtime (there is none on this
// build, and COREDLL's are not imported): the block functions the compiler may call, and the two C++ support
// symbols that the platform class's vtables name. The double arithmetic comes from libgcc (soft float).
#include <cstddef>
#include <cstring>

extern "C" {

// Compiled with -fno-tree-loop-distribute-patterns, so these loops are not turned back into calls to themselves.
void* memset(void* destination, int value, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(destination);
  while (count-- != 0) *out++ = static_cast<unsigned char>(value);
  return destination;
}

void* memcpy(void* destination, const void* source, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(destination);
  const unsigned char* in = static_cast<const unsigned char*>(source);
  while (count-- != 0) *out++ = *in++;
  return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(destination);
  const unsigned char* in = static_cast<const unsigned char*>(source);
  if (out < in) {
    while (count-- != 0) *out++ = *in++;
  } else {
    while (count != 0) {
      --count;
      out[count] = in[count];
    }
  }
  return destination;
}

// Named by the abstract platform class's vtable; never called (no object of it is ever incomplete).
void __cxa_pure_virtual() {}

}  // extern "C"

// Named by the deleting destructors in the vtables (agent::Platform has a virtual destructor). The agent never
// allocates: its platform object lives on the stack, so these are never called.
void operator delete(void*) noexcept {}
void operator delete(void*, std::size_t) noexcept {}
