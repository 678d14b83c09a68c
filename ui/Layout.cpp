#include "ui/Layout.h"

#include <algorithm>

#include "forms/Controls.h"

namespace ui::layout {

const ControlLayout* Find(const WindowLayout& window, std::string_view name) {
  for (const ControlLayout& c : window.controls)
    if (name == c.name) return &c;
  return nullptr;
}

std::vector<const ControlLayout*> ChildrenOf(const WindowLayout& window, std::string_view parent) {
  std::vector<const ControlLayout*> children;
  for (const ControlLayout& c : window.controls)
    if (parent == c.parent) children.push_back(&c);
  return children;
}

std::vector<const ControlLayout*> FocusOrder(const WindowLayout& window) {
  std::vector<const ControlLayout*> order;
  for (const ControlLayout& c : window.controls)
    if (c.focusOrder >= 0) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(),
                   [](const ControlLayout* a, const ControlLayout* b) { return a->focusOrder < b->focusOrder; });
  return order;
}

Rect ScaleToDpi(const Rect& r, int dpi) {
  const int left = ScaleToDpi(r.left, dpi);
  const int top = ScaleToDpi(r.top, dpi);
  return {left, top, ScaleToDpi(r.left + r.width, dpi) - left, ScaleToDpi(r.top + r.height, dpi) - top};
}

Rect PlaceInWindow(const WindowLayout& window, const ControlLayout& control) {
  Rect place{control.left, control.top, control.width, control.height};
  for (const ControlLayout* p = Find(window, control.parent); p; p = Find(window, p->parent)) {
    place.left += p->left;
    place.top += p->top;
  }
  return place;
}

void ApplyStoredTexts(const WindowLayout& window, forms::Control& control) {
  const ControlLayout* stored = Find(window, control.Name());
  if (!stored) return;
  control.Hint = stored->hint;
  if (auto* label = dynamic_cast<forms::Label*>(&control)) label->SetCaption(stored->caption);
  if (auto* button = dynamic_cast<forms::Button*>(&control)) button->Caption = stored->caption;
}

}  // namespace ui::layout
