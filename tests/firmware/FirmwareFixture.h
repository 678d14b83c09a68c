#pragma once
// The controls the firmware handlers touch, wired to a scripted shell.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/Firmware.h"
#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "tests/support/ScriptedShell.h"

namespace firmware_test {

struct FirmwareFixture : ::testing::Test {
  testing_support::ScriptedShell shell;
  forms::TGauge gauge{nullptr, "ProgressbarReadWrite"};
  forms::Memo terminal{nullptr, "TextTerminal"};
  forms::Label label{nullptr, "LabelNameOfHex"};
  forms::Control write{nullptr, "ButtonWrite"};
  std::string image;
  firmware::TOpenDialog dialog;
  firmware::FirmwareContext ctx{.shell = shell, .ProgressbarReadWrite = gauge, .TextTerminal = terminal,
                                .LabelNameOfHex = label, .ButtonWrite = write, .FirmwareImage = image,
                                .OpenDialog1 = dialog};
};

// A record with its checksum worked out here, digits upper-case.
inline std::string Record(unsigned type, unsigned address, const std::vector<unsigned>& bytes) {
  auto hex2 = [](unsigned v) {
    static const char d[] = "0123456789ABCDEF";
    return std::string{d[(v >> 4) & 15], d[v & 15]};
  };
  unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF) + type;
  std::string line = ":" + hex2(static_cast<unsigned>(bytes.size())) + hex2(address >> 8) + hex2(address & 0xFF) + hex2(type);
  for (unsigned b : bytes) {
    line += hex2(b);
    sum += b;
  }
  return line + hex2((0x100 - (sum & 0xFF)) & 0xFF);
}

inline std::string LinearBase(unsigned value) { return Record(4, 0, {value >> 8, value & 0xFF}); }

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("firmware-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Write(const std::string& relative, const std::string& content) const {
    auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file.string();
  }
  std::filesystem::path Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace firmware_test
