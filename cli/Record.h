#pragma once
// The record of one procedure on one port: one JSON object, one line.
#include <chrono>
#include <cstdint>
#include <string>

#include "cli/Image.h"
#include "cli/Outcome.h"

namespace cli {

struct ProcedureRecord {
  std::string command;  // write, identify, reset
  std::string port;
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  // What identification read.
  std::string loaderVersion;
  std::string status;
  std::int32_t writesPerBlock = 0, bytesPerWrite = 0, blockCount = 0;
  std::string description;    // the device's answer, as the window shows it
  std::string versionBefore;  // the version it held (when it said a number)
  const Image* written = nullptr;
  Outcome outcome = Outcome::PortError;
  std::int32_t failedAttempts = 0;
  std::int32_t erasePause = 0, writePause = 0, programPause = 0;
};

// One line of JSON, without its line end. Text that is not UTF-8 is replaced,
// never refused.
std::string RecordLine(const ProcedureRecord& record);

// UTC, ISO 8601, to the millisecond.
std::string IsoTime(std::chrono::system_clock::time_point t);

}  // namespace cli
