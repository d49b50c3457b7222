#include "os/in_place_rewrite.h"

namespace {

// Only small files are rewritten in place with their previous bytes as the way back.
constexpr std::size_t kLargestRestorable = std::size_t{1} << 16;

// A file whose previous bytes are of no use once the rewrite has begun (the exchange file:
// the host must never take its own input, or a mix of it and the new list, for commands) is
// emptied before anything is written. Whatever ends the run between two steps then leaves
// the previous bytes, nothing, the bytes after failure or the whole new bytes.
FileResult RewriteEmptiedFirst(InPlaceFile& file, std::string_view bytes,
                               std::string_view afterFailure) {
  FileResult result = file.Truncate(0);
  if (result) result = file.WriteFromStart(bytes);
  if (result) result = file.Flush();
  if (result) return result;
  if (!file.Truncate(0) || !file.WriteFromStart(afterFailure)) file.Truncate(0);
  file.Flush();
  return result;
}

}  // namespace

FileResult RewriteInPlace(InPlaceFile& file, std::string_view bytes,
                          const ReplaceOptions& options) {
  if (options.BytesAfterFailedWrite) {
    return RewriteEmptiedFirst(file, bytes, *options.BytesAfterFailedWrite);
  }
  // The settings: the new bytes go over the old ones, so no step needs more room on the disk
  // than the larger of the two, and a failure writes the previous bytes back.
  std::string previous;
  FileResult result = file.ReadAll(previous, kLargestRestorable);
  if (!result) return result;  // nothing touched yet
  result = file.WriteFromStart(bytes);
  if (result) result = file.Truncate(bytes.size());
  if (result && options.Durable) result = file.Flush();
  if (result) return result;
  if (!file.WriteFromStart(previous) || !file.Truncate(previous.size())) {
    // A write stopped by a limit (the file-size limit, a quota) stops the way back at the
    // same place, so the file may well hold all of its previous bytes again: only a file
    // that does not is emptied.
    std::string now;
    if (!file.ReadAll(now, previous.size()) || now != previous) file.Truncate(0);
  }
  if (options.Durable) file.Flush();
  return result;
}
