#include "template_dialog.hpp"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "control_ids.hpp"
#include "digit_filter.hpp"
#include "icon_resources.hpp"
#include "info_list_view.hpp"
#include "text_convert.hpp"
#include "up_down.hpp"

namespace tempinex::qt {

namespace {

QLabel* MakeLabel(const ControlEntry& entry, QWidget* parent) {
  auto* label = new QLabel(ToQString(entry.caption), parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setContentsMargins(0, 0, 0, 0);
  return label;
}

QLabel* MakeIcon(const ControlEntry& entry, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setPixmap(IconResourceImage(entry.iconId, 32));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* MakeButton(const ControlEntry& entry, QWidget* parent) {
  auto* button = new QPushButton(ToQString(entry.caption), parent);
  button->setDefault(entry.kind == ControlKind::kDefaultButton);
  return button;
}

bool IsTabStop(ControlKind kind) {
  switch (kind) {
    case ControlKind::kStatic:
    case ControlKind::kStaticIcon:
    case ControlKind::kGroupBox:
    case ControlKind::kUpDown:
      return false;
    default:
      return true;
  }
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, const QFont& font,
                               QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), units(font) {
  setFont(font);
  setWindowTitle(ToQString(dialogTemplate.title));
  setFixedSize(units.Size(dialogTemplate.width, dialogTemplate.height));
  std::vector<QWidget*> created;
  int statics = 0;
  for (const ControlEntry& entry : dialogTemplate.controls) {
    QWidget* widget = CreateControl(entry);
    widget->setFont(font);
    widget->setGeometry(units.Rect(entry.x, entry.y, entry.width, entry.height));
    widget->setEnabled(!entry.disabled);
    widget->setFocusPolicy(IsTabStop(entry.kind) ? Qt::StrongFocus : Qt::NoFocus);
    if (entry.id == ids::kStatic) {
      widget->setObjectName(QStringLiteral("static%1").arg(statics++));
    } else {
      widget->setObjectName(QStringLiteral("ctl%1").arg(entry.id));
      widget->setProperty("controlId", entry.id);
      controls[entry.id] = widget;
    }
    created.push_back(widget);
    previous = widget;
  }
  StackLikeWindows(created);
  ChainTabOrder(created);
}

QWidget* TemplateDialog::CreateControl(const ControlEntry& entry) {
  const int id = entry.id;
  switch (entry.kind) {
    case ControlKind::kStatic:
      return MakeLabel(entry, this);
    case ControlKind::kStaticIcon:
      return MakeIcon(entry, this);
    case ControlKind::kEdit:
    case ControlKind::kDigitEdit: {
      auto* edit = new QLineEdit(this);
      if (entry.kind == ControlKind::kDigitEdit) {
        edit->installEventFilter(new DigitFilter(edit));
      }
      connect(edit, &QLineEdit::textChanged, this, [this, id] { OnTextChanged(id); });
      return edit;
    }
    case ControlKind::kPushButton:
    case ControlKind::kDefaultButton:
    case ControlKind::kFlatButton: {
      QPushButton* button = MakeButton(entry, this);
      connect(button, &QPushButton::clicked, this, [this, id] { OnClicked(id); });
      return button;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(ToQString(entry.caption), this);
      connect(box, &QCheckBox::clicked, this, [this, id] { OnClicked(id); });
      return box;
    }
    case ControlKind::kGroupBox:
      return new QGroupBox(ToQString(entry.caption), this);
    case ControlKind::kUpDown: {
      // The buddy gives up the room at its right end, as a Windows up-down aligned right does.
      auto* buddy = qobject_cast<QLineEdit*>(previous);
      Q_ASSERT(buddy != nullptr);
      buddy->resize(buddy->width() - units.X(entry.width), buddy->height());
      return new UpDown(buddy, this);
    }
    case ControlKind::kListView:
      return new InfoListView(this);
  }
  return new QWidget(this);
}

// Windows draws the first-created control on top; Qt draws the last-created one on top.
void TemplateDialog::StackLikeWindows(const std::vector<QWidget*>& created) {
  for (QWidget* widget : created) {
    widget->lower();
  }
}

void TemplateDialog::ChainTabOrder(const std::vector<QWidget*>& created) {
  QWidget* last = nullptr;
  for (QWidget* widget : created) {
    if (widget->focusPolicy() == Qt::NoFocus) {
      continue;
    }
    if (last != nullptr) {
      setTabOrder(last, widget);
    }
    last = widget;
  }
}

QWidget* TemplateDialog::Control(int id) const {
  auto found = controls.find(id);
  return found == controls.end() ? nullptr : found->second;
}

void TemplateDialog::OnClicked(int id) {
  if (id == ids::kOk || id == ids::kCancel) {
    done(id);
  }
}

void TemplateDialog::reject() {
  OnClicked(ids::kCancel);
}

}  // namespace tempinex::qt
