// The Win32 program: its dialog alone (layout, looks, FormWindow operations, keys), its path.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <imm.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "os/win32/module_path.h"
#include "platform/win32/control_ids.h"
#include "platform/win32/dialog_colours.h"
#include "platform/win32/dialog_windows.h"
#include "platform/win32/display_scale.h"
#include "platform/win32/executable_path.h"
#include "os/win32/wide_text.h"
#include "platform/win32/win32_form_window.h"
#include "tests/support/win32_calls_restored.h"
#include "tests/support/temp_dir.h"

namespace {

using layout::WidgetId;
using layout::WidgetKind;

class Win32Window : public ::testing::Test {
 public:
  void SetUp() override {
    window = Win32FormWindow::Create(GetModuleHandleW(nullptr));
    ASSERT_NE(window, nullptr);
  }
  HWND Handle(WidgetId id) const { return window->Handle(id); }
  DWORD StyleOf(WidgetId id) const {
    return static_cast<DWORD>(GetWindowLongPtrW(Handle(id), GWL_STYLE));
  }
  bool Visible(WidgetId id) const { return (StyleOf(id) & WS_VISIBLE) != 0; }
  // The rectangle of a widget in its parent's client coordinates.
  RECT PlaceOf(WidgetId id) const {
    RECT place{};
    GetWindowRect(Handle(id), &place);
    MapWindowPoints(nullptr, GetParent(Handle(id)), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  std::unique_ptr<Win32FormWindow> window;
};

std::string TextOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return Utf8FromWide(buffer);
}
HFONT FontOf(HWND window) {
  return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}
LOGFONTW FontDataOf(HWND window) {
  LOGFONTW font{};
  EXPECT_NE(GetObjectW(FontOf(window), sizeof font, &font), 0);
  return font;
}

TEST_F(Win32Window, FrameCaptionAndTitles) {
  HWND form = Handle(WidgetId::Window);  // its client area: DpiOfTheDisplayScalesTheLayout
  const DWORD kFrame = WS_MINIMIZEBOX | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME;
  EXPECT_EQ(StyleOf(WidgetId::Window) & kFrame, WS_MINIMIZEBOX | WS_SYSMENU);
  EXPECT_EQ(TextOf(form), layout::kWindowCaption);
  EXPECT_EQ(GetWindow(form, GW_OWNER), window->ApplicationHandle());
  EXPECT_EQ(TextOf(window->ApplicationHandle()), layout::kApplicationTitle);
  EXPECT_NE(GetClassLongPtrW(form, GCLP_HICONSM), 0u);
  EXPECT_NE(GetClassLongPtrW(form, GCLP_HICON), 0u);
}

TEST_F(Win32Window, WidgetsSitWhereTheTableSaysInTheirFont) {
  HWND lineWidthEdit = FindWindowExW(Handle(WidgetId::ComboBox4), nullptr, L"Edit", nullptr);
  ASSERT_NE(lineWidthEdit, nullptr);
  EXPECT_EQ(ImmGetContext(lineWidthEdit), nullptr);
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    SCOPED_TRACE(row.Name);
    HWND widget = Handle(row.Id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(GetDlgCtrlID(widget), win32ids::ControlId(row.Id));
    const bool page = row.Kind == WidgetKind::TabPage;
    EXPECT_EQ(GetParent(widget), Handle(page ? WidgetId::PageControl1 : row.Parent));
    if (page) continue;
    const LOGFONTW font = FontDataOf(widget);
    EXPECT_EQ(Utf8FromWide(font.lfFaceName), layout::kFontFace);
    EXPECT_EQ(font.lfHeight, -layout::kFontPixelHeight);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_TRUE(!row.InputMethodOff || ImmGetContext(widget) == nullptr);
    const RECT place = PlaceOf(row.Id);
    EXPECT_EQ(place.left, row.Left);
    EXPECT_EQ(place.top, row.Top);
    if (row.Kind == WidgetKind::Label) continue;  // labels fit their text
    EXPECT_EQ(place.right - place.left, row.Width);
    // A closed drop-down is as high as its font: Wine's substitute font adds a pixel.
    const bool list =
        row.Kind == WidgetKind::DropDownList || row.Kind == WidgetKind::EditableDropDown;
    EXPECT_NEAR(place.bottom - place.top, row.Height, list ? 1 : 0);
  }
}

TEST_F(Win32Window, SiblingsFollowTheTabOrder) {
  for (WidgetId parent : {WidgetId::Window, WidgetId::TabSheet1, WidgetId::TabSheet2}) {
    std::vector<std::string> expected, actual;
    for (const layout::WidgetSpec& row : layout::kWidgets) {
      if (row.Parent == parent && row.TabOrder >= 0) expected.push_back(row.Name);
    }
    for (HWND child = GetWindow(Handle(parent), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      for (const layout::WidgetSpec& row : layout::kWidgets) {
        if (Handle(row.Id) == child && row.TabOrder >= 0) actual.push_back(row.Name);
      }
    }
    EXPECT_EQ(actual, expected);
  }
  for (WidgetId id : {WidgetId::EditA1, WidgetId::ComboBox4, WidgetId::Button2}) {
    EXPECT_TRUE(StyleOf(id) & WS_TABSTOP);
  }
  EXPECT_FALSE(StyleOf(WidgetId::Label1) & WS_TABSTOP);
  EXPECT_EQ(StyleOf(WidgetId::Button1) & 0xF, BS_DEFPUSHBUTTON);
}

// Sky blue, or in high contrast the system's window colours, for labels and backgrounds alike.
TEST_F(Win32Window, HighContrastUsesTheSystemColours) {
  const struct {
    const char* what;
    HighContrastQuery query;
    COLORREF background;
  } kCases[] = {{"high contrast off", [] { return false; }, RGB(166, 202, 240)},
                {"high contrast on", [] { return true; }, GetSysColor(COLOR_WINDOW)}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SetHighContrastQuery(c.query);
    HDC context = GetDC(Handle(WidgetId::Label1));
    // A label's request passes through its page; the form's own comes to the form.
    const std::tuple<WidgetId, UINT, WidgetId> requests[] = {
        {WidgetId::TabSheet2, WM_CTLCOLORSTATIC, WidgetId::Label1},
        {WidgetId::Window, WM_CTLCOLORSTATIC, WidgetId::Button1},
        {WidgetId::Window, WM_CTLCOLORDLG, WidgetId::Label1}};
    for (const auto& [to, request, from] : requests) {
      const LRESULT brush = SendMessageW(Handle(to), request, reinterpret_cast<WPARAM>(context),
                                         reinterpret_cast<LPARAM>(Handle(from)));
      LOGBRUSH colour{};
      EXPECT_NE(GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof colour, &colour), 0);
      EXPECT_EQ(colour.lbColor, c.background);
      EXPECT_EQ(GetBkColor(context), c.background);
      EXPECT_EQ(GetTextColor(context), GetSysColor(COLOR_WINDOWTEXT));
      for (WidgetId id : {WidgetId::Window, WidgetId::TabSheet2}) {  // sky blue: the class brush
        const auto background = GetClassLongPtrW(Handle(id), GCLP_HBRBACKGROUND);
        EXPECT_TRUE(c.query() || background == static_cast<ULONG_PTR>(brush));
      }
    }
    ReleaseDC(Handle(WidgetId::Label1), context);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, CreateCompatibleBitmap(screen, 8, 8));
    for (const WidgetId erased : {WidgetId::Window, WidgetId::TabSheet2}) {
      SetPixel(memory, 1, 1, RGB(1, 2, 3));
      SendMessageW(Handle(erased), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
      EXPECT_EQ(GetPixel(memory, 1, 1), c.background);
    }
    DeleteObject(SelectObject(memory, previous));
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  SetHighContrastQuery(nullptr);
}

TEST_F(Win32Window, ListsHoldTheirItemsAndSelections) {
  HWND lineWidth = Handle(WidgetId::ComboBox4);
  ASSERT_EQ(SendMessageW(lineWidth, CB_GETCOUNT, 0, 0), 13);
  wchar_t item[16] = {};
  SendMessageW(lineWidth, CB_GETLBTEXT, 12, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(Utf8FromWide(item), "100");
  window->FillList(ListBox::ComboBox2, layout::LayerItems());
  EXPECT_EQ(SendMessageW(Handle(WidgetId::ComboBox2), CB_GETCOUNT, 0, 0), 17);
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), -1);
  const int kSelections[][2] = {{16, 16}, {0, 0}, {17, -1}, {5, 5}, {-2, -1}, {99, -1}};
  for (const auto& [select, expected] : kSelections) {
    window->SelectItem(ListBox::ComboBox2, select);
    EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), expected) << select;
  }
  window->SelectItem(ListBox::ComboBox2, 3);
  EXPECT_EQ(window->ListText(ListBox::ComboBox2), "レイヤ(2)");
  window->FillList(ListBox::ComboBox2, {"a"});  // refilling clears the selection
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), -1);
  for (const char* text : {"", "7", "25", "１２"}) {
    window->SetListText(ListBox::ComboBox4, text);
    EXPECT_EQ(window->ListText(ListBox::ComboBox4), text);
  }
}

