#include "template_dialog.hpp"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "control_ids.hpp"
#include "digit_filter.hpp"
#include "flat_button.hpp"
#include "group_frame.hpp"
#include "icon_resources.hpp"
#include "info_list_view.hpp"
#include "text_convert.hpp"
#include "text_fit.hpp"
#include "up_down.hpp"

namespace tempinex::qt {

namespace {

// Enlarging a base by this much at a time finds the least base that fits to well below a
// pixel at any edge of the dialog; a base three times the font's is never needed.
constexpr double kBaseStep = 1.0 / 16;
constexpr double kMostEnlargement = 3.0;

// Static texts and icons, like group boxes, never take the mouse: a click on one reaches
// whatever lies under it, as it does on Windows.
QLabel* MakeLabel(const ControlEntry& entry, QWidget* parent) {
  auto* label = new QLabel(ToQString(entry.caption), parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setContentsMargins(0, 0, 0, 0);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QLabel* MakeIcon(const ControlEntry& entry, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setPixmap(IconResourceImage(entry.iconId, 32));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QPushButton* MakeButton(const ControlEntry& entry, QWidget* parent) {
  const QString caption = ToQString(entry.caption);
  auto* button = entry.kind == ControlKind::kFlatButton ? new FlatButton(caption, parent)
                                                        : new QPushButton(caption, parent);
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
  std::vector<QWidget*> created;
  int statics = 0;
  for (const ControlEntry& entry : dialogTemplate.controls) {
    QWidget* widget = CreateControl(entry);
    widget->setFont(font);
    widget->setEnabled(!entry.disabled);
    if (auto* upDown = dynamic_cast<UpDown*>(widget); upDown && !entry.accessibleName.empty()) {
      upDown->SetAccessibleNames(ToQString(entry.accessibleName));
    } else if (!entry.accessibleName.empty()) {
      widget->setAccessibleName(ToQString(entry.accessibleName));
    }
    widget->setFocusPolicy(IsTabStop(entry.kind) ? Qt::StrongFocus : Qt::NoFocus);
    if (entry.id == ids::kStatic) {
      widget->setObjectName(QStringLiteral("static%1").arg(statics++));
    } else {
      widget->setObjectName(QStringLiteral("ctl%1").arg(entry.id));
      widget->setProperty("controlId", entry.id);
      controls[entry.id] = widget;
    }
    created.push_back(widget);
    placed.push_back({&entry, widget});
    previous = widget;
  }
  FitTexts();
  placed.clear();  // the entries belong to the caller's template
  setFixedSize(units.Size(dialogTemplate.width, dialogTemplate.height));
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
      return new GroupFrame(ToQString(entry.caption), this);
    case ControlKind::kUpDown: {
      auto* buddy = qobject_cast<QLineEdit*>(previous);
      Q_ASSERT(buddy != nullptr);
      return new UpDown(buddy, this);
    }
    case ControlKind::kListView:
      return new InfoListView(this);
  }
  return new QWidget(this);
}

void TemplateDialog::PlaceControls() {
  QWidget* buddy = nullptr;
  for (const auto& [entry, widget] : placed) {
    const QRect rect = units.Rect(entry->x, entry->y, entry->width, entry->height);
    widget->setGeometry(rect);
    if (entry->kind == ControlKind::kUpDown && buddy != nullptr) {
      // The buddy gives up the room at its right end, as a Windows up-down aligned right does.
      buddy->resize(rect.left() - buddy->x(), buddy->height());
    }
    buddy = widget;
  }
}

// The units come from the font's average character, which need not hold its widest glyphs:
// each base grows, by the least found in steps of kBaseStep, until every text fits across and
// down. The whole dialog grows with it, so proportions and order stay the template's.
void TemplateDialog::FitTexts() {
  // Shaping a text costs far more than comparing sizes: each text is measured once.
  std::vector<std::pair<QWidget*, QSize>> texts;
  for (const auto& [entry, widget] : placed) {
    if (const auto need = TextNeed(*widget, entry->widestDigits)) {
      texts.emplace_back(widget, *need);
    }
  }
  const double width = units.BaseWidth();
  const double height = units.BaseHeight();
  PlaceControls();
  for (double grown = width;
       !AllTextsFit(texts, &TextFit::across) && grown < kMostEnlargement * width;) {
    grown += kBaseStep;
    units.Enlarge(grown, height);
    PlaceControls();
  }
  for (double grown = height;
       !AllTextsFit(texts, &TextFit::down) && grown < kMostEnlargement * height;) {
    grown += kBaseStep;
    units.Enlarge(units.BaseWidth(), grown);
    PlaceControls();
  }
}

bool TemplateDialog::AllTextsFit(const std::vector<std::pair<QWidget*, QSize>>& texts,
                                 bool TextFit::*direction) {
  return std::all_of(texts.begin(), texts.end(), [direction](const auto& text) {
    return FitOfText(*text.first, text.second).*direction;
  });
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
