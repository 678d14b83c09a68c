#pragma once
// The stored layout of both windows: every control's kind, parent, place, size,
// texts, colours, font, focus order, cursor and where it is seen, and each
// window's own properties. Plain data, no Qt, no Win32.
//
// How a view uses it: create the window from kMainForm (or kFormHelp): its
// client size, frame, placement, background and font. Then create the controls
// parents first (table order already is), each at left/top/width/height inside
// its parent's client area (parent == the window's name: the window itself),
// scaled from 96 dpi by the view (ScaleToDpi). Give each the table's hint,
// colours, font (a zero height or null family: the window's), cursor and skin
// section; chain the focus order with FocusOrder() and leave controls with
// focusOrder -1 out of it. Live values (captions the program rewrites, enabled
// states, items, memo lines) come from the window's models in ui/Main.h and
// ui/Unit1.h, which start from this table's texts.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/MainTexts.h"
#include "ui/Unit1Texts.h"

namespace forms {
class Control;
}

namespace ui {

// Left, top, width, height.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Point {
  int x = 0;
  int y = 0;
};

}  // namespace ui

namespace ui::layout {

enum class Kind : std::uint8_t {
  Panel,             // a skinned panel, no caption
  Label,             // a plain or skinned label
  WebLabel,          // a link: own text colour, hoverText while the mouse is over it
  DropDownList,      // choose only, no typing
  EditableComboBox,  // an editable text and a list
  PictureButton,     // a picture with alpha, no frame, no caption, takes no focus
  PushButton,
  PercentageGauge,   // bar in proportion and "NN%" text (forms::TGauge)
  ThinProgressBar,   // smooth, no segments, no text
  Memo,              // multi-line, both scroll bars, no wrapping
  Picture,           // not stretched, drawn from its top-left corner
};

// Where the user can see a control: in every size of its window, only in the
// main window's expanded size (partly, for some), or never (outside both).
enum class Seen : std::uint8_t { Compact, Expanded, Never };

enum class Cursor : std::uint8_t { Normal, Hand };

// A colour: one of the view's defaults, a fixed RGB value, or a system colour.
enum class ColorSource : std::uint8_t {
  Default,      // what the view gives the control's kind
  Rgb,
  Light3D,      // the system colour of the light edge of 3D elements
  ButtonFace,   // the system's button-face colour
  WindowText,   // the system's window-text colour
  Transparent,  // the parent shows through
  GrayText,     // the system's colour of disabled text
  ButtonShadow, // the system's shadow edge of 3D elements
  Window,       // the system's background of text boxes and lists
};

struct Color {
  ColorSource source = ColorSource::Default;
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  constexpr bool operator==(const Color&) const = default;
};

constexpr Color Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return {ColorSource::Rgb, red, green, blue};
}
inline constexpr Color kDefaultColor{};
inline constexpr Color kLight3D{ColorSource::Light3D};
inline constexpr Color kButtonFace{ColorSource::ButtonFace};
inline constexpr Color kWindowText{ColorSource::WindowText};
inline constexpr Color kTransparent{ColorSource::Transparent};
inline constexpr Color kGrayText{ColorSource::GrayText};
inline constexpr Color kButtonShadow{ColorSource::ButtonShadow};
inline constexpr Color kWindow{ColorSource::Window};

// A null family or a zero height: the window's.
struct Font {
  const char* family = nullptr;
  int pixelHeight = 0;
};

struct ControlLayout {
  const char* name = "";
  Kind kind = Kind::Panel;
  const char* parent = "";  // a control of the same window, or the window's name
  int left = 0;             // pixels at 96 dpi, in the parent's client area
  int top = 0;
  int width = 0;
  int height = 0;
  const char* caption = "";  // the stored caption (UTF-8); "" when it has none
  const char* hint = "";     // the tool-tip; single \r are line breaks
  Color text{};
  Color hoverText{};
  Color background{};
  Color bar{};
  Font font{};
  int focusOrder = -1;  // place in the Tab order from 0; -1 takes no focus
  Cursor cursor = Cursor::Normal;
  Seen seen = Seen::Compact;
  const char* skinSection = "";  // the skin's part that paints it ("" none)
  const char* picture = "";      // the picture's file name among the program's resources
  int pictureWidth = 0;
  int pictureHeight = 0;
  bool widthFollowsText = false;
};

enum class Frame : std::uint8_t {
  SingleFixed,  // single border, not resizable
  DialogFixed,  // dialog border, not resizable
};

enum class Placement : std::uint8_t { CentredOnScreen, AtPosition };

