#include "firmware/Firmware.h"

#include <algorithm>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "firmware/FirmwareTexts.h"
#include "firmware/Internal.h"
#include "forms/Cp1251.h"
#include "forms/Errors.h"

namespace firmware {

namespace detail {

std::uint64_t ParseHexField(std::string_view field) {
  if (field.empty()) forms::ThrowConvertError("$");
  std::uint64_t value = 0;
  for (char c : field) {
    int d = HexDigit(c);
    if (d < 0) forms::ThrowConvertError("$" + std::string(field));
    value = value * 16 + static_cast<std::uint64_t>(d);
  }
  return value;
}

void ShowReadyState(FirmwareContext& ctx) {
  ctx.shell.BringToFront();
  ctx.ProgressbarReadWrite.SetProgress(0);
  ctx.ButtonWrite.SetEnabled(true);
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
}

}  // namespace detail

namespace {

using detail::HexDigit;
using detail::Pacer;

// The fill as the user sees it: 1,000,000 steps of 40 "F" each, against a gauge of
// 60000 that reads full after the first 60,000. Done in chunks of equal steps.
constexpr std::int64_t kFillGaugeMax = 60000;
constexpr std::size_t kFillSteps = 1'000'000;
constexpr std::size_t kFillStepChars = kImageChars / kFillSteps;  // 40
constexpr std::size_t kFillChunkSteps = 250;  // under 1 % of the gauge: it passes every percentage

unsigned PairValue(char high, char low) {
  int h = HexDigit(high), l = HexDigit(low);
  if (h < 0 || l < 0) return 0;  // a pair that is no number counts as 0
  return static_cast<unsigned>(h * 16 + l);
}

unsigned ByteSum(std::string_view text) {
  unsigned sum = 0;
  std::size_t i = 0;
  for (; i + 1 < text.size(); i += 2) sum += PairValue(text[i], text[i + 1]);
  if (i < text.size()) {  // a lone last digit: callers never pass one
    int d = HexDigit(text[i]);
    if (d > 0) sum += static_cast<unsigned>(d);
  }
  return sum & 0xFF;
}

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return HexDigit(c) >= 0; });
}

// The line's bytes are the file's, one per character: read as Windows-1251, so
// that our own text stays intact beside them.
std::string LineMessage(const char* message, std::size_t lineNumber, const std::string& line) {
  return std::string(message) + std::to_string(lineNumber) + "!" + " (" + forms::Cp1251ToUtf8(line) + ")";
}

void ReportLine(FirmwareContext& ctx, const char* message, std::size_t lineNumber, const std::string& line) {
  ctx.shell.MessageBeep(forms::MB_ICONHAND);
  ctx.shell.ShowMessage(LineMessage(message, lineNumber, line));
  ctx.ProgressbarReadWrite.SetProgress(0);
}

// A fresh 40 MB buffer costs about 10,000 page faults on its first fill; large
// pages make that some twenty. Only a hint: where it is refused nothing changes.
void PreferLargePages([[maybe_unused]] std::string& image) {
#ifdef __linux__
  auto begin = reinterpret_cast<std::uintptr_t>(image.data());
  auto end = begin + image.capacity();
  auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  auto first = (begin + page - 1) / page * page;
  if (first < end) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

// With fill false the image is already built: only the gauge runs its steps.
void FillImage(FirmwareContext& ctx, Pacer& pacer, std::string& image, bool fill) {
  auto& gauge = ctx.ProgressbarReadWrite;
  gauge.SetMaxValue(kFillGaugeMax);
  gauge.SetProgress(0);
  if (fill) {
    image.clear();
    image.reserve(kImageChars);
    PreferLargePages(image);
  }
  for (std::size_t step = 0; step < kFillSteps; step += kFillChunkSteps) {
    pacer.Tick();
    if (fill) image.append(kFillChunkSteps * kFillStepChars, 'F');
    gauge.StepBy(static_cast<std::int64_t>(kFillChunkSteps));
  }
  // Once more with the gauge full, so the window shows it before the line pass.
  ctx.shell.ProcessMessages();
}

// A data record's digits to the sink. Only what the line has from position 10
// up to its end is taken, and only what falls inside the image.
void PlaceData(const std::string& line, std::uint64_t base, const detail::PlacementSink& sink) {
  std::uint64_t count = detail::ParseHexField(std::string_view(line).substr(1, 2));
  std::uint64_t offset = detail::ParseHexField(std::string_view(line).substr(3, 4));
  std::uint64_t wanted = 2 * count;
  std::uint64_t available = line.size() - 9;
  std::uint64_t length = std::min(wanted, available);
  std::uint64_t place = 2 * (base + offset);
  if (length == 0 || place >= kImageChars) return;
  length = std::min<std::uint64_t>(length, kImageChars - place);
  sink(static_cast<std::size_t>(place), std::string_view(line).substr(9, static_cast<std::size_t>(length)));
}

}  // namespace

