#pragma once
// devsim: the device's bootloader played on a pseudo-terminal.
//
// The simulator opens a pty in raw mode, publishes its slave as a virtual port
// (a symlink in the per-user folder the port list reads) and serves the master
// from a thread of its own: it parses the framed commands, keeps a flash memory
// and answers as the bootloader does. Tests and benchmarks run it in-process;
// the devsim program is a thin command line over it.
//
// The device, as this simulator plays it:
// - Frames are "r" + body (upper-case hex digit pairs) + checksum + ";", the
//   checksum being the low byte of the plain sum of the body's pairs. Every
//   frame is checked (framing, digits, checksum, length, sequence); a bad one is
//   counted and gets no answer. An 'r' always starts a frame afresh, so the
//   wake-up bursts before a frame do no harm; characters outside a frame are
//   skipped as garbage.
// - Replies: identify "r0202;" -> "r" status version field6 field8 WW BB CCCC ";"
//   (defaults "r820201040A4000C0;"); description "r0303;" -> "r83" text SS ";"
//   where SS is the low byte of the sum of the text's bytes; erase, write,
//   program and reset -> "r8484;", "r8585;", "r8686;", "r8181;".
// - Commit model: an erase (at a block start) sets the block to FF and opens it
//   for writes. Write n (1..writesPerBlock, in order) stages its piece in a
//   one-piece buffer; program commits the staged piece at
//   erase address + (n-1) x bytesPerWrite, clearing bits as flash does
//   (new = old AND piece). A write repeated with the same number replaces the
//   staged piece, and a repeated program commits the same piece again, so the
//   program's re-sends after a lost acknowledgement are harmless. A write of the
//   next number before the staged piece was programmed, or a program with
//   nothing written since the erase, is refused (a bad frame).
// - Reset "r0101;" is answered, then the device leaves its bootloader: it
//   answers nothing (not even a second reset) until a wake-up burst of five
//   consecutive 'r' brings it back. The device starts in its bootloader.
// - The description is the six ASCII digits at 0xF984 of its own flash (empty
//   when they are not six digits), unless a fixed text is given.
//
// Timing: with baud > 0 every character takes 10 bits of wire time in each
// direction: a command counts as received when its last character has crossed
// the wire, and a reply is written in one write when its last character would
// have left. Busy times delay the reply of erase, write and program; the device
// handles commands one after another. Without baud emulation a reply is written
// in one write as soon as it is due.
//
// Faults come from a std::mt19937 seeded with `seed`: every answered command
// draws three numbers (drop, garble, delay), whatever faults are enabled, so the
// same seed gives the same decisions for the same wire.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/PortList.h"

namespace devsim {

enum class FlashStart {
  OlderFirmware,  // the version marker with `firmwareVersion` plus program bytes
  HexFile,        // the data records of `hexPath` (beyond the flash: ignored)
  Erased,         // all FF
};

struct Options {
  // Geometry: reported by identify and the shape of the flash
  // (blockCount x writesPerBlock x bytesPerWrite bytes).
  unsigned writesPerBlock = 10;  // 0..255
  unsigned bytesPerWrite = 64;   // 0..255
  unsigned blockCount = 192;     // 0..65535

  // Identify reply fields, two printable characters each (no ';').
  std::string status = "82";
  std::string loaderVersion = "02";
  std::string field6 = "01";  // characters 6-7, unused by the uploader
  std::string field8 = "04";  // characters 8-9, unused by the uploader

  // Fixed description text; none: the version read from the flash.
  std::optional<std::string> description;

  FlashStart flashStart = FlashStart::OlderFirmware;
  std::string firmwareVersion = "210824";  // six characters, for OlderFirmware
  std::string hexPath;                     // for HexFile

  unsigned baud = 0;  // 0: no wire-time emulation
  // A USB adapter passes received bytes to the host only at its ticks (16 ms
  // by default on many): a reply becomes readable at the first tick, counted
  // from Start(), after it is due. 0: at once.
  double deliveryTickMs = 0;
  unsigned eraseBusyMs = 0;
  unsigned writeBusyMs = 0;
  unsigned programBusyMs = 0;

