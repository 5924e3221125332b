#include "about_dlg.hpp"

#include "control_ids.hpp"

namespace tempinex {

int CAboutDlg::DoModal(IDialogControls& owner) {
  return owner.RunModalDialog(ids::kAboutDialog);
}

}  // namespace tempinex
