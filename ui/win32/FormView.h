#pragma once
// A window drawn from its layout table and bound to its window model: one native
// control per table row (panels and pictures are painted), each control bound to
// the model of the same name. The two windows derive from it.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Controls.h"
#include "ui/Layout.h"
#include "ui/win32/CustomWindow.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Look.h"
#include "ui/win32/Win32Shell.h"

namespace uiwin32 {

class GaugeView;
class Picture;
class PictureButton;

class FormView : public CustomWindow {
 public:
  FormView(const ui::layout::WindowLayout& layout, forms::Window& model, Win32Shell& shell, const Dpi& dpi);
  ~FormView() override;

  const Dpi& dpi() const { return dpi_; }
  // The native window that draws a control of the table (nullptr: painted, or none).
  HWND HwndOf(std::string_view name) const;
  // The control's place in the window's client area, scaled.
  Box BoxOf(std::string_view name) const;
  GaugeView* GaugeOf(std::string_view name) const;
  // Brings the text boxes up to date with their models now (they are otherwise
  // drawn when focused: they lie outside the window).
  void DrawMemos();
  // The outer size for a client size of the window's style.
  SIZE OuterSize(int clientWidth, int clientHeight) const;

 protected:
  struct ControlView;

  // The model that a table row binds to (nullptr: drawn only).
  virtual forms::Control* ModelFor(std::string_view name) = 0;
  // A click, or a change the user made (the model already has the new value).
  virtual void UserEvent(std::string_view name) = 0;
  // The window's own model changed (caption, height, focus).
  virtual void SyncWindow();

  // Creates the window (hidden) and its controls.
  void Build(HWND owner);
  void ApplyLook(const Look& look);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Gives the focus back to the control that had it, or to the model's active
  // control, or to the first of the focus order.
  void RestoreFocus();

  const ui::layout::WindowLayout& layout_;
  forms::Window& model_;
  Win32Shell& shell_;
  Dpi dpi_;
  Look look_;

 private:
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref);
  LRESULT OnControlMessage(ControlView& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Create(ControlView& c);
  void Bind(ControlView& c);
  void SyncControl(ControlView& c);
  void SyncList(ControlView& c);
  void SyncMemo(ControlView& c, bool now);
  void AddTool(ControlView& c);
  void OnCommand(ControlView& c, int code);
  LRESULT OnColor(HDC dc, HWND control, UINT msg);
  void Paint(HDC dc);
  ControlView* ViewOf(HWND hwnd);
  ControlView* ViewOf(std::string_view name);
  const ControlView* ViewOf(std::string_view name) const;
  HFONT FontFor(const ui::layout::ControlLayout& c);
  HBRUSH Brush(COLORREF color);
  COLORREF BackgroundOf(const ControlView& c) const;

  std::vector<std::unique_ptr<ControlView>> controls_;
  std::map<int, HFONT> fonts_;
  std::map<COLORREF, HBRUSH> brushes_;
  HWND tooltip_ = nullptr;
  HWND savedFocus_ = nullptr;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace uiwin32
