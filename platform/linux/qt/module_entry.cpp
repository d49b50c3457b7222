// The dialog module's one exported function: creates the toolkit's application object and
// the window, or declines with null where they cannot start. The toolkit ends the process
// when its platform fails, so every reason to decline is checked before it is touched.
#include <QApplication>
#include <memory>

#include "platform/linux/qt/dialog_module.h"
#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/qt/toolkit_environment.h"

namespace {

// The tool never reports anything; the toolkit's own warnings would only reach a terminal
// that the host does not have.
void DiscardToolkitMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

std::unique_ptr<QApplication> CreateApplication(int* argc, char** argv) {
  qInstallMessageHandler(DiscardToolkitMessage);
  ScaleWithTheDesktop();
  KeepToSystemPlugins();
  if (!SelectUsablePlatform()) return nullptr;
  auto application = std::make_unique<QApplication>(*argc, argv);
  // Once more, now that nothing can amend the list: plugins loaded later (image formats, icon
  // engines, styles) come from the system's folder even where the toolkit amended it.
  KeepToSystemPlugins();
  ConfigureApplication();
  return application;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) FormWindow* auxline_create_dialog_window(
    int interfaceVersion, int* argc, char** argv) noexcept {
  try {
    if (interfaceVersion != kDialogModuleInterfaceVersion || argc == nullptr || argv == nullptr) {
      return nullptr;
    }
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr) {
      application = CreateApplication(argc, argv);
      if (!application) return nullptr;
    } else if (qobject_cast<QApplication*>(QApplication::instance()) == nullptr) {
      return nullptr;  // an application object without widgets cannot host the dialog
    }
    return new QtFormWindow(std::move(application));
  } catch (...) {
    return nullptr;
  }
}

// The factory must keep the type the executable looks it up as.
[[maybe_unused]] constexpr DialogModuleFactory kFactoryTypeCheck = &auxline_create_dialog_window;
