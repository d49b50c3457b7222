#pragma once
// A file of the running user's own that many runs append to at once and that one of them
// now and then cuts back (the log of failed runs). What the tool keeps only for its user is
// never kept in another user's file, nor written through a link or a second name (hard
// link): anyone who may write the tool's folder could otherwise make a run append to a file
// of their choosing.
//
// Each addition is one write at the file's end. A lock on the file keeps the runs that
// append and cut back apart (see tool/run_log.cpp); it is advisory: only this tool's runs
// honour it, which is all they need to.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class AppendFile {
 public:
  // Opens the file at `path` for appending, made with the permissions of any new file of the
  // user's when it is missing. A link, anything but a regular file, a file with a second
  // name, or another user's file is left alone: the file is then not open. The file is
  // opened for reading too where the user may read it.
  explicit AppendFile(const std::filesystem::path& path);
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  bool IsOpen() const;

  // Takes the file's lock, held until the file is closed; waits a moment at most (a stranger
  // who may read the file may hold it forever). False when it was not had, or the system
  // keeps no locks there.
  bool Lock();

  // `bytes` added at the end in one write; false when not all of them were written.
  bool Append(std::string_view bytes);
  std::optional<std::uint64_t> Size();
  // The file from `offset` to its end, at most `limit` bytes; false after a read error, and
  // where the file was not opened for reading.
  bool ReadFrom(std::uint64_t offset, std::string& bytes, std::size_t limit);
  // The file's bytes become `bytes`: written from its start, the rest cut off. Only where
  // the file was opened for reading too.
  bool Rewrite(std::string_view bytes);

 private:
  std::intptr_t handle_;
  bool readable_ = false;
  bool locked_ = false;
};
