#pragma once
// When a memo's widget is brought up to date with its model, and with what.
// The memos lie outside the window, so a change is drawn when the widget is
// looked at (focused, painted, a key about to type into it) or asked for, not
// at once: start-up rewrites the firmware's 4080 lines twice. A focused one is
// drawn soon after a change, in one go for the lines added meanwhile.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "forms/Controls.h"

namespace ui {

class MemoDrawing {
 public:
  static constexpr int kFocusedDrawDelayMs = 250;

  explicit MemoDrawing(forms::Memo& memo) : memo_(memo) {}

  // The model changed. True: the face draws it in kFocusedDrawDelayMs (it has
  // the focus and no draw is due yet); then it calls DrawnSoon and draws.
  bool Changed(bool focused);
  void DrawnSoon() { soon_ = false; }
  bool Dirty() const { return dirty_; }

  // What brings the widget up to date: every line anew, or the lines from
  // `first` on appended (`afterLines`: the widget already holds lines). Empty
  // when nothing is to be drawn. The widget is taken to show it afterwards.
  struct Update {
    bool whole = false;
    std::size_t first = 0;
    bool afterLines = false;
  };
  std::optional<Update> Take();
  // The update's lines, one `lineBreak` between each two.
  std::string Text(const Update& update, std::string_view lineBreak) const;

  // What the user typed lands in the model too, unseen as it is; the widget
  // already shows it.
  void Typed(std::string text);

 private:
  void Seen();

  forms::Memo& memo_;
  bool dirty_ = true;
  bool soon_ = false;
  bool drawn_ = false;
  bool typing_ = false;
  std::uint64_t revision_ = 0;
  std::size_t lines_ = 0;
};

}  // namespace ui
