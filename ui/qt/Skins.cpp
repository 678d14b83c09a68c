#include "ui/qt/Skins.h"

namespace uiqt {

namespace {

// A light look: pale panels with a soft edge, blue-grey buttons, white lists.
// Rules name the controls' skin sections, so the windows' own backgrounds stay
// the system colours they are given.
const char* const kWeb2 = R"(
QFrame[skinSection="PANEL"] {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e9eef4);
  border: 1px solid #b4c0ce;
  border-radius: 3px;
}
QPushButton[skinSection="BUTTON_HUGE"], QPushButton[skinSection="DIALOG"] {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfeff, stop:0.5 #e6edf5, stop:1 #d3dde9);
  border: 1px solid #8e9db0;
  border-radius: 3px;
  color: #202833;
  padding: 2px;
}
QPushButton[skinSection="BUTTON_HUGE"]:hover, QPushButton[skinSection="DIALOG"]:hover {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:0.5 #eef4fb, stop:1 #dbe7f4);
  border-color: #5c84b8;
}
QPushButton[skinSection="BUTTON_HUGE"]:pressed, QPushButton[skinSection="DIALOG"]:pressed {
  background: #c9d6e6;
}
QPushButton[skinSection="BUTTON_HUGE"]:focus, QPushButton[skinSection="DIALOG"]:focus {
  border-color: #3f6fae;
}
QPushButton[skinSection="BUTTON_HUGE"]:disabled, QPushButton[skinSection="DIALOG"]:disabled {
  color: #9aa3ad;
  background: #eef1f4;
  border-color: #c3cbd4;
}
QComboBox[skinSection="COMBOBOX"] {
  background: #ffffff;
  color: #000000;
  border: 1px solid #9aa8b9;
  border-radius: 2px;
  padding: 0px 2px 0px 3px;
}
QComboBox[skinSection="COMBOBOX"]:hover, QComboBox[skinSection="COMBOBOX"]:focus { border-color: #5c84b8; }
QComboBox[skinSection="COMBOBOX"]:disabled { color: #8a939e; background: #f1f3f5; }
QComboBox[skinSection="COMBOBOX"]::drop-down {
  subcontrol-origin: padding;
  subcontrol-position: top right;
  width: 15px;
  border-left: 1px solid #c5cfdb;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfcfe, stop:1 #dfe6ef);
}
QComboBox[skinSection="COMBOBOX"]::down-arrow { image: url(:/images/droparrow.png); }
QComboBox[skinSection="COMBOBOX"] QAbstractItemView {
  background: #ffffff;
  color: #000000;
  selection-background-color: #3f6fae;
  selection-color: #ffffff;
  border: 1px solid #8e9db0;
}
QToolButton[skinSection="PICTURE"] {
  border: 1px solid transparent;
  border-radius: 4px;
  background: transparent;
}
QToolButton[skinSection="PICTURE"]:hover { border-color: #b4c8e0; background: rgba(255, 255, 255, 150); }
QToolButton[skinSection="PICTURE"]:pressed { background: rgba(63, 111, 174, 40); }
QProgressBar[skinSection="BAR"] {
  border: 1px solid #9aa8b9;
  background: #f6f8fa;
}
QProgressBar[skinSection="BAR"]::chunk { background: #3f6fae; }
QToolTip {
  background: #fffff0;
  color: #202833;
  border: 1px solid #8e9db0;
  padding: 2px;
}
)";

}  // namespace

QString SkinStyleSheet(const std::string& skinName) {
  if (skinName == "WEB2" || skinName == "WEB2 (internal)") return QString::fromUtf8(kWeb2);
  return QString();
}

}  // namespace uiqt
