#include "platform/linux/dialog_loader.h"

// Stand-in until the real window exists: no window can be created, so a dialog run behaves
// as if the window had been closed at once.
std::unique_ptr<FormWindow> LoadDialogWindow(const std::filesystem::path& /*exeDir*/) {
  return nullptr;
}
