#pragma once

#include "dialog_controls.hpp"

namespace tempinex {

// The About box (template 100): it shows its template and closes on OK, Esc or the close box.
class CAboutDlg {
 public:
  int DoModal(IDialogControls& owner);
};

}  // namespace tempinex
