#pragma once
// A window without a toolkit: remembers what the form sets, lets a test play the user, logs calls.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tool/form_window.h"

class FakeWindow : public FormWindow {
 public:
  // In order: "minimise", "normal", "hide LabelA1", "show EditA3", "page 1", "move X Y", "fill N".
  std::vector<std::string> Log;

  WindowState State = WindowState::Normal;
  ScreenPoint Cursor{500, 400};
  WindowSize Outer{281, 215};
  int Left = 192, Top = 107;
  std::array<bool, 6> Visible{true, true, true, true, true, true};
  std::array<std::string, 6> Texts{"LabelA1", "EditA1", "LabelA2", "EditA2", "LabelA3", "EditA3"};
  Page ActivePage = Page::TabSheet1;
  std::array<std::vector<std::string>, 3> Items;
  std::array<int, 3> Selected{-1, -1, -1};
  std::string LineWidthText = "ComboBox4";
  bool Closed = false;

  void SetWindowState(WindowState state) override {
    State = state;
    Log.push_back(state == WindowState::Minimised ? "minimise" : "normal");
  }
  ScreenPoint CursorPosition() const override { return Cursor; }
  WindowSize OuterSize() const override { return Outer; }
  void MoveTo(int left, int top) override {
    Left = left;
    Top = top;
    Log.push_back("move " + std::to_string(left) + " " + std::to_string(top));
  }

  void SetWidgetVisible(DrawingWidget widget, bool visible) override {
    Visible[Slot(widget)] = visible;
    Log.push_back(std::string(visible ? "show " : "hide ") + kNames[Slot(widget)]);
  }
  void SetCaption(DrawingWidget label, std::string_view text) override { SetText(label, text); }
  void SetText(DrawingWidget edit, std::string_view text) override { Texts[Slot(edit)] = text; }
  std::string Text(DrawingWidget edit) const override { return Texts[Slot(edit)]; }
  void SetActivePage(Page page) override {
    ActivePage = page;
    Log.push_back(page == Page::TabSheet1 ? "page 1" : "page 2");
  }

  void FillList(ListBox list, const std::vector<std::string>& items) override {
    Items.at(ListSlot(list)) = items;
    Selected.at(ListSlot(list)) = -1;
    Log.push_back("fill " + std::to_string(ListSlot(list) + 1));
  }
  void SelectItem(ListBox list, int index) override {
    const std::size_t slot = ListSlot(list);
    const bool inside = index >= 0 && static_cast<std::size_t>(index) < Items.at(slot).size();
    Selected.at(slot) = inside ? index : -1;
  }
  int SelectedItem(ListBox list) const override { return Selected.at(ListSlot(list)); }
  void SetListText(ListBox, std::string_view text) override { LineWidthText = text; }
  std::string ListText(ListBox) const override { return LineWidthText; }

  void Close() override {
    Closed = true;
    Log.push_back("close");
  }
  // The event loop is the test itself: it calls the handlers after Run returns.
  void Run(FormEvents& form) override { form.FormShow(); }

  std::string& Edit(DrawingWidget edit) { return Texts[Slot(edit)]; }

 private:
  static constexpr const char* kNames[] = {"LabelA1", "EditA1",  "LabelA2",
                                           "EditA2",  "LabelA3", "EditA3"};
  static std::size_t Slot(DrawingWidget widget) { return static_cast<std::size_t>(widget); }
  static std::size_t ListSlot(ListBox list) { return static_cast<std::size_t>(list); }
};
