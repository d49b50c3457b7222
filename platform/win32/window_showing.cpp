#include "platform/win32/window_showing.h"

bool StarterAskedForShowState() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
}

void ShowFirstTime(HWND window, int command, const WindowShowing& showing) {
  showing.Show(window, command);
  if (showing.StarterAskedForShowState()) showing.Show(window, command);
}
