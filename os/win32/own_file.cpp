#include "os/own_file.h"

#include <windows.h>

#include <aclapi.h>

#include "os/win32/file_calls.h"
#include "os/win32/long_path.h"
#include "os/win32/owners.h"
#include "os/win32/wide_text.h"

FileOwnership OwnershipOf(const std::filesystem::path& path) {
  const std::wstring name = ExtendedPath(path).native();
  const DWORD attributes = FileCalls().GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileOwnership::Missing
                                                                          : FileOwnership::Other;
  }
  if (attributes &
      (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
    return FileOwnership::Other;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD got = GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                          &owner, nullptr, nullptr, nullptr, &descriptor);
  if (got != ERROR_SUCCESS) return FileOwnership::Other;
  // A file system without owners (FAT) gives none: there, every file is the user's.
  const bool own = owner == nullptr || OwnerIsRunner(owner);
  LocalFree(descriptor);
  return own ? FileOwnership::Own : FileOwnership::Other;
}

void ClearSystemError() { SetLastError(0); }

std::error_code LastSystemError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

// In the user's language, as UTF-8, without the line end the system puts after it.
std::string SystemErrorText(const std::error_code& error) {
  if (!error) return {};
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                           wide.back() == L'.')) {
    wide.pop_back();
  }
  if (wide.empty()) return "error " + std::to_string(error.value());
  return Utf8FromWide(wide);
}