TEST_F(Win32Window, DrawingTabTextsPagesAndPlacement) {
  window->SetText(DrawingWidget::EditA2, "0.5");
  EXPECT_EQ(window->Text(DrawingWidget::EditA2), "0.5");
  window->SetCaption(DrawingWidget::LabelA3, layout::kAngleCaption);
  EXPECT_EQ(TextOf(Handle(WidgetId::LabelA3)), layout::kAngleCaption);
  EXPECT_GT(PlaceOf(WidgetId::LabelA3).right - PlaceOf(WidgetId::LabelA3).left, 49);  // grew to fit
  for (const bool visible : {false, true}) {
    window->SetWidgetVisible(DrawingWidget::EditA3, visible);
    EXPECT_EQ(Visible(WidgetId::EditA3), visible);
  }
  for (Page page : {Page::TabSheet2, Page::TabSheet1}) {
    window->SetActivePage(page);
    const bool second = page == Page::TabSheet2;
    EXPECT_EQ(SendMessageW(Handle(WidgetId::PageControl1), TCM_GETCURSEL, 0, 0), second ? 1 : 0);
    EXPECT_EQ(Visible(WidgetId::TabSheet2), second);
    EXPECT_EQ(Visible(WidgetId::TabSheet1), !second);
  }
  RECT outer{};
  GetWindowRect(Handle(WidgetId::Window), &outer);
  EXPECT_EQ(window->OuterSize().Width, outer.right - outer.left);
  EXPECT_EQ(window->OuterSize().Height, outer.bottom - outer.top);
  window->MoveTo(-30, 40);  // not kept inside the screen
  GetWindowRect(Handle(WidgetId::Window), &outer);
  EXPECT_EQ(outer.left, -30);
  EXPECT_EQ(outer.top, 40);
}

