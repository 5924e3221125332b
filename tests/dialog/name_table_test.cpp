// The name table behind folder listings: it grows while it is filled and must still find every
// name, with its first value, and nothing else.

#include <string>

#include <gtest/gtest.h>

#include "name_table.hpp"

namespace tempinex::test {
namespace {

TEST(NameTableTest, FindsEveryNameAfterGrowingAndNothingElse) {
  qt::NameTable table;
  EXPECT_FALSE(table.Find("anything"));
  table.Reserve(3);  // far too few: the table must grow many times
  for (int i = 0; i < 5000; ++i) {
    table.Add("name" + std::to_string(i), static_cast<std::uint8_t>(i % 3));
  }
  table.Add("name7", 2);  // a name already present keeps its first value
  table.Add(std::string("with\0nul", 8), 1);
  table.Add("", 2);
  for (int i = 0; i < 5000; ++i) {
    const auto value = table.Find("name" + std::to_string(i));
    ASSERT_TRUE(value) << i;
    EXPECT_EQ(*value, i % 3) << i;
  }
  EXPECT_EQ(table.Find("name7"), std::optional<std::uint8_t>(1));
  EXPECT_EQ(table.Find(std::string("with\0nul", 8)), std::optional<std::uint8_t>(1));
  EXPECT_EQ(table.Find("with"), std::nullopt);
  EXPECT_EQ(table.Find(""), std::optional<std::uint8_t>(2));
  EXPECT_EQ(table.Find("name5000"), std::nullopt);
  EXPECT_EQ(table.Find("Name1"), std::nullopt);
  EXPECT_FALSE(table.Add(std::string(256, 'x'), 1));  // longer than any directory entry
  EXPECT_EQ(table.Find(std::string(256, 'x')), std::nullopt);
}

}  // namespace
}  // namespace tempinex::test
