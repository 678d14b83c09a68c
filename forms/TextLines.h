#pragma once
// Lines of text held in one buffer: a firmware file of twenty million lines
// costs its characters and one offset per line, not a string per line.
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

class TextLines {
 public:
  TextLines() = default;
  TextLines(std::initializer_list<std::string_view> lines);
  TextLines(const std::vector<std::string>& lines);  // NOLINT: lines are lines

  // Split at CR LF, lone CR or lone LF; a line end at the very end adds no
  // empty line. The text's buffer is taken over and the lines closed up in it.
  static TextLines Split(std::string text);

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  // A view valid until the lines change.
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(chars_).substr(begin, ends_[i] - begin);
  }
  std::string_view at(std::size_t i) const;  // throws std::out_of_range past the end
  std::string_view back() const { return (*this)[size() - 1]; }

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using reference = std::string_view;
    using pointer = void;
    const_iterator() = default;
    const_iterator(const TextLines* lines, std::size_t i) : lines_(lines), i_(i) {}
    std::string_view operator*() const { return (*lines_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    const_iterator operator++(int) {
      auto old = *this;
      ++i_;
      return old;
    }
    bool operator==(const const_iterator& other) const { return i_ == other.i_; }

   private:
    const TextLines* lines_ = nullptr;
    std::size_t i_ = 0;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  bool operator==(const TextLines& other) const { return ends_ == other.ends_ && chars_ == other.chars_; }
  bool operator==(const std::vector<std::string>& lines) const;

  void clear();
  void push_back(std::string_view line);
  // Appends to the last line, which must exist.
  void AppendToLast(std::string_view text);
  // a to z become A to Z, in every line.
  void UpperCase();
  // The lines joined with CR LF.
  std::string Joined() const;

 private:
  std::string chars_;               // every line's characters, one line after another
  std::vector<std::size_t> ends_;  // where each line ends in chars_
};

// Every CR LF, lone CR and lone LF of `text` as `lineBreak`: each window
// system breaks lines at its own.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);

}  // namespace forms