// Client area, font height (asked, drawn), last widget, closed list (Wine's font at 96 dpi);
// 144 dpi rounds the halves 280.5, 19.5, 31.5.
struct Scaling {
  UINT Dpi;
  LONG ClientWidth, ClientHeight, Tolerance, FontHeight, ListHeight;
  RECT Button2;  // left, top, right, bottom in the form
};
constexpr Scaling kScalings[] = {{96, 272, 187, 0, 13, 22, {144, 144, 265, 177}},
                                 {144, 408, 281, 1, 20, 32, {216, 216, 398, 266}},
                                 {192, 544, 374, 0, 26, 42, {288, 288, 530, 354}}};
const Scaling* ScalingFor(UINT dpi) {
  for (const Scaling& scaling : kScalings) {
    if (scaling.Dpi == dpi) return &scaling;
  }
  return nullptr;
}

// The client area follows the frame Windows draws at the monitor's real dpi: checked only there.
void ExpectLaidOutFor(const Win32Window& test, const Scaling& expected, bool realDpi) {
  SCOPED_TRACE(expected.Dpi);
  if (realDpi) {
    RECT client{};
    GetClientRect(test.window->Handle(WidgetId::Window), &client);
    EXPECT_NEAR(client.right, expected.ClientWidth, expected.Tolerance);
    EXPECT_NEAR(client.bottom, expected.ClientHeight, expected.Tolerance);
  }
  const RECT button = test.PlaceOf(WidgetId::Button2);
  EXPECT_TRUE(EqualRect(&button, &expected.Button2))
      << button.left << " " << button.top << " " << button.right << " " << button.bottom;
  const RECT list = test.PlaceOf(WidgetId::ComboBox1);
  EXPECT_NEAR(list.bottom - list.top, expected.ListHeight, expected.Tolerance);
  HWND label = test.window->Handle(WidgetId::Label1);
  EXPECT_EQ(FontDataOf(label).lfHeight, -expected.FontHeight);
  HDC context = GetDC(label);
  HGDIOBJ previous = SelectObject(context, FontOf(label));
  TEXTMETRICW drawn{};
  GetTextMetricsW(context, &drawn);
  SelectObject(context, previous);
  ReleaseDC(label, context);
  EXPECT_NEAR(drawn.tmHeight - drawn.tmInternalLeading, expected.FontHeight, 1);
}

