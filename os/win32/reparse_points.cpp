#include "os/win32/reparse_points.h"

#include <aclapi.h>

#include <memory>
#include <vector>

#include "os/win32/handle.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The owner of an open file or folder, with the security descriptor that holds it.
struct Owner {
  PSID Sid = nullptr;
  std::unique_ptr<void, decltype(&LocalFree)> Descriptor{nullptr, &LocalFree};
};

bool ReadOwner(HANDLE file, Owner& owner) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner.Sid, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  owner.Descriptor.reset(descriptor);
  return owner.Sid != nullptr;
}

// The user this process runs as.
bool ReadUser(std::vector<BYTE>& buffer, PSID& user) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  Handle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  buffer.resize(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    return false;
  }
  user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  return true;
}

}  // namespace

bool MayFollowReparsePoint(PSID owner, PSID user, PSID folderOwner) {
  return EqualSid(owner, user) || EqualSid(owner, folderOwner) ||
         IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
}

bool MayFollowReparsePointAt(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return true;
  }
  Handle link(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                          nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!link.IsOpen() ||
      !GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo, &tag, sizeof tag)) {
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
