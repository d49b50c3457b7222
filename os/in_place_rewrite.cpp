#include "os/in_place_rewrite.h"

namespace {

// Only small files are rewritten in place with their previous bytes as the way back.
constexpr std::size_t kLargestRestorable = std::size_t{1} << 16;

}  // namespace

bool RewriteInPlace(InPlaceFile& file, std::string_view bytes, const ReplaceOptions& options) {
  std::string previous;
  std::string_view afterFailure;
  if (options.BytesAfterFailedWrite) {
    afterFailure = *options.BytesAfterFailedWrite;
  } else {
    if (!file.ReadAll(previous, kLargestRestorable)) return false;  // nothing touched yet
    afterFailure = previous;
  }
  if (file.WriteFromStart(bytes) && file.Truncate(bytes.size()) &&
      (!options.Durable || file.Flush())) {
    return true;
  }
  if (!file.WriteFromStart(afterFailure) || !file.Truncate(afterFailure.size())) {
    // A write stopped by a limit (the file-size limit, a quota) stops the way back at the
    // same place, so the file may well hold all of its previous bytes again: only a file
    // that does not is emptied.
    std::string now;
    if (!file.ReadAll(now, afterFailure.size()) || now != afterFailure) file.Truncate(0);
  }
  if (options.Durable) file.Flush();
  return false;
}
