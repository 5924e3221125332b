// The floor for `tempinex set --modified`: the system calls the Linux layer of the file state
// core makes for each file, in a bare loop, against the three touch makes. Run in a folder of
// files named 000000, 000001, ... as bench/cli_bench.sh makes them:
//   cli_floor COUNT [RUNS]
// Prints the median processor time (user and system) of each loop and its ratio to touch's.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif

struct XattrArgs {
  std::uint64_t value;
  std::uint32_t size;
  std::uint32_t flags;
};

double ProcessorMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// touch -m: open for writing, creating what is missing, set the time on the descriptor, close.
void Touch(const char* name, const timespec* times, int) {
  const int fd = open(name, O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK, 0666);
  futimens(fd, times);
  close(fd);
}

// The core: open as a path, read the inode, read user.DOSATTRIB through the descriptor's entry
// in an open /proc/self/fd (an O_PATH descriptor takes no f*xattr call), set the time, close.
void Core(const char* name, const timespec* times, int procFolder) {
  const int fd = open(name, O_PATH | O_CLOEXEC);
  struct statx info {};
  statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &info);
  if (procFolder >= 0) {
    char value[256];
    XattrArgs args{reinterpret_cast<std::uintptr_t>(value), sizeof value, 0};
    const std::string entry = std::to_string(fd);
    syscall(SYS_getxattrat, procFolder, entry.c_str(), 0, "user.DOSATTRIB", &args, sizeof args);
  }
  utimensat(fd, "", times, AT_EMPTY_PATH);
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: cli_floor COUNT [RUNS]\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const int procFolder = open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
  struct Loop {
    const char* label;
    void (*call)(const char*, const timespec*, int);
    int proc;
    std::vector<double> times;
  };
  Loop loops[] = {{"touch: openat, utimensat, close", Touch, -1, {}},
                  {"core: openat, statx, getxattrat, utimensat, close", Core, procFolder, {}},
                  {"core without the record: openat, statx, utimensat, close", Core, -1, {}}};
  for (int run = 0; run < runs; ++run) {
    for (Loop& loop : loops) {
      // Each loop sets its own time, so that every run changes every file.
      const timespec times[2] = {{0, UTIME_OMIT}, {1'600'000'000 + run * 10 + (&loop - loops), 0}};
      const double start = ProcessorMilliseconds();
      char name[16];
      for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "%06d", i);
        loop.call(name, times, loop.proc);
      }
      loop.times.push_back(ProcessorMilliseconds() - start);
    }
  }
  double touch = 0;
  for (Loop& loop : loops) {
    std::sort(loop.times.begin(), loop.times.end());
    const double median = loop.times[loop.times.size() / 2];
    touch = touch == 0 ? median : touch;
    std::printf("%-58s median %6.0f ms processor, %.2f x touch\n", loop.label, median,
                median / touch);
  }
  return 0;
}
