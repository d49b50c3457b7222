#pragma once
// Files made earlier, or another user's, as the POSIX file layer sees them through its call
// table while a ScopedFileCalls holds: no call can move a file's change time back (the layer
// counts age from it), and only root can give a file away.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "tests/support/file_call_faults.h"

struct FakedStatus {
  std::chrono::seconds older;  // made and last written that much earlier
  std::optional<uid_t> owner;
  std::optional<gid_t> group;
};

// Each file named in `files` (by its name alone) as faked there; others as they are.
inline void FakeStatusOf(std::map<std::string, FakedStatus> files) {
  static std::map<std::string, FakedStatus> faked;
  static decltype(PosixFileCalls::fstatat) inner;
  faked = std::move(files);
  inner = ScopedFileCalls::Plan().inner.fstatat;
  ScopedFileCalls::Plan().inner.fstatat = [](int dir, const char* path, struct stat* status,
                                             int flags) {
    const int done = inner(dir, path, status, flags);
    const auto file = faked.find(std::filesystem::path(path).filename().string());
    if (done != 0 || file == faked.end()) return done;
    status->st_ctim.tv_sec -= file->second.older.count();
    status->st_mtim.tv_sec -= file->second.older.count();
    status->st_uid = file->second.owner.value_or(status->st_uid);
    status->st_gid = file->second.group.value_or(status->st_gid);
    return done;
  };
}

// Every file now in `folder`, `older` than it is.
inline void FakeAgeOfAll(const std::filesystem::path& folder, std::chrono::seconds older) {
  std::map<std::string, FakedStatus> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = FakedStatus{older, {}, {}};
  FakeStatusOf(std::move(files));
}
