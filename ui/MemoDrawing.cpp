#include "ui/MemoDrawing.h"

#include <utility>

namespace ui {

bool MemoDrawing::Changed(bool focused) {
  if (typing_) {
    Seen();
    return false;
  }
  dirty_ = true;
  if (!focused || soon_) return false;
  soon_ = true;
  return true;
}

std::optional<MemoDrawing::Update> MemoDrawing::Take() {
  if (!dirty_) return std::nullopt;
  dirty_ = false;
  const std::size_t count = memo_.Lines().size();
  Update update;
  if (!drawn_ || memo_.Revision() != revision_ || count < lines_) {
    update.whole = true;
  } else if (count > lines_) {
    // Same revision: lines were only added at the end.
    update.first = lines_;
    update.afterLines = lines_ > 0;
  } else {
    Seen();
    return std::nullopt;
  }
  Seen();
  return update;
}

std::string MemoDrawing::Text(const Update& update, std::string_view lineBreak) const {
  const auto& lines = memo_.Lines();
  std::string text;
  for (std::size_t i = update.first; i < lines.size(); ++i) {
    if (i > update.first) text += lineBreak;
    text += lines[i];
  }
  return text;
}

void MemoDrawing::Typed(std::string text) {
  typing_ = true;
  memo_.SetText(std::move(text));
  typing_ = false;
  dirty_ = false;
  Seen();
}

void MemoDrawing::Seen() {
  drawn_ = true;
  revision_ = memo_.Revision();
  lines_ = memo_.Lines().size();
}

}  // namespace ui
