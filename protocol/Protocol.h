#pragma once
// The bootloader protocol: command exchange, identification, the write procedure
// and the flash transfer.
#include <cstdint>
#include <string>

#include "firmware/Firmware.h"
#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "forms/Shell.h"
#include "serial/BCPort.h"

namespace protocol {

// The program-wide texts and numbers of the protocol.
struct ProtocolState {
  std::string LastReply;
  std::string AckReply;
  std::string CommandText;
  std::string ReplyStatus;
  std::string LoaderVersion;
  std::int32_t WritesPerBlock = 0;
  std::int32_t BytesPerWrite = 0;
  std::int32_t BlockCount = 0;
  // -1 asks the running transfer to stop; 0 when a transfer begins.
  std::int32_t StopRequested = 0;
};

// What the protocol handlers touch on the main window.
struct ProtocolContext {
  forms::Shell& shell;
  serial::TBComPort& BComPort1;
  ProtocolState& state;
  const std::string& FirmwareImage;
  const firmware::TOpenDialog& OpenDialog1;
  forms::TGauge& ProgressbarReadWrite;
  forms::ProgressBar& ProgressbarWrite;
  forms::Label& Label3;
  forms::Label& LabelNameOfHex;
  forms::Memo& MemoAbout;
  forms::Memo& TextTerminal;
  forms::Button& ButtonConect;
  forms::Button& ButtonOpenHex;
  forms::Control& ButtonWrite;
  forms::ComboBox& cbPort;
  forms::ComboBox& cbBaudRate;
};

// Close; when closed, Port := cbPort's text, BaudRate := cbBaudRate's index; Open.
bool ApplySelectorsAndOpen(ProtocolContext& ctx);

std::string FrameCommand(const std::string& body);
void ResetDevice(ProtocolContext& ctx);
void ButtonConectClick(ProtocolContext& ctx);
void ButtonWriteClick(ProtocolContext& ctx);

}  // namespace protocol
