#include "tool/headless_window.h"

void HeadlessWindow::Run(FormEvents& form) {
  form.FormShow();
  if (!form.IsClosed()) form.DialogUnavailable();
}
