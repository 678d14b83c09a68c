#include "ui/Shown.h"

namespace ui {

namespace {

template <class T>
void Differ(bool all, T& shown, const T& now, std::optional<T>& change) {
  if (!all && shown == now) return;
  shown = now;
  change = now;
}

}  // namespace

ShownChanges Shown::Take(const forms::Control& model) {
  ShownChanges changes;
  Differ(first_, enabled_, model.Enabled(), changes.enabled);
  Differ(first_, hint_, model.Hint, changes.hint);
  if (const auto* label = dynamic_cast<const forms::Label*>(&model)) {
    Differ(first_, text_, label->Caption(), changes.text);
  } else if (const auto* button = dynamic_cast<const forms::Button*>(&model)) {
    Differ(first_, text_, button->Caption, changes.text);
  } else if (const auto* list = dynamic_cast<const forms::ComboBox*>(&model)) {
    const bool refilled = first_ || items_ != list->Items();
    if (refilled) {
      items_ = list->Items();
      changes.items = &list->Items();
    }
    if (list->Editable()) Differ(refilled, text_, list->Text(), changes.text);
    else Differ(refilled, itemIndex_, list->ItemIndex(), changes.itemIndex);
  } else if (const auto* bar = dynamic_cast<const forms::ProgressBar*>(&model)) {
    Differ(first_, range_, std::pair{bar->Min(), bar->Max()}, changes.range);
    Differ(first_, position_, bar->Position(), changes.position);
  }
  first_ = false;
  return changes;
}

bool Shown::Chose(forms::ComboBox& list, int index) {
  itemIndex_ = index;
  if (index == list.ItemIndex()) return false;
  list.SetItemIndex(index);
  return true;
}

bool Shown::Edited(forms::ComboBox& list, const std::string& text) {
  text_ = text;
  if (text == list.Text()) return false;
  list.SetText(text);
  return true;
}

}  // namespace ui