struct WindowLayout {
  const char* name = "";
  const char* caption = "";
  int clientWidth = 0;
  int clientHeight = 0;
  int expandedOuterHeight = 0;  // the outer height Ctrl+Shift+E sets; 0: none
  Frame frame = Frame::SingleFixed;
  bool systemMenu = true;  // the system menu as well as the close box
  bool minimizeBox = false;
  bool maximizeBox = false;
  Placement placement = Placement::CentredOnScreen;
  int left = 0;  // screen position with Placement::AtPosition
  int top = 0;
  int snapDistance = 0;  // snaps to the screen edges when moved this near; 0: never
  Color background{};
  Color text{};
  Font font{};
  bool keyPreview = true;  // the window's FormKeyDown sees every key first
  int listRowHeight = 0;   // drop-down rows
  std::span<const ControlLayout> controls;
};

inline constexpr const char* kWindowFontFamily = "MS Sans Serif";

// The main window's controls, parents before children, top to bottom.
inline constexpr ControlLayout kMainFormControls[] = {
    {.name = "sPanel1", .kind = Kind::Panel, .parent = "MainForm", .left = 7, .top = 8, .width = 289, .height = 73,
     .skinSection = "PANEL"},
    {.name = "Label1", .kind = Kind::Label, .parent = "sPanel1", .left = 49, .top = 17, .width = 28, .height = 13,
     .caption = texts::kLabel1Caption, .hint = texts::kLabel1Hint, .text = Rgb(67, 76, 88)},
    {.name = "cbPort", .kind = Kind::DropDownList, .parent = "sPanel1", .left = 30, .top = 37, .width = 73, .height = 21,
     .hint = texts::kCbPortHint, .text = Rgb(0, 0, 0), .background = Rgb(255, 255, 255), .focusOrder = 3,
     .cursor = Cursor::Hand, .skinSection = "COMBOBOX"},
    {.name = "ButtonWrite", .kind = Kind::PictureButton, .parent = "sPanel1", .left = 128, .top = 8, .width = 73,
     .height = 57, .hint = texts::kButtonWriteHint, .cursor = Cursor::Hand, .picture = "write48.png",
     .pictureWidth = 48, .pictureHeight = 48},
    {.name = "PNGButton6", .kind = Kind::PictureButton, .parent = "sPanel1", .left = 224, .top = 15, .width = 41,
     .height = 42, .hint = texts::kPNGButton6Hint, .cursor = Cursor::Hand, .picture = "about24.png",
     .pictureWidth = 24, .pictureHeight = 24},
    {.name = "LabelNameOfHex", .kind = Kind::Label, .parent = "MainForm", .left = 10, .top = 87, .width = 86,
     .height = 13, .caption = texts::kIdentifyTheDevice, .text = Rgb(67, 76, 88), .widthFollowsText = true},
    {.name = "ProgressbarReadWrite", .kind = Kind::PercentageGauge, .parent = "MainForm", .left = 6, .top = 104,
     .width = 289, .height = 17, .bar = Rgb(128, 0, 0), .skinSection = "BAR"},
    // A plain label sizes itself to its caption, so the pauses are read whole.
    {.name = "Label3", .kind = Kind::Label, .parent = "MainForm", .left = 12, .top = 149, .width = 110, .height = 13,
     .caption = texts::kAutoCalibrationZero, .seen = Seen::Expanded, .widthFollowsText = true},
    {.name = "ProgressbarWrite", .kind = Kind::ThinProgressBar, .parent = "MainForm", .left = 8, .top = 167,
     .width = 265, .height = 9, .seen = Seen::Expanded, .skinSection = "BAR"},
    {.name = "cbBaudRate", .kind = Kind::DropDownList, .parent = "MainForm", .left = 16, .top = 190, .width = 81,
     .height = 21, .hint = texts::kCbBaudRateHint, .text = Rgb(0, 0, 0), .background = Rgb(255, 255, 255),
     .focusOrder = 8, .cursor = Cursor::Hand, .seen = Seen::Expanded, .skinSection = "COMBOBOX"},
    // Its lower part stays below the expanded window's edge.
    {.name = "sPanel3", .kind = Kind::Panel, .parent = "MainForm", .left = 248, .top = 200, .width = 41, .height = 153,
     .seen = Seen::Expanded, .skinSection = "PANEL"},
    {.name = "sButton2", .kind = Kind::PushButton, .parent = "sPanel3", .left = 8, .top = 12, .width = 25, .height = 57,
     .hint = texts::kSButton2Hint, .focusOrder = 6, .seen = Seen::Expanded, .skinSection = "DIALOG"},
    {.name = "sButton3", .kind = Kind::PushButton, .parent = "sPanel3", .left = 8, .top = 84, .width = 25, .height = 57,
     .hint = texts::kSButton3Hint, .focusOrder = 7, .seen = Seen::Expanded, .skinSection = "DIALOG"},
    {.name = "sPanel2", .kind = Kind::Panel, .parent = "MainForm", .left = 8, .top = 224, .width = 265, .height = 81,
     .seen = Seen::Expanded, .skinSection = "PANEL"},
    {.name = "ButtonConect", .kind = Kind::PushButton, .parent = "sPanel2", .left = 31, .top = 16, .width = 81,
     .height = 57, .caption = texts::kButtonConectCaption, .focusOrder = 4, .cursor = Cursor::Hand,
     .seen = Seen::Expanded, .skinSection = "BUTTON_HUGE"},
    {.name = "ButtonOpenHex", .kind = Kind::PushButton, .parent = "sPanel2", .left = 152, .top = 16, .width = 81,
     .height = 57, .caption = texts::kButtonOpenHexCaption, .hint = texts::kButtonOpenHexHint, .focusOrder = 5,
     .cursor = Cursor::Hand, .seen = Seen::Expanded, .skinSection = "BUTTON_HUGE"},
    {.name = "TextTerminal", .kind = Kind::Memo, .parent = "MainForm", .left = -288, .top = 320, .width = 465,
     .height = 225, .font = {.pixelHeight = 16}, .focusOrder = 1, .seen = Seen::Never},
    // First in the focus order though never seen: typing at start lands here.
    {.name = "MemoAbout", .kind = Kind::Memo, .parent = "MainForm", .left = 264, .top = 368, .width = 273,
     .height = 193, .hint = texts::kMemoAboutHint, .font = {.pixelHeight = 15}, .focusOrder = 0, .seen = Seen::Never},
    {.name = "sComboBoxSkinName", .kind = Kind::EditableComboBox, .parent = "MainForm", .left = 32, .top = 760,
     .width = 145, .height = 21, .text = Rgb(0, 0, 0), .background = Rgb(255, 255, 255), .focusOrder = 2,
     .seen = Seen::Never, .skinSection = "COMBOBOX"},
};

