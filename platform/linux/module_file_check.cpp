#include "platform/linux/module_file_check.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>  // ElfW: the ELF types of this process's own class
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned char kOwnClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kOwnByteOrder =
    std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

class OpenFile {
 public:
  explicit OpenFile(const char* path) : fd_(::open(path, O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int Fd() const { return fd_; }

 private:
  int fd_;
};

bool ReadAt(int fd, std::uint64_t offset, void* buffer, std::size_t length) {
  auto* bytes = static_cast<char*>(buffer);
  while (length > 0) {
    const ssize_t got = ::pread(fd, bytes, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    length -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

// [offset, offset + length) within a file of fileSize bytes; written so that no sum can
// wrap around, whatever a damaged header holds.
bool InsideFile(std::uint64_t offset, std::uint64_t length, std::uint64_t fileSize) {
  return offset <= fileSize && length <= fileSize - offset;
}

bool IsOwnElf(const ElfW(Ehdr) & header) {
  return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
         header.e_ident[EI_CLASS] == kOwnClass && header.e_ident[EI_DATA] == kOwnByteOrder &&
         header.e_ident[EI_VERSION] == EV_CURRENT && header.e_phentsize == sizeof(ElfW(Phdr)) &&
         header.e_phnum > 0 && header.e_phnum != PN_XNUM;
}

enum class ElfKind { SharedObject, Executable };

// The section headers are not loaded, but a linker writes them last: a file that holds
// them all was not cut short.
bool SectionTableInside(const ElfW(Ehdr) & header, std::uint64_t fileSize) {
  if (header.e_shoff == 0) return true;
  if (header.e_shentsize != sizeof(ElfW(Shdr))) return false;
  const std::uint64_t count =
      header.e_shnum != 0 ? header.e_shnum : 1;  // 0: the count is in entry 0
  return InsideFile(header.e_shoff, count * sizeof(ElfW(Shdr)), fileSize);
}

// Every segment the header lists lies inside the file, and one of them is loaded. An
// executable is one of fixed address, or a position-independent one that names its
// program interpreter (a shared object names none).
bool SegmentsInside(int fd, const ElfW(Ehdr) & header, std::uint64_t fileSize, ElfKind kind) {
  const std::uint64_t tableSize = std::uint64_t{header.e_phnum} * sizeof(ElfW(Phdr));
  if (!InsideFile(header.e_phoff, tableSize, fileSize)) return false;
  std::vector<ElfW(Phdr)> segments(header.e_phnum);
  if (!ReadAt(fd, header.e_phoff, segments.data(), tableSize)) return false;
  bool loadable = false;
  bool interpreter = false;
  for (const ElfW(Phdr) & segment : segments) {
    if (!InsideFile(segment.p_offset, segment.p_filesz, fileSize)) return false;
    loadable = loadable || segment.p_type == PT_LOAD;
    interpreter = interpreter || segment.p_type == PT_INTERP;
  }
  if (kind == ElfKind::Executable) return loadable && (header.e_type == ET_EXEC || interpreter);
  return loadable;
}

bool ElfFileIsWhole(const std::filesystem::path& path, ElfKind kind) noexcept {
  try {
    const OpenFile file(path.c_str());
    struct stat status {};
    if (file.Fd() < 0 || ::fstat(file.Fd(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);

    ElfW(Ehdr) header{};
    if (!ReadAt(file.Fd(), 0, &header, sizeof header) || !IsOwnElf(header)) return false;
    const bool typeFits =
        header.e_type == ET_DYN || (kind == ElfKind::Executable && header.e_type == ET_EXEC);
    if (!typeFits || !SectionTableInside(header, fileSize)) return false;
    return SegmentsInside(file.Fd(), header, fileSize, kind);
  } catch (...) {
    return false;
  }
}

}  // namespace

bool SharedObjectFileIsWhole(const std::filesystem::path& path) noexcept {
  return ElfFileIsWhole(path, ElfKind::SharedObject);
}

bool ExecutableFileIsWhole(const std::filesystem::path& path) noexcept {
  return ElfFileIsWhole(path, ElfKind::Executable);
}