  // Faults, as fractions of the answered commands (0..1).
  double dropRate = 0;
  double garbleRate = 0;  // flips a bit of the status digit (character 2)
  double delayRate = 0;
  unsigned delayMs = 50;
  uint32_t seed = 1;

  bool silent = false;                    // reads, answers nothing, does nothing
  std::optional<uint64_t> stopAfter;      // answer N commands, then go silent
  std::optional<uint64_t> hangUpAfter;    // after the N-th reply: close the pty
  unsigned lateMs = 0;                    // every reply this much later

  bool publish = true;
  std::string linkName;    // empty: the first free "devsimN"
  std::string linkFolder;  // empty: VirtualPortsFolder()

  // Written by Stop() when set.
  std::string transcriptPath;
  std::string flashPath;
};

struct Stats {
  uint64_t commands = 0;       // good frames handled while in the bootloader
  uint64_t badFrames = 0;      // refused frames (no answer)
  uint64_t garbageBytes = 0;   // characters skipped outside frames
  uint64_t ignoredAsleep = 0;  // frames seen outside the bootloader
  uint64_t unanswered = 0;     // frames not served: silent, stopped, hung up
  uint64_t replies = 0;        // replies written
  uint64_t repliesLost = 0;    // due while nobody had the port open
  uint64_t dropped = 0;
  uint64_t garbled = 0;
  uint64_t delayed = 0;
  uint64_t wakeUps = 0;
  uint64_t resets = 0;
  uint64_t erases = 0;
  uint64_t writes = 0;
  uint64_t programs = 0;
  uint64_t bytesProgrammed = 0;  // first commit of each piece
  uint64_t bytesIn = 0;
  uint64_t bytesOut = 0;
  uint64_t portCloses = 0;       // the other side closed the slave
  bool hungUp = false;
};

enum class Direction { In, Out, Note, Fault };
const char* DirectionName(Direction d);  // "in", "out", "note", "fault"

struct TranscriptEntry {
  double ms = 0;  // since Start()
  Direction direction = Direction::Note;
  std::string text;  // raw characters for In/Out
};

// One line per entry: milliseconds, direction, text with non-printable bytes as \xNN.
std::string FormatTranscript(const std::vector<TranscriptEntry>& entries);

// The folder the program's port list reads: where a port is published by default.
using serial::VirtualPortsFolder;

// The flash a simulator with these options starts with (throws on bad options
// or an unreadable HEX file).
std::vector<uint8_t> InitialFlash(const Options& options);

// Where the version text lives in the flash.
constexpr uint32_t kMarkerAddress = 0xF980;   // 55 AA AA 55
constexpr uint32_t kVersionAddress = 0xF984;  // six ASCII digits, then 02 00

// The description a flash gives: six ASCII digits at kVersionAddress, else "".
std::string VersionInFlash(const std::vector<uint8_t>& flash);

class Simulator {
 public:
  // Checks the options and builds the flash; throws std::invalid_argument or
  // std::runtime_error with a readable text.
  explicit Simulator(Options options);
  ~Simulator();  // Stop()
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the pty, publishes it and starts serving. Throws std::runtime_error.
  void Start();
  // Stops serving, removes the link, closes the pty and writes the output files.
  // Safe to call twice.
  void Stop();

  std::string SlavePath() const;  // /dev/pts/N
  std::string PortName() const;   // the published link name ("devsim1"); empty unpublished
  std::string LinkPath() const;   // folder + name; empty unpublished

  Stats stats() const;
  std::vector<uint8_t> Flash() const;
  std::vector<TranscriptEntry> Transcript() const;
  bool Awake() const;     // in the bootloader
  bool Finished() const;  // the serving thread has ended (hung up)

  // Writes the flash (binary) and the transcript to the files of the options.
  void WriteOutputs() const;

  // "N commands, N bad frames, N bytes programmed"
  std::string Summary() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace devsim
