#include "ui/Form.h"

namespace ui {

forms::Control* Form::ControlNamed(std::string_view name) {
  for (forms::Control* c : Controls())
    if (c->Name() == name) return c;
  return nullptr;
}

}  // namespace ui
