// Operates auxline.exe's dialog from outside, as a user would, for the tests under Wine.
//   dialog_driver.exe AUXLINE.EXE [ARGUMENTS...] -- ACTION...
// Starts the program with the arguments, waits for its window, performs the actions in
// order and waits for the program to end. Actions:
//   report                 prints what the window shows (layout facts, texts, selections)
//   set WIDGET TEXT        replaces the text of an edit or of ComboBox4
//   select WIDGET INDEX    selects a list entry
//   type TEXT              types the characters into the control that has the focus
//   key NAME               tab, enter, escape, alt+1, alt+2, alt+y, alt+n, ctrl+tab
//   click WIDGET           clicks Button1 or Button2
//   close                  the window's close box
//   expect-open            checks that the program still runs with its window shown
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

namespace {

using layout::WidgetId;

constexpr int kPostedSettleMs = 300;
constexpr DWORD kWindowTimeoutMs = 30000;
constexpr int kCursorX = 320;
constexpr int kCursorY = 240;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
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

  // Lets the program work off what was posted to it: it is idle again once its message
  // loop waits for input; the pause covers what follows from the messages themselves.
  void Settle() const {
    WaitForInputIdle(Process.hProcess, 10000);
    Sleep(kPostedSettleMs);
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
  std::printf("frame%s%s%s%s%s\n", style & WS_CAPTION ? " caption" : "", style & WS_SYSMENU ? " sysmenu" : "",
              style & WS_MINIMIZEBOX ? " minimize" : "", style & WS_MAXIMIZEBOX ? " maximize" : "",
              style & WS_THICKFRAME ? " sizable" : "");
  RECT outer{};
  GetWindowRect(form, &outer);
  const LONG width = outer.right - outer.left;
  const LONG height = outer.bottom - outer.top;
  const bool centred = outer.left == kCursorX - width / 2 && outer.top == kCursorY - height / 2;
  std::printf("placement %s\n", centred ? "centred on the cursor" : "elsewhere");
  HWND tabs = target.Find(WidgetId::PageControl1);
  std::printf("page %d\n", static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) + 1);
  std::printf("focus %s\n", NameOf(target, target.Focus()).c_str());
  const auto okStyle = static_cast<DWORD>(GetWindowLongPtrW(target.Find(WidgetId::Button1), GWL_STYLE));
  std::printf("default button %s\n", (okStyle & 0xF) == BS_DEFPUSHBUTTON ? "Button1" : "none");
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    HWND widget = target.Find(row.Id);
    const auto kind = row.Kind;
    const char* shown = (GetWindowLongPtrW(widget, GWL_STYLE) & WS_VISIBLE) ? "shown" : "hidden";
    if (kind == layout::WidgetKind::Label || kind == layout::WidgetKind::Edit ||
        kind == layout::WidgetKind::PushButton) {
      std::printf("%s %s \"%s\"\n", row.Name, shown, Utf8(Text(widget)).c_str());
    } else if (kind == layout::WidgetKind::DropDownList || kind == layout::WidgetKind::EditableDropDown) {
      ReportList(target, row.Id, row.Name);
    }
  }
  std::fflush(stdout);
}

void PostKey(const Target& target, UINT message, WPARAM key) {
  const LPARAM altDown = message == WM_SYSKEYDOWN ? (1L << 29) : 0;
  PostMessageW(target.Focus(), message, key, 1 | altDown);
  target.Settle();
}

bool PressKey(const Target& target, const std::string& name) {
  if (name == "tab") PostKey(target, WM_KEYDOWN, VK_TAB);
  else if (name == "enter") PostKey(target, WM_KEYDOWN, VK_RETURN);
  else if (name == "escape") PostKey(target, WM_KEYDOWN, VK_ESCAPE);
  else if (name == "alt+1") PostKey(target, WM_SYSKEYDOWN, '1');
  else if (name == "alt+2") PostKey(target, WM_SYSKEYDOWN, '2');
  else if (name == "alt+y") PostKey(target, WM_SYSKEYDOWN, 'Y');
  else if (name == "alt+n") PostKey(target, WM_SYSKEYDOWN, 'N');
  else return false;
  return true;
}

// Runs one action; `next` points at its first parameter and moves past the parameters.
bool Perform(Target& target, const std::vector<std::wstring>& actions, size_t& next) {
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
      SendMessageW(target.Find(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(parameter().c_str()));
    } else if (action == "select") {
      SendMessageW(target.Find(id), CB_SETCURSEL, static_cast<WPARAM>(std::stoi(parameter())), 0);
    } else {
      PostMessageW(target.Find(id), BM_CLICK, 0, 0);
      target.Settle();
    }
  } else if (action == "type") {
    for (wchar_t character : parameter()) PostMessageW(target.Focus(), WM_CHAR, character, 1);
    target.Settle();
  } else if (action == "key") {
    const std::string name = Utf8(parameter());
    if (name == "ctrl+tab") {
      Fail("ctrl+tab needs the real keyboard state");
      return false;
    }
    if (!PressKey(target, name)) {
      Fail("unknown key " + name);
      return false;
    }
  } else if (action == "close") {
    PostMessageW(target.Form, WM_CLOSE, 0, 0);
    target.Settle();
  } else if (action == "pause") {
    Sleep(static_cast<DWORD>(std::stoul(parameter())));
  } else if (action == "expect-open") {
    Sleep(700);
    if (!target.Running() || !IsWindowVisible(target.Form)) {
      Fail("the window closed");
      return false;
    }
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
    if (target.Form && IsWindowVisible(target.Form)) {
      target.Settle();  // let the window take the focus
      return true;
    }
    Sleep(50);
  }
  Fail("no window");
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
