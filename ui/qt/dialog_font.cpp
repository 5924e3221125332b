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
  // Fontconfig lists a family under the name of the user's language ("IPA Pゴシック" in a
  // Japanese locale) and knows its other names only as aliases, which hasFamily resolves.
  for (const QString& family : DialogFontFamilies()) {
    if (QFontDatabase::hasFamily(family)) {
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
