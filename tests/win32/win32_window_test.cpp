// The Win32 dialog window on its own: its layout against the layout table, its looks, the
// FormWindow operations, and the keys and buttons that reach the form's handlers.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <imm.h>

#include <functional>
#include <utility>
#include <string>

#include "platform/win32/control_ids.h"
#include "platform/win32/dialog_colours.h"
#include "platform/win32/dialog_windows.h"
#include "platform/win32/display_scale.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_form_window.h"

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

TEST_F(Win32Window, FrameCaptionAndTitles) {
  HWND form = Handle(WidgetId::Window);
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, layout::kClientWidth);
  EXPECT_EQ(client.bottom, layout::kClientHeight);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE));
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_EQ(TextOf(form), layout::kWindowCaption);
  EXPECT_EQ(GetWindow(form, GW_OWNER), window->ApplicationHandle());
  EXPECT_EQ(TextOf(window->ApplicationHandle()), layout::kApplicationTitle);
  EXPECT_NE(GetClassLongPtrW(form, GCLP_HICONSM), 0u);
  EXPECT_NE(GetClassLongPtrW(form, GCLP_HICON), 0u);
}

TEST_F(Win32Window, WidgetsSitWhereTheTableSays) {
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    SCOPED_TRACE(row.Name);
    HWND widget = Handle(row.Id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(GetDlgCtrlID(widget), win32ids::ControlId(row.Id));
    if (row.Kind == WidgetKind::TabPage) {
      EXPECT_EQ(GetParent(widget), Handle(WidgetId::PageControl1));
      continue;
    }
    EXPECT_EQ(GetParent(widget), Handle(row.Parent));
    const RECT place = PlaceOf(row.Id);
    EXPECT_EQ(place.left, row.Left);
    EXPECT_EQ(place.top, row.Top);
    if (row.Kind == WidgetKind::Label) continue;  // labels fit their text
    EXPECT_EQ(place.right - place.left, row.Width);
    if (row.Kind == WidgetKind::DropDownList || row.Kind == WidgetKind::EditableDropDown) {
      // A closed drop-down is as high as its font needs: the substitute font under Wine
      // makes it a pixel taller than the layout.
      EXPECT_NEAR(place.bottom - place.top, row.Height, 1);
    } else {
      EXPECT_EQ(place.bottom - place.top, row.Height);
    }
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
    EXPECT_TRUE(GetWindowLongPtrW(Handle(id), GWL_STYLE) & WS_TABSTOP);
  }
  EXPECT_FALSE(GetWindowLongPtrW(Handle(WidgetId::Label1), GWL_STYLE) & WS_TABSTOP);
  EXPECT_EQ(GetWindowLongPtrW(Handle(WidgetId::Button1), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
}

TEST_F(Win32Window, FontColoursAndInputMethod) {
  for (const layout::WidgetSpec& row : layout::kWidgets) {
    if (row.Kind == WidgetKind::TabPage) continue;
    SCOPED_TRACE(row.Name);
    LOGFONTW font{};
    ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(row.Id), WM_GETFONT, 0, 0)),
                         sizeof font, &font),
              0);
    EXPECT_EQ(Utf8FromWide(font.lfFaceName), layout::kFontFace);
    EXPECT_EQ(font.lfHeight, -layout::kFontPixelHeight);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    if (row.InputMethodOff) {
      EXPECT_EQ(ImmGetContext(Handle(row.Id)), nullptr);
    }
  }
  HWND lineWidthEdit = FindWindowExW(Handle(WidgetId::ComboBox4), nullptr, L"Edit", nullptr);
  ASSERT_NE(lineWidthEdit, nullptr);
  EXPECT_EQ(ImmGetContext(lineWidthEdit), nullptr);

  HDC context = GetDC(Handle(WidgetId::Label1));
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(Handle(WidgetId::Window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
                   reinterpret_cast<LPARAM>(Handle(WidgetId::Button1))));
  ReleaseDC(Handle(WidgetId::Label1), context);
  LOGBRUSH colour{};
  ASSERT_NE(GetObjectW(brush, sizeof colour, &colour), 0);
  EXPECT_EQ(colour.lbColor, RGB(166, 202, 240));
  EXPECT_EQ(GetClassLongPtrW(Handle(WidgetId::Window), GCLP_HBRBACKGROUND),
            reinterpret_cast<ULONG_PTR>(brush));
  EXPECT_EQ(GetClassLongPtrW(Handle(WidgetId::TabSheet2), GCLP_HBRBACKGROUND),
            reinterpret_cast<ULONG_PTR>(brush));
}

