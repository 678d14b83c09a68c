#include "ui/Unit1.h"

namespace ui {

TFormHelp::TFormHelp(forms::Shell& shell) : FormOf(layout::kFormHelp), shell_(shell) {
  // The stored layout.
  SetCaption(layout::kFormHelp.caption);
  SetHeight(kClientHeight);
  for (forms::Control* control : Controls()) layout::ApplyStoredTexts(layout::kFormHelp, *control);
}

void TFormHelp::ShowAbout() {
  if (!visible_) {
    visible_ = true;
    Button1.SetFocus();
  }
  ++frontRequests_;
  Notify();
}

void TFormHelp::CloseAbout() {
  if (!visible_) return;
  visible_ = false;
  Notify();
}

void TFormHelp::ClosedByUser() { CloseAbout(); }

void TFormHelp::FormKeyDown(std::uint16_t key, const forms::TShiftState&) {
  if (key == forms::VK_F1) CloseAbout();
}

void TFormHelp::Button1Click() {
  shell_.MessageBeep(forms::MB_ICONASTERISK);
  CloseAbout();
}

void TFormHelp::sWebLabel1Click() {
  shell_.MessageBeep(forms::MB_ICONASTERISK);
  shell_.ShellExecute("", kLabelUrl, forms::SW_SHOW);
}

TFormHelp::Handler TFormHelp::EventHandlerOf(std::string_view control) {
  if (control == "sWebLabel1") return &TFormHelp::sWebLabel1Click;
  if (control == "Button1") return &TFormHelp::Button1Click;
  return nullptr;
}

}  // namespace ui
