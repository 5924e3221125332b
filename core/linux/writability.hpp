#pragma once

// The kernel's own rules for the steps a store plans for one file: who may set its times, its
// mode and its extended attributes, and what no one may change.

#include <sys/types.h>

#include <string>

#include "linux_inode.hpp"

namespace tempinex::platform::linux_fs {

// The steps one file's write will take, as its store plans them.
struct PlannedSteps {
  bool times = false;            // explicit last-access or last-write times (utimensat)
  bool mode = false;             // the permission bits change (chmod)
  bool values = false;           // an extended attribute is written
  bool valuesNeedOwner = false;  // ... in a namespace the file system keeps for the owner
  bool madeWritable = false;     // the write bits come back before the other steps
  bool Any() const { return times || mode || values; }
};

// 0 when this process may take every step of `steps` on the file, else the errno the kernel
// would answer: EPERM for an immutable or append-only file and for a step that needs the owner
// or CAP_FOWNER, EROFS on a read-only mount, EACCES for an extended attribute of a file this
// user may not write. Write permission of a file that keeps its write bits is the open for
// writing of the writability test, asked after this.
NativeError KernelRefusal(const Inode& inode, const std::string& path, const PlannedSteps& steps);

// The effective user id, asked once per process: the program never changes its user, and a
// child made by fork (which may, as the tests' children do) asks again.
uid_t EffectiveUser();

// True when the effective capabilities of this process hold `capability` (CAP_FOWNER, ...).
bool HasCapability(int capability);

}  // namespace tempinex::platform::linux_fs
