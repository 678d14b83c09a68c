#include "cli/Terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

constexpr int kBarWidth = 24;
constexpr const char* kStarting = "...";

std::string Bar(int percent) {
  const int filled = percent * kBarWidth / 100;
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "]";
}

std::string Padded(int percent) {
  std::string text = std::to_string(percent) + "%";
  return std::string(4 - std::min<std::size_t>(4, text.size()), ' ') + text;
}

// The terminal's width in columns (80 when it does not say).
std::size_t Columns() {
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
#else
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
  return 80;
}

// Cut to fit one row: a live line that wrapped would throw off the count of
// rows to redraw. Counts characters, not bytes (the texts are UTF-8).
std::string FitRow(const std::string& text, std::size_t columns) {
  std::size_t shown = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (++shown == columns) return text.substr(0, i);
  }
  return text;
}

}  // namespace

bool PrepareConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!_isatty(_fileno(stdout)) || !GetConsoleMode(out, &mode)) return false;
  return SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
  return ::isatty(STDOUT_FILENO) == 1;
#endif
}

Terminal::Terminal(bool live, bool json) : live_(live && !json), json_(json), text_(json ? stderr : stdout) {}

Terminal::Line& Terminal::LineOf(const std::string& port) {
  for (auto& line : lines_)
    if (line.port == port) return line;
  lines_.push_back({port, "", 0});
  return lines_.back();
}

void Terminal::Erase() {
  // Up to the first live line, and clear from there down.
  if (drawn_ > 0) std::fprintf(text_, "\x1b[%zuA\r\x1b[J", drawn_);
  drawn_ = 0;
}

void Terminal::Draw() {
  const std::size_t columns = Columns();
  for (const auto& line : lines_) {
    const std::string row = line.port + " " + Bar(line.percent) + " " + Padded(line.percent) + "  " + line.status;
    std::fprintf(text_, "%s\n", FitRow(row, columns).c_str());
  }
  drawn_ = lines_.size();
  std::fflush(text_);
}

void Terminal::Show(const std::string& port, const std::string& plain) {
  if (live_) {
    Erase();
    Draw();
  } else {
    std::fprintf(text_, "%s: %s\n", port.c_str(), plain.c_str());
    std::fflush(text_);
  }
}

void Terminal::Message(const std::string& port, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (live_) Erase();
  const std::string prefix = port.empty() ? "" : port + ": ";
  // A box's lines end in CR LF: each becomes a line of its own, prefixed.
  std::string out = prefix;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      out += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += "\n" + prefix;
  }
  std::fprintf(text_, "%s\n", out.c_str());
  if (live_) Draw();
  std::fflush(text_);
}

void Terminal::Starting(const std::string& port) { Status(port, kStarting); }

void Terminal::Status(const std::string& port, const std::string& status) {
  std::lock_guard lock(mutex_);
  Line& line = LineOf(port);
  if (line.status == status && !live_) return;
  line.status = status;
  Show(port, status);
}

void Terminal::Progress(const std::string& port, int percent) {
  std::lock_guard lock(mutex_);
  Line& line = LineOf(port);
  if (line.percent == percent) return;
  line.percent = percent;
  if (!live_) return;
  Erase();
  Draw();
}

void Terminal::Finished(const std::string& port, const std::string& outcome, bool complete) {
  std::lock_guard lock(mutex_);
  Line& line = LineOf(port);
  if (complete) line.percent = 100;
  // A procedure that ended before any phase has only its outcome to show.
  line.status = line.status == kStarting ? "[" + outcome + "]" : line.status + "  [" + outcome + "]";
  Show(port, "[" + outcome + "]");
}

void Terminal::Record(const std::string& jsonLine) {
  if (!json_) return;
  std::lock_guard lock(mutex_);
  std::fprintf(stdout, "%s\n", jsonLine.c_str());
  std::fflush(stdout);
}

void Terminal::Finish() {
  std::lock_guard lock(mutex_);
  drawn_ = 0;
}

}  // namespace cli
