#pragma once
// What a face needs of any window of the layout table: its rows, its control
// models by name, the handler a control's event runs and the window's key
// handler. The main window and the About window are both one, so each face
// draws either with the same code.
#include <cstdint>
#include <string_view>
#include <vector>

#include "forms/Controls.h"
#include "forms/Keys.h"
#include "ui/Layout.h"

namespace ui {

class Form : public forms::Window {
 public:
  explicit Form(const layout::WindowLayout& layout) : layout_(layout) {}
  virtual ~Form() = default;

  const layout::WindowLayout& Layout() const { return layout_; }
  // Every control model, in the order of the table.
  virtual std::vector<forms::Control*> Controls() = 0;
  // The model of that name, or nullptr.
  forms::Control* ControlNamed(std::string_view name);
  // Whether a click or the user's change of that control runs a handler.
  virtual bool HasEvent(std::string_view control) const = 0;
  // Runs that handler; a control without one does nothing.
  virtual void RunEvent(std::string_view control) = 0;
  // The window's FormKeyDown: it sees every key first.
  virtual void KeyDown(std::uint16_t key, forms::TShiftState shift) = 0;

 private:
  const layout::WindowLayout& layout_;
};

// The part every form writes alike: its handlers come from its static
// EventHandlerOf table, its keys go to its FormKeyDown.
template <class Derived>
class FormOf : public Form {
 public:
  using Form::Form;
  bool HasEvent(std::string_view control) const override { return Derived::EventHandlerOf(control) != nullptr; }
  void RunEvent(std::string_view control) override {
    if (const auto handler = Derived::EventHandlerOf(control)) (static_cast<Derived*>(this)->*handler)();
  }
  void KeyDown(std::uint16_t key, forms::TShiftState shift) override {
    static_cast<Derived*>(this)->FormKeyDown(key, shift);
  }
};

}  // namespace ui
