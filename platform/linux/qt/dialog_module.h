#pragma once
// The one entry point of the dialog module (auxline_qt.so). The executable loads the module
// at run time and asks it for the window through this function, so that the executable
// itself never links a GUI toolkit. Plain C linkage: no name mangling, looked up by name.
#include "tool/form_window.h"

// Raised whenever the FormWindow interface or this signature changes, so that an executable
// never drives a module built against another layout of the interface.
inline constexpr int kDialogModuleInterfaceVersion = 1;

inline constexpr char kDialogModuleFileName[] = "auxline_qt.so";
inline constexpr char kDialogModuleFactoryName[] = "auxline_create_dialog_window";

// Returns a new window owned by the caller (delete it through FormWindow), or null when the
// window cannot be created: other interface version, no usable display, toolkit failure.
// argc and argv are handed to the toolkit and must stay alive as long as the window.
extern "C" {
using DialogModuleFactory = FormWindow* (*)(int interfaceVersion, int* argc, char** argv);
}
