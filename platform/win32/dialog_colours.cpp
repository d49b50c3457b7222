#include "platform/win32/dialog_colours.h"

#include "platform/win32/dialog_windows.h"

namespace {

HighContrastQuery& ReplacedQuery() {
  static HighContrastQuery query = nullptr;
  return query;
}

bool SystemHighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

void SetHighContrastQuery(HighContrastQuery query) { ReplacedQuery() = query; }

bool HighContrastOn() {
  const HighContrastQuery query = ReplacedQuery();
  return query != nullptr ? query() : SystemHighContrastOn();
}

DialogColours CurrentDialogColours() {
  DialogColours colours;
  colours.Text = GetSysColor(COLOR_WINDOWTEXT);
  if (HighContrastOn()) {
    colours.Background = GetSysColorBrush(COLOR_WINDOW);
    colours.BackgroundColour = GetSysColor(COLOR_WINDOW);
  } else {
    const DialogResources& resources = SharedDialogResources();
    colours.Background = resources.Background;
    colours.BackgroundColour = resources.BackgroundColour;
  }
  return colours;
}

LRESULT EraseWithDialogBackground(HWND window, HDC context) {
  RECT client{};
  GetClientRect(window, &client);
  FillRect(context, &client, CurrentDialogColours().Background);
  return TRUE;
}
