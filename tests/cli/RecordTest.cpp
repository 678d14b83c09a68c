// The record a bench keeps: whole lines even when two programs append to one
// log, and the image named by a SHA-256 that others can recompute.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "cli/LogFile.h"
#include "cli/Sha256.h"
#include "tests/cli/Program.h"

namespace cli_tests {
namespace {

TEST(Record, TwoProgramsAppendingToOneLogNeverMixTheirLines) {
  RuntimeDir dir;
  const std::string path = dir.File("shared.jsonl");
  constexpr int kLines = 200;
  std::vector<pid_t> writers;
  for (char fill : {'a', 'b'}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      cli::LogFile log(path);
      // Lines longer than a pipe's atomic write, so only the lock keeps them whole.
      for (int i = 0; i < kLines; ++i)
        log.Append(nlohmann::json{{"writer", std::string(1, fill)}, {"i", i}, {"pad", std::string(9000, fill)}}.dump());
      ::_exit(0);
    }
    writers.push_back(pid);
  }
  for (pid_t pid : writers) ::waitpid(pid, nullptr, 0);

  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), 2u * kLines);
  for (const auto& line : lines) {
    const auto record = nlohmann::json::parse(line);  // a torn line does not parse
    const std::string fill = record["writer"];
    EXPECT_EQ(record["pad"], std::string(9000, fill[0]));
  }
}

TEST(Record, ImageDigestIsTheStandardSha256) {
  EXPECT_EQ(cli::Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(cli::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first padding block.
  EXPECT_EQ(cli::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(cli::Sha256Hex(std::string(1'000'000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace cli_tests
