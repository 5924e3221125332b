// What a real Samba server makes of the Samba layout: a local smbd on 127.0.0.1 and a port of
// its own shows what we wrote, and what its clients set is what we read.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>

#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

bool PortAnswers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool answered = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return answered;
}

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
      text += buffer;
    }
    pclose(pipe);
  }
  return text;
}

// smbd with its configuration, state and share in a temporary folder, in a session of its own
// (on exit it signals its whole process group), stopped by its PID.
class LocalSamba {
 public:
  LocalSamba() {
    share = folder.Join("share");
    const std::string state = folder.Join("state");
    mkdir(share.c_str(), 0755);
    mkdir(state.c_str(), 0700);
    std::mt19937 random(std::random_device{}());
    port = std::uniform_int_distribution<int>(20000, 60000)(random);
    config = folder.Join("smb.conf");
    std::ofstream(config) << "[global]\ninterfaces = 127.0.0.1\nbind interfaces only = yes\n"
                          << "smb ports = " << port << "\ndisable netbios = yes\n"
                          << "server role = standalone server\n"
                          << "passdb backend = tdbsam:" << state << "/passdb.tdb\n"
                          << "state directory = " << state << "\nlock directory = " << state
                          << "\ncache directory = " << state << "\nprivate dir = " << state
                          << "\npid directory = " << state << "\nncalrpc dir = " << state
                          << "/ncalrpc\nbinddns dir = " << state << "/binddns\n"
                          << "log file = " << state << "/log\nload printers = no\n"
                          << "printing = bsd\nprintcap name = /dev/null\ndisable spoolss = yes\n"
                          << "[share]\npath = " << share << "\nread only = no\n";
    if (access("/usr/sbin/smbd", X_OK) != 0) {
      refused = "no smbd (package samba)";
      return;
    }
    if (PortAnswers(port)) {
      refused = "the port chosen is taken";
      return;
    }
    Output("printf 'pass\\npass\\n' | smbpasswd -c " + config + " -s -a root");
    pid = fork();
    if (pid == 0) {
      setsid();
      execl("/usr/sbin/smbd", "smbd", "--foreground", "--no-process-group", "-s", config.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100 && !PortAnswers(port); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!PortAnswers(port)) {
      refused = "smbd did not start";
    }
  }
  ~LocalSamba() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  LocalSamba(const LocalSamba&) = delete;
  LocalSamba& operator=(const LocalSamba&) = delete;

  // Runs smbclient commands on the share, times read and written as UTC.
  std::string Client(const std::string& commands) const {
    return Output("TZ=UTC smbclient //127.0.0.1/share -p " + std::to_string(port) +
                  " -U root%pass -m SMB3 -c '" + commands + "'");
  }

  FaultFolder folder;
  std::string share, config, refused;
  int port = 0;
  pid_t pid = -1;
};

TEST(SambaServer, ShowsWhatWeWroteAndWeReadWhatItsClientsSet) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "smbd runs as root";
  }
  LocalSamba samba;
  if (!samba.refused.empty()) {
    GTEST_SKIP() << samba.refused;
  }
  const std::string ours = samba.share + "/ours.txt", theirs = samba.share + "/theirs.txt";
  WriteFile(ours, "ours");
  WriteFile(theirs, "theirs");

  FileStatus status;
  status.created = 1000000000;  // 2001-09-09 01:46:40 UTC
  status.attribute = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrArchive;
  FileSet set;
  set.operate.SetFiles({U(ours)});
  ASSERT_TRUE(set.operate.ApplyStatus(status, false));
  const std::string info = samba.Client("allinfo ours.txt");
  EXPECT_NE(info.find("attributes: RHA (23)"), std::string::npos) << info;
  EXPECT_NE(info.find("create_time:    Sun Sep  9 01:46:40 2001 UTC"), std::string::npos) << info;

  samba.Client("setmode theirs.txt +rs; utimes theirs.txt 2001:02:03-04:05:06 -1 -1 -1");
  const std::string shown = samba.Client("allinfo theirs.txt");
  unsigned attributes = 0;
  const std::size_t at = shown.find("attributes: ");
  ASSERT_NE(at, std::string::npos) << shown;
  ASSERT_EQ(std::sscanf(shown.c_str() + shown.find('(', at), "(%x)", &attributes), 1) << shown;
  ASSERT_NE(attributes & platform::kAttrReadOnly, 0u) << shown;
  set.operate.SetFiles({U(theirs)});
  const FileStatus read = set.operate.GetFileStatus(0);
  EXPECT_EQ(read.attribute, attributes & 0x27) << shown;
  EXPECT_EQ(read.created, 981173106);  // 2001-02-03 04:05:06 UTC
}

}  // namespace
}  // namespace tempinex::faults
