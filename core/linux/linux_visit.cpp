#include "linux_visit.hpp"

#include <unistd.h>

#include "file_name.hpp"

namespace tempinex::platform {

namespace {

thread_local std::optional<linux_fs::VisitMemo> current;

}  // namespace

namespace linux_fs {

VisitMemo* MemoFor(const std::string& native) {
  return current && current->native == native ? &*current : nullptr;
}

void NoteStep(const std::string& native, const Inode& inode, bool times) {
  VisitMemo* memo = MemoFor(native);
  if (memo == nullptr || inode.store == nullptr) {
    return;
  }
  if (!memo->before) {
    memo->before = inode.store->Take(inode);
    memo->beforeStore = inode.store;
  }
  (times ? memo->before->timesWritten : memo->before->attributesWritten) = true;
}

void CloseParked(VisitMemo& memo) {
  if (memo.parkedFd >= 0) {
    close(memo.parkedFd);  // opened only to test; nothing was written through it
    memo.parkedFd = -1;
  }
}

}  // namespace linux_fs

FileVisit::FileVisit(const std::u16string& path) {
  if (current) {
    return;
  }
  // A name that cannot be encoded is refused by every call anyway; such a visit learns nothing.
  auto native = EncodeFileName(path);
  if (!native || native->empty()) {
    return;
  }
  current.emplace();
  current->native = std::move(*native);
  began = true;
}

FileVisit::~FileVisit() {
  if (began) {
    linux_fs::CloseParked(*current);
    current.reset();
  }
}

NativeError UndoWrites(const std::u16string& path) {
  auto native = EncodeFileName(path);
  linux_fs::VisitMemo* memo = native ? linux_fs::MemoFor(*native) : nullptr;
  if (memo == nullptr || !memo->before) {
    return 0;
  }
  const NativeError error = memo->beforeStore->Restore(memo->native, *memo->before);
  memo->before.reset();
  memo->inode.reset();  // what the file is now is not known
  linux_fs::CloseParked(*memo);
  return error;
}

}  // namespace tempinex::platform
