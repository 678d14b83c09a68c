// What only a POSIX file system has: named pipes, devices and sparse files that
// are no firmware text, and file names that are any bytes but "/" (a backslash,
// a name in Windows-1251). The build leaves it out on Windows.
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

TEST_F(OpenHex, TheLabelShowsTheFileNameReadableAndWhole) {
  const std::string record = Record(0, 0, {0x11}) + "\n";
  for (auto [name, shown] : {std::pair<std::string, std::string>{"fw\\v2.hex", "fw\\v2.hex"},
                             {"прошивка.hex", "прошивка.hex"},
                             {"\xEF\xF0\xEE\xF8\xE8\xE2\xEA\xE0.hex", "прошивка.hex"}}) {
    Open(dir.Write("folder/" + name, record));
    EXPECT_EQ(label.Caption(), "Мікропрограма : " + shown + " - відкрита. Запишіть в прилад");
  }
  const std::string missing = (dir.Path() / "\xEF\xF0\xEE.hex").string();
  Open(missing);
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_EQ(shell.errors[0], "Cannot open file \"" + dir.Path().string() + "/про.hex\". No such file or directory.");
}

}  // namespace
}  // namespace firmware_test
