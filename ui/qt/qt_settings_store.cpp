#include "qt_settings_store.hpp"

#include <QSettings>
#include <optional>

#include "text_convert.hpp"

namespace tempinex::qt {

namespace {

QString KeyOf(const SettingsPath& path) {
  return ToQString(path.section) + QLatin1Char('/') + ToQString(path.key);
}

// QSettings hands back text as text and wraps numbers that do not fit: only plain decimal
// digits whose value fits 32 unsigned bits are a stored value.
std::optional<std::uint32_t> ParseStoredValue(const QVariant& value) {
  if (!value.isValid()) {
    return std::nullopt;
  }
  QString text = value.toString();
  if (text.isEmpty() || text.size() > 10) {
    return std::nullopt;
  }
  std::uint64_t number = 0;
  for (QChar unit : text) {
    if (unit < QLatin1Char('0') || unit > QLatin1Char('9')) {
      return std::nullopt;
    }
    number = number * 10 + static_cast<std::uint64_t>(unit.unicode() - u'0');
  }
  if (number > 0xFFFFFFFFull) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(number);
}

}  // namespace

std::uint32_t QtSettingsStore::Read(const SettingsPath& path, std::uint32_t fallback) {
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, ToQString(path.company),
                     ToQString(path.application));
  if (settings.status() != QSettings::NoError) {
    return fallback;
  }
  return ParseStoredValue(settings.value(KeyOf(path))).value_or(fallback);
}

bool QtSettingsStore::Write(const SettingsPath& path, std::uint32_t value) {
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, ToQString(path.company),
                     ToQString(path.application));
  settings.setValue(KeyOf(path), QString::number(value));
  settings.sync();
  // A file that did not parse leaves FormatError in the status, which then hides the result
  // of the write itself (QSettings does replace such a file): a second reader tells whether
  // the value is now stored.
  if (settings.status() == QSettings::FormatError) {
    QSettings check(QSettings::NativeFormat, QSettings::UserScope, ToQString(path.company),
                    ToQString(path.application));
    return check.status() == QSettings::NoError &&
           ParseStoredValue(check.value(KeyOf(path))) == value;
  }
  return settings.status() == QSettings::NoError;
}

}  // namespace tempinex::qt
