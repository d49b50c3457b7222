#include "os/win32/reparse_points.h"

#include <vector>

#include "os/win32/file_calls.h"
#include "os/win32/handle.h"
#include "os/win32/owners.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool MayFollowReparsePoint(PSID owner, PSID user, PSID folderOwner) {
  return EqualSid(owner, user) || EqualSid(owner, folderOwner) ||
         IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
}

bool MayFollowReparsePointAt(const std::filesystem::path& path) {
  const DWORD attributes = FileCalls().GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return true;
  }
  Handle link(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                          nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!link.IsOpen() || !FileCalls().GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo,
                                                                  &tag, sizeof tag)) {
    return false;
  }
  // Other reparse points (cloud-drive placeholders, deduplicated files) name no other file.
  if (!IsReparseTagNameSurrogate(tag.ReparseTag)) return true;
  const std::filesystem::path folderPath = path.has_parent_path() ? path.parent_path() : L".";
  Handle folder(CreateFileW(folderPath.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  Owner linkOwner, folderOwner;
  std::vector<BYTE> userBuffer;
  PSID user = nullptr;
  if (!folder.IsOpen() || !ReadOwner(link.Get(), linkOwner) ||
      !ReadOwner(folder.Get(), folderOwner) || !ReadUser(userBuffer, user)) {
    return false;
  }
  return MayFollowReparsePoint(linkOwner.Sid, user, folderOwner.Sid);
}
