#include "tool/dialog_layout.h"

namespace layout {

using enum WidgetId;
using enum WidgetKind;

const std::array<WidgetSpec, kWidgetCount - 1> kWidgets = {{
    {PageControl1, "PageControl1", TabControl, Window, 0, 0, 272, 137, "", 0, false},
    {TabSheet1, "TabSheet1", TabPage, PageControl1, 0, 0, 0, 0, "作図(&1)", -1, false},
    {LabelA1, "LabelA1", Label, TabSheet1, 8, 8, 49, 13, "LabelA1", -1, false},
    {LabelA2, "LabelA2", Label, TabSheet1, 8, 32, 49, 13, "LabelA2", -1, false},
    {LabelA3, "LabelA3", Label, TabSheet1, 8, 56, 49, 13, "LabelA3", -1, false},
    {EditA1, "EditA1", Edit, TabSheet1, 112, 4, 137, 21, "EditA1", 0, true},
    {EditA2, "EditA2", Edit, TabSheet1, 112, 28, 137, 21, "EditA2", 1, true},
    {EditA3, "EditA3", Edit, TabSheet1, 112, 52, 137, 21, "EditA3", 2, true},
    {TabSheet2, "TabSheet2", TabPage, PageControl1, 0, 0, 0, 0, "設定(&2)", -1, false},
    {Label1, "Label1", Label, TabSheet2, 8, 8, 91, 13, "レイヤグループ", -1, false},
    {Label2, "Label2", Label, TabSheet2, 8, 32, 39, 13, "レイヤ", -1, false},
    {Label3, "Label3", Label, TabSheet2, 8, 56, 39, 13, "線　種", -1, false},
    {Label4, "Label4", Label, TabSheet2, 8, 80, 39, 13, "線　幅", -1, false},
    {ComboBox1, "ComboBox1", DropDownList, TabSheet2, 112, 4, 145, 21, "", 0, true},
    {ComboBox2, "ComboBox2", DropDownList, TabSheet2, 112, 28, 145, 21, "", 1, true},
    {ComboBox3, "ComboBox3", DropDownList, TabSheet2, 112, 52, 145, 21, "", 2, true},
    {ComboBox4, "ComboBox4", EditableDropDown, TabSheet2, 112, 76, 145, 21, "ComboBox4", 3, true},
    {Button1, "Button1", PushButton, Window, 24, 144, 97, 33, "OK(&Y)", 1, false},
    {Button2, "Button2", PushButton, Window, 144, 144, 121, 33, "キャンセル(&N)", 2, false},
}};

const WidgetSpec& RowOf(WidgetId id) {
  for (const WidgetSpec& row : kWidgets) {
    if (row.Id == id) return row;
  }
  return kWidgets.front();
}

const std::array<const char*, 13> kLineWidthItems = {"",   "10", "15", "20", "25", "30", "35",
                                                     "40", "45", "50", "60", "80", "100"};

}  // namespace layout
