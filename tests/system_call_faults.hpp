#pragma once

// Makes chosen system calls of this process fail, for tests that need a step to fail after the
// file was found fit to change. Call it in a child process only: it lasts for the process.

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace tempinex::testing_faults {

#ifndef __NR_fchmodat2
inline constexpr long kFchmodat2 = 452;
#else
inline constexpr long kFchmodat2 = __NR_fchmodat2;
#endif

// Every chmod call of the kernel, by path, descriptor or both: pass these to FailSystemCalls.
#define TEMPINEX_CHMOD_CALLS \
  __NR_chmod, __NR_fchmod, __NR_fchmodat, ::tempinex::testing_faults::kFchmodat2

// From now on every call in `calls` fails with `error`. False when the filter is refused.
inline bool FailSystemCalls(std::initializer_list<long> calls, int error) {
  std::vector<sock_filter> filter;
  filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
  const auto count = static_cast<unsigned char>(calls.size());
  unsigned char index = 0;
  for (const long call : calls) {
    // Jump over the remaining comparisons and the "allow" to the "fail".
    const auto toFail = static_cast<unsigned char>(count - index);
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(call), toFail, 0));
    ++index;
  }
  filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<unsigned>(error)));
  sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

}  // namespace tempinex::testing_faults
