#pragma once
// The window that TForm1 drives. The form's logic talks only to this interface, so that it
// runs the same with a real toolkit window, with no window at all (runs that need no
// dialog) and with the fake window of the tests. All texts are UTF-8.
#include <string>
#include <string_view>
#include <vector>

enum class WindowState { Minimised, Normal };

// The six widgets of the drawing tab, in the order in which they are hidden and shown.
enum class DrawingWidget { LabelA1, EditA1, LabelA2, EditA2, LabelA3, EditA3 };

// The four drop-down lists of the settings tab. ComboBox4 (line width) is editable; its 13
// items are fixed in the layout, so it is never filled, only its text is set and read.
enum class ListBox { ComboBox1, ComboBox2, ComboBox3, ComboBox4 };

enum class Page { TabSheet1, TabSheet2 };  // drawing, settings

struct ScreenPoint {
  int X = 0;
  int Y = 0;
};

struct WindowSize {
  int Width = 0;
  int Height = 0;
};

// The form's side: the window calls these from its event loop.
class FormEvents {
 public:
  virtual void FormShow() = 0;      // once, before the window is first seen
  virtual void Button1Click() = 0;  // OK button and Enter
  virtual void Button2Click() = 0;  // Cancel button, Esc and the window's close box
  // The form wanted its dialog, and no window could show it: the run ends as failed.
  virtual void DialogUnavailable() = 0;
  virtual bool IsClosed() const = 0;

 protected:
  ~FormEvents() = default;
};

class FormWindow {
 public:
  virtual ~FormWindow() = default;

  virtual void SetWindowState(WindowState state) = 0;
  virtual ScreenPoint CursorPosition() const = 0;  // mouse cursor, screen coordinates
  virtual WindowSize OuterSize() const = 0;        // frame and title bar included
  virtual void MoveTo(int left, int top) = 0;      // outer top-left corner, not clamped

  virtual void SetWidgetVisible(DrawingWidget widget, bool visible) = 0;
  virtual void SetCaption(DrawingWidget label, std::string_view text) = 0;  // LabelA1..3
  virtual void SetText(DrawingWidget edit, std::string_view text) = 0;      // EditA1..3
  virtual std::string Text(DrawingWidget edit) const = 0;
  virtual void SetActivePage(Page page) = 0;

  // Clears the list, then adds the items in order; no entry is selected afterwards.
  virtual void FillList(ListBox list, const std::vector<std::string>& items) = 0;
  // An index outside the list leaves no entry selected.
  virtual void SelectItem(ListBox list, int index) = 0;
  virtual int SelectedItem(ListBox list) const = 0;                   // -1 when none is selected
  virtual void SetListText(ListBox list, std::string_view text) = 0;  // ComboBox4
  virtual std::string ListText(ListBox list) const = 0;               // ComboBox4

  // Hides the window and ends the event loop. The form calls it after its close sequence.
  virtual void Close() = 0;

  // The event loop: calls form.FormShow() once; if the form is still open afterwards, shows
  // the window and dispatches events until Close(). Returns when the window is closed.
  virtual void Run(FormEvents& form) = 0;
};
