#pragma once
// What the tool needs from the file system beyond the standard library, one implementation
// per platform: reading only regular files, never the running executable, without ever
// waiting on a FIFO or device; and replacing a file so that the host and the user always
// get back a sound one, in every kind of folder and through symbolic links.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/system_error.h"

// A regular file opened for one sequential read. Anything else in its place (a FIFO, a
// device, a socket, a folder, the running executable) counts as unreadable; the check is
// made on the opened file, and opening never blocks.
class RegularFileReader {
 public:
  enum class Outcome { Opened, Missing, Unreadable };

  explicit RegularFileReader(const std::filesystem::path& path);
  ~RegularFileReader();
  RegularFileReader(const RegularFileReader&) = delete;
  RegularFileReader& operator=(const RegularFileReader&) = delete;

  Outcome State() const { return outcome_; }
  // Why the file is unreadable, or why the last read failed; a success otherwise.
  const FileResult& Error() const { return error_; }

  // Up to `size` bytes into `buffer`: their count, 0 at the end of the file, -1 after a read
  // error (and for a file that is not open).
  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  std::intptr_t handle_;
  Outcome outcome_ = Outcome::Unreadable;
  FileResult error_;
};

// At most `limit` bytes of a regular file. `Complete` tells that the end of the file was
// reached within the limit without a read error.
struct BoundedRead {
  RegularFileReader::Outcome State = RegularFileReader::Outcome::Missing;
  std::string Bytes;
  bool Complete = false;
  bool ReadError = false;
  // Why the file was unreadable or a read failed.
  FileResult Error;
};
BoundedRead ReadRegularFile(const std::filesystem::path& path, std::size_t limit);

struct ReplaceOptions {
  // The new bytes and the folder entry reach the disk before the call returns.
  bool Durable = false;
  // Only for a file that has to be rewritten in place (no temporary file can be made or
  // renamed beside it): what the file holds when that write fails part-way. Without it the
  // file gets its previous bytes back.
  std::optional<std::string_view> BytesAfterFailedWrite;
};

// Replaces the file at `target` with `bytes`; a success when it now holds exactly them. A
// symbolic link is followed: its target is replaced and the link stays. The new file keeps
// the permission bits of the one it replaces, and its owner where the system allows it.
// The bytes go into a temporary file beside the target that is renamed over it, so no
// reader ever sees half a file; where that is impossible but the target is writable, the
// target is rewritten in place. Never touches anything but a regular file, and never the
// running executable. Temporary files that killed runs left beside the target are removed
// first, once they are clearly abandoned. A failure names the last step that failed.
FileResult ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                               const ReplaceOptions& options = {});

// Removes the file at `path` when it is a regular file other than the running executable
// (a link to one is removed itself). A success when nothing is left there to read as a file.
// Another user's file that this user could not write is never removed, nor replaced.
FileResult RemoveRegularFile(const std::filesystem::path& path);

// Removes the temporary files that killed runs left beside `target` (see
// ReplaceFileContents) once they are clearly abandoned: only the running user's own, judged
// by when they were made. A run calls it for each of its files whether or not it replaces
// them, so that nothing is left behind for long. While no file holds the target's name they
// may be its last copies, and nothing is removed.
void RemoveAbandonedTemporariesOf(const std::filesystem::path& target);

// The running user's own regular files beside `target` that a replacement of it left behind
// (its temporary files; on Windows also the backup of a replace stopped half-way), newest
// first. While no file holds the target's name, the newest complete one is its last copy.
std::vector<std::filesystem::path> LeftCopiesOf(const std::filesystem::path& target);

// What tells the regular file at `path` (a link followed as for reading) from another one
// put in its place later, by a rename over it or a new file of the same name: the system's
// identity of the file, as text. Empty when no such file is there or the system gives no
// identity that can be trusted.
std::string FileIdentityOf(const std::filesystem::path& path);
