#include "platform/linux/qt/toolkit_environment.h"

#include <dlfcn.h>

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>
#include <filesystem>
#include <system_error>

#include "platform/linux/qt/dialog_appearance.h"
#include "tool/dialog_layout.h"

namespace {

QByteArray Environment(const char* name) { return qgetenv(name).trimmed(); }

// Plugin files are named "libq" + platform name (+ variant): libqxcb.so, libqoffscreen.so,
// libqwayland-generic.so. A plugin counts only when it loads, that is when the libraries it
// needs are installed too; it stays loaded for the toolkit, which would load it anyway.
bool PlatformPluginLoads(const QString& platform) {
  const QString prefix = QStringLiteral("libq") + platform;
  for (const QString& directory : QCoreApplication::libraryPaths()) {
    const QDir pluginDirectory(directory + QStringLiteral("/platforms"));
    for (const QString& file :
         pluginDirectory.entryList({prefix + QStringLiteral("*.so")}, QDir::Files)) {
      const QByteArray path = QFile::encodeName(pluginDirectory.filePath(file));
      if (dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL) != nullptr) return true;
    }
  }
  return false;
}

// Opens and closes a connection to the X server named by DISPLAY. The X client library is
// loaded by name because the toolkit's X platform needs it anyway; without it that platform
// cannot start either.
bool XServerReachable() {
  if (Environment("DISPLAY").isEmpty()) return false;
  void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  const auto connect = reinterpret_cast<Connect>(dlsym(library, "xcb_connect"));
  const auto hasError = reinterpret_cast<HasError>(dlsym(library, "xcb_connection_has_error"));
  const auto disconnect = reinterpret_cast<Disconnect>(dlsym(library, "xcb_disconnect"));
  bool reachable = false;
  if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
    void* connection = connect(nullptr, nullptr);  // never null; errors are flagged on it
    reachable = hasError(connection) == 0;
    disconnect(connection);
  }
  dlclose(library);
  return reachable;
}

// The Wayland socket: WAYLAND_DISPLAY (default "wayland-0"), absolute or in XDG_RUNTIME_DIR.
bool WaylandDisplayPresent() {
  QByteArray name = Environment("WAYLAND_DISPLAY");
  if (name.isEmpty()) name = "wayland-0";
  std::filesystem::path socket(name.toStdString());
  if (socket.is_relative()) {
    const QByteArray runtimeDir = Environment("XDG_RUNTIME_DIR");
    if (runtimeDir.isEmpty()) return false;
    socket = std::filesystem::path(runtimeDir.toStdString()) / socket;
  }
  std::error_code error;
  return std::filesystem::exists(socket, error);
}

// Each check keeps the toolkit from aborting. Given a list of platforms, the toolkit tries
// them in order, but when none starts it aborts the process (SIGABRT, a core dump or a crash
// report where the desktop collects them) instead of returning; measured: no display at all,
// an X display that does not answer, a Wayland display without its socket or its plugin, a
// platform whose plugin is missing, each named alone or together. The dialog program then
// dies after "/R10" with the takeover's "hq"; with the checks it declines, status 2, and
// writes the attribute block as a closed dialog does.
bool PlatformUsable(const QString& entry) {
  const QString platform = entry.section(QLatin1Char(':'), 0, 0).trimmed();  // "xcb:opt=1"
  // A plugin that is not installed, or whose own libraries are missing.
  if (platform.isEmpty() || !PlatformPluginLoads(platform)) return false;
  // DISPLAY unset (a host started outside the desktop) or naming a server that is gone.
  if (platform == QStringLiteral("xcb")) return XServerReachable();
  // A compositor that is gone, or a session without one.
  if (platform.startsWith(QStringLiteral("wayland"))) return WaylandDisplayPresent();
  return true;  // offscreen, minimal, vnc, ...: nothing outside the process to check
}

}  // namespace

// The toolkit takes the desktop's scale from the X resource Xft.dpi (96 is 100 %) and lays
// widgets out in device-independent pixels, so the 96-dpi layout grows as a whole. The
// factor is used as it is: 144 dpi gives 1.5, not a size rounded to 2.
void ScaleWithTheDesktop() {
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void KeepToSystemPlugins() {
  // The variables would add folders of anyone's choosing, the platform one even ahead of
  // the search path.
  qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
  // The application object, when it is created, adds the program's own folder to the search
  // path and then takes off only what was on the list before and has been removed since.
  // So the folder is put on the list first (QT_PLUGIN_PATH is read when the list is first
  // made, which is here) and then taken off with all the rest. Its name is the one the
  // toolkit uses: the folder of the running executable, every link resolved.
  const QString programFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
  qputenv("QT_PLUGIN_PATH", QFile::encodeName(programFolder));
  QCoreApplication::libraryPaths();
  qunsetenv("QT_PLUGIN_PATH");  // nothing the dialog program starts sees it
  // QLibraryInfo reads the settings compiled into the module (qt.conf in its resources),
  // never a qt.conf beside the program.
  QCoreApplication::setLibraryPaths({QLibraryInfo::path(QLibraryInfo::PluginsPath)});
}

bool SelectUsablePlatform() {
  QString requested = QString::fromLocal8Bit(Environment("QT_QPA_PLATFORM"));
  // Without a request, an X display comes first (also under Wayland, through its X server):
  // only there can the window be placed at the mouse cursor. The toolkit itself would take
  // Wayland wherever a compositor runs.
  if (requested.isEmpty()) requested = QStringLiteral("xcb;wayland");
  // The first platform that passes is the one the toolkit would start: the later ones are
  // neither checked nor loaded (the Wayland plugin pulls in the graphics libraries).
  for (const QString& candidate : requested.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    if (PlatformUsable(candidate)) {
      qputenv("QT_QPA_PLATFORM", candidate.trimmed().toLocal8Bit());
      return true;
    }
  }
  return false;
}

void ConfigureApplication() {
  QApplication::setApplicationName(QString::fromUtf8(layout::kApplicationTitle));
  if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
    QApplication::setStyle(style);
  QApplication::setWindowIcon(DialogIcon());
}
