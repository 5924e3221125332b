#include "dialog_font.hpp"

#include <QApplication>
#include <QFontDatabase>

namespace tempinex::qt {

namespace {
constexpr int kPointSize = 9;
}

QStringList DialogFontFamilies() {
  return {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
          QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
          QStringLiteral("Noto Sans CJK JP")};
}

QFont ChooseDialogFont() {
  const QStringList installed = QFontDatabase::families();
  for (const QString& family : DialogFontFamilies()) {
    if (installed.contains(family, Qt::CaseInsensitive)) {
      return PinnedDialogFont(family);
    }
  }
  QFont fallback = QApplication::font();
  fallback.setPointSize(kPointSize);
  return fallback;
}

QFont PinnedDialogFont(const QString& family) {
  QFont font(family, kPointSize);
  font.setStyleStrategy(QFont::PreferDefault);
  return font;
}

}  // namespace tempinex::qt
