// Holds FILE open as a scanner would, sharing any of r, w, d (or - for none), from before
// COMMAND starts until MILLISECONDS after or its end; prints its run time in milliseconds and
// exits with its status (125 when the file cannot be held or the command cannot start).
//   file_holder.exe FILE SHARE MILLISECONDS COMMAND [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) return 125;
  DWORD share = 0;
  for (const wchar_t* letter = argv[2]; *letter != L'\0'; ++letter) {
    if (*letter == L'r') share |= FILE_SHARE_READ;
    if (*letter == L'w') share |= FILE_SHARE_WRITE;
    if (*letter == L'd') share |= FILE_SHARE_DELETE;
  }
  const HANDLE held = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 125;
  std::wstring commandLine;
  for (int i = 4; i < argc; ++i) {
    commandLine += std::wstring(i > 4 ? L" \"" : L"\"") + argv[i] + L"\"";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const ULONGLONG started = GetTickCount64();
  if (!CreateProcessW(argv[4], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 125;
  }
  WaitForSingleObject(process.hProcess, static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  CloseHandle(held);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 125;
  GetExitCodeProcess(process.hProcess, &status);
  std::printf("%llu\n", GetTickCount64() - started);
  return static_cast<int>(status);
}
