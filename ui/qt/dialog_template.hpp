#pragma once

// The dialog templates as data: every control with its identifier, kind, caption, rectangle in
// dialog units and initial state, listed in creation order (which is also the tab order).

#include <string>
#include <vector>

namespace tempinex::qt {

enum class ControlKind {
  kStatic,      // left-aligned text, no access-key prefix
  kStaticIcon,  // an icon resource
  kEdit,        // bordered, scrolls horizontally
  kDigitEdit,   // the same, accepting only digits from the keyboard
  kPushButton,
  kDefaultButton,  // the button Enter presses
  kFlatButton,
  kCheckBox,  // auto check box
  kGroupBox,
  kUpDown,    // bound to the control created just before it
  kListView,  // report view
};

struct ControlEntry {
  int id;
  ControlKind kind;
  const char16_t* caption;
  int x, y, width, height;  // dialog units
  bool disabled = false;
  int iconId = 0;                   // kStaticIcon only
  int widestDigits = 0;             // kDigitEdit: how many digits its widest value has
  std::u16string accessibleName{};  // what a screen reader names a control without a caption
};

struct DialogTemplate {
  int id;
  const char16_t* title;
  int width, height;  // dialog units
  std::vector<ControlEntry> controls;
};

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

}  // namespace tempinex::qt
