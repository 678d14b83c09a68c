#pragma once
// The main window as a plain object: its controls as models, the program-wide
// state, start-up, the selectors and the keyboard commands. No Qt.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/Firmware.h"
#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "forms/Keys.h"
#include "forms/Shell.h"
#include "protocol/Protocol.h"
#include "serial/BCPort.h"
#include "serial/PortList.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "ui/Unit1.h"

namespace ui {

// The skin manager: its name selects the look that the Qt layer applies.
class TSkinManager : public forms::Notifier {
 public:
  const std::string& SkinName() const { return skinName_; }
  void SetSkinName(const std::string& name);

 private:
  std::string skinName_ = "WEB2";
};

class TMainForm : public FormOf<TMainForm> {
 public:
  TMainForm(forms::Shell& shell, TFormHelp& formHelp);
  ~TMainForm();

  // Compact client size and the outer height that Ctrl+Shift+E sets.
  static constexpr int kClientWidth = layout::kMainForm.clientWidth;
  static constexpr int kClientHeight = layout::kMainForm.clientHeight;
  static constexpr int kExpandedHeight = layout::kMainForm.expandedOuterHeight;

  // Handlers, named after their control and event.
  void FormCreate();
  void FormActivate();
  void FormResize();
  void FormKeyDown(std::uint16_t key, forms::TShiftState shift);
  void sComboBoxSkinNameChange();
  void ButtonConectClick();
  void ButtonOpenHexClick();
  void ButtonWriteClick();
  void cbBaudRateChange();
  void cbPortChange();
  void Label1Click();
  void sButton2Click();
  void sButton3Click();
  void PNGButton6Click();

  // The handler a control's click or user change runs, or null: one table
  // for every face of the window.
  using Handler = void (TMainForm::*)();
  static Handler EventHandlerOf(std::string_view control);

  // True while a long operation (check, build, identification, write) runs and
  // pumps messages: the Qt layer defers the window's close until it unwinds.
  bool LongOperationRunning() const { return imageBusy_ || portBusy_; }

  // Controls, in the order of the layout (top to bottom).
  forms::Control sPanel1{this, "sPanel1"};
  forms::Label Label1{this, "Label1"};
  forms::ComboBox cbPort{this, "cbPort"};
  forms::Button ButtonWrite{this, "ButtonWrite"};
  forms::Button PNGButton6{this, "PNGButton6"};
  forms::Label LabelNameOfHex{this, "LabelNameOfHex"};
  forms::TGauge ProgressbarReadWrite{this, "ProgressbarReadWrite"};
  forms::Label Label3{this, "Label3"};
  forms::ProgressBar ProgressbarWrite{this, "ProgressbarWrite"};
  forms::ComboBox cbBaudRate{this, "cbBaudRate"};
  forms::Control sPanel3{this, "sPanel3"};
  forms::Button sButton2{this, "sButton2"};
  forms::Button sButton3{this, "sButton3"};
  forms::Control sPanel2{this, "sPanel2"};
  forms::Button ButtonConect{this, "ButtonConect"};
  forms::Button ButtonOpenHex{this, "ButtonOpenHex"};
  forms::Memo TextTerminal{this, "TextTerminal"};
  forms::Memo MemoAbout{this, "MemoAbout"};
  forms::ComboBox sComboBoxSkinName{this, "sComboBoxSkinName", true};

  // Every control above, in the same order.
  std::vector<forms::Control*> Controls() override;

  TSkinManager sSkinManager1;
  // Where the port list looks (the system's places unless a test points elsewhere).
  serial::PortSources portSources;
  serial::TBComPort BComPort1;
  firmware::TOpenDialog OpenDialog1;

  // Program-wide state.
  std::string FirmwareImage;
  // The carried firmware prepared ahead (see firmware::PrepareAhead); FormCreate
  // takes it over when it was made from the memo's text.
  std::optional<firmware::PreparedFirmware> CarriedAhead;
  protocol::ProtocolState state;

  forms::Shell& shell() { return shell_; }
  TFormHelp& formHelp() { return formHelp_; }

 private:
  firmware::FirmwareContext firmwareContext();
  protocol::ProtocolContext protocolContext();
  void StopCommand();
  void RefreshPorts();
  void ResetCommand();
  // Refuses a click that would start a second procedure on the port, touch a
  // half-built image or replace the image a write is sending: the error beep,
  // nothing else.
  enum class Needs { Port, Image };
  bool Refuse(Needs needs);

  forms::Shell& shell_;
  TFormHelp& formHelp_;
  bool imageBusy_ = false;
  bool portBusy_ = false;
  bool writing_ = false;
};

}  // namespace ui
