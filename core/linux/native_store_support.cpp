#include "native_store_support.hpp"

#include <cerrno>

namespace tempinex::platform::linux_fs {

std::uint32_t ShownWord(std::uint32_t kept, const Inode& inode) {
  std::uint32_t word = kept & ~(kAttrDirectory | kAttrNormal | kAttrCompressed);
  if (IsDirectory(inode)) {
    word |= kAttrDirectory;
  }
  return word == 0 ? kAttrNormal : word;
}

std::uint32_t WordWithWriteBits(const Inode& inode, std::uint32_t kept) {
  const bool readOnly = !HasWriteBits(inode) && !IsDirectory(inode);
  return ShownWord(readOnly ? kept | kAttrReadOnly : kept, inode);
}

Verdict ReadOnlyVerdict(std::uint32_t word, const Change& change) {
  if (!(word & kAttrReadOnly)) {
    return {};
  }
  const bool cleared =
      change.attributes && change.mayClearReadOnly && !(*change.attributes & kAttrReadOnly);
  return cleared ? Verdict{} : Verdict{Obstacle::kReadOnly, 0};
}

Verdict KindAndReadOnlyVerdict(const Inode& inode, std::uint32_t word, const Change& change) {
  const Verdict kind = KindVerdict(inode, change);
  return kind.Admitted() ? ReadOnlyVerdict(word, change) : kind;
}

Verdict CommonAdmit(const Inode& inode, const FileRef& file, std::uint32_t word,
                    const Change& change, bool valuesNeedOwner) {
  if (const Verdict verdict = KindAndReadOnlyVerdict(inode, word, change); !verdict.Admitted()) {
    return verdict;
  }
  PlannedSteps steps;
  steps.times = change.lastWrite || change.lastAccess;
  steps.values = change.attributes || change.creation;
  steps.valuesNeedOwner = valuesNeedOwner;
  steps.madeWritable = change.attributes && !(*change.attributes & kAttrReadOnly) &&
                       (word & kAttrReadOnly) && !HasWriteBits(inode);
  if (const Verdict verdict = KernelVerdict(inode, file, steps); !verdict.Admitted()) {
    return verdict;
  }
  if (steps.values && inode.record.unreadable != 0) {
    return {Obstacle::kRecordUnreadable, inode.record.unreadable};
  }
  return {};
}

Verdict BirthTimeVerdict(const Change& change) {
  return change.creation ? Verdict{Obstacle::kCreationTimeFixed, ENOTSUP} : Verdict{};
}

FileTime BirthTime(const Inode& inode) {
  return (inode.info.stx_mask & STATX_BTIME) ? FileTimeFromTimestamp(inode.info.stx_btime) : 0;
}

void RereadInfo(const FileRef& file, Inode& inode) {
  struct statx fresh {};
  if (file.Stat(fresh) == 0) {
    inode.info = fresh;
  }
}

}  // namespace tempinex::platform::linux_fs
