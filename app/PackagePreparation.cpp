#include "PackagePreparation.h"

#include <utility>

#include "inflate_package.h"
#include "package_facts.h"
#include "unique_handle.h"

namespace {
constexpr size_t kStreamBuffer = 1 << 18;
}  // namespace

PackagePreparation::PackagePreparation(std::wstring packagePath, std::wstring compressedPath, std::wstring archivePath,
                                       uint64_t packageBytes)
    : m_packagePath(std::move(packagePath)),
      m_compressedPath(std::move(compressedPath)),
      m_archivePath(std::move(archivePath)),
      m_packageBytes(packageBytes),
      m_pace(packageBytes) {
  m_showEvent.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

PackagePreparation::~PackagePreparation() {
  if (!m_thread.IsValid()) return;
  RequestStop();
  ::WaitForSingleObject(m_thread.Get(), INFINITE);
}

bool PackagePreparation::Start() {
  m_startTick = ::GetTickCount();
  m_thread.Reset(::CreateThread(nullptr, 0, &PackagePreparation::ThreadMain, this, 0, nullptr));
  return m_thread.IsValid();
}

bool PackagePreparation::WaitForEnd(DWORD timeoutMs) const {
  return !m_thread.IsValid() || ::WaitForSingleObject(m_thread.Get(), timeoutMs) == WAIT_OBJECT_0;
}

std::optional<bool> PackagePreparation::Product() const {
  const int product = m_product;
  return product < 0 ? std::nullopt : std::optional<bool>(product != 0);
}

DWORD WINAPI PackagePreparation::ThreadMain(LPVOID self) {
  static_cast<PackagePreparation*>(self)->Run();
  return 0;
}

void PackagePreparation::Run() {
  m_outcome.copied = Copy() && !m_stopRequested;
  if (m_outcome.copied) Inflate();
  // What a stopped preparation learnt is not to be trusted: the streams were ended on purpose.
  if (m_stopRequested) m_outcome = PreparationOutcome();
}

bool PackagePreparation::Copy() {
  // A new plain file (never the package's own attributes), each block read counted.
  base::UniqueFile source(_wfopen(m_packagePath.c_str(), L"rb"));
  base::UniqueFile copy(_wfopen(m_compressedPath.c_str(), L"wb"));
  if (!source.IsValid() || !copy.IsValid()) return false;
  // The copy moves large blocks of its own: no stream buffer in between.
  setvbuf(source.Get(), nullptr, _IONBF, 0);
  setvbuf(copy.Get(), nullptr, _IONBF, 0);
  m_reading = source.Get();
  const bool copied = talv::CopyPackage(source.Get(), copy.Get(), this);
  m_reading = nullptr;
  return copied && copy.Close();
}

void PackagePreparation::Inflate() {
  m_pace.BeginPhase(talv::PreparationPhase::Inflate, ::GetTickCount() - m_startTick);
  {
    base::UniqueFile source(_wfopen(m_compressedPath.c_str(), L"rb"));
    base::UniqueFile archive(_wfopen(m_archivePath.c_str(), L"wb"));
    if (!source.IsValid() || !archive.IsValid()) return;
    // Large blocks between the streams and the disk: the inflate loop's 16 KiB steps cost no host call each.
    setvbuf(source.Get(), nullptr, _IOFBF, kStreamBuffer);
    setvbuf(archive.Get(), nullptr, _IOFBF, kStreamBuffer);
    m_reading = source.Get();
    int result = InflatePackage(source.Get(), archive.Get(), this);
    m_reading = nullptr;
    uint64_t size = 0;
    if (result == 0 && talv::StreamSize(archive.Get(), &size)) m_outcome.archiveBytes = size;
    // The last buffered bytes reach the file only now; an archive that misses them is no sound package.
    if (!archive.Close() && result == 0) result = -1;
    m_outcome.inflateResult = result;
  }
  // The flags come from whatever the archive received, a damaged one included; a byte the file lacks is none.
  if (base::UniqueFile archive(_wfopen(m_archivePath.c_str(), L"rb")); archive.IsValid()) {
    const int product = std::fgetc(archive.Get());
    const int launcher = product == EOF ? EOF : std::fgetc(archive.Get());
    if (product != EOF) m_outcome.productFlag = static_cast<unsigned char>(product);
    if (launcher != EOF) m_outcome.launcherFlag = static_cast<unsigned char>(launcher);
  }
}

void PackagePreparation::Read(uint64_t bytes) {
  // Ending the source makes the copy or the decompression end at its next read, and close its files.
  if (m_stopRequested && m_reading != nullptr) std::fseek(m_reading, 0, SEEK_END);
  m_bytesRead += bytes;
  m_pace.Read(bytes);
  if (!m_shouldShow && m_pace.ShouldShow(::GetTickCount() - m_startTick)) {
    m_shouldShow = true;
    ::SetEvent(m_showEvent.Get());
  }
}

void PackagePreparation::ArchiveBegins(const unsigned char* bytes, size_t count) {
  if (count > 0) m_product = bytes[0] != 0 ? 1 : 0;
}
