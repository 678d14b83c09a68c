#pragma once
// The device's side of the protocol without any I/O: characters in, replies out.
// Simulator.h describes the behaviour; this is its state machine.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/devsim/Simulator.h"

namespace devsim::detail {

struct Outcome {
  enum Kind {
    None,      // the character was taken, nothing to report
    Command,   // a good frame: `reply` is its answer, `code` its command code
    BadFrame,  // `frame` refused for `reason`
    Garbage,   // a character outside any frame
    Asleep,    // a frame seen outside the bootloader
    Woken,     // a wake-up burst brought the device back
  };
  Kind kind = None;
  int code = 0;
  std::string frame;
  std::string reply;
  std::string reason;
};

class Bootloader {
 public:
  Bootloader(const Options& options, std::vector<uint8_t> flash);

  Outcome Feed(char c);

  bool awake() const { return awake_; }
  const std::vector<uint8_t>& flash() const { return flash_; }
  // Counters of the bootloader's own: commands, bad frames, garbage, erases...
  Stats& stats() { return stats_; }
  const Stats& stats() const { return stats_; }

  std::string Description() const;

 private:
  Outcome Finish();
  Outcome Bad(std::string reason);
  Outcome Execute(const std::vector<uint8_t>& body);

  // Configuration.
  unsigned writesPerBlock_, bytesPerWrite_, blockCount_;
  std::string identifyReply_;
  std::optional<std::string> description_;
  size_t maxDigits_;

  std::vector<uint8_t> flash_;
  bool awake_ = true;
  unsigned rRun_ = 0;  // consecutive 'r' while asleep

  // Frame being read: inFrame_ after an 'r'.
  bool inFrame_ = false;
  std::string frame_;

  // Write sequence within the erased block.
  std::optional<uint32_t> blockAddress_;
  unsigned lastWrite_ = 0;  // number of the staged (or committed) piece, 0: none
  bool committed_ = false;
  bool countedCommit_ = false;
  std::vector<uint8_t> staged_;

  Stats stats_;
};

}  // namespace devsim::detail
