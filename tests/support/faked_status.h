#pragma once
// Files as the POSIX file layer sees them through its call table while a ScopedFileCalls holds:
// made earlier (their change time, which no call can move back; their last write stays), or
// another user's, group's or mode, which only root could give them.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "tests/support/file_call_faults.h"

struct FakedStatus {
  std::chrono::seconds made{};  // that much earlier
  std::optional<uid_t> owner = std::nullopt;
  std::optional<gid_t> group = std::nullopt;
  std::optional<mode_t> mode = std::nullopt;  // the permission bits
};

// Each file named in `files` (by its name alone) as faked there; others as they are.
inline void FakeStatusOf(std::map<std::string, FakedStatus> files) {
  static std::map<std::string, FakedStatus> faked;
  static decltype(PosixFileCalls::fstatat) inner;
  faked = std::move(files);
  inner = ScopedFileCalls::Plan().inner.fstatat;
  ScopedFileCalls::Plan().inner.fstatat = [](int dir, const char* path, struct stat* s, int flags) {
    const int done = inner(dir, path, s, flags);
    const auto file = faked.find(std::filesystem::path(path).filename().string());
    if (done != 0 || file == faked.end()) return done;
    const FakedStatus& f = file->second;
    s->st_ctim.tv_sec -= f.made.count();
    s->st_uid = f.owner.value_or(s->st_uid);
    s->st_gid = f.group.value_or(s->st_gid);
    if (f.mode) s->st_mode = (s->st_mode & ~mode_t{07777}) | *f.mode;
    return done;
  };
}

// Every file now in `folder` made `earlier` than it was.
inline void FakeAgeOfAll(const std::filesystem::path& folder, std::chrono::seconds earlier) {
  std::map<std::string, FakedStatus> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = FakedStatus{earlier};
  FakeStatusOf(std::move(files));
}