// Run at each of the display settings above (Wine's LogPixels).
TEST_F(Win32Window, DpiOfTheDisplayScalesTheLayout) {
  HDC screen = GetDC(nullptr);
  const auto dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  const Scaling* expected = ScalingFor(dpi);
  ASSERT_NE(expected, nullptr) << "display at " << dpi << " dpi";
  ExpectLaidOutFor(*this, *expected, true);
}

// Moved to another monitor: the window takes the rectangle Windows suggests and lays out anew.
TEST_F(Win32Window, DpiChangeTakesTheSuggestedRectangleAndLaysOutAnew) {
  for (const UINT dpi : {192u, 144u, 96u}) {
    HWND form = Handle(WidgetId::Window);
    SIZE outer{};
    ASSERT_TRUE(SendMessageW(form, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&outer)));
    RECT suggested{10, 20, 10 + outer.cx, 20 + outer.cy};
    SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT actual{};
    GetWindowRect(form, &actual);
    EXPECT_EQ(actual.left, 10);
    EXPECT_EQ(actual.top, 20);
    EXPECT_EQ(actual.right - actual.left, outer.cx);
    ExpectLaidOutFor(*this, *ScalingFor(dpi), false);
  }
}

UINT WINAPI MonitorAt96Dpi(HWND) { return 96; }
UINT WINAPI MonitorAt192Dpi(HWND) { return 192; }

// On a 100 % or a 200 % monitor of a system at another dpi (the Wine runs set the system to
// 96, 144 and 192): laid out for its monitor, frame included, never for the system.
TEST_F(Win32Window, AWindowOnAMonitorOfAnotherDpiThanTheSystemsTakesItsDpi) {
  const struct {
    UINT dpi;
    WindowDpiQuery monitor;
  } kCases[] = {{96, MonitorAt96Dpi}, {192, MonitorAt192Dpi}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dpi);
    const WindowDpiQuery systems = ReplaceWindowDpiQuery(c.monitor);
    window = Win32FormWindow::Create(GetModuleHandleW(nullptr));
    ReplaceWindowDpiQuery(systems);
    ASSERT_NE(window, nullptr);
    ExpectLaidOutFor(*this, *ScalingFor(c.dpi), false);
    RECT outer{};
    GetWindowRect(Handle(WidgetId::Window), &outer);
    const SIZE expected = FormOuterSize(c.dpi);
    EXPECT_EQ(outer.right - outer.left, expected.cx);
    EXPECT_EQ(outer.bottom - outer.top, expected.cy);
  }
}

// A form whose FormShow queues one message; the buttons count and close the window.
class ScriptedForm final : public FormEvents {
 public:
  ScriptedForm(Win32FormWindow& window, std::function<void()> onShow)
      : window_(window), onShow_(std::move(onShow)) {}
  void FormShow() override { onShow_(); }
  void Button1Click() override { Clicked(Ok); }
  void Button2Click() override { Clicked(Cancel); }
  void DialogUnavailable() override { Clicked(Cancel); }
  bool IsClosed() const override { return closed_; }
  void Close() {
    closed_ = true;
    window_.Close();
  }
  int Ok = 0, Cancel = 0;
  std::function<void()> BeforeClosing;

 private:
  void Clicked(int& count) {
    if (BeforeClosing) BeforeClosing();
    ++count;
    Close();
  }
  Win32FormWindow& window_;
  std::function<void()> onShow_;
  bool closed_ = false;
};

