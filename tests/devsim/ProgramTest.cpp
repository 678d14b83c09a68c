// The devsim program itself, run as a child process.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "tests/devsim/Client.h"

namespace devsim_test {
namespace {

struct Child {
  pid_t pid = -1;
  int out = -1;  // its stdout

  explicit Child(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    args.insert(args.begin(), DEVSIM_PATH);
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 1);
      dup2(fds[1], 2);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    out = fds[0];
  }
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (out >= 0) close(out);
  }

  // One line of its output, or "" after `limit`.
  std::string Line(std::chrono::milliseconds limit = 5000ms) {
    const auto end = Clock::now() + limit;
    while (buffer.find('\n') == std::string::npos && Clock::now() < end) {
      pollfd p{out, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buf[512];
      const ssize_t n = read(out, buf, sizeof buf);
      if (n <= 0) break;
      buffer.append(buf, size_t(n));
    }
    const size_t nl = buffer.find('\n');
    if (nl == std::string::npos) return "";
    std::string line = buffer.substr(0, nl);
    buffer.erase(0, nl + 1);
    return line;
  }

  // The exit status, or -1 if it has not ended within `limit`.
  int Wait(std::chrono::milliseconds limit = 5000ms) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

  std::string buffer;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DevsimProgram, WritesTranscriptAndFlashOnSigterm) {
  const std::string dir = std::getenv("XDG_RUNTIME_DIR");
  const std::string transcript = dir + "/wire.txt", flash = dir + "/flash.bin";
  Child child({"--baud", "115200", "--transcript", transcript, "--flash", flash});
  const std::string first = child.Line();
  const std::string name = first.substr(0, first.find(' '));
  ASSERT_EQ(name.rfind("devsim", 0), 0u) << first;
  const std::string link = dir + "/ostra-ports/" + name;

  {
    Client c(link);
    c.Send("rrrrr");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(c.Exchange("r0202;").substr(0, 5), "r8202");
    EXPECT_EQ(c.Exchange(Frame("04000000")), "r8484;");
    EXPECT_EQ(c.Exchange(Frame("0501" + std::string(128, '0'))), "r8585;");
    EXPECT_EQ(c.Exchange("r0606;"), "r8686;");
  }
  ASSERT_EQ(kill(child.pid, SIGTERM), 0);
  const std::string summary = child.Line();
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_NE(summary.find("4 commands, 0 bad frames, 64 bytes programmed"), std::string::npos) << summary;

  const std::string bytes = Slurp(flash);
  ASSERT_EQ(bytes.size(), 192u * 640u);
  EXPECT_EQ(bytes.substr(0, 64), std::string(64, '\0'));
  EXPECT_EQ(bytes.substr(64, 576), std::string(576, '\xFF')) << "the rest of the erased block";
  EXPECT_EQ(bytes.substr(0xF980, 10), std::string("\x55\xAA\xAA\x55" "210824"));

  const std::string wire = Slurp(transcript);
  EXPECT_NE(wire.find(" in    r0202;\n"), std::string::npos) << wire;
  EXPECT_NE(wire.find(" out   r820201040A4000C0;\n"), std::string::npos) << wire;
  EXPECT_NE(wire.find(" out   r8686;\n"), std::string::npos) << wire;
  struct stat st;
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "link left behind";
}

TEST(DevsimProgram, ExitsAfterAHangUpWithItsFiles) {
  const std::string dir = std::getenv("XDG_RUNTIME_DIR");
  const std::string transcript = dir + "/hangup.txt";
  Child child({"--hang-up-after", "1", "--link-name", "hangup", "--transcript", transcript, "--erased"});
  ASSERT_EQ(child.Line().rfind("hangup", 0), 0u);
  Client c(dir + "/ostra-ports/hangup");
  EXPECT_EQ(c.Exchange("r0303;"), "r8300;");
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_NE(Slurp(transcript).find("hung up"), std::string::npos);
}

TEST(DevsimProgram, BadOptionsAndFilesAreRefusedWithAMessage) {
  for (std::vector<std::string> bad : {std::vector<std::string>{"--frobnicate"}, {"--drop", "2"}, {"--baud", "fast"},
                                       {"--geometry", "10,64"}, {"--seed"}}) {
    Child c(bad);
    const std::string message = c.Line();
    EXPECT_EQ(c.Wait(), 2) << bad[0];
    EXPECT_EQ(message.rfind("devsim: ", 0), 0u) << message;
  }
  Child missing({"--hex", "/nonexistent/file.hex", "--no-publish"});
  EXPECT_NE(missing.Line().find("cannot open HEX file"), std::string::npos);
  EXPECT_EQ(missing.Wait(), 1);
}

}  // namespace
}  // namespace devsim_test
