#pragma once
// The uploader's side of the wire, as small as the tests need: a raw pty client.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace devsim_test {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// "r" + body + checksum + ";", the checksum being the plain sum of the pairs.
inline std::string Frame(const std::string& body) {
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < body.size(); i += 2) sum += std::stoul(body.substr(i, 2), nullptr, 16);
  char cs[3];
  std::snprintf(cs, sizeof cs, "%02X", sum & 0xFF);
  return "r" + body + cs + ";";
}

inline std::string Hex(unsigned value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", digits, value);
  return buf;
}

class Client {
 public:
  explicit Client(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios t;
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~Client() { Close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  void Send(const std::string& text) {
    ASSERT_EQ(write(fd_, text.data(), text.size()), ssize_t(text.size()));
  }

  // Reads until `replies` ';' have come or the time is up.
  std::string Read(int replies = 1, std::chrono::milliseconds limit = 2000ms) {
    std::string got;
    const auto end = Clock::now() + limit;
    int seen = 0;
    while (seen < replies) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, int(left)) <= 0) continue;
      if (p.revents & POLLHUP) {
        hungUp_ = true;
        break;
      }
      char buf[1024];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) continue;
      for (ssize_t i = 0; i < n; ++i) seen += buf[i] == ';';
      got.append(buf, size_t(n));
    }
    return got;
  }

  // Everything that arrives within `period` (to show that nothing does).
  std::string ReadFor(std::chrono::milliseconds period) { return Read(1 << 30, period); }

  std::string Exchange(const std::string& command, std::chrono::milliseconds limit = 2000ms) {
    Send(command);
    return Read(1, limit);
  }

  bool HungUp() {
    pollfd p{fd_, POLLIN, 0};
    poll(&p, 1, 0);
    return hungUp_ || (p.revents & POLLHUP);
  }

 private:
  int fd_ = -1;
  bool hungUp_ = false;
};

// Every test process publishes into a folder of its own.
class RuntimeDirEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/devsim-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

}  // namespace devsim_test
