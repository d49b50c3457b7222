#pragma once
// The frame that the desktop will put around the dialog, known before the dialog is shown.
// The dialog is placed by its outer corner and centred by its outer size, but an X11
// window manager frames a window only when it is mapped. So a hidden stand-in window with
// the dialog's flags asks for its frame: under X11 through the window manager's
// frame-extents request (no manager, no frame), elsewhere from the platform's own
// decorations. The dialog itself stays uncreated, so that its position keeps meaning the
// outer corner.
#include <QMargins>
#include <QSize>
#include <Qt>

QMargins ExpectedFrameMargins(Qt::WindowFlags flags, QSize clientSize);
