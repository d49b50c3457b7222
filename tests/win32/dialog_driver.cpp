// Operates auxline.exe's dialog from outside, as a user would, for the tests under Wine.
//   dialog_driver.exe AUXLINE.EXE [ARGUMENTS...] -- ACTION...
// Starts the program with the arguments, waits until its window is shown and has the focus,
// performs the actions in order and waits for the program to end. Every action waits until
// the program has handled it, never for a fixed time. Actions:
//   report                 prints what the window shows (layout facts, texts, selections)
//   set WIDGET TEXT        replaces the text of an edit or of ComboBox4
//   select WIDGET INDEX    selects a list entry
//   type TEXT              types the characters on the keyboard
//   key NAME               presses a key on the keyboard: tab, enter, escape, down, up, space,
//                          backspace, pagedown, pageup, a letter or digit, with alt+, ctrl+ or
//                          shift+ before it
//                          ("alt+2", "ctrl+tab"), "alt" alone; "*N" after it repeats it
//   click WIDGET           clicks Button1 or Button2
//   close                  the window's close box
//   expect-open            checks that the program still runs with its window shown
//   expect-menu STATE      checks the window's menu: "popup" (its system menu is open),
//                          "bar" (in menu mode, no menu open), "none"
//   pause MILLISECONDS     waits (while a screenshot is taken, say)
// Prints "exit N" with the program's exit status. Exit status 0 when every step worked.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/control_ids.h"
#include "tests/win32/keyboard_input.h"

namespace {

using layout::WidgetId;

constexpr DWORD kWindowTimeoutMs = 60000;  // bounds a hang; a loaded machine starts Wine slowly
constexpr DWORD kPollMs = 10;
constexpr int kCursorX = 320;
constexpr int kCursorY = 240;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
  return out;
}

// WM_GETTEXT, not GetWindowText: only the message reads another process's controls.
std::wstring Text(HWND window) {
  wchar_t buffer[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

void Fail(const std::string& why) {
  std::printf("FAIL %s\n", why.c_str());
  std::fflush(stdout);
}

struct Target {
  PROCESS_INFORMATION Process{};
  HWND Form = nullptr;

  HWND Find(WidgetId id) const {
    for (HWND child = FindWindowExW(Form, nullptr, nullptr, nullptr); child;
         child = FindWindowExW(Form, child, nullptr, nullptr)) {
      if (GetDlgCtrlID(child) == win32ids::ControlId(id)) return child;
    }
    // Widgets on the pages: the pages are children of the tab control.
    HWND tabs = GetDlgItem(Form, win32ids::ControlId(WidgetId::PageControl1));
    for (WidgetId pageId : {WidgetId::TabSheet1, WidgetId::TabSheet2}) {
      HWND page = GetDlgItem(tabs, win32ids::ControlId(pageId));
      if (pageId == id) return page;
      if (HWND widget = GetDlgItem(page, win32ids::ControlId(id))) return widget;
    }
    return nullptr;
  }

  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(Process.dwThreadId, &info);
    return info.hwndFocus;
  }

  bool Running() const { return WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT; }

  // A message handled by the form's thread: it returns once the thread has finished what it
  // was doing. Gives up at once when the program has ended.
  bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kWindowTimeoutMs,
                               &result) != 0;
  }
};

bool WidgetByName(const std::string& name, WidgetId& id) {
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    if (name == row.Name) {
      id = row.Id;
      return true;
    }
  }
  return false;
}

std::string NameOf(const Target& target, HWND window) {
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    HWND widget = target.Find(row.Id);
    if (widget && (widget == window || IsChild(widget, window))) {
      // The innermost match wins: a page holds the widgets that follow it in the table.
      if (row.Kind != layout::WidgetKind::TabPage && row.Kind != layout::WidgetKind::TabControl) {
        return row.Name;
      }
    }
  }
  return window ? "other" : "none";
}

