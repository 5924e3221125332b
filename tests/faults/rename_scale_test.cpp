// Ten thousand renames among names that collide (same name, names differing in case only,
// names already taken): every refused rename is told, none replaces a file, and after every
// step the folder holds exactly the files it should, each with its own contents.

#include <dirent.h>

#include <random>

#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

std::map<std::string, std::string> ReadFolder(const std::string& path) {
  std::map<std::string, std::string> found;
  const Snapshot snapshot = TakeSnapshot(path);
  for (const auto& [entry, state] : snapshot) {
    if (entry != path) {
      found[entry.substr(path.size() + 1)] = state.contents;
    }
  }
  return found;
}

TEST(RenameAtScale, TenThousandCollidingRenamesLoseNothing) {
  const std::vector<std::string> pool = {
      "a.txt",        "A.txt",        "a.TXT", "b.txt", "B.TXT", "c",    "C",  "a.txt.bak",
      "\xC3\xA4.txt", "\xC3\x84.txt", "d d",   "-e",    "f\n",   "\xFF", "g.", "h.tar.gz"};
  FaultFolder folder;
  std::mt19937 random(10);
  std::map<std::string, std::string> expected;
  for (std::size_t i = 0; i < 9; ++i) {
    std::string contents(64 + random() % 4000, '\0');
    for (char& byte : contents) {
      byte = static_cast<char>(random());
    }
    expected[pool[i * 7 % pool.size()]] = contents;
  }
  for (const auto& [name, contents] : expected) {
    WriteFile(folder.Join(name), contents);
  }
  ASSERT_EQ(ReadFolder(folder.path), expected);

  FileSet set;
  std::size_t told = 0, renamed = 0, refused = 0;
  for (int step = 0; step < 10000; ++step) {
    auto from = expected.begin();
    std::advance(from, random() % expected.size());
    const std::string source = from->first;
    const std::string target = pool[random() % pool.size()];
    set.operate.SetFiles({U(folder.Join(source))});
    set.operate.RenameFile(U(folder.Join(target)));

    std::string current = source;
    if (EqualIgnoringAsciiCase(U(source), U(target))) {
      // Nothing to do: the name stays as it is.
    } else if (expected.count(target) != 0) {
      ++refused;
      ++told;
    } else {
      ++renamed;
      expected[target] = std::move(from->second);
      expected.erase(source);
      current = target;
    }
    ASSERT_EQ(set.messages.shown.size(), told)
        << "step " << step << ": " << source << " -> " << target;
    ASSERT_EQ(set.operate.GetCurrentPath(), U(folder.Join(current))) << "step " << step;
    if (step % 500 == 0) {
      ASSERT_EQ(ReadFolder(folder.path), expected) << "step " << step;
    }
  }
  EXPECT_EQ(ReadFolder(folder.path), expected);
  EXPECT_EQ(expected.size(), 9u);
  EXPECT_GT(renamed, 1000u);
  EXPECT_GT(refused, 1000u);
}

}  // namespace
}  // namespace tempinex::faults
