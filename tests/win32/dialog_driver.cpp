// Operates auxline.exe's dialog from outside, as a user would, for the tests under Wine:
//   dialog_driver.exe AUXLINE.EXE [ARGUMENTS...] -- ACTION...
// Starts the program, waits until its window is shown and has the focus, performs the actions
// and waits for the program to end; every action waits until the program has handled it, never
// for a fixed time. Prints "exit N" with the program's status; exit status 0 when all worked.
// Actions: report (what the window shows), set WIDGET TEXT, select WIDGET INDEX, click WIDGET,
// type TEXT, key NAME[*N] (alt+2, ctrl+shift+tab, down*4: see kNamedKeys), close (the close
// box), expect-open, expect-menu popup|bar|none (system menu open, menu mode only, neither),
// pause MILLISECONDS.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/control_ids.h"
#include "os/win32/wide_text.h"

namespace {

using layout::WidgetId;

constexpr DWORD kWindowTimeoutMs = 60000;  // bounds a hang; a loaded machine starts Wine slowly
constexpr DWORD kReadTimeoutMs = 30000;
constexpr DWORD kPollMs = 10;
constexpr DWORD kKeyPollMs = 5;
constexpr int kCursorX = 320;
constexpr int kCursorY = 240;
constexpr WORD kMarkerKey = 0x88;  // a virtual key no keyboard has, so nothing reacts to it

// WM_GETTEXT, not GetWindowText: only the message reads another process's controls.
std::string Text(HWND window) {
  wchar_t buffer[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
  return Utf8FromWide(buffer);
}

bool Fail(const std::string& why) {
  std::printf("FAIL %s\n", why.c_str());
  std::fflush(stdout);
  return false;
}

// One key with the modifiers held while it is pressed; the modifiers first, the key last.
struct KeyStroke {
  std::vector<WORD> Keys;
  int Repeat = 1;
};

constexpr struct {
  const char* Name;
  WORD Key;
} kNamedKeys[] = {
    {"alt", VK_MENU},     {"ctrl", VK_CONTROL},  {"shift", VK_SHIFT}, {"tab", VK_TAB},
    {"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"space", VK_SPACE}, {"backspace", VK_BACK},
    {"down", VK_DOWN},    {"up", VK_UP},         {"f4", VK_F4},       {"pagedown", VK_NEXT},
    {"pageup", VK_PRIOR},
};

// 0 for a name that is not known.
WORD KeyOfName(const std::string& name) {
  for (const auto& named : kNamedKeys) {
    if (name == named.Name) return named.Key;
  }
  // A letter or digit: its virtual key is the upper-case character.
  const auto first = static_cast<unsigned char>(name.empty() ? '\0' : name[0]);
  return name.size() == 1 && std::isalnum(first) ? static_cast<WORD>(std::toupper(first)) : 0;
}

// "alt+2", "ctrl+shift+tab", "down*4"; false for a name that is not known.
bool ParseKeyStroke(const std::string& name, KeyStroke& stroke) {
  const size_t times = name.find('*');
  const std::string keys = name.substr(0, times);
  if (times != std::string::npos) stroke.Repeat = std::atoi(name.c_str() + times + 1);
  for (size_t begin = 0, plus = 0; plus != std::string::npos; begin = plus + 1) {
    plus = keys.find('+', begin);
    stroke.Keys.push_back(KeyOfName(keys.substr(begin, plus - begin)));
    if (stroke.Keys.back() == 0) return false;
  }
  return stroke.Repeat >= 1;
}

INPUT KeyEvent(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  const bool extended = key == VK_DOWN || key == VK_UP || key == VK_NEXT || key == VK_PRIOR;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

struct Target {
  PROCESS_INFORMATION Process{};
  HWND Form = nullptr;

  HWND Find(WidgetId id) const {
    if (HWND child = GetDlgItem(Form, win32ids::ControlId(id))) return child;
    // Widgets on the pages: the pages are children of the tab control.
    HWND tabs = GetDlgItem(Form, win32ids::ControlId(WidgetId::PageControl1));
    for (WidgetId pageId : {WidgetId::TabSheet1, WidgetId::TabSheet2}) {
      HWND page = GetDlgItem(tabs, win32ids::ControlId(pageId));
      if (pageId == id) return page;
      if (HWND widget = GetDlgItem(page, win32ids::ControlId(id))) return widget;
    }
    return nullptr;
  }

  GUITHREADINFO ThreadInfo() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(Process.dwThreadId, &info);
    return info;
  }

  bool Running() const { return WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT; }

  // Handled by the form's thread once it has finished what it was doing; gives up at once
  // when the program has ended.
  void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
            DWORD timeout = kWindowTimeoutMs) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeout, &result);
  }