void ReportList(const Target& target, WidgetId id, const char* name) {
  HWND list = target.Find(id);
  const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  const auto selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
  std::printf("%s count %d selected %d text \"%s\"\n", name, static_cast<int>(count),
              static_cast<int>(selected), Utf8(Text(list)).c_str());
}

void Report(const Target& target) {
  HWND form = target.Form;
  std::printf("caption %s\n", Utf8(Text(form)).c_str());
  std::printf("application %s\n", Utf8(Text(GetWindow(form, GW_OWNER))).c_str());
  RECT client{};
  GetClientRect(form, &client);
  std::printf("client %ld %ld\n", client.right, client.bottom);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE));
  std::printf("frame%s%s%s%s%s\n", style & WS_CAPTION ? " caption" : "",
              style & WS_SYSMENU ? " sysmenu" : "", style & WS_MINIMIZEBOX ? " minimize" : "",
              style & WS_MAXIMIZEBOX ? " maximize" : "", style & WS_THICKFRAME ? " sizable" : "");
  RECT outer{};
  GetWindowRect(form, &outer);
  const LONG width = outer.right - outer.left;
  const LONG height = outer.bottom - outer.top;
  const bool centred = outer.left == kCursorX - width / 2 && outer.top == kCursorY - height / 2;
  std::printf("placement %s\n", centred ? "centred on the cursor" : "elsewhere");
  POINT cursor{};
  GetCursorPos(&cursor);
  std::printf("cursor at %ld %ld, window at %ld %ld\n", cursor.x, cursor.y, outer.left, outer.top);
  HWND tabs = target.Find(WidgetId::PageControl1);
  std::printf("page %d\n", static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) + 1);
  std::printf("focus %s\n", NameOf(target, target.Focus()).c_str());
  const auto okStyle =
      static_cast<DWORD>(GetWindowLongPtrW(target.Find(WidgetId::Button1), GWL_STYLE));
  std::printf("default button %s\n", (okStyle & 0xF) == BS_DEFPUSHBUTTON ? "Button1" : "none");
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    HWND widget = target.Find(row.Id);
    const auto kind = row.Kind;
    const char* shown = (GetWindowLongPtrW(widget, GWL_STYLE) & WS_VISIBLE) ? "shown" : "hidden";
    if (kind == layout::WidgetKind::Label || kind == layout::WidgetKind::Edit ||
        kind == layout::WidgetKind::PushButton) {
      std::printf("%s %s \"%s\"\n", row.Name, shown, Utf8(Text(widget)).c_str());
    } else if (kind == layout::WidgetKind::DropDownList ||
               kind == layout::WidgetKind::EditableDropDown) {
      ReportList(target, row.Id, row.Name);
    }
  }
  std::fflush(stdout);
}

// The window's menu: open (a popup menu of the program's shown), or the thread in menu mode
// with no menu open (after a lone Alt), or neither.
std::string MenuState(const Target& target) {
  for (HWND popup = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); popup;
       popup = FindWindowExW(nullptr, popup, L"#32768", nullptr)) {
    if (IsWindowVisible(popup) &&
        GetWindowThreadProcessId(popup, nullptr) == target.Process.dwThreadId) {
      return "popup";
    }
  }
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(target.Process.dwThreadId, &info);
  return info.flags & GUI_INMENUMODE ? "bar" : "none";
}

// A menu opens, closes and leaves menu mode on the program's thread some time after the key
// that asks for it was read: waits for the state expected, as every other action does.
bool ExpectMenu(const Target& target, const std::string& expected) {
  const DWORD start = GetTickCount();
  std::string state = MenuState(target);
  while (state != expected && GetTickCount() - start < kWindowTimeoutMs) {
    Sleep(kPollMs);
    state = MenuState(target);
  }
  if (state == expected) return true;
  Fail("menu " + state + ", expected " + expected);
  return false;
}

