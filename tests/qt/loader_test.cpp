// The dialog module loaded as the executable loads it, through its one factory.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/linux/dialog_loader.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tests/qt/qt_harness.h"

namespace {

TEST(DialogLoaderTest, ModuleBesideTheExecutableGivesAWorkingWindow) {
  TestApplication();
  std::unique_ptr<FormWindow> window =
      LoadDialogWindow(AUXLINE_MODULE_DIR, RunningExecutableOwner());
  ASSERT_NE(window, nullptr);
  window->FillList(ListBox::ComboBox2, {"a", "b", "c"});
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), -1);
  window->SelectItem(ListBox::ComboBox2, 2);
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), 2);
  window->SelectItem(ListBox::ComboBox2, 3);  // outside the list: nothing selected
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), -1);
  window->SetText(DrawingWidget::EditA2, "0.5");
  EXPECT_EQ(window->Text(DrawingWidget::EditA2), "0.5");
}

TEST(DialogLoaderTest, ModuleRefusesAnotherInterfaceVersion) {
  TestApplication();
  const std::string path = std::string(AUXLINE_MODULE_DIR) + "/" + kDialogModuleFileName;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  const auto factory =
      reinterpret_cast<DialogModuleFactory>(dlsym(module, kDialogModuleFactoryName));
  ASSERT_NE(factory, nullptr);
  int argc = 1;
  char program[] = "auxline";
  char* argv[] = {program, nullptr};
  EXPECT_EQ(factory(kDialogModuleInterfaceVersion + 1, &argc, argv), nullptr);
}

}  // namespace