  // The program reads its input in order: once it has read a key that nothing uses, pressed
  // after the stroke, it has read the stroke. The key state, shared with the program's thread,
  // shows that key as pressed from when the program takes its key-down until it takes its
  // key-up; a message sent then is handled once the program has finished with what it read.
  bool WaitUntilKeysHandled() const {
    for (const bool up : {false, true}) {
      INPUT marker = KeyEvent(kMarkerKey, up);
      SendInput(1, &marker, sizeof(INPUT));
      const DWORD start = GetTickCount();
      while ((GetKeyState(kMarkerKey) < 0) == up) {
        if (WaitForSingleObject(Process.hProcess, kKeyPollMs) == WAIT_OBJECT_0) return true;
        if (GetTickCount() - start > kReadTimeoutMs)
          return Fail("the program read no key for 30 s");
      }
      Send(Form, WM_NULL, 0, 0, kReadTimeoutMs);
    }
    return true;
  }

  // Real key-downs and key-ups through the system's input queue, as a person types: what the
  // system makes of a lone Alt, or of an Alt+key, shows as for a user. Released in the order
  // pressed, as a hand lifts off: Alt comes up before the key it was held for.
  bool Type(const KeyStroke& stroke) const {
    std::vector<INPUT> events;
    for (WORD key : stroke.Keys) events.push_back(KeyEvent(key, false));
    for (WORD key : stroke.Keys) events.push_back(KeyEvent(key, true));
    for (int i = 0; i < stroke.Repeat; ++i) {
      SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
      if (!WaitUntilKeysHandled()) return false;
    }
    return true;
  }
};

std::string NameOf(const Target& target, HWND window) {
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    HWND widget = target.Find(row.Id);
    // The innermost match wins: a page holds the widgets that follow it in the table.
    if (widget && (widget == window || IsChild(widget, window)) &&
        row.Kind != layout::WidgetKind::TabPage && row.Kind != layout::WidgetKind::TabControl) {
      return row.Name;
    }
  }
  return window ? "other" : "none";
}

void Report(const Target& target) {
  HWND form = target.Form;
  std::printf("caption %s\n", Text(form).c_str());
  std::printf("application %s\n", Text(GetWindow(form, GW_OWNER)).c_str());
  RECT client{};
  GetClientRect(form, &client);
  std::printf("client %ld %ld\n", client.right, client.bottom);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE));
  std::printf("frame%s%s%s%s%s\n", style & WS_CAPTION ? " caption" : "",
              style & WS_SYSMENU ? " sysmenu" : "", style & WS_MINIMIZEBOX ? " minimize" : "",
              style & WS_MAXIMIZEBOX ? " maximize" : "", style & WS_THICKFRAME ? " sizable" : "");
  RECT outer{};
  GetWindowRect(form, &outer);
  const bool centred = outer.left == kCursorX - (outer.right - outer.left) / 2 &&
                       outer.top == kCursorY - (outer.bottom - outer.top) / 2;
  std::printf("placement %s\n", centred ? "centred on the cursor" : "elsewhere");
  POINT cursor{};
  GetCursorPos(&cursor);
  std::printf("cursor at %ld %ld, window at %ld %ld\n", cursor.x, cursor.y, outer.left, outer.top);
  HWND tabs = target.Find(WidgetId::PageControl1);
  std::printf("page %d\n", static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) + 1);
  std::printf("focus %s\n", NameOf(target, target.ThreadInfo().hwndFocus).c_str());
  const auto okStyle =
      static_cast<DWORD>(GetWindowLongPtrW(target.Find(WidgetId::Button1), GWL_STYLE));
  std::printf("default button %s\n", (okStyle & 0xF) == BS_DEFPUSHBUTTON ? "Button1" : "none");
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    using layout::WidgetKind;
    HWND widget = target.Find(row.Id);
    const char* shown = (GetWindowLongPtrW(widget, GWL_STYLE) & WS_VISIBLE) ? "shown" : "hidden";
    if (row.Kind == WidgetKind::Label || row.Kind == WidgetKind::Edit ||
        row.Kind == WidgetKind::PushButton) {
      std::printf("%s %s \"%s\"\n", row.Name, shown, Text(widget).c_str());
    } else if (row.Kind == WidgetKind::DropDownList || row.Kind == WidgetKind::EditableDropDown) {
      std::printf("%s count %d selected %d text \"%s\"\n", row.Name,
                  static_cast<int>(SendMessageW(widget, CB_GETCOUNT, 0, 0)),
                  static_cast<int>(SendMessageW(widget, CB_GETCURSEL, 0, 0)), Text(widget).c_str());
    }
  }
  std::fflush(stdout);
}

// Open (a popup menu of the program's shown), the thread in menu mode with no menu open (after
// a lone Alt), or neither.
std::string MenuState(const Target& target) {
  for (HWND popup = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); popup;
       popup = FindWindowExW(nullptr, popup, L"#32768", nullptr)) {
    if (IsWindowVisible(popup) &&
        GetWindowThreadProcessId(popup, nullptr) == target.Process.dwThreadId) {
      return "popup";
    }
  }
  return target.ThreadInfo().flags & GUI_INMENUMODE ? "bar" : "none";
}

// A menu opens, closes and leaves menu mode some time after the key that asks for it was read.
bool ExpectMenu(const Target& target, const std::string& expected) {
  const DWORD start = GetTickCount();
  std::string state = MenuState(target);
  while (state != expected && GetTickCount() - start < kWindowTimeoutMs) {
    Sleep(kPollMs);
    state = MenuState(target);
  }
  return state == expected || Fail("menu " + state + ", expected " + expected);
}

