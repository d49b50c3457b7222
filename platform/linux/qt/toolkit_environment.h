#pragma once
// What has to happen before the toolkit's application object may be created: the layout,
// designed in pixels at 96 dpi, scales with the desktop, and a platform must be chosen that
// can really open a window. The toolkit ends the process when its platform cannot start (no
// display, plugin missing), so the module checks first and declines instead.

// The whole window, font included, grows by the desktop's scale factor (Xft.dpi / 96),
// fractional factors kept; at 96 dpi every pixel stays where the layout puts it. Call
// before the application object exists.
void ScaleWithTheDesktop();

// Narrows QT_QPA_PLATFORM to the platforms that can start here: those the user named in
// it, or else the X display, or else a Wayland display. False when none can: the caller
// must not create the application object then.
bool SelectUsablePlatform();

// Application-wide settings once the application object exists: the application title and
// one widget style everywhere, since the pixel layout is sized for it.
void ConfigureApplication();
