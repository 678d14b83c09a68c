#pragma once
// A window drawn from its form's layout table and bound to the form's models:
// one native control per table row (panels and pictures are painted), each
// bound to the model of the same name; clicks and the user's changes run the
// form's handlers, and its key handler sees every key first. Both windows are one.
#include <windows.h>

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/Form.h"
#include "ui/Palette.h"
#include "ui/win32/CustomWindow.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Gdi.h"
#include "ui/win32/Win32Shell.h"

namespace uiwin32 {

class GaugeView;

class FormView : public CustomWindow {
 public:
  FormView(ui::Form& form, Win32Shell& shell, const Dpi& dpi);
  ~FormView() override;

  // The native window that draws a control of the table (nullptr: painted, or none).
  HWND HwndOf(std::string_view name) const;
  // The control's place in the window's client area, scaled.
  Box BoxOf(std::string_view name) const;
  GaugeView* GaugeOf(std::string_view name) const;
  // Brings the text boxes up to date with their models now (they are otherwise
  // drawn when looked at: they lie outside the window).
  void DrawMemos();
  // The outer size for a client size of the window's style.
  SIZE OuterSize(int clientWidth, int clientHeight) const;

 protected:
  struct ControlView;

  // The window's own model changed (caption, focus).
  virtual void SyncWindow();
  // Creates the window (hidden) and its controls.
  void Build(HWND owner);
  void SetPalette(const ui::Palette& palette);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;
  // Gives the focus back to the control that had it, or to the model's active
  // control, or to the first of the focus order.
  void RestoreFocus();

  const ui::layout::WindowLayout& layout_;
  ui::Form& model_;
  Win32Shell& shell_;
  Dpi dpi_;
  ui::Palette palette_;

 private:
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref);
  LRESULT OnControlMessage(ControlView& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Create(ControlView& c);
  void Bind(ControlView& c);
  void Event(std::string_view name);
  void SyncControl(ControlView& c);
  void DrawMemo(ControlView& c);
  void ShowTip(ControlView& c, const std::string& hint);
  void OnCommand(ControlView& c, int code);
  LRESULT OnColor(HDC dc, HWND control, UINT msg);
  // The view of a native window, a model or a name; nullptr when none is.
  template <class Key>
  ControlView* ViewOf(const Key& key) const;
  ControlView& ViewOf(const ui::layout::ControlLayout* row) { return *controls_[row - layout_.controls.data()]; }
  HFONT FontFor(const ui::layout::ControlLayout& c);
  HBRUSH Brush(COLORREF color);
  COLORREF BackgroundOf(const ControlView& c) const;

  std::vector<std::unique_ptr<ControlView>> controls_;
  std::map<int, GdiObject<HFONT>> fonts_;
  std::map<COLORREF, GdiObject<HBRUSH>> brushes_;
  HWND tooltip_ = nullptr;
  HWND savedFocus_ = nullptr;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace uiwin32
