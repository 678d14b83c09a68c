#include "forms/TextLines.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "forms/Ascii.h"
#include "os/LargePages.h"

namespace forms {

TextLines::TextLines(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) push_back(line);
}

TextLines::TextLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) push_back(line);
}

TextLines TextLines::Split(std::string text) {
  TextLines lines;
  // Counted first: twenty million pushes would move the offsets some twenty-five times.
  lines.ends_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  os::PreferLargePages(lines.ends_.data(), lines.ends_.capacity() * sizeof(std::size_t));
  const std::size_t size = text.size();
  char* data = text.data();
  std::size_t read = 0, write = 0;
  auto findLf = [&](std::size_t from) {
    const void* found = std::memchr(data + from, '\n', size - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
  };
  std::size_t nextLf = findLf(0);  // the next LF at or after `read`: found once, not per lone CR
  while (read < size) {
    if (nextLf < read) nextLf = findLf(read);
    std::size_t end = nextLf;
    // A lone CR also ends a line: looked for only up to the LF.
    if (const void* cr = std::memchr(data + read, '\r', end - read))
      end = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
    if (write != read) std::memmove(data + write, data + read, end - read);
    write += end - read;
    lines.ends_.push_back(write);
    if (end == size) break;
    read = end + (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n' ? 2 : 1);
  }
  text.resize(write);
  lines.chars_ = std::move(text);
  return lines;
}

std::string_view TextLines::at(std::size_t i) const {
  if (i >= size()) throw std::out_of_range("TextLines::at");
  return (*this)[i];
}

bool TextLines::operator==(const std::vector<std::string>& lines) const {
  return lines.size() == size() && std::equal(lines.begin(), lines.end(), begin());
}

void TextLines::clear() {
  chars_.clear();
  ends_.clear();
}

void TextLines::push_back(std::string_view line) {
  chars_ += line;
  ends_.push_back(chars_.size());
}

void TextLines::AppendToLast(std::string_view text) {
  chars_ += text;
  ends_.back() = chars_.size();
}

void TextLines::UpperCase() {
  for (char& c : chars_) c = UpperAscii(c);
}

std::string TextLines::Joined() const {
  std::string text;
  text.reserve(chars_.size() + 2 * size());
  for (std::size_t i = 0; i < size(); ++i) {
    if (i) text += "\r\n";
    text += (*this)[i];
  }
  return text;
}

std::string WithLineBreaks(std::string_view text, std::string_view lineBreak) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      out += text[i];
      continue;
    }
    out += lineBreak;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

}  // namespace forms