// The colours the labels and the background get, with the high-contrast mode forced off and
// on: the fixed sky blue, or the system's window colours, for the labels' colour requests
// and for the form's and the pages' backgrounds alike.
TEST_F(Win32Window, HighContrastUsesTheSystemColours) {
  const struct {
    const char* what;
    HighContrastQuery query;
    COLORREF background;
  } kCases[] = {
      {"high contrast off", [] { return false; }, RGB(166, 202, 240)},
      {"high contrast on", [] { return true; }, GetSysColor(COLOR_WINDOW)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SetHighContrastQuery(c.query);
    HDC context = GetDC(Handle(WidgetId::Label1));
    // A label's request passes through its page; the form's own comes to the form.
    const std::pair<WidgetId, UINT> requests[] = {{WidgetId::TabSheet2, WM_CTLCOLORSTATIC},
                                                  {WidgetId::Window, WM_CTLCOLORDLG}};
    for (const auto& [to, request] : requests) {
      const auto brush = reinterpret_cast<HBRUSH>(
          SendMessageW(Handle(to), request, reinterpret_cast<WPARAM>(context),
                       reinterpret_cast<LPARAM>(Handle(WidgetId::Label1))));
      LOGBRUSH colour{};
      ASSERT_NE(GetObjectW(brush, sizeof colour, &colour), 0);
      EXPECT_EQ(colour.lbColor, c.background);
      EXPECT_EQ(GetBkColor(context), c.background);
      EXPECT_EQ(GetTextColor(context), GetSysColor(COLOR_WINDOWTEXT));
    }
    ReleaseDC(Handle(WidgetId::Label1), context);
    for (const WidgetId erased : {WidgetId::Window, WidgetId::TabSheet2}) {
      HDC screen = GetDC(nullptr);
      HDC memory = CreateCompatibleDC(screen);
      HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
      HGDIOBJ previous = SelectObject(memory, bitmap);
      SendMessageW(Handle(erased), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
      EXPECT_EQ(GetPixel(memory, 1, 1), c.background);
      SelectObject(memory, previous);
      DeleteObject(bitmap);
      DeleteDC(memory);
      ReleaseDC(nullptr, screen);
    }
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
  const struct {
    int Select;
    int Expected;
  } kSelections[] = {{16, 16}, {0, 0}, {17, -1}, {5, 5}, {-2, -1}, {99, -1}};
  for (const auto& selection : kSelections) {
    window->SelectItem(ListBox::ComboBox2, selection.Select);
    EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), selection.Expected) << selection.Select;
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

  window->SetWidgetVisible(DrawingWidget::EditA3, false);
  EXPECT_FALSE(GetWindowLongPtrW(Handle(WidgetId::EditA3), GWL_STYLE) & WS_VISIBLE);
  window->SetWidgetVisible(DrawingWidget::EditA3, true);
  EXPECT_TRUE(GetWindowLongPtrW(Handle(WidgetId::EditA3), GWL_STYLE) & WS_VISIBLE);

  for (Page page : {Page::TabSheet2, Page::TabSheet1}) {
    window->SetActivePage(page);
    const bool second = page == Page::TabSheet2;
    EXPECT_EQ(SendMessageW(Handle(WidgetId::PageControl1), TCM_GETCURSEL, 0, 0), second ? 1 : 0);
    EXPECT_EQ((GetWindowLongPtrW(Handle(WidgetId::TabSheet2), GWL_STYLE) & WS_VISIBLE) != 0,
              second);
    EXPECT_EQ((GetWindowLongPtrW(Handle(WidgetId::TabSheet1), GWL_STYLE) & WS_VISIBLE) != 0,
              !second);
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

// The dialog at 96, 144 and 192 dpi: the client area, the font's character height (asked
// for and as drawn), the place of the last widget and a closed list's height (the font's
// height under Wine at 96 dpi). 144 dpi rounds halves: 280.5, 19.5, 31.5.
struct Scaling {
  UINT Dpi;
  LONG ClientWidth, ClientHeight, Tolerance;
  int FontHeight;
  RECT Button2;  // left, top, right, bottom in the form
  LONG ListHeight;
};
constexpr Scaling kScalings[] = {
    {96, 272, 187, 0, 13, {144, 144, 265, 177}, 22},
    {144, 408, 281, 1, 20, {216, 216, 398, 266}, 32},
    {192, 544, 374, 0, 26, {288, 288, 530, 354}, 42},
};

const Scaling* ScalingFor(UINT dpi) {
  for (const Scaling& scaling : kScalings) {
    if (scaling.Dpi == dpi) return &scaling;
  }
  return nullptr;
}

// The client area follows from the frame that Windows draws at the monitor's real dpi, so it
// is checked only where the dpi is real, not after a simulated change.
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
  const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  LOGFONTW asked{};
  ASSERT_NE(GetObjectW(font, sizeof asked, &asked), 0);
  EXPECT_EQ(asked.lfHeight, -expected.FontHeight);
  HDC context = GetDC(label);
  HGDIOBJ previous = SelectObject(context, font);
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

// Moved to a monitor of another dpi: the window takes the rectangle Windows suggests (from
// the size the window asked for) and lays itself out anew.
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

UINT WINAPI MonitorAt192Dpi(HWND) { return 192; }

// A window on a 200 % monitor of a system at another dpi (96 in the usual run): laid out for
// its monitor, frame included, not for the system.
TEST_F(Win32Window, AWindowOnAMonitorOfAnotherDpiThanTheSystemsTakesItsDpi) {
  const WindowDpiQuery systems = ReplaceWindowDpiQuery(MonitorAt192Dpi);
  window = Win32FormWindow::Create(GetModuleHandleW(nullptr));
  ReplaceWindowDpiQuery(systems);
  ASSERT_NE(window, nullptr);
  ExpectLaidOutFor(*this, *ScalingFor(192), false);
  RECT outer{};
  GetWindowRect(Handle(WidgetId::Window), &outer);
  const SIZE expected = FormOuterSize(192);
  EXPECT_EQ(outer.right - outer.left, expected.cx);
  EXPECT_EQ(outer.bottom - outer.top, expected.cy);
}

// A form whose FormShow queues one message; the buttons count and close the window.
class ScriptedForm final : public FormEvents {
 public:
  ScriptedForm(Win32FormWindow& window, std::function<void()> onShow)
      : window_(window), onShow_(std::move(onShow)) {}
  void FormShow() override { onShow_(); }
  void Button1Click() override {
    if (BeforeClosing) BeforeClosing();
    ++Ok;
    Close();
  }
  void Button2Click() override {
    if (BeforeClosing) BeforeClosing();
    ++Cancel;
    Close();
  }
  bool IsClosed() const override { return closed_; }
  void Close() {
    closed_ = true;
    window_.Close();
  }
  int Ok = 0;
  int Cancel = 0;
  std::function<void()> BeforeClosing;

 private:
  Win32FormWindow& window_;
  std::function<void()> onShow_;
  bool closed_ = false;
};

TEST_F(Win32Window, KeysButtonsAndCloseBoxReachTheHandlers) {
  const struct {
    const char* Name;
    WidgetId Target;
    UINT Message;
    WPARAM Key;
    int Ok, Cancel;
  } kCases[] = {
      {"Enter", WidgetId::EditA1, WM_KEYDOWN, VK_RETURN, 1, 0},
      {"Esc", WidgetId::EditA1, WM_KEYDOWN, VK_ESCAPE, 0, 1},
      {"Alt+Y", WidgetId::ComboBox1, WM_SYSKEYDOWN, 'Y', 1, 0},
      {"Alt+N", WidgetId::ComboBox1, WM_SYSKEYDOWN, 'N', 0, 1},
      {"close box", WidgetId::Window, WM_CLOSE, 0, 0, 1},
      {"Cancel clicked", WidgetId::Button2, BM_CLICK, 0, 0, 1},
      {"OK clicked", WidgetId::Button1, BM_CLICK, 0, 1, 0},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.Name);
    auto fresh = Win32FormWindow::Create(GetModuleHandleW(nullptr));
    ASSERT_NE(fresh, nullptr);
    ScriptedForm form(*fresh, [&] {
      PostMessageW(fresh->Handle(testCase.Target), testCase.Message, testCase.Key,
                   testCase.Message == WM_SYSKEYDOWN ? (1 | (1L << 29)) : 1);
    });
    fresh->Run(form);
    EXPECT_EQ(form.Ok, testCase.Ok);
    EXPECT_EQ(form.Cancel, testCase.Cancel);
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

// A starter that starts its steps minimised and inactive, hidden, or minimised: the first
// ShowWindow of the process takes that state in place of its own. The dialog still opens
// normal and active, and the first key reaches it.
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
  ScriptedForm* self = nullptr;
  ScriptedForm closing(*window, [&] { self->Close(); });
  self = &closing;
  window->Run(closing);
  EXPECT_EQ(closing.Ok + closing.Cancel, 0);
  EXPECT_FALSE(GetWindowLongPtrW(Handle(WidgetId::Window), GWL_STYLE) & WS_VISIBLE);
}

}  // namespace
