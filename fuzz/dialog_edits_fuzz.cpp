// A sequence of edits to the main dialog's fields, made through the real Qt widgets offscreen
// with a file loaded: every edit runs the dialog's field check, which must never crash and must
// leave every date-time field reading within its limits.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "field_number.hpp"
#include "file_name.hpp"
#include "test_support.hpp"

namespace {

QApplication* application = nullptr;
QTemporaryDir* folder = nullptr;
std::u16string loaded;

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Characters a user could type or paste into a field.
constexpr char16_t kAlphabet[] = u"0123456789-+ .a\t０９\u3000\u0663Z";

std::u16string TextFrom(const std::uint8_t*& at, const std::uint8_t* end) {
  std::u16string text;
  const std::size_t length = at < end ? *at++ % 14 : 0;
  for (std::size_t i = 0; i < length && at < end; ++i) {
    text.push_back(kAlphabet[*at++ % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)]);
  }
  return text;
}

void CheckLimits(tempinex::test::MainDialogHarness& harness) {
  using namespace tempinex;
  for (const DateTimeRow& row : kDateTimeRows) {
    for (int field = 0; field < kFieldCount; ++field) {
      const auto* edit = qobject_cast<const QLineEdit*>(harness.Control(row.edits[field]));
      Require(edit != nullptr);
      const std::u16string text = edit->text().toStdU16String();
      if (text.empty()) {
        continue;
      }
      const std::int32_t value = ReadFieldNumber(text);
      const FieldLimits& limits = LimitsOf(static_cast<RowField>(field));
      Require(!limits.lowerBound || value >= *limits.lowerBound);
      Require(!limits.upperBound || value <= *limits.upperBound);
      if (static_cast<RowField>(field) == RowField::kDay) {
        Require(value <= 31);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Kept for the whole run and never destroyed: libFuzzer ends with exit(), after which Qt's
  // own statics are gone and a QApplication destructor would crash.
  application = new QApplication(*argc, *argv);
  folder = new QTemporaryDir();
  const std::string file = folder->path().toStdString() + "/loaded.txt";
  if (FILE* out = std::fopen(file.c_str(), "w")) {
    std::fputs("contents", out);
    std::fclose(out);
  }
  loaded = tempinex::DecodeFileName(file);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tempinex;
  test::MainDialogHarness harness({loaded});
  const std::uint8_t* at = data;
  const std::uint8_t* end = data + size;
  for (int step = 0; step < 32 && at < end; ++step) {
    const int choice = *at++ % 22;
    if (choice < 18) {
      const int edit = kDateTimeRows[choice / kFieldCount].edits[choice % kFieldCount];
      qobject_cast<QLineEdit*>(harness.Control(edit))
          ->setText(QString::fromStdU16String(TextFrom(at, end)));
    } else if (choice < 20) {
      const int edit = choice == 18 ? ids::kFileName : ids::kExtension;
      qobject_cast<QLineEdit*>(harness.Control(edit))
          ->setText(QString::fromStdU16String(TextFrom(at, end)));
    } else if (choice == 20 && at < end) {
      const int box = kDateTimeRows[*at++ % kRowCount].checkBox;
      qobject_cast<QAbstractButton*>(harness.Control(box))->click();
    } else if (at < end) {
      const int boxes[] = {ids::kReadOnly, ids::kHidden, ids::kArchive, ids::kSystem};
      qobject_cast<QAbstractButton*>(harness.Control(boxes[*at++ % 4]))->click();
    }
    CheckLimits(harness);
  }
  return 0;
}
