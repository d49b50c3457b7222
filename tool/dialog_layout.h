#pragma once
// The dialog's layout as plain data: every window implementation builds its widgets from
// this table, so positions, sizes, captions and tab order live in one place. Texts are
// UTF-8 (the sources are UTF-8); positions are pixels at 96 dpi, relative to the parent's client
// area.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "tool/form_window.h"

namespace layout {

inline constexpr char kApplicationTitle[] = "q417－補助線の作図";
inline constexpr char kWindowCaption[] = "補助線の作図";

inline constexpr int kClientWidth = 272;
inline constexpr int kClientHeight = 187;
inline constexpr int kDesignLeft = 192;
inline constexpr int kDesignTop = 107;
inline constexpr int kBackgroundRed = 166;
inline constexpr int kBackgroundGreen = 202;
inline constexpr int kBackgroundBlue = 240;
inline constexpr char kFontFace[] = "ＭＳ ゴシック";
inline constexpr int kFontPixelHeight = 13;
inline constexpr int kListItemHeight = 13;

enum class WidgetKind {
  TabControl,
  TabPage,
  Label,
  Edit,
  DropDownList,
  EditableDropDown,
  PushButton
};

enum class WidgetId {
  Window,
  PageControl1,
  TabSheet1,
  LabelA1,
  LabelA2,
  LabelA3,
  EditA1,
  EditA2,
  EditA3,
  TabSheet2,
  Label1,
  Label2,
  Label3,
  Label4,
  ComboBox1,
  ComboBox2,
  ComboBox3,
  ComboBox4,
  Button1,
  Button2,
};

// Every widget of the layout, the window included: the size of a table indexed by WidgetId.
inline constexpr std::size_t kWidgetCount = static_cast<std::size_t>(WidgetId::Button2) + 1;

// The layout's widget behind each widget the form addresses.
constexpr WidgetId IdOf(DrawingWidget widget) {
  switch (widget) {
    case DrawingWidget::LabelA1: return WidgetId::LabelA1;
    case DrawingWidget::EditA1: return WidgetId::EditA1;
    case DrawingWidget::LabelA2: return WidgetId::LabelA2;
    case DrawingWidget::EditA2: return WidgetId::EditA2;
    case DrawingWidget::LabelA3: return WidgetId::LabelA3;
    case DrawingWidget::EditA3: return WidgetId::EditA3;
  }
  return WidgetId::LabelA1;
}

constexpr WidgetId IdOf(ListBox list) {
  switch (list) {
    case ListBox::ComboBox1: return WidgetId::ComboBox1;
    case ListBox::ComboBox2: return WidgetId::ComboBox2;
    case ListBox::ComboBox3: return WidgetId::ComboBox3;
    case ListBox::ComboBox4: return WidgetId::ComboBox4;
  }
  return WidgetId::ComboBox1;
}

struct WidgetSpec {
  WidgetId Id;
  const char* Name;
  WidgetKind Kind;
  WidgetId Parent;
  int Left, Top, Width, Height;  // tab pages take their size from the tab control
  const char* Text;              // caption, or placeholder text that is never seen
  int TabOrder;                  // among the siblings; -1 where it does not apply
  bool InputMethodOff;
};

// In creation order: parents before children, siblings in tab order.
extern const std::array<WidgetSpec, kWidgetCount - 1> kWidgets;  // all but the window

const WidgetSpec& RowOf(WidgetId id);

// ComboBox4 (line width): fixed items, never refilled: the empty text, then 10 ... 100.
extern const std::array<const char*, 13> kLineWidthItems;

// Captions of the drawing tab in the /R10 dialog.
inline constexpr char kRadiusCaption[] = "半　径";
inline constexpr char kRatioCaption[] = "偏平率";
inline constexpr char kAngleCaption[] = "傾き角度[°]";

// List contents built at show time: 17, 17 and 51 entries.
std::vector<std::string> LayerGroupItems();
std::vector<std::string> LayerItems();
std::vector<std::string> LineTypeItems();

}  // namespace layout
