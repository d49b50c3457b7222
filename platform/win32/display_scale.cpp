#include "platform/win32/display_scale.h"

namespace {

// A user32 function that older Windows versions lack; null there.
// `decltype(&F)` names the type without referring to F itself, so nothing is imported.
template <typename FunctionPointer>
FunctionPointer OptionalUserFunction(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
  // Through void(*)(), the one function pointer type that converts to any other.
  return reinterpret_cast<FunctionPointer>(reinterpret_cast<void (*)()>(address));
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

WindowDpiQuery& CurrentWindowDpiQuery() {
  static WindowDpiQuery query = OptionalUserFunction<WindowDpiQuery>("GetDpiForWindow");
  return query;
}

}  // namespace

WindowDpiQuery ReplaceWindowDpiQuery(WindowDpiQuery query) {
  const WindowDpiQuery replaced = CurrentWindowDpiQuery();
  CurrentWindowDpiQuery() = query;
  return replaced;
}

UINT WindowDpi(HWND window) {
  const WindowDpiQuery query = CurrentWindowDpiQuery();
  const UINT dpi = query && window ? query(window) : 0;
  return dpi != 0 ? dpi : SystemDpi();
}

SIZE OuterSizeForClient(int width, int height, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto adjustForDpi =
      OptionalUserFunction<decltype(&AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
  RECT outer{0, 0, width, height};
  if (!adjustForDpi || !adjustForDpi(&outer, style, FALSE, exStyle, dpi)) {
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  }
  return {outer.right - outer.left, outer.bottom - outer.top};
}
