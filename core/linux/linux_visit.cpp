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
  current.emplace(linux_fs::VisitMemo{std::move(*native), std::nullopt});
  began = true;
}

FileVisit::~FileVisit() {
  if (began) {
    linux_fs::CloseParked(*current);
    current.reset();
  }
}

}  // namespace tempinex::platform