inline constexpr WindowLayout kMainForm{
    .name = "MainForm",
    .caption = texts::kTitle,  // FormCreate sets it; the window is shown only after
    .clientWidth = 302,
    .clientHeight = 132,
    .expandedOuterHeight = 340,
    .frame = Frame::SingleFixed,
    .systemMenu = true,
    .minimizeBox = true,
    .maximizeBox = false,
    .placement = Placement::CentredOnScreen,
    .snapDistance = 10,
    .background = kLight3D,
    .text = kWindowText,
    .font = {.family = kWindowFontFamily, .pixelHeight = 11},
    .keyPreview = true,
    .listRowHeight = 15,
    .controls = kMainFormControls,
};

inline constexpr ControlLayout kFormHelpControls[] = {
    {.name = "Image_Emblem", .kind = Kind::Picture, .parent = "FormHelp", .left = 16, .top = 16, .width = 121,
     .height = 89, .picture = "emblem.jpg", .pictureWidth = 120, .pictureHeight = 89},
    {.name = "sWebLabel1", .kind = Kind::WebLabel, .parent = "FormHelp", .left = 29, .top = 119, .width = 91,
     .height = 13, .caption = texts::kLabelHost, .text = Rgb(0, 64, 128), .hoverText = kWindowText,
     .background = kTransparent, .cursor = Cursor::Hand},
    {.name = "Button1", .kind = Kind::PushButton, .parent = "FormHelp", .left = 35, .top = 145, .width = 81,
     .height = 33, .caption = texts::kAboutOk, .focusOrder = 0},
};

inline constexpr WindowLayout kFormHelp{
    .name = "FormHelp",
    .caption = texts::kAboutCaption,
    .clientWidth = 154,
    .clientHeight = 193,
    .frame = Frame::DialogFixed,
    .systemMenu = false,  // the close box only
    .minimizeBox = false,
    .maximizeBox = false,
    .placement = Placement::AtPosition,
    .left = 616,
    .top = 197,
    .background = kButtonFace,
    .text = kWindowText,
    .font = {.family = kWindowFontFamily, .pixelHeight = 11},
    .keyPreview = true,
    .controls = kFormHelpControls,
};

// The control of that name, or nullptr.
const ControlLayout* Find(const WindowLayout& window, std::string_view name);
// The controls whose parent is `parent` (a control or the window's name), in table order.
std::vector<const ControlLayout*> ChildrenOf(const WindowLayout& window, std::string_view parent);
// The controls that take the focus, in Tab order.
std::vector<const ControlLayout*> FocusOrder(const WindowLayout& window);
// A 96-dpi length at another dpi, rounded to the nearest pixel (halves away from zero).
constexpr int ScaleToDpi(int pixels96, int dpi) {
  const long long n = static_cast<long long>(pixels96) * dpi;
  return static_cast<int>(n >= 0 ? (n + 48) / 96 : -((-n + 48) / 96));
}

// A 96-dpi rectangle at another dpi: its edges are scaled, not its size, so
// controls that touch at 96 dpi still touch and a row does not drift by the
// rounding of each width.
Rect ScaleToDpi(const Rect& r, int dpi);
// The control's place in the window's client area (its parents' places added), at 96 dpi.
Rect PlaceInWindow(const WindowLayout& window, const ControlLayout& control);

// Gives a window model's control its stored hint and caption (a label's or a
// button's) from the table; a control the table lacks is left alone.
void ApplyStoredTexts(const WindowLayout& window, forms::Control& control);

}  // namespace ui::layout
