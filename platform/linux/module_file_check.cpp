#include "platform/linux/module_file_check.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>  // ElfW: the ELF types of this process's own class
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/posix/descriptor_io.h"
#include "os/posix/file_calls.h"

namespace {

constexpr unsigned char kOwnClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kOwnByteOrder =
    std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

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
bool SegmentsInside(int fd, const ElfW(Ehdr) & header, std::uint64_t fileSize, ProgramKind kind) {
  const std::uint64_t tableSize = std::uint64_t{header.e_phnum} * sizeof(ElfW(Phdr));
  if (!InsideFile(header.e_phoff, tableSize, fileSize)) return false;
  std::vector<ElfW(Phdr)> segments(header.e_phnum);
  if (!ReadExactly(fd, segments.data(), tableSize, static_cast<off_t>(header.e_phoff)))
    return false;
  bool loadable = false;
  bool interpreter = false;
  for (const ElfW(Phdr) & segment : segments) {
    if (!InsideFile(segment.p_offset, segment.p_filesz, fileSize)) return false;
    loadable = loadable || segment.p_type == PT_LOAD;
    interpreter = interpreter || segment.p_type == PT_INTERP;
  }
  if (kind == ProgramKind::DynamicExecutable)
    return loadable && (header.e_type == ET_EXEC || interpreter);
  return loadable;
}

bool ElfFileIsWhole(int fd, const struct stat& status, ProgramKind kind) {
  const auto fileSize = static_cast<std::uint64_t>(status.st_size);
  ElfW(Ehdr) header{};
  if (!ReadExactly(fd, &header, sizeof header, 0) || !IsOwnElf(header)) return false;
  const bool typeFits = header.e_type == ET_DYN ||
                        (kind == ProgramKind::DynamicExecutable && header.e_type == ET_EXEC);
  if (!typeFits || !SectionTableInside(header, fileSize)) return false;
  return SegmentsInside(fd, header, fileSize, kind);
}

// The fields of one line of /etc/passwd or /etc/group ("name:x:1000:...").
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t colon = line.find(':'); colon != std::string_view::npos;
       colon = line.find(':')) {
    fields.push_back(line.substr(0, colon));
    line.remove_prefix(colon + 1);
  }
  fields.push_back(line);
  return fields;
}

// A user or group id written as plain ASCII digits that fit the type. The system reads these
// fields leniently (leading blanks, a sign, a value cut to the type's width), so a field in
// any other form may mean any id to it.
std::optional<id_t> StrictId(std::string_view text) {
  if (text.empty() || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  id_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// Calls visit(fields) for each line that is neither empty nor a comment; false when a line
// has not `fieldCount` fields or its ids at `idFields` are not strict.
template <typename Visit>
bool ForEachLine(std::string_view text, std::size_t fieldCount,
                 std::initializer_list<std::size_t> idFields, Visit visit) {
  bool readable = true;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string_view> fields = Fields(line);
    const bool strict =
        fields.size() == fieldCount && std::ranges::all_of(idFields, [&](std::size_t i) {
          return StrictId(fields[i]).has_value();
        });
    if (strict) visit(fields);
    readable = readable && strict;
  }
  return readable;
}

// The system's own files, which only root may change: a link there is the system's.
bool ReadSystemFile(const char* path, std::string& text) {
  const int fd = FileCalls().open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0) return false;
  struct stat status {};
  const bool read = FileCalls().fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                    ReadWholeFile(fd, text, std::size_t{16} << 20);
  FileCalls().close(fd);
  return read;
}

}  // namespace

bool GroupIsPrivateTo(std::string_view passwd, std::string_view group, gid_t gid, uid_t uid) {
  std::string_view ownerName;
  bool ownerInIt = false;  // a group no one is in is no one's private group
  bool othersInIt = false;
  // A line the check cannot read may name anyone as a member.
  const bool usersRead = ForEachLine(passwd, 7, {2, 3}, [&](const auto& user) {
    const bool isOwner = StrictId(user[2]) == uid;
    if (isOwner && ownerName.empty()) ownerName = user[0];
    (isOwner ? ownerInIt : othersInIt) |= StrictId(user[3]) == gid;
  });
  bool listed = false;
  const bool groupsRead = ForEachLine(group, 4, {2}, [&](const auto& entry) {
    if (StrictId(entry[2]) != gid) return;
    listed = true;
    std::string_view members = entry[3];
    while (!members.empty()) {
      const std::size_t comma = members.find(',');
      const std::string_view member = members.substr(0, comma);
      members.remove_prefix(comma == std::string_view::npos ? members.size() : comma + 1);
      if (!member.empty()) (member == ownerName ? ownerInIt : othersInIt) = true;
    }
  });
  return usersRead && groupsRead && listed && ownerInIt && !othersInIt;
}

bool SystemGroupIsPrivateTo(gid_t gid, uid_t uid) noexcept {
  try {
    std::string passwd, group;
    return ReadSystemFile("/etc/passwd", passwd) && ReadSystemFile("/etc/group", group) &&
           GroupIsPrivateTo(passwd, group, gid, uid);
  } catch (...) {
    return false;
  }
}

bool InstallationFileMayBeUsed(const struct stat& status, uid_t installationOwner,
                               bool (*groupIsPrivateTo)(gid_t, uid_t)) {
  if (!S_ISREG(status.st_mode)) return false;
  if (status.st_uid != 0 && status.st_uid != installationOwner) return false;
  if ((status.st_mode & S_IWOTH) != 0) return false;
  return (status.st_mode & S_IWGRP) == 0 || groupIsPrivateTo(status.st_gid, status.st_uid);
}

int OpenInstallationFile(const std::filesystem::path& path, uid_t installationOwner,
                         ProgramKind kind) noexcept {
  // O_NONBLOCK: opening a FIFO for reading would wait for a writer; the host would hang.
  const int fd = FileCalls().open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  try {
    struct stat status {};
    if (FileCalls().fstat(fd, &status) == 0 &&
        InstallationFileMayBeUsed(status, installationOwner) && ElfFileIsWhole(fd, status, kind)) {
      return fd;
    }
  } catch (...) {
  }
  FileCalls().close(fd);
  return -1;
}

std::string WhyInstallationFileRefused(const std::filesystem::path& path) {
  struct stat status {};
  if (FileCalls().fstatat(AT_FDCWD, path.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
    return std::strerror(errno);
  if (S_ISLNK(status.st_mode)) return "it is a symbolic link, not the installation's own file";
  if (!S_ISREG(status.st_mode)) return "it is not a regular file";
  return "it is not whole, or not the installation's own file (it must belong to root or to "
         "the owner of auxline, and no one else may write it)";
}

uid_t RunningExecutableOwner() noexcept {
  struct stat status {};
  if (FileCalls().fstatat(AT_FDCWD, "/proc/self/exe", &status, 0) != 0)
    return static_cast<uid_t>(-1);
  return status.st_uid;
}
