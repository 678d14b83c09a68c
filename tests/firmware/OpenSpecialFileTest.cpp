// Files that are no firmware text: a named pipe, a device, a file too large.
// POSIX only (named pipes, sparse files); the build leaves it out on Windows.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/firmware/OpenHexFixture.h"

namespace firmware_test {
namespace {

TEST_F(OpenHex, OnlyARegularFileWithinTheBoundIsRead) {
  auto refused = [&](const std::string& path, const std::string& reason) {
    shell.errors.clear();
    auto start = std::chrono::steady_clock::now();
    Open(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << path;
    EXPECT_EQ(shell.errors, std::vector<std::string>{"Cannot open file \"" + path + "\". " + reason + "."});
    ExpectNothingChanged();
  };

  // A named pipe without a writer would block the open for ever; should it,
  // the watchdog writes nothing and closes, so the test fails instead of hanging.
  std::string fifo = (dir.Path() / "pipe.hex").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  });
  refused(fifo, "It is a named pipe, not a file");
  done = true;
  watchdog.join();

  refused("/dev/null", "It is a device, not a file");

  // Sparse: no disk is used, and nothing of it may be read.
  std::string huge = dir.Write("huge.hex", "");
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(firmware::kMaxHexFileBytes + 1)), 0);
  refused(huge, "File too large: a firmware HEX file has at most 335544320 bytes");
}

}  // namespace
}  // namespace firmware_test
