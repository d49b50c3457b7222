#pragma once
// Showing the form, through a seam that tests replace. The first ShowWindow of a process
// may be given the show state that its starter asked for in STARTUPINFO (with
// STARTF_USESHOWWINDOW) in place of its own: a host that starts its external steps
// minimised or without activation would get the dialog minimised, hidden or behind its own
// window, where the user neither sees it nor types into it. So when the starter asked for a
// state, the form is shown a second time, and a second call is always honoured.
#include <windows.h>

#include <functional>

// Whether the program's starter asked for a show state (STARTUPINFO's STARTF_USESHOWWINDOW).
bool StarterAskedForShowState();

struct WindowShowing {
  std::function<BOOL(HWND, int)> Show = [](HWND window, int command) {
    return ShowWindow(window, command);
  };
  std::function<bool()> StarterAskedForShowState = ::StarterAskedForShowState;
};

// Shows the window for the first time with `command`, whatever the starter asked for.
void ShowFirstTime(HWND window, int command, const WindowShowing& showing);
