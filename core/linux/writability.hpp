#pragma once

// The kernel's own rules for the steps a store plans for one file: who may set its times, its
// mode and its extended attributes, and what no one may change. Asked of the inode as read,
// without opening anything for writing.

#include <sys/types.h>

#include "linux_inode.hpp"

namespace tempinex::platform::linux_fs {

// The steps one file's change will take, as its store plans them.
struct PlannedSteps {
  bool times = false;            // explicit last-access or last-write times (utimensat)
  bool mode = false;             // the permission bits change (chmod)
  bool values = false;           // an extended attribute, or a driver's value, is written
  bool valuesNeedOwner = false;  // ... which only the owner (or CAP_FOWNER) may write
  bool madeWritable = false;     // the write bits come back before the other steps
  bool Any() const { return times || mode || values; }
};

// Whether the change may touch a file of this kind at all: regular files take everything;
// folders their attributes, and their times only where the change allows it; links (opened as
// themselves) their times where the change allows it; pipes, devices and sockets nothing.
Verdict KindVerdict(const Inode& inode, const Change& change);

// The kernel's answer to `steps` on the file: kImmutable for an immutable or append-only
// file, kNotOwner for a step that needs the owner or CAP_FOWNER, kReadOnlyVolume on a
// read-only mount, and EACCES where an extended attribute needs write permission this user
// lacks.
Verdict KernelVerdict(const Inode& inode, const FileRef& file, const PlannedSteps& steps);

// The effective user id, asked once per process: the program never changes its user, and a
// child made by fork (which may, as the tests' children do) asks again.
uid_t EffectiveUser();

// True when the effective capabilities of this process hold `capability` (CAP_FOWNER, ...).
bool HasCapability(int capability);

}  // namespace tempinex::platform::linux_fs
