#pragma once
// One port as a world of its own: the controls the handlers touch, the port,
// the protocol's state and a console Shell, all made and used on one thread.
// The port's event hand-offs go to this world's own synchronizer, so no port
// waits for another.
#include <string>

#include "cli/ConsoleShell.h"
#include "cli/Image.h"
#include "cli/Record.h"
#include "cli/Terminal.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolWindow.h"
#include "serial/BCPort.h"

namespace cli {

enum class Command { Write, Identify, Reset };

struct PortJob {
  Command command = Command::Write;
  std::string port;
  int speedIndex = 0;            // the TBaudRate ordinal
  const Image* image = nullptr;  // for Write
};

// Runs the job on the calling thread, in a world made for it there; every
// fault of the port ends in the record's outcome, never in an exception.
ProcedureRecord RunPort(const PortJob& job, Terminal& terminal);

class PortWorld {
 public:
  PortWorld(const PortJob& job, Terminal& terminal);
  ProcedureRecord Run();

 private:
  protocol::ProtocolContext Context();
  Outcome Procedure();
  // At every pump: a remembered stop key acts once the transfer has moved.
  void OnPump();
  // What identification read, taken before the transfer's lines follow it.
  void TakeIdentification();

  const PortJob& job_;
  Terminal& terminal_;
  ConsoleShell shell_;
  std::string emptyImage_;

  protocol::ProtocolWindow form_;
  serial::TBComPort BComPort1;
  ProcedureRecord record_;
  bool identificationTaken_ = false;
  bool stopped_ = false;
  bool transferMoved_ = false;
};

}  // namespace cli
