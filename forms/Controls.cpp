#include "forms/Controls.h"

#include <algorithm>


namespace forms {

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify();
}

void Control::SetFocus() {
  if (owner_) owner_->SetActiveControl(this);
}

void Label::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Notify();
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  if (!editable_) text_.clear();
  Notify();
}

void ComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  itemIndex_ = index;
  if (index >= 0) text_ = items_[static_cast<std::size_t>(index)];
  else if (!editable_) text_.clear();
  Notify();
}

std::string ComboBox::Text() const { return text_; }

void ComboBox::SetText(const std::string& text) {
  if (!editable_ || text_ == text) return;
  text_ = text;
  itemIndex_ = -1;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == text) itemIndex_ = static_cast<int>(i);
  Notify();
}

std::string Memo::Text() const {
  std::string text = lines_.Joined();
  if (openLine_) text += "\r\n";
  return text;
}

void Memo::Changed(std::size_t firstChangedLine) {
  // A change to a line that listeners have already seen starts a new revision.
  if (firstChangedLine < stable_) ++revision_;
  stable_ = lines_.size();
  Notify();
}

void Memo::Clear() {
  lines_.clear();
  openLine_ = false;
  Changed(0);
}

void Memo::SetLines(TextLines lines) {
  lines_ = std::move(lines);
  openLine_ = false;
  Changed(0);
}

void Memo::SetText(std::string&& text) { SetLines(TextLines::Split(std::move(text))); }

void Memo::Add(std::string_view line) {
  openLine_ = false;
  lines_.push_back(line);
  Changed(lines_.size() - 1);
}

void Memo::AppendToText(std::string_view text) {
  if (text.empty()) return;
  if (lines_.empty() || openLine_) {
    openLine_ = false;
    lines_.push_back(text);
  } else {
    lines_.AppendToLast(text);
  }
  Changed(lines_.size() - 1);
}

void Memo::BreakLine() {
  if (lines_.empty()) lines_.push_back({});
  openLine_ = true;
}

void Memo::UpperCase() {
  lines_.UpperCase();
  Changed(0);
}

void ProgressBar::SetMax(int max) {
  if (max_ == max) return;
  max_ = max;
  if (position_ > max_) position_ = max_;
  Notify();
}

void ProgressBar::SetPosition(int position) {
  position = std::clamp(position, min_, std::max(min_, max_));
  if (position_ == position) return;
  position_ = position;
  Notify();
}

void Window::SetCaption(const std::string& caption) {
  caption_ = caption;
  Notify();
}

void Window::SetHeight(int height) {
  height_ = height;
  Notify();
}

void Window::SetActiveControl(Control* control) {
  if (active_ == control) return;
  active_ = control;
  Notify();
}

}  // namespace forms
