#pragma once
// The few controls the protocol's handlers touch, named as the main window
// names them and with its speed selector, plus the program-wide state and the
// open dialog: what the test rig, the fuzz target and the benchmarks drive the
// handlers with. Header only, so the fuzz target needs no test library.
#include <iterator>
#include <string>

#include "firmware/Firmware.h"
#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "protocol/Protocol.h"
#include "serial/BCPort.h"
#include "ui/MainTexts.h"

namespace testing_support {

struct ProtocolWindow {
  forms::Window window;
  forms::TGauge ProgressbarReadWrite{&window, "ProgressbarReadWrite"};
  forms::ProgressBar ProgressbarWrite{&window, "ProgressbarWrite"};
  forms::Label Label3{&window, "Label3"};
  forms::Label LabelNameOfHex{&window, "LabelNameOfHex"};
  forms::Memo MemoAbout{&window, "MemoAbout"};
  forms::Memo TextTerminal{&window, "TextTerminal"};
  forms::Button ButtonConect{&window, "ButtonConect"};
  forms::Button ButtonOpenHex{&window, "ButtonOpenHex"};
  forms::Button ButtonWrite{&window, "ButtonWrite"};
  forms::ComboBox cbPort{&window, "cbPort"};
  forms::ComboBox cbBaudRate{&window, "cbBaudRate"};
  protocol::ProtocolState state;
  firmware::TOpenDialog OpenDialog1;

  ProtocolWindow() {
    cbBaudRate.SetItems(ui::texts::BaudRateItems());
    cbBaudRate.SetItemIndex(serial::br115200);
  }
  ProtocolWindow(const ProtocolWindow&) = delete;
  ProtocolWindow& operator=(const ProtocolWindow&) = delete;

  // Points the port selector at a port name.
  void SelectPort(const std::string& name) {
    cbPort.SetItems({name});
    cbPort.SetItemIndex(0);
  }

  protocol::ProtocolContext Context(forms::Shell& shell, serial::TBComPort& port, const std::string& image) {
    return {.shell = shell, .BComPort1 = port, .state = state, .FirmwareImage = image, .OpenDialog1 = OpenDialog1,
            .ProgressbarReadWrite = ProgressbarReadWrite, .ProgressbarWrite = ProgressbarWrite, .Label3 = Label3,
            .LabelNameOfHex = LabelNameOfHex, .MemoAbout = MemoAbout, .TextTerminal = TextTerminal,
            .ButtonConect = ButtonConect, .ButtonOpenHex = ButtonOpenHex, .ButtonWrite = ButtonWrite,
            .cbPort = cbPort, .cbBaudRate = cbBaudRate};
  }
};

}  // namespace testing_support
