// File names between the bytes Linux keeps and the UTF-16 texts of the program.

#include <random>

#include <gtest/gtest.h>

#include "file_name.hpp"

namespace tempinex {
namespace {

using namespace std::string_literals;

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
}

TEST(FileNameTest, AnyByteStringComesBackUnchanged) {
  std::mt19937 random(20240611);
  // Bytes drawn mostly from the ranges that start or continue UTF-8 sequences, so that valid,
  // truncated, overlong and surrogate sequences all occur.
  const std::string pool =
      "az./\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xE3\xED\xEE\xEF\xF0\xF4\xF5\xFF";
  for (int round = 0; round < 4000; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) {
      bytes.push_back(random() % 4 == 0 ? static_cast<char>(1 + random() % 255)
                                        : pool[random() % pool.size()]);
    }
    const std::u16string text = DecodeFileName(bytes);
    const auto back = EncodeFileName(text);
    ASSERT_TRUE(back) << round;
    ASSERT_EQ(*back, bytes) << round;
    // Whatever could not be decoded shows as an escape, never as some other lone surrogate.
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t unit = text[i];
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        ASSERT_TRUE(i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF);
        ++i;
      } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        ASSERT_GE(unit, 0xDC80) << round;
        ASSERT_LE(unit, 0xDCFF) << round;
      }
    }
  }
  EXPECT_EQ(DecodeFileName("\xC0\xAF"), u"\xDCC0\xDCAF") << "overlong slash";
  EXPECT_EQ(DecodeFileName("\xED\xA0\x80"), u"\xDCED\xDCA0\xDC80") << "encoded surrogate";
  EXPECT_EQ(DecodeFileName("\xE3\x81"), u"\xDCE3\xDC81") << "truncated sequence";
}

TEST(FileNameTest, ValidUnicodeConvertsBothWays) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    std::string bytes;
    for (int i = 0; i < 12; ++i) {
      const std::uint32_t limits[] = {0x80, 0x800, 0x10000, 0x110000};
      char32_t c = static_cast<char32_t>(1 + random() % (limits[random() % 4] - 1));
      if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0x3042;
      }
      AppendUtf16(text, c);
      AppendUtf8(bytes, c);
    }
    ASSERT_EQ(DecodeFileName(bytes), text) << round;
    ASSERT_EQ(EncodeFileName(text), bytes) << round;
  }
  EXPECT_EQ(EncodeFileName(u"\U0010FFFF日本.txt"), "\xF4\x8F\xBF\xBF\xE6\x97\xA5\xE6\x9C\xAC.txt");
}

TEST(FileNameTest, NulAndStraySurrogatesAreRefused) {
  EXPECT_FALSE(EncodeFileName(u"a\0b"s));
  EXPECT_FALSE(EncodeFileName(u"\0"s));
  EXPECT_FALSE(EncodeFileName(u"a\xD800"));
  EXPECT_FALSE(EncodeFileName(u"\xDBFFz"));
  EXPECT_FALSE(EncodeFileName(u"x\xDC7F"));  // an escape stands only for a byte from 0x80
  EXPECT_FALSE(EncodeFileName(u"\xDD00"));
  EXPECT_FALSE(EncodeFileName(u"\xDFFF\xD800"));  // the wrong order is no pair
  EXPECT_EQ(EncodeFileName(u"\xDC80\xDCFF"), "\x80\xFF");
  EXPECT_EQ(EncodeFileName(u""), "");
}

// Escapes that together spell valid UTF-8 would name the file that the plain character
// names: one name on disk must have one text only.
TEST(FileNameTest, EscapesThatSpellValidUtf8AreRefused) {
  EXPECT_FALSE(EncodeFileName(u"\xDCC3\xDCA9"));              // C3 A9 reads as U+00E9
  EXPECT_FALSE(EncodeFileName(u"a\xDCDC\xDC95.txt"));         // DC 95 reads as U+0715
  EXPECT_FALSE(EncodeFileName(u"\xDCF0\xDC9F\xDC98\xDC80"));  // a four-byte sequence
  // Escapes that stay invalid UTF-8 next to each other are what DecodeFileName gives.
  EXPECT_EQ(EncodeFileName(u"\xDCC3\xDCC3"), "\xC3\xC3");
  EXPECT_EQ(EncodeFileName(u"\xDCC3z\xDCA9"), "\xC3z\xA9");
}

}  // namespace
}  // namespace tempinex
