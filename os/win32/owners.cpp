#include "os/win32/owners.h"

#include <aclapi.h>

#include "os/win32/file_calls.h"
#include "os/win32/handle.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool OwnedByRunner(const std::filesystem::path& path) {
  Handle file(CreateFileW(path.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.IsOpen() && OpenFileIsRunners(file.Get());
}

}  // namespace

bool OwnerIsRunner(PSID owner) {
  std::vector<BYTE> buffer;
  PSID user = nullptr;
  if (ReadUser(buffer, user) && EqualSid(owner, user)) return true;
  // A file an elevated administrator makes belongs to the Administrators group, which the
  // same user's elevated runs hold.
  BOOL member = FALSE;
  return CheckTokenMembership(nullptr, owner, &member) && member;
}

bool OpenFileIsRunners(HANDLE file) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (FileCalls().GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                  nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const std::unique_ptr<void, decltype(&LocalFree)> held(descriptor, &LocalFree);
  return owner == nullptr || OwnerIsRunner(owner);
}

bool ReadOwner(HANDLE file, Owner& owner) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (FileCalls().GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner.Sid,
                                  nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  owner.Descriptor.reset(descriptor);
  return owner.Sid != nullptr;
}

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

bool MayReplaceFile(bool ownedByRunner, DWORD openError) {
  return ownedByRunner || openError != ERROR_ACCESS_DENIED;
}

bool MayReplaceFileAt(const std::filesystem::path& path) {
  // The user's own file needs no trial open for writing, which a virus scanner would take as
  // a reason to scan the file on its close, holding it just when it is to be replaced.
  if (OwnedByRunner(path)) return true;
  Handle file(CreateFileW(path.c_str(), FILE_WRITE_DATA, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  return MayReplaceFile(false, file.IsOpen() ? 0 : GetLastError());
}