TEST_F(Win32Window, KeysButtonsAndCloseBoxReachTheHandlers) {
  const struct {
    const char* what;
    WidgetId to;
    UINT message;
    WPARAM key;
    int ok, cancel;
  } kCases[] = {{"Enter", WidgetId::EditA1, WM_KEYDOWN, VK_RETURN, 1, 0},
                {"Esc", WidgetId::EditA1, WM_KEYDOWN, VK_ESCAPE, 0, 1},
                {"Alt+Y", WidgetId::ComboBox1, WM_SYSKEYDOWN, 'Y', 1, 0},
                {"Alt+N", WidgetId::ComboBox1, WM_SYSKEYDOWN, 'N', 0, 1},
                {"close box", WidgetId::Window, WM_CLOSE, 0, 0, 1},
                {"Cancel clicked", WidgetId::Button2, BM_CLICK, 0, 0, 1},
                {"OK clicked", WidgetId::Button1, BM_CLICK, 0, 1, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    auto fresh = Win32FormWindow::Create(GetModuleHandleW(nullptr));
    ASSERT_NE(fresh, nullptr);
    ScriptedForm form(*fresh, [&] {
      PostMessageW(fresh->Handle(c.to), c.message, c.key,
                   c.message == WM_SYSKEYDOWN ? (1 | (1L << 29)) : 1);
    });
    fresh->Run(form);
    EXPECT_EQ(form.Ok, c.ok);
    EXPECT_EQ(form.Cancel, c.cancel);
    EXPECT_FALSE(IsWindowVisible(fresh->Handle(WidgetId::Window)));
  }
}

// The page follows the character Alt+2 makes (the key-down goes its usual way first).
TEST_F(Win32Window, AltDigitsChooseThePages) {
  ScriptedForm form(*window, [&] {
    window->SetActivePage(Page::TabSheet1);
    PostMessageW(Handle(WidgetId::EditA1), WM_SYSCHAR, L'2', 1 | (1L << 29));
    PostMessageW(Handle(WidgetId::EditA1), WM_KEYDOWN, VK_ESCAPE, 1);  // then ends the loop
  });
  window->Run(form);
  EXPECT_EQ(SendMessageW(Handle(WidgetId::PageControl1), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(form.Cancel, 1);
}

// The first ShowWindow takes the starter's state (minimised, hidden) in place of its own;
// the dialog still opens normal and active and gets the first key.
TEST(Win32WindowShowing, TheDialogOpensNormalAndActiveWhateverTheStarterAsked) {
  for (const int starterState : {SW_SHOWMINNOACTIVE, SW_HIDE, SW_SHOWMINIMIZED}) {
    SCOPED_TRACE(starterState);
    WindowShowing showing;
    int calls = 0;
    showing.Show = [&](HWND window, int command) {
      return ShowWindow(window, ++calls == 1 ? starterState : command);
    };
    showing.StarterAskedForShowState = [] { return true; };
    auto window = Win32FormWindow::Create(GetModuleHandleW(nullptr), showing);
    ASSERT_NE(window, nullptr);
    HWND form = window->Handle(WidgetId::Window);
    ScriptedForm dialog(
        *window, [&] { PostMessageW(window->Handle(WidgetId::EditA1), WM_KEYDOWN, VK_ESCAPE, 1); });
    bool normalAndActive = false;
    dialog.BeforeClosing = [&] {
      normalAndActive = IsWindowVisible(form) && !IsIconic(form) && GetActiveWindow() == form;
    };
    window->Run(dialog);
    EXPECT_EQ(dialog.Cancel, 1);
    EXPECT_TRUE(normalAndActive);
  }
}

TEST_F(Win32Window, AFormClosedWhileShowingNeverOpensTheWindow) {
  ScriptedForm closing(*window, [&] { closing.Close(); });
  window->Run(closing);
  EXPECT_EQ(closing.Ok + closing.Cancel, 0);
  EXPECT_FALSE(Visible(WidgetId::Window));
}

// The executable's path is taken whole; without an absolute one the run touches nothing (it
// would otherwise find a JWC_TEMP.TXT in the working folder) and ends with its own status.
// The fake system's answer, cut to the buffer as the system cuts it.
std::wstring answer;
DWORD WINAPI FakeModuleFileName(HMODULE, LPWSTR buffer, DWORD size) {
  if (answer.empty()) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), 0;
  const std::size_t copied = answer.size() < size ? answer.size() : size - 1;
  buffer[answer.copy(buffer, copied)] = L'\0';
  return copied < answer.size() ? size : static_cast<DWORD>(copied);
}

TEST(ExecutablePath, TakenWholeOrTheRunTouchesNothing) {
  const struct {
    const char* what;
    std::wstring given;
    bool found;
  } kCases[] = {{"fits the first buffer", L"C:\\no-such-folder\\auxline.exe", true},
                {"needs a longer buffer", L"C:\\" + std::wstring(700, L'd') + L"\\a.exe", true},
                {"the system cannot tell", L"", false},
                {"a relative answer", L"auxline.exe", false}};
  const std::string input = "hp1 0 0\r\nhp2 10 10\r\n";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Win32CallsRestored calls;
    FileCalls().GetModuleFileNameW = &FakeModuleFileName;
    answer = c.given;
    EXPECT_EQ(RunningModulePath(), c.given);
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", input);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    // A found path's folder does not exist, so that run fails too: the files tell the guard.
    const int status = RunBesideExecutable({"/R1"}, {});
    EXPECT_TRUE(c.found || status == kExitWithoutOwnPath) << status;
    SetCurrentDirectoryW(std::filesystem::temp_directory_path().c_str());
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), input);
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  }
}

}  // namespace
