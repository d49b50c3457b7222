#pragma once
// What has to happen before the toolkit's application object may be created: the layout,
// designed in pixels at 96 dpi, scales with the desktop, and a platform must be chosen that
// can really open a window. The toolkit ends the process when its platform cannot start (no
// display, plugin missing), so the module checks first and declines instead.

// The whole window, font included, grows by the desktop's scale factor (Xft.dpi / 96),
// fractional factors kept; at 96 dpi every pixel stays where the layout puts it. Call
// before the application object exists.
void ScaleWithTheDesktop();

// Only the system's plugin folder is searched for plugins of any kind (platforms, themes,
// input methods, styles, image formats, icon engines), never the tool's folder or one that
// an environment variable names: in a shared tool folder, another user could put a plugin
// there that the desktop's settings (XDG_CURRENT_DESKTOP, QT_IM_MODULE) pick by its key,
// and it would run as the user who clicked. Call before the application object exists.
void KeepToSystemPlugins();

// Sets QT_QPA_PLATFORM to the first platform that can start here: of those the user named
// in it, or else the X display, or else a Wayland display. False when none can: the caller
// must not create the application object then (the toolkit would abort).
bool SelectUsablePlatform();

// Application-wide settings once the application object exists: the application title and
// one widget style everywhere, since the pixel layout is sized for it.
void ConfigureApplication();
