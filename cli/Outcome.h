#pragma once
// How a port's procedure ended, as the record and the exit code name it.
#include <string_view>

#include "cli/ExitCodes.h"

namespace cli {

enum class Outcome { Written, AlreadyWritten, Identified, Reset, NotIdentified, UnknownBootloader, UnknownVersion,
                     NewerWritten, PortError, Stopped, Failed, Incomplete };

inline std::string_view OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Written: return "written";
    case Outcome::AlreadyWritten: return "already-written";
    case Outcome::Identified: return "identified";
    case Outcome::Reset: return "reset";
    case Outcome::NotIdentified: return "not-identified";
    case Outcome::UnknownBootloader: return "unknown-bootloader";
    case Outcome::UnknownVersion: return "unknown-version";
    case Outcome::NewerWritten: return "newer-version";
    case Outcome::PortError: return "port-error";
    case Outcome::Stopped: return "stopped";
    case Outcome::Failed: return "write-failed";
    case Outcome::Incomplete: break;
  }
  return "port-error-mid-write";
}

inline int ExitCodeOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Written:
    case Outcome::AlreadyWritten:
    case Outcome::Identified:
    case Outcome::Reset: return kOk;
    case Outcome::NotIdentified:
    case Outcome::UnknownBootloader: return kNotIdentified;
    case Outcome::UnknownVersion:
    case Outcome::NewerWritten: return kVersionRefused;
    case Outcome::PortError: return kPortError;
    case Outcome::Stopped: return kStopped;
    case Outcome::Failed:
    case Outcome::Incomplete: break;
  }
  return kIncompleteWrite;
}

}  // namespace cli