bool TypeStrokes(const ProgramKeyboard& keyboard, const std::vector<KeyStroke>& strokes) {
  for (const KeyStroke& stroke : strokes) {
    if (!keyboard.Type(stroke)) {
      Fail("the program read no key for 30 s");
      return false;
    }
  }
  return true;
}

// Runs one action; `next` points at its first parameter and moves past the parameters.
bool Perform(Target& target, const ProgramKeyboard& keyboard,
             const std::vector<std::wstring>& actions, size_t& next) {
  auto parameter = [&]() -> std::wstring { return next < actions.size() ? actions[next++] : L""; };
  const std::string action = Utf8(parameter());
  WidgetId id{};
  if (action == "report") {
    Report(target);
  } else if (action == "set" || action == "select" || action == "click") {
    const std::string name = Utf8(parameter());
    if (!WidgetByName(name, id) || !target.Find(id)) {
      Fail("no widget " + name);
      return false;
    }
    if (action == "set") {
      target.Send(target.Find(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(parameter().c_str()));
    } else if (action == "select") {
      target.Send(target.Find(id), CB_SETCURSEL, static_cast<WPARAM>(std::stoi(parameter())), 0);
    } else {
      target.Send(target.Find(id), BM_CLICK, 0, 0);
    }
  } else if (action == "type") {
    std::vector<KeyStroke> strokes;
    if (!StrokesForText(parameter(), strokes)) {
      Fail("a character without a key");
      return false;
    }
    return TypeStrokes(keyboard, strokes);
  } else if (action == "key") {
    const std::string name = Utf8(parameter());
    KeyStroke stroke;
    if (!ParseKeyStroke(name, stroke)) {
      Fail("unknown key " + name);
      return false;
    }
    return TypeStrokes(keyboard, {stroke});
  } else if (action == "close") {
    target.Send(target.Form, WM_CLOSE, 0, 0);
  } else if (action == "pause") {
    Sleep(static_cast<DWORD>(std::stoul(parameter())));
  } else if (action == "expect-open") {
    // Every action before has been handled: a form that closed is hidden by now.
    if (!target.Running() || !IsWindowVisible(target.Form)) {
      Fail("the window closed");
      return false;
    }
  } else if (action == "expect-menu") {
    return ExpectMenu(target, Utf8(parameter()));
  } else {
    Fail("unknown action " + action);
    return false;
  }
  return true;
}

std::wstring Quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  for (wchar_t character : argument) {
    if (character == L'"') out += L'\\';
    out += character;
  }
  return out + L"\"";
}

bool Start(Target& target, const std::vector<std::wstring>& command) {
  std::wstring line;
  for (const std::wstring& part : command) line += (line.empty() ? L"" : L" ") + Quoted(part);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(command[0].c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &target.Process)) {
    Fail("cannot start the program");
    return false;
  }
  const std::wstring caption = L"補助線の作図";
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWindowTimeoutMs && target.Running()) {
    target.Form = FindWindowW(win32ids::kFormClass, caption.c_str());
    // Keys go to the foreground window's focused control: both must be the dialog's.
    HWND focus = target.Focus();
    if (target.Form && IsWindowVisible(target.Form) && GetForegroundWindow() == target.Form &&
        focus && IsChild(target.Form, focus)) {
      return true;
    }
    Sleep(kPollMs);
  }
  Fail(target.Form ? "the window never had the focus" : "no window");
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::wstring> command;
  std::vector<std::wstring> actions;
  bool inActions = false;
  for (int i = 1; i < argc; ++i) {
    if (!inActions && std::wstring(argv[i]) == L"--") {
      inActions = true;
      continue;
    }
    (inActions ? actions : command).push_back(argv[i]);
  }
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
  const ProgramKeyboard keyboard(target.Process.dwThreadId, target.Process.hProcess, target.Form);
  if (ok && !keyboard.Linked()) {
    Fail("cannot share the keyboard state with the program");
    ok = false;
  }
  for (size_t next = 0; ok && next < actions.size();) ok = Perform(target, keyboard, actions, next);
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