std::string HexByteSum(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  unsigned sum = ByteSum(text);
  return {kDigits[sum >> 4], kDigits[sum & 0xF]};
}

namespace detail {

bool CheckLines(FirmwareContext& ctx, bool verify) {
  const auto& lines = ctx.TextTerminal.Lines();
  auto& gauge = ctx.ProgressbarReadWrite;
  gauge.SetMaxValue(static_cast<std::int64_t>(lines.size()) - 1);
  gauge.SetProgress(0);
  Pacer pacer(ctx.shell);
  // Indexed, and the line taken only after the pump: a nested handler may have
  // changed the memo meanwhile.
  for (std::size_t i = 0;; ++i) {
    pacer.Tick();
    if (i >= lines.size()) break;
    const std::string& line = lines[i];
    if (verify && !line.empty() && line[0] == ':') {
      std::string_view rest = std::string_view(line).substr(1);
      if (rest.size() % 2 != 0) {
        ReportLine(ctx, texts::kParityError, i + 1, line);
        return false;
      }
      std::string_view field = rest.size() >= 2 ? rest.substr(rest.size() - 2) : std::string_view();
      auto checksum = detail::ParseHexField(field);
      std::string_view record = rest.substr(0, rest.size() - field.size());
      unsigned expected = (256 - ByteSum(record)) % 256;
      if (checksum != expected) {
        ReportLine(ctx, texts::kChecksumError, i + 1, line);
        return false;
      }
      // Data digits that are no number would be copied into the image and sent
      // to the device, though the sum (which counts them as 0) may agree.
      if (record.size() > 8 && !AllHex(record.substr(8))) {
        ReportLine(ctx, texts::kInvalidCharacter, i + 1, line);
        return false;
      }
    }
    gauge.StepBy(1);
  }
  return true;
}

bool BuildImage(FirmwareContext& ctx, std::string* built) {
  const bool place = built == nullptr;
  // Built aside: the image in use stays whole, and a Write may send it, until
  // this build has succeeded. A build that stops leaves it as it was.
  std::string image;
  if (built) image = std::move(*built);
  {
    Pacer fillPacer(ctx.shell);
    FillImage(ctx, fillPacer, image, place);
  }
  const bool done = !place ? PlaceRecords(ctx, nullptr)
                           : PlaceRecords(ctx, [&image](std::size_t at, std::string_view digits) {
                               if (at <= image.size() && digits.size() <= image.size() - at)
                                 std::copy(digits.begin(), digits.end(),
                                           image.begin() + static_cast<std::ptrdiff_t>(at));
                             });
  if (done) ctx.FirmwareImage.swap(image);  // the previous image goes with `image`
  return done;
}

bool PlaceRecords(FirmwareContext& ctx, const PlacementSink& sink) {
  Pacer pacer(ctx.shell);  // the line pass pumps at its start again

  const auto& lines = ctx.TextTerminal.Lines();
  auto& gauge = ctx.ProgressbarReadWrite;
  gauge.SetMaxValue(static_cast<std::int64_t>(lines.size()) - 1);
  gauge.SetProgress(0);
  std::uint64_t base = 0;
  for (std::size_t i = 0;; ++i) {
    pacer.Tick();
    if (i >= lines.size()) break;
    const std::string& line = lines[i];
    if (line.empty() || line[0] != ':') continue;
    if (line.size() < 9) {  // no type digit: a record that places nothing
      gauge.StepBy(1);
      continue;
    }
    switch (line[8]) {
      case '1':
        return true;
      case '2':
        base = detail::ParseHexField(std::string_view(line).substr(9, 4)) * 16;
        break;
      case '4':
        base = detail::ParseHexField(std::string_view(line).substr(9, 4)) * 65536;
        break;
      case '5':
        ReportLine(ctx, texts::kStartLinearAddress, i + 1, line);
        return false;
      case '0':
        if (sink) PlaceData(line, base, sink);
        break;
      default:
        break;
    }
    gauge.StepBy(1);
  }
  return true;
}

}  // namespace detail

bool CheckFirmwareText(FirmwareContext& ctx) { return detail::CheckLines(ctx, true); }

bool BuildFirmwareImage(FirmwareContext& ctx) { return detail::BuildImage(ctx, nullptr); }

void PrepareCarriedFirmware(FirmwareContext& ctx, std::optional<PreparedFirmware> ahead) {
  // Made ahead from this very text: the same steps, with the work already done.
  const bool useAhead = ahead && detail::SameUpperCased(ctx.TextTerminal.Lines(), ahead->lines);
  if (useAhead)
    ctx.TextTerminal.SetLines(std::move(ahead->lines));
  else
    ctx.TextTerminal.UpperCase();
  if (!detail::CheckLines(ctx, !useAhead)) return;
  if (!detail::BuildImage(ctx, useAhead ? &ahead->image : nullptr)) return;
  detail::ShowReadyState(ctx);
  ctx.LabelNameOfHex.SetCaption(texts::kReadyCarried);
}

}  // namespace firmware
