#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "firmware/Firmware.h"
#include "firmware/FirmwareTexts.h"
#include "firmware/Internal.h"
#include "forms/Cp1251.h"
#include "forms/Errors.h"
#include "forms/Files.h"

namespace firmware {

namespace {

[[noreturn]] void ThrowOpenError(const std::string& path, int error) {
  throw forms::EFOpenError(std::string(texts::kCannotOpenFile) + forms::Utf8OrCp1251(path) + texts::kCannotOpenFileEnd +
                           std::strerror(error));
}

// The whole file, one byte per character.
std::string ReadWholeFile(const std::string& path) {
  std::FILE* file = forms::OpenFile(path, "rb");
  if (!file) ThrowOpenError(path, errno);
  std::string content;
  char buffer[65536];
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    content.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  bool failed = std::ferror(file) != 0;
  int error = errno;  // such as a folder chosen in place of a file
  std::fclose(file);
  if (failed) ThrowOpenError(path, error ? error : EIO);
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
  std::string content = ReadWholeFile(ctx.OpenDialog1.FileName);
  ctx.TextTerminal.SetText(content);
  ctx.TextTerminal.UpperCase();
  if (!CheckFirmwareText(ctx)) return;
  if (!BuildFirmwareImage(ctx)) return;
  detail::ShowReadyState(ctx);
  ctx.LabelNameOfHex.SetCaption(std::string(texts::kOpenedLabelPrefix) + ShownFileName(ctx.OpenDialog1.FileName) +
                                texts::kOpenedLabelMiddle + texts::kOpenedLabelSuffix);
  ctx.shell.ShowMessage(texts::kOpenedMessage);
}

}  // namespace firmware
