#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#ifdef _WIN32
#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/UniqueFd.h"
#endif

#include "firmware/Firmware.h"
#include "firmware/FirmwareTexts.h"
#include "firmware/Internal.h"
#include "forms/Cp1251.h"
#include "forms/Errors.h"
#include "os/Files.h"
#include "os/LargePages.h"

namespace firmware {

namespace {

[[noreturn]] void ThrowOpenError(const std::string& path, int error) {
  throw forms::EFOpenError(std::string(texts::kCannotOpenFile) + forms::Utf8OrCp1251(path) + texts::kCannotOpenFileEnd +
                           std::strerror(error));
}

[[noreturn]] void ThrowOpenError(const std::string& path, const std::string& reason) {
  throw forms::EFOpenError(std::string(texts::kCannotOpenFile) + path + texts::kCannotOpenFileEnd + reason);
}

std::string TooLargeReason() {
  return std::string(std::strerror(EFBIG)) + ": a firmware HEX file has at most " + std::to_string(kMaxHexFileBytes) +
         " bytes";
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// Only a regular file is read, and only up to the bound: a pipe or a device
// would block the window or never end. Returns the file open for reading and
// the size it had.
std::pair<OwnedFile, std::uint64_t> OpenRegularFile(const std::string& path) {
#ifdef _WIN32
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path name(std::u8string(path.begin(), path.end()));  // the path is UTF-8
  const auto status = fs::status(name, ec);
  if (!ec && fs::exists(status) && !fs::is_regular_file(status))
    ThrowOpenError(path, fs::is_directory(status) ? std::strerror(EISDIR) : "It is a device, not a file");
  std::uint64_t expected = ec ? 0 : fs::file_size(name, ec);
  if (ec) expected = 0;
  if (expected > kMaxHexFileBytes) ThrowOpenError(path, TooLargeReason());
  OwnedFile file(os::OpenFile(path, "rb"));
  if (!file) ThrowOpenError(path, errno);
  return {std::move(file), expected};
#else
  // Non-blocking, so that opening a named pipe without a writer returns at once.
  os::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.Valid()) ThrowOpenError(path, errno);
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) ThrowOpenError(path, errno);
  if (!S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) ThrowOpenError(path, EISDIR);
    ThrowOpenError(path, S_ISFIFO(info.st_mode)   ? "It is a named pipe, not a file"
                         : S_ISSOCK(info.st_mode) ? "It is a socket, not a file"
                                                  : "It is a device, not a file");
  }
  const auto expected = static_cast<std::uint64_t>(info.st_size);
  if (expected > kMaxHexFileBytes) ThrowOpenError(path, TooLargeReason());
  OwnedFile file(::fdopen(fd.Get(), "rb"));
  if (!file) ThrowOpenError(path, errno);
  fd.Release();  // the stream owns it now
  return {std::move(file), expected};
#endif
}

// The whole file, one byte per character, read straight into the text's buffer.
std::string ReadWholeFile(const std::string& path) {
  auto [file, expected] = OpenRegularFile(path);
  std::string content;
  // One byte over the size seen, so that a file still growing is noticed.
  content.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(expected, kMaxHexFileBytes) + 1));
  os::PreferLargePages(content.data(), content.capacity());
  content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(expected, kMaxHexFileBytes) + 1));
  std::size_t size = 0;
  for (;;) {
    if (size == content.size()) {
      if (size > kMaxHexFileBytes) ThrowOpenError(path, TooLargeReason());
      content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * size, kMaxHexFileBytes + 1)));
    }
    const std::size_t wanted = content.size() - size;
    const std::size_t got = std::fread(content.data() + size, 1, wanted, file.get());
    size += got;
    if (got < wanted) break;
  }
  if (size > kMaxHexFileBytes) ThrowOpenError(path, TooLargeReason());
  if (std::ferror(file.get())) ThrowOpenError(path, errno ? errno : EIO);
  content.resize(size);
  return content;
}

}  // namespace

std::string ShownFileName(const std::string& path) {
#ifdef _WIN32
  const char* separators = "\\/:";
#else
  const char* separators = "/";  // a backslash is a letter of a Linux file name
#endif
  auto cut = path.find_last_of(separators);
  return forms::Utf8OrCp1251(cut == std::string::npos ? path : path.substr(cut + 1));
}

void ButtonOpenHexClick(FirmwareContext& ctx) {
  ctx.OpenDialog1.Filter = texts::kOpenFilter;
  auto chosen = ctx.shell.OpenFileDialog(ctx.OpenDialog1.Filter);
  if (!chosen) return;
  ctx.OpenDialog1.FileName = *chosen;
  // Read before touching the memo: a file that cannot be read changes nothing.
  ctx.TextTerminal.SetText(ReadWholeFile(ctx.OpenDialog1.FileName));
  ctx.TextTerminal.UpperCase();
  if (!CheckFirmwareText(ctx)) return;
  if (!BuildFirmwareImage(ctx)) return;
  detail::ShowReadyState(ctx);
  ctx.LabelNameOfHex.SetCaption(std::string(texts::kOpenedLabelPrefix) + ShownFileName(ctx.OpenDialog1.FileName) +
                                texts::kOpenedLabelMiddle + texts::kOpenedLabelSuffix);
  ctx.shell.ShowMessage(texts::kOpenedMessage);
}

}  // namespace firmware
