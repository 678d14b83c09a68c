#include "ui/win32/FormView.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "forms/Gauge.h"
#include "forms/TextLines.h"
#include "ui/MemoDrawing.h"
#include "ui/Shown.h"
#include "ui/win32/DrawnWidth.h"
#include "ui/win32/GaugeView.h"
#include "ui/win32/Gdi.h"
#include "ui/win32/Picture.h"
#include "ui/win32/PictureButton.h"
#include "ui/win32/Text.h"

namespace uiwin32 {

using ui::layout::ControlLayout;
using ui::layout::Kind;

namespace {

constexpr int kFirstId = 100;  // a memo's id is also its draw timer's
constexpr int kVisibleRows = 8;
constexpr int kTipWidth = 300;

std::wstring WindowText(HWND h) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

struct FormView::ControlView {
  const ControlLayout* layout = nullptr;
  forms::Control* model = nullptr;
  int id = 0;
  Box box;
  HWND hwnd = nullptr;
  HWND inner = nullptr;  // the edit box of an editable list
  std::unique_ptr<GaugeView> gauge;
  std::unique_ptr<PictureButton> pictureButton;
  std::unique_ptr<Picture> picture;
  ui::Shown shown;
  bool toolAdded = false;
  bool hover = false;
  std::optional<ui::MemoDrawing> memo;
  bool drawing = false;  // the text we set is no typing
  HWND FocusTarget() const { return inner ? inner : hwnd; }
  bool Is(HWND h) const { return h && (h == hwnd || h == inner); }
  bool Is(const forms::Control* m) const { return m && m == model; }
  bool Is(std::string_view name) const { return name == layout->name; }
};

template <class Key>
FormView::ControlView* FormView::ViewOf(const Key& key) const {
  for (auto& c : controls_)
    if (c->Is(key)) return c.get();
  return nullptr;
}

FormView::FormView(ui::Form& form, Win32Shell& shell, const Dpi& dpi)
    : layout_(form.Layout()), model_(form), shell_(shell), dpi_(dpi), palette_(ui::PaletteFor("WEB2")) {}

FormView::~FormView() {
  if (hwnd()) shell_.Keys().Unregister(hwnd());
  // The controls and the tool-tip go while the fonts and brushes they use still exist.
  if (hwnd() && IsWindow(hwnd())) DestroyWindow(hwnd());
}

SIZE FormView::OuterSize(int clientWidth, int clientHeight) const {
  RECT rc{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
  return {rc.right - rc.left, rc.bottom - rc.top};
}

HFONT FormView::FontFor(const ControlLayout& c) {
  const int height = c.font.pixelHeight ? c.font.pixelHeight : layout_.font.pixelHeight;
  auto [it, added] = fonts_.try_emplace(height);
  if (!added) return it->second;
  // The bitmap face of the layout at 96 DPI; its TrueType twin, which scales
  // sharply, at any other DPI.
  const char* family = c.font.family ? c.font.family : layout_.font.family;
  std::wstring face = Widen(family ? family : "MS Sans Serif");
  if (dpi_.value() != 96 && face == L"MS Sans Serif") face = L"Microsoft Sans Serif";
  it->second =
      GdiObject(CreateFontW(-dpi_.Scale(height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face.c_str()));
  return it->second;
}

HBRUSH FormView::Brush(COLORREF color) {
  auto [it, added] = brushes_.try_emplace(color);
  if (added) it->second = SolidBrush(color);
  return it->second;
}

COLORREF FormView::BackgroundOf(const ControlView& c) const {
  if (c.layout->background.source == ui::layout::ColorSource::Rgb) return Resolve(c.layout->background, 0);
  // Transparent or default: what the parent paints.
  const ControlLayout* parent = ui::layout::Find(layout_, c.layout->parent);
  if (parent && parent->kind == Kind::Panel) return Resolve(palette_.panelFill);
  return Resolve(layout_.background, GetSysColor(COLOR_BTNFACE));
}

void FormView::Build(HWND owner) {
  using ui::layout::Frame;
  // The close box belongs to the system menu: every window has one. A dialog
  // frame shows no icon, so there the close box is all the menu shows.
  const bool dialog = layout_.frame == Frame::DialogFixed;
  const DWORD exStyle = dialog ? WS_EX_DLGMODALFRAME : 0;
  const DWORD style = WS_CAPTION | WS_CLIPCHILDREN | WS_SYSMENU | (dialog ? WS_POPUP : WS_OVERLAPPED) |
                      (!dialog && layout_.minimizeBox ? WS_MINIMIZEBOX : 0) |
                      (!dialog && layout_.maximizeBox ? WS_MAXIMIZEBOX : 0);
  RECT rc{0, 0, dpi_.Scale(layout_.clientWidth), dpi_.Scale(layout_.clientHeight)};
  AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  // A window with a stored place opens there; the others are placed when shown.
  const bool placed = layout_.placement == ui::layout::Placement::AtPosition;
  const Box outer{placed ? dpi_.Scale(layout_.left) : 0, placed ? dpi_.Scale(layout_.top) : 0, rc.right - rc.left,
                  rc.bottom - rc.top};
  CustomWindow::Create(L"OstraForm", exStyle, style, outer, owner, 0, Widen(model_.Caption()).c_str());
  if (layout_.keyPreview)
    shell_.Keys().Register(hwnd(), [this](std::uint16_t key, forms::TShiftState shift) {
      shell_.Deliver([&] { model_.KeyDown(key, shift); });
    });

  tooltip_ =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  // A width makes the tool-tip break its lines at CR LF.
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, dpi_.Scale(kTipWidth));

  int index = 0;
  for (const ControlLayout& c : layout_.controls) {
    auto view = std::make_unique<ControlView>();
    view->layout = &c;
    view->model = model_.ControlNamed(c.name);
    view->id = kFirstId + index++;
    view->box = dpi_.Scale(ui::layout::PlaceInWindow(layout_, c));
    controls_.push_back(std::move(view));
  }
  // The Tab key follows the windows' z-order: the focus order first.
  std::vector<ControlView*> order;
  for (const ControlLayout* l : ui::layout::FocusOrder(layout_)) order.push_back(&ViewOf(l));
  for (auto& c : controls_)
    if (c->layout->focusOrder < 0) order.push_back(c.get());
  for (ControlView* c : order) Create(*c);
  for (ControlView* c : order) Bind(*c);

  model_.Subscribe([this, alive = std::weak_ptr<int>(alive_)] {
    if (!alive.expired()) SyncWindow();
  });
}

void FormView::Create(ControlView& c) {
  const ControlLayout& l = *c.layout;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const DWORD tab = l.focusOrder >= 0 ? WS_TABSTOP : 0;
  const Box& b = c.box;
  auto make = [&](DWORD exStyle, const wchar_t* cls, DWORD style, int height) {
    return CreateWindowExW(exStyle, cls, Widen(l.caption).c_str(), WS_CHILD | WS_VISIBLE | tab | style, b.left, b.top,
                           b.width, height, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance,
                           nullptr);
  };
  HFONT font = FontFor(l);
  switch (l.kind) {
    case Kind::Panel:
      return;  // painted by the window
    case Kind::Picture:
      c.picture = std::make_unique<Picture>(l.picture);
      return;
    case Kind::Label:
    case Kind::WebLabel:
      c.hwnd = make(0, L"STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, b.height);
      break;
    case Kind::DropDownList:
    case Kind::EditableComboBox: {
      const DWORD style =
          WS_VSCROLL | (l.kind == Kind::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
      const int row = dpi_.Scale(layout_.listRowHeight ? layout_.listRowHeight : 15);
      c.hwnd = make(0, L"COMBOBOX", style, b.height + row * kVisibleRows + 2);
      SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      SendMessageW(c.hwnd, CB_SETITEMHEIGHT, 0, row);
      SendMessageW(c.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(row, b.height - 6));
      SendMessageW(c.hwnd, CB_SETMINVISIBLE, kVisibleRows, 0);
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (GetComboBoxInfo(c.hwnd, &info)) {
        // The open list is a window of its own: its keys are still ours.
        shell_.Keys().Attach(info.hwndList, hwnd());
        if (l.kind == Kind::EditableComboBox && info.hwndItem) {
          c.inner = info.hwndItem;
          SetWindowSubclass(c.inner, ControlProc, 2, reinterpret_cast<DWORD_PTR>(this));
        }
      }
      break;
    }
    case Kind::PictureButton: {
      c.pictureButton = std::make_unique<PictureButton>(hwnd(), b, l.picture,
                                                        SIZE{dpi_.Scale(l.pictureWidth), dpi_.Scale(l.pictureHeight)},
                                                        BackgroundOf(c), palette_);
      c.hwnd = c.pictureButton->hwnd();
      c.pictureButton->onClick = [this, name = l.name] { Event(name); };
      break;
    }
    case Kind::PushButton:
      c.hwnd = make(0, L"BUTTON", BS_PUSHBUTTON | BS_MULTILINE, b.height);
      break;
    case Kind::PercentageGauge:
      if (auto* gauge = dynamic_cast<forms::TGauge*>(c.model)) {
        c.gauge = std::make_unique<GaugeView>(hwnd(), *gauge, b, l.bar, font, palette_);
        c.hwnd = c.gauge->hwnd();
      }
      break;
    case Kind::ThinProgressBar:
      c.hwnd = make(0, PROGRESS_CLASSW, PBS_SMOOTH, b.height);
      break;
    case Kind::Memo:
      c.hwnd =
          make(WS_EX_CLIENTEDGE, L"EDIT",
               ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL | WS_VSCROLL | WS_HSCROLL,
               b.height);
      // The firmware's text is far above an edit box's default limit.
      SendMessageW(c.hwnd, EM_SETLIMITTEXT, 0, 0);
      if (auto* memo = dynamic_cast<forms::Memo*>(c.model)) c.memo.emplace(*memo);
      break;
  }
  if (!c.hwnd) return;
  // Ids are 100 + the row in the layout table, our own windows' too.
  SetWindowLongPtrW(c.hwnd, GWLP_ID, c.id);
  SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (!c.pictureButton && !c.gauge) SetWindowSubclass(c.hwnd, ControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void FormView::Bind(ControlView& c) {
  if (!c.hwnd) return;
  if (c.model)
    c.model->Subscribe([this, &c, alive = std::weak_ptr<int>(alive_)] {
      if (!alive.expired()) SyncControl(c);
    });
  SyncControl(c);
}

void FormView::Event(std::string_view name) {
  if (model_.HasEvent(name)) shell_.Deliver([&] { model_.RunEvent(name); });
}

void FormView::ShowTip(ControlView& c, const std::string& hint) {
  std::wstring tip = Widen(forms::WithLineBreaks(hint, "\r\n"));
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd();
  ti.uId = reinterpret_cast<UINT_PTR>(c.hwnd);
  ti.lpszText = tip.data();  // the tool-tip keeps a copy
  if (c.toolAdded) SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  else if (!tip.empty()) c.toolAdded = SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

void FormView::SyncControl(ControlView& c) {
  if (!c.model) return;
  const ControlLayout& l = *c.layout;
  const ui::ShownChanges shown = c.shown.Take(*c.model);
  if (shown.hint) ShowTip(c, *shown.hint);
  // The gauge shows its enabled state itself.
  if (shown.enabled && c.pictureButton) c.pictureButton->SetEnabled(*shown.enabled);
  else if (shown.enabled && !c.gauge) EnableWindow(c.hwnd, *shown.enabled);
  if (shown.items) {
    SendMessageW(c.hwnd, CB_RESETCONTENT, 0, 0);
    for (const auto& item : *shown.items)
      SendMessageW(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  if (shown.itemIndex) SendMessageW(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(*shown.itemIndex), 0);
  if (shown.text) {
    const std::wstring text = Widen(*shown.text);
    SetWindowTextW(c.hwnd, text.c_str());
    if (l.kind == Kind::Label || l.kind == Kind::WebLabel) InvalidateRect(c.hwnd, nullptr, TRUE);
    // The status line's and the counter's width follows their text as it is
    // drawn, from the first paint on.
    if (l.widthFollowsText) {
      c.box.width = DrawnWidth(text, FontFor(l));
      SetWindowPos(c.hwnd, nullptr, 0, 0, c.box.width, c.box.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (shown.range) SendMessageW(c.hwnd, PBM_SETRANGE32, shown.range->first, shown.range->second);
  if (shown.position) SendMessageW(c.hwnd, PBM_SETPOS, *shown.position, 0);
  if (c.gauge) c.gauge->ModelChanged();
  if (c.memo && c.memo->Changed(GetFocus() == c.hwnd))
    SetTimer(hwnd(), c.id, ui::MemoDrawing::kFocusedDrawDelayMs, nullptr);
}

void FormView::DrawMemo(ControlView& c) {
  const auto update = c.memo->Take();
  if (!update) return;
  const std::wstring text = Widen((update->afterLines ? "\r\n" : "") + c.memo->Text(*update, "\r\n"));
  c.drawing = true;
  if (update->whole) {
    SetWindowTextW(c.hwnd, text.c_str());
  } else {
    const int end = GetWindowTextLengthW(c.hwnd);
    SendMessageW(c.hwnd, EM_SETSEL, end, end);
    SendMessageW(c.hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  c.drawing = false;
}

void FormView::DrawMemos() {
  for (auto& c : controls_)
    if (c->memo && c->hwnd) DrawMemo(*c);
}

HWND FormView::HwndOf(std::string_view name) const { return ViewOf(name) ? ViewOf(name)->hwnd : nullptr; }

Box FormView::BoxOf(std::string_view name) const { return ViewOf(name) ? ViewOf(name)->box : Box{}; }

GaugeView* FormView::GaugeOf(std::string_view name) const { return ViewOf(name) ? ViewOf(name)->gauge.get() : nullptr; }

void FormView::SyncWindow() {
  if (const std::wstring caption = Widen(model_.Caption()); WindowText(hwnd()) != caption)
    SetWindowTextW(hwnd(), caption.c_str());
  const ControlView* c = ViewOf(model_.ActiveControl());
  if (!c || !c->hwnd) return;
  // Setting the focus would activate the window: an inactive one takes it when
  // it becomes active.
  if (GetActiveWindow() != hwnd())
    savedFocus_ = c->FocusTarget();
  else if (GetFocus() != c->FocusTarget())
    SetFocus(c->FocusTarget());
}

void FormView::RestoreFocus() {
  HWND target = savedFocus_ && IsWindow(savedFocus_) && IsChild(hwnd(), savedFocus_) ? savedFocus_ : nullptr;
  if (const ControlView* c = ViewOf(model_.ActiveControl()); !target && c) target = c->FocusTarget();
  for (const ControlLayout* l : ui::layout::FocusOrder(layout_)) {
    const ControlView& c = ViewOf(l);
    if (!target && c.hwnd && IsWindowEnabled(c.hwnd)) target = c.FocusTarget();
  }
  if (target) SetFocus(target);
}

void FormView::SetPalette(const ui::Palette& palette) {
  palette_ = palette;
  for (auto& c : controls_) {
    if (c->gauge) c->gauge->SetPalette(palette_);
    if (c->pictureButton) c->pictureButton->SetPalette(palette_, BackgroundOf(*c));
  }
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void FormView::Paint(HDC dc) {
  RECT rc;
  GetClientRect(hwnd(), &rc);
  FillRect(dc, &rc, Brush(Resolve(layout_.background, GetSysColor(COLOR_BTNFACE))));
  for (auto& c : controls_) {
    const Box& b = c->box;
    RECT r{b.left, b.top, b.left + b.width, b.top + b.height};
    if (c->layout->kind == Kind::Panel) {
      if (palette_.skinned) {
        const GdiObject pen(CreatePen(PS_SOLID, 1, Resolve(palette_.panelBorder)));
        const HGDIOBJ oldBrush = SelectObject(dc, Brush(Resolve(palette_.panelFill)));
        const HGDIOBJ oldPen = SelectObject(dc, pen);
        const int round = dpi_.Scale(6);
        RoundRect(dc, r.left, r.top, r.right, r.bottom, round, round);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
      } else {
        FillRect(dc, &r, Brush(Resolve(palette_.panelFill)));
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
      }
    } else if (c->picture) {
      // Not stretched: from the top-left corner, at its own size (scaled).
      c->picture->Draw(dc, {b.left, b.top, dpi_.Scale(c->picture->Width()), dpi_.Scale(c->picture->Height())});
    }
  }
}

LRESULT FormView::OnColor(HDC dc, HWND control, UINT msg) {
  ControlView* c = ViewOf(control);
  if (!c) return Default(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  const ControlLayout& l = *c->layout;
  if (l.kind == Kind::Label || l.kind == Kind::WebLabel) {
    COLORREF text = Resolve(l.text, Resolve(layout_.text, GetSysColor(COLOR_WINDOWTEXT)));
    if (c->hover && l.hoverText.source != ui::layout::ColorSource::Default)
      text = Resolve(l.hoverText, GetSysColor(COLOR_WINDOWTEXT));
    if (!IsWindowEnabled(control)) text = GetSysColor(COLOR_GRAYTEXT);
    const COLORREF back = BackgroundOf(*c);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    return reinterpret_cast<LRESULT>(Brush(back));
  }
  if ((l.kind == Kind::DropDownList || l.kind == Kind::EditableComboBox) &&
      l.background.source == ui::layout::ColorSource::Rgb && IsWindowEnabled(c->hwnd)) {
    const COLORREF back = Resolve(l.background, RGB(255, 255, 255));
    SetTextColor(dc, Resolve(l.text, RGB(0, 0, 0)));
    SetBkColor(dc, back);
    return reinterpret_cast<LRESULT>(Brush(back));
  }
  return Default(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

void FormView::OnCommand(ControlView& c, int code) {
  const ControlLayout& l = *c.layout;
  switch (l.kind) {
    case Kind::Label:
    case Kind::WebLabel:
      if (code == STN_CLICKED) Event(l.name);
      break;
    case Kind::PushButton:
      if (code == BN_CLICKED) Event(l.name);
      break;
    case Kind::DropDownList:
    case Kind::EditableComboBox: {
      auto* list = dynamic_cast<forms::ComboBox*>(c.model);
      if (!list) break;
      const auto index = static_cast<std::size_t>(SendMessageW(c.hwnd, CB_GETCURSEL, 0, 0));
      // The user's choice or typing: the model takes it, then its handler runs.
      bool changed = false;
      if (code == CBN_SELCHANGE && !list->Editable()) changed = c.shown.Chose(*list, static_cast<int>(index));
      else if (code == CBN_SELCHANGE && index < list->Items().size()) changed = c.shown.Edited(*list, list->Items()[index]);
      else if (code == CBN_EDITCHANGE) changed = c.shown.Edited(*list, Narrow(WindowText(c.hwnd)));
      if (changed) Event(l.name);
      break;
    }
    case Kind::Memo:
      if (code == EN_CHANGE && !c.drawing && c.memo) c.memo->Typed(Narrow(WindowText(c.hwnd)));
      break;
    default:
      break;
  }
}

LRESULT FormView::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
      return OnColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), msg);
    case WM_COMMAND:
      if (lParam)
        if (ControlView* c = ViewOf(reinterpret_cast<HWND>(lParam))) OnCommand(*c, HIWORD(wParam));
      return 0;
    case WM_TIMER:
      // A focused memo's draw, due since its model changed.
      if (wParam >= kFirstId && wParam - kFirstId < controls_.size())
        if (ControlView& c = *controls_[wParam - kFirstId]; c.memo) {
          KillTimer(hwnd(), wParam);
          c.memo->DrawnSoon();
          DrawMemo(c);
          return 0;
        }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd(), focus)) savedFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        RestoreFocus();
      }
      return 0;
  }
  return CustomWindow::Handle(msg, wParam, lParam);
}

LRESULT CALLBACK FormView::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* self = reinterpret_cast<FormView*>(ref);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ControlProc, 1);
    RemoveWindowSubclass(hwnd, ControlProc, 2);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  try {
    if (ControlView* c = self->ViewOf(hwnd)) return self->OnControlMessage(*c, hwnd, msg, wParam, lParam);
  } catch (...) {
    OutputDebugStringA("uploader: unexpected error in a control");
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT FormView::OnControlMessage(ControlView& c, HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  const ControlLayout& l = *c.layout;
  switch (msg) {
    case WM_SETFOCUS:
      if (c.model) model_.SetActiveControl(c.model);
      if (c.memo) DrawMemo(c);
      break;
    case WM_SETCURSOR:
      if (l.cursor == ui::layout::Cursor::Hand && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        return TRUE;
      }
      break;
    case WM_GETDLGCODE:
      // A focused push button takes Enter as well as Space (the dialog keys
      // would otherwise turn Enter into the window's default command).
      if (l.kind == Kind::PushButton && lParam) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        if (m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
          return DefSubclassProc(h, msg, wParam, lParam) | DLGC_WANTALLKEYS;
      }
      break;
    case WM_KEYDOWN:
    case WM_CHAR:
      if (msg == WM_KEYDOWN && l.kind == Kind::PushButton && wParam == VK_RETURN) {
        PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED), reinterpret_cast<LPARAM>(c.hwnd));
        return 0;
      }
      // A key never lands in stale text.
      if (c.memo && c.memo->Dirty()) DrawMemo(c);
      break;
    case WM_MOUSEMOVE:
      if (l.kind == Kind::WebLabel && !c.hover) {
        c.hover = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, h, 0};
        TrackMouseEvent(&track);
        InvalidateRect(h, nullptr, TRUE);
      }
      break;
    case WM_MOUSELEAVE:
      if (l.kind == Kind::WebLabel) {
        c.hover = false;
        InvalidateRect(h, nullptr, TRUE);
      }
      break;
  }
  return DefSubclassProc(h, msg, wParam, lParam);
}

}  // namespace uiwin32
