#pragma once

// A dialog drawn from a template: every control created in template order at its rectangle,
// converted from dialog units with the dialog's font. Controls carry their identifier as the
// object name "ctl<id>"; labels and group boxes, which have none, are "static<n>".

#include <QDialog>
#include <map>
#include <utility>
#include <vector>

#include "dialog_template.hpp"
#include "dialog_units.hpp"
#include "text_fit.hpp"

namespace tempinex::qt {

class TemplateDialog : public QDialog {
 public:
  TemplateDialog(const DialogTemplate& dialogTemplate, const QFont& font, QWidget* parent,
                 Qt::WindowFlags flags);

  QWidget* Control(int id) const;
  const DialogUnits& Units() const { return units; }

 protected:
  // Push buttons and check boxes clicked; Esc and the close box arrive as a click of Cancel.
  // By default OK and Cancel end the dialog with their own identifier.
  virtual void OnClicked(int id);
  virtual void OnTextChanged(int /*id*/) {}

  void reject() override;

 private:
  QWidget* CreateControl(const ControlEntry& entry);
  void PlaceControls();
  void FitTexts();
  static bool AllTextsFit(const std::vector<std::pair<QWidget*, QSize>>& texts,
                          bool TextFit::*direction);
  void StackLikeWindows(const std::vector<QWidget*>& created);
  void ChainTabOrder(const std::vector<QWidget*>& created);

  DialogUnits units;
  std::map<int, QWidget*> controls;
  // In creation order; filled and used while the constructor lays the controls out.
  std::vector<std::pair<const ControlEntry*, QWidget*>> placed;
  QWidget* previous = nullptr;  // the buddy of an up-down created next
};

}  // namespace tempinex::qt
