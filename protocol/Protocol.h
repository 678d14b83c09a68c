#pragma once
// The bootloader protocol: command exchange, identification, the write procedure
// and the flash transfer.
#include <cstdint>
#include <string>
#include <string_view>

#include "firmware/Firmware.h"
#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "forms/Shell.h"
#include "serial/BCPort.h"

namespace protocol {

// The values of one write procedure: set to 0 by its preparation, used by the
// transfer, read by the procedure's ends (and kept afterwards for a look).
struct ProcedureValues {
  // 64 bits so that no geometry a device may report can wrap the address.
  std::int64_t FlashAddress = 0;
  std::int32_t FailedAttempts = 0;
  std::int32_t ErasePause = 0;
  std::int32_t WritePause = 0;
  std::int32_t ProgramPause = 0;
};

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
  ProcedureValues Procedure;
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

// The exchange steps (the wire's own rules are in protocol/wire).
void SendStep(ProtocolContext& ctx, const std::string& command, int step, unsigned pauseMs);
void ReadAck(ProtocolContext& ctx, unsigned pauseMs);
void ResetDevice(ProtocolContext& ctx);

// Identification.
enum class Variant { IdentifyButton, WriteProcedure };
enum class IdentifyOutcome { Identified, NotIdentified, UnknownBootloader };
IdentifyOutcome IdentifyDevice(ProtocolContext& ctx, Variant variant);

// The description's bytes (Windows-1251) into the memo: a line feed starts a new
// line, every other byte is appended as its character.
void AppendDescription(forms::Memo& memo, std::string_view bytes);

// The flash transfer.
enum class Phase { Erase, Write, Program };
struct TransferOutcome {
  enum Kind { Completed, Failed, Stopped } kind = Completed;
  Phase phase = Phase::Erase;  // failed only
};
TransferOutcome TransferImage(ProtocolContext& ctx);
// The attempts of the command in CommandText; Completed means "go on".
TransferOutcome RunAttempts(ProtocolContext& ctx, Phase phase);

// How a write procedure ended, for a caller that keeps count (the window
// does not look: its messages have said everything).
enum class WriteOutcome { NotIdentified, UnknownBootloader, UnknownVersion, AlreadyWritten, NewerWritten,
                          Written, Failed, Stopped };

// The handlers.
IdentifyOutcome ButtonConectClick(ProtocolContext& ctx);
WriteOutcome ButtonWriteClick(ProtocolContext& ctx);

// The stop key: the running transfer stops at its next check, the selectors
// come back and the stop message is shown.
void StopKey(ProtocolContext& ctx);
// The reset key: open by the selectors, reset the device, close, say so.
void ResetKey(ProtocolContext& ctx);

}  // namespace protocol
