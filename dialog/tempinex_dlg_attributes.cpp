// The attribute boxes: showing an attribute byte, the master switch and its setting, and the
// byte the boxes stand for.

#include "control_ids.hpp"
#include "tempinex_dlg.hpp"

namespace tempinex {

namespace {

struct AttributeBox {
  int id;
  std::uint8_t bit;
};

// In the order the master switch enables them.
constexpr AttributeBox kAttributeBoxes[] = {
    {ids::kReadOnly, 0x01},
    {ids::kHidden, 0x02},
    {ids::kArchive, 0x20},
    {ids::kSystem, 0x04},
};

constexpr char16_t kAttributeSetting[] = u"Attribute";

}  // namespace

void CTempinexDlg::RouteAttributes() {
  dispatcher.Route(ids::kAttributeCheck, Event::kClicked,
                   [this](const Notification&) { OnAttributeCheck(); });
}

void CTempinexDlg::ShowAttributes(std::uint8_t attribute) {
  controls.SetCheck(ids::kReadOnly, attribute & 0x01);
  controls.SetCheck(ids::kHidden, attribute & 0x02);
  controls.SetCheck(ids::kSystem, attribute & 0x04);
  controls.SetCheck(ids::kArchive, attribute & 0x20);
  // Compressed lies outside the byte: it is always that of the set's current file.
  const std::uint32_t word = files.GetCurrentPathAttributes();
  controls.SetCheck(ids::kCompressed,
                    word != platform::kInvalidAttributes && (word & platform::kAttrCompressed));
}

void CTempinexDlg::OnAttributeCheck() {
  const bool on = controls.IsChecked(ids::kAttributeCheck);
  app.WriteSetting(kSettingsSection, kAttributeSetting, on ? 1 : 0);
  for (const AttributeBox& box : kAttributeBoxes) {
    controls.Enable(box.id, on);
  }
}

std::uint8_t CTempinexDlg::GetAttributeByte() const {
  std::uint8_t attribute = 0;
  for (const AttributeBox& box : kAttributeBoxes) {
    if (controls.IsChecked(box.id)) {
      attribute |= box.bit;
    }
  }
  return attribute;
}

bool CTempinexDlg::IsAttributeSettingOn() {
  return app.ReadSetting(kSettingsSection, kAttributeSetting, 0) == 1;
}

}  // namespace tempinex
