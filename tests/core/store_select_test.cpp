// Which attribute store a volume gets, from what the volume answers.

#include <gtest/gtest.h>

#include "store_select.hpp"

namespace tempinex::platform::linux_fs {
namespace {

TEST(StoreSelection, KindFollowsWhatTheVolumeAnswers) {
  constexpr std::uint32_t kExt4 = 0xEF53;
  constexpr std::uint32_t kTmpfs = 0x01021994;
  EXPECT_EQ(ChooseStoreKind({kFuseMagic, true}), StoreKind::kNtfs3g);
  // sshfs and the like are FUSE too, but keep no NTFS attributes.
  EXPECT_EQ(ChooseStoreKind({kFuseMagic, false}), StoreKind::kSamba);
  EXPECT_EQ(ChooseStoreKind({kExt4, false}), StoreKind::kSamba);
  // The answer of a volume that is not FUSE is never asked and never counts.
  EXPECT_FALSE(NeedsNtfsAttribAnswer(kTmpfs));
  EXPECT_EQ(ChooseStoreKind({kTmpfs, true}), StoreKind::kSamba);
  EXPECT_TRUE(NeedsNtfsAttribAnswer(kFuseMagic));
}

}  // namespace
}  // namespace tempinex::platform::linux_fs
