#pragma once
// Rewriting a file in place, as a plain writer would, for a target beside which no
// temporary file can be made or renamed (a folder the user may not write to, a sticky
// folder whose file belongs to someone else). Each platform supplies the file operations.
#include <cstddef>
#include <string>
#include <string_view>

#include "os/file_system.h"

// A regular file open for reading and writing. Each operation names its failed step.
class InPlaceFile {
 public:
  virtual ~InPlaceFile() = default;
  // The whole file from its start; a failure after a read error or when it exceeds `limit`.
  virtual FileResult ReadAll(std::string& bytes, std::size_t limit) = 0;
  // All of `bytes` from the start of the file on.
  virtual FileResult WriteFromStart(std::string_view bytes) = 0;
  virtual FileResult Truncate(std::size_t size) = 0;
  virtual FileResult Flush() = 0;
};

// With options.BytesAfterFailedWrite (the exchange file) the file is first cut to nothing,
// then written, then flushed; when that fails part-way it gets those bytes, or nothing when
// even they cannot be written: a half-written list is worse than none. Otherwise (the
// settings) the new bytes go over the old ones from the start, then the file is cut to their
// length, so no step needs more room on the disk than the larger of the two contents; when
// that fails part-way the file gets its previous bytes back (read first), or is emptied
// when even that fails and it does not hold them after all. A failure names the step that
// failed first, not those of the way back.
FileResult RewriteInPlace(InPlaceFile& file, std::string_view bytes, const ReplaceOptions& options);
