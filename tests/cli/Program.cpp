#include "tests/cli/Program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/protocol/Rig.h"

namespace cli_tests {

Program::Program(const std::string& runtimeDir, const std::vector<std::string>& args) {
  static int runs = 0;
  outputPath_ = runtimeDir + "/output-" + std::to_string(++runs) + ".txt";
  pid_ = ::fork();
  if (pid_ == 0) {
    const int out = ::open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    ::setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(ZOR5_FLASH_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(ZOR5_FLASH_PATH, argv.data());
    ::_exit(127);
  }
}

Program::~Program() {
  if (status_ == -1 && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

int Program::Wait(int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      status_ = 0;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  status_ = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Program::Signal(int signal) const { ::kill(pid_, signal); }

std::string Program::Output() const {
  std::ifstream in(outputPath_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

RuntimeDir::RuntimeDir() {
  char name[] = "/tmp/zor5-flash-test-XXXXXX";
  path_ = ::mkdtemp(name);
}

RuntimeDir::~RuntimeDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

devsim::Options SmallDevice(const RuntimeDir& dir, const std::string& name, unsigned blocks) {
  devsim::Options o;
  o.blockCount = blocks;
  o.flashStart = devsim::FlashStart::Erased;
  o.description = "210824";  // an older version: the write goes ahead
  o.linkName = name;
  o.linkFolder = dir.PortsFolder();
  return o;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int WholeBlocksWritten(const std::vector<std::uint8_t>& flash, unsigned blockBytes) {
  const auto image = protocol_tests::ImageBytes(protocol_tests::CarriedImage(), flash.size());
  std::size_t same = 0;
  while (same < flash.size() && flash[same] == image[same]) ++same;
  // An erased byte of the image may match the erased flash: count whole blocks only.
  const std::size_t blocks = same / blockBytes;
  for (std::size_t i = blocks * blockBytes; i < flash.size(); ++i)
    if (flash[i] != 0xFF) return -1;
  return static_cast<int>(blocks);
}

}  // namespace cli_tests
