#include "ui/Unit1.h"

namespace ui {

TFormHelp::TFormHelp(forms::Shell& shell) : shell_(shell) {
  // The stored layout.
  SetCaption(layout::kFormHelp.caption);
  SetHeight(kClientHeight);
  layout::ApplyStoredTexts(layout::kFormHelp, sWebLabel1);
  layout::ApplyStoredTexts(layout::kFormHelp, Button1);
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

}  // namespace ui
