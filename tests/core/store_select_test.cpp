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

TEST(StoreSelection, VolumesThatKeepTheWindowsNotionsGetTheirOwnStore) {
  EXPECT_EQ(ChooseStoreKind({kCifsMagic}), StoreKind::kCifs);
  EXPECT_EQ(ChooseStoreKind({kSmb2Magic}), StoreKind::kCifs);
  EXPECT_EQ(ChooseStoreKind({kExfatMagic}), StoreKind::kExfat);
  // Before Linux 6.7 the exFAT driver has no attribute ioctls; only there is it asked.
  EXPECT_EQ(ChooseStoreKind({kExfatMagic, false, false, true}), StoreKind::kExfatWithoutIoctls);
  EXPECT_TRUE(NeedsIoctlAnswer(kExfatMagic));
  EXPECT_FALSE(NeedsIoctlAnswer(kMsdosMagic));
  EXPECT_EQ(ChooseStoreKind({kMsdosMagic, false, false, true}), StoreKind::kVfat);
  EXPECT_EQ(ChooseStoreKind({kNtfs3Magic, false}), StoreKind::kNtfs3);
  EXPECT_EQ(ChooseStoreKind({kMsdosMagic}), StoreKind::kVfat);
  EXPECT_EQ(ChooseStoreKind({kMsdosMagic, false, true}), StoreKind::kVfatSysImmutable);
  // Only FAT's mount options are asked for, and only there does sys_immutable count.
  EXPECT_TRUE(NeedsMountOptions(kMsdosMagic));
  EXPECT_FALSE(NeedsMountOptions(kExfatMagic));
  EXPECT_EQ(ChooseStoreKind({kExfatMagic, false, true}), StoreKind::kExfat);
  EXPECT_EQ(ChooseStoreKind({0xEF53, false, true}), StoreKind::kSamba);
  for (const StoreKind kind :
       {StoreKind::kCifs, StoreKind::kVfat, StoreKind::kVfatSysImmutable, StoreKind::kExfat,
        StoreKind::kExfatWithoutIoctls, StoreKind::kNtfs3}) {
    EXPECT_EQ(StoreOfKind(kind).Kind(), kind);
  }
}

TEST(StoreSelection, MountOptionIsAWholeNameInTheList) {
  EXPECT_TRUE(HasMountOption("rw,uid=0,sys_immutable,quiet", "sys_immutable"));
  EXPECT_TRUE(HasMountOption("sys_immutable", "sys_immutable"));
  EXPECT_FALSE(HasMountOption("rw,nosys_immutable", "sys_immutable"));
  EXPECT_FALSE(HasMountOption("rw,sys_immutable=0", "sys_immutable"));
  EXPECT_FALSE(HasMountOption("", "sys_immutable"));
}

}  // namespace
}  // namespace tempinex::platform::linux_fs
