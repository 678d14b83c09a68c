// The simulator's frame parser on arbitrary bytes. The first three bytes choose
// a small geometry; the rest is the wire. Every answer must be a frame, the
// flash keeps its size, and the counters agree with what was seen.
#include <cstddef>
#include <cstdint>

#include "fuzz/QuietShell.h"
#include "tools/devsim/Bootloader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  devsim::Options options;
  options.writesPerBlock = data[0] % 9;
  options.bytesPerWrite = data[1] % 17;
  options.blockCount = data[2] % 9;
  options.flashStart = devsim::FlashStart::Erased;
  devsim::detail::Bootloader device(options, devsim::InitialFlash(options));
  const std::size_t flashSize = device.flash().size();
  std::uint64_t commands = 0, bad = 0;
  for (std::size_t i = 3; i < size; ++i) {
    auto out = device.Feed(static_cast<char>(data[i]));
    switch (out.kind) {
      case devsim::detail::Outcome::Command:
        ++commands;
        if (out.reply.size() < 2 || out.reply.front() != 'r' || out.reply.back() != ';')
          fuzzing::Fail("an answer that is no frame");
        break;
      case devsim::detail::Outcome::BadFrame:
        ++bad;
        if (out.reason.empty()) fuzzing::Fail("a bad frame without a reason");
        break;
      default:
        break;
    }
    if (device.flash().size() != flashSize) fuzzing::Fail("the flash changed its size");
  }
  if (device.stats().commands != commands || device.stats().badFrames != bad)
    fuzzing::Fail("counters that disagree with the outcomes");
  (void)device.Description();
  return 0;
}
