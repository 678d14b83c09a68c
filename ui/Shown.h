#pragma once
// What a control's widget shows of its model. A face keeps one beside each
// widget: a change of the model gives only what differs from what the widget
// shows, so no face reads its widgets back or sets what is already there, and
// a user's change that the model takes is not set back into the widget.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "forms/Controls.h"

namespace ui {

struct ShownChanges {
  std::optional<bool> enabled;
  std::optional<std::string> hint;
  // A label's or a button's caption, an editable list's text.
  std::optional<std::string> text;
  const std::vector<std::string>* items = nullptr;  // a list's items, when they changed
  std::optional<int> itemIndex;
  std::optional<std::pair<int, int>> range;  // a progress bar's minimum and maximum
  std::optional<int> position;
};

class Shown {
 public:
  // What the widget must be given to show its model; afterwards it counts as
  // shown. The first call gives everything. New items are shown with the
  // selection and text anew (a list that is refilled forgets both).
  ShownChanges Take(const forms::Control& model);
  // The user chose a list's item, or edited an editable list's text, and the
  // widget shows it: the model takes it. True when that changed the model.
  bool Chose(forms::ComboBox& list, int index);
  bool Edited(forms::ComboBox& list, const std::string& text);

 private:
  bool first_ = true;
  bool enabled_ = true;
  std::string hint_;
  std::string text_;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::pair<int, int> range_;
  int position_ = 0;
};

}  // namespace ui
