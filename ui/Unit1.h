#pragma once
// The About window as a plain object.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Controls.h"
#include "forms/Keys.h"
#include "forms/Shell.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "ui/Unit1Texts.h"

namespace ui {

class TFormHelp : public FormOf<TFormHelp> {
 public:
  explicit TFormHelp(forms::Shell& shell);

  static constexpr int kClientWidth = layout::kFormHelp.clientWidth;
  static constexpr int kClientHeight = layout::kFormHelp.clientHeight;
  static constexpr int kLeft = layout::kFormHelp.left;
  static constexpr int kTop = layout::kFormHelp.top;

  // The maker's two sites: the label's and the main window's site button's.
  static constexpr const char* kLabelHost = texts::kLabelHost;
  static constexpr const char* kLabelUrl = texts::kLabelUrl;
  static constexpr const char* kSiteUrl = texts::kSiteUrl;

  bool Visible() const { return visible_; }
  // Shows it (not modal), to the front, with the focus; when shown, only to the front.
  void ShowAbout();
  // Hides it; it keeps its place and contents.
  void CloseAbout();
  // The binding reports the close box or Alt+F4.
  void ClosedByUser();
  // Counts the requests to come to the front (the binding raises the window).
  std::uint64_t FrontRequests() const { return frontRequests_; }

  void FormKeyDown(std::uint16_t key, const forms::TShiftState& shift);
  void Button1Click();
  void sWebLabel1Click();

  // The same tables as the main window's: a control's handler, every control.
  using Handler = void (TFormHelp::*)();
  static Handler EventHandlerOf(std::string_view control);
  std::vector<forms::Control*> Controls() override { return {&Image_Emblem, &sWebLabel1, &Button1}; }

  forms::Control Image_Emblem{this, "Image_Emblem"};
  forms::Label sWebLabel1{this, "sWebLabel1"};
  forms::Button Button1{this, "Button1"};

 private:
  forms::Shell& shell_;
  bool visible_ = false;
  std::uint64_t frontRequests_ = 0;
};

}  // namespace ui