// Runs one action; `next` points at its first parameter and moves past the parameters.
bool Perform(const Target& target, const std::vector<std::wstring>& actions, size_t& next) {
  auto parameter = [&]() -> std::wstring { return next < actions.size() ? actions[next++] : L""; };
  const std::string action = Utf8FromWide(parameter());
  if (action == "report") {
    Report(target);
  } else if (action == "set" || action == "select" || action == "click") {
    const std::string name = Utf8FromWide(parameter());
    const auto row =
        std::find_if(layout::kWidgets.begin(), layout::kWidgets.end(),
                     [&](const layout::WidgetSpec& entry) { return name == entry.Name; });
    HWND widget = row != layout::kWidgets.end() ? target.Find(row->Id) : nullptr;
    if (!widget) return Fail("no widget " + name);
    if (action == "set") {
      target.Send(widget, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(parameter().c_str()));
    } else if (action == "select") {
      target.Send(widget, CB_SETCURSEL, static_cast<WPARAM>(std::stoi(parameter())), 0);
    } else {
      target.Send(widget, BM_CLICK, 0, 0);
    }
  } else if (action == "type") {
    for (wchar_t character : parameter()) {
      const SHORT scan = VkKeyScanW(character);  // on the keyboard layout in use
      if (scan == -1) return Fail("a character without a key");
      KeyStroke stroke;
      if (scan & 0x100) stroke.Keys.push_back(VK_SHIFT);
      stroke.Keys.push_back(static_cast<WORD>(scan & 0xFF));
      if (!target.Type(stroke)) return false;
    }
  } else if (action == "key") {
    const std::string name = Utf8FromWide(parameter());
    KeyStroke stroke;
    if (!ParseKeyStroke(name, stroke)) return Fail("unknown key " + name);
    return target.Type(stroke);
  } else if (action == "close") {
    target.Send(target.Form, WM_CLOSE, 0, 0);
  } else if (action == "pause") {
    Sleep(static_cast<DWORD>(std::stoul(parameter())));
  } else if (action == "expect-open") {
    // Every action before has been handled: a form that closed is hidden by now.
    if (!target.Running() || !IsWindowVisible(target.Form)) return Fail("the window closed");
  } else if (action == "expect-menu") {
    return ExpectMenu(target, Utf8FromWide(parameter()));
  } else {
    return Fail("unknown action " + action);
  }
  return true;
}

bool Start(Target& target, const std::vector<std::wstring>& command) {
  std::wstring line;
  for (const std::wstring& part : command) {
    line += line.empty() ? L"\"" : L" \"";
    for (wchar_t character : part) line += character == L'"' ? L"\\\"" : std::wstring(1, character);
    line += L"\"";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(command[0].c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &target.Process)) {
    return Fail("cannot start the program");
  }
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWindowTimeoutMs && target.Running()) {
    target.Form = FindWindowW(win32ids::kFormClass, L"補助線の作図");
    // Keys go to the foreground window's focused control: both must be the dialog's.
    HWND focus = target.ThreadInfo().hwndFocus;
    if (target.Form && IsWindowVisible(target.Form) && GetForegroundWindow() == target.Form &&
        focus && IsChild(target.Form, focus)) {
      // Shares the keyboard state with the program's thread: the driver then sees which keys
      // the program has taken from its queue.
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // gives this thread its input state
      return AttachThreadInput(GetCurrentThreadId(), target.Process.dwThreadId, TRUE) ||
             Fail("cannot share the keyboard state with the program");
    }
    Sleep(kPollMs);
  }
  return Fail(target.Form ? "the window never had the focus" : "no window");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const std::vector<std::wstring> arguments(argv + 1, argv + argc);
  const auto split = std::find(arguments.begin(), arguments.end(), L"--");
  const std::vector<std::wstring> command(arguments.begin(), split);
  const std::vector<std::wstring> actions(split == arguments.end() ? split : split + 1,
                                          arguments.end());
  if (command.empty()) {
    Fail("usage: dialog_driver AUXLINE.EXE [ARGUMENTS...] -- ACTION...");
    return 2;
  }
  // The dialog opens centred on the cursor. The desktop is started first (a session's first
  // program starts it), so that it cannot move the cursor from where the driver puts it.
  GetDesktopWindow();
  SetCursorPos(kCursorX, kCursorY);
  Target target;
  bool ok = Start(target, command);
  for (size_t next = 0; ok && next < actions.size();) ok = Perform(target, actions, next);
  if (WaitForSingleObject(target.Process.hProcess, ok ? kWindowTimeoutMs : 0) == WAIT_TIMEOUT) {
    if (ok) Fail("the program did not end");
    TerminateProcess(target.Process.hProcess, 99);
    WaitForSingleObject(target.Process.hProcess, 5000);
    ok = false;
  }
  DWORD status = 0;
  GetExitCodeProcess(target.Process.hProcess, &status);
  std::printf("exit %lu\n", status);
  return ok ? 0 : 1;
}
