#pragma once

#include <QFont>
#include <QStringList>

namespace tempinex::qt {

// The families tried for the dialogs, best first.
QStringList DialogFontFamilies();

// 9 points of the first family of DialogFontFamilies that is installed; the application's
// font when none is.
QFont ChooseDialogFont();

// 9 points of the given family, whatever else is installed (for reproducible renders).
QFont PinnedDialogFont(const QString& family);

}  // namespace tempinex::qt
