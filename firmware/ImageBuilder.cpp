#include "firmware/ImageBuilder.h"

#include <algorithm>

#include "firmware/Hex.h"
#include "firmware/FirmwareTexts.h"
#include "forms/Ascii.h"
#include "os/LargePages.h"

namespace firmware {

namespace {


// The fill as the user sees it: 1,000,000 steps of 40 "F" each, against a gauge of
// 60000 that reads full after the first 60,000. Done in chunks of equal steps.
constexpr std::int64_t kFillGaugeMax = 60000;
constexpr std::size_t kFillSteps = 1'000'000;
constexpr std::size_t kFillStepChars = kImageChars / kFillSteps;  // 40
constexpr std::size_t kFillChunkSteps = 250;  // under 1 % of the gauge: it passes every percentage

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return forms::HexDigitValue(c) >= 0; });
}

// A data record's digits to the image. Only what the line has from position 10
// up to its end is taken, and only what falls inside the image.
void PlaceData(std::string_view line, std::uint64_t base, ImageSink& image) {
  std::uint64_t count = ParseHexField(line.substr(1, 2));
  std::uint64_t offset = ParseHexField(line.substr(3, 4));
  std::uint64_t wanted = 2 * count;
  std::uint64_t available = line.size() - 9;
  std::uint64_t length = std::min(wanted, available);
  std::uint64_t place = 2 * (base + offset);
  if (length == 0 || place >= kImageChars) return;
  length = std::min<std::uint64_t>(length, kImageChars - place);
  image.Place(static_cast<std::size_t>(place), line.substr(9, static_cast<std::size_t>(length)));
}

void Fill(BuildProgress& progress, ImageSink& image) {
  progress.Begin(kFillGaugeMax);
  image.Clear();
  for (std::size_t step = 0; step < kFillSteps; step += kFillChunkSteps) {
    progress.Tick();
    image.Fill(kFillChunkSteps * kFillStepChars);
    progress.Step(static_cast<std::int64_t>(kFillChunkSteps));
  }
  progress.Filled();
}

}  // namespace

void StringImage::Clear() {
  image_.clear();
  image_.reserve(kImageChars);
  os::PreferLargePages(image_.data(), image_.capacity());
}

void StringImage::Place(std::size_t place, std::string_view digits) {
  if (place <= image_.size() && digits.size() <= image_.size() - place)
    std::copy(digits.begin(), digits.end(), image_.begin() + static_cast<std::ptrdiff_t>(place));
}

std::optional<LineFault> CheckLines(const forms::TextLines& lines, BuildProgress& progress) {
  progress.Begin(static_cast<std::int64_t>(lines.size()) - 1);
  // Indexed, and the line taken only after the pump: a handler run there may
  // have changed the lines.
  for (std::size_t i = 0;; ++i) {
    progress.Tick();
    if (i >= lines.size()) break;
    const std::string_view line = lines[i];
    if (!line.empty() && line[0] == ':') {
      std::string_view rest = line.substr(1);
      if (rest.size() % 2 != 0) return LineFault{i + 1, texts::kParityError};
      std::string_view field = rest.size() >= 2 ? rest.substr(rest.size() - 2) : std::string_view();
      auto checksum = ParseHexField(field);
      std::string_view record = rest.substr(0, rest.size() - field.size());
      unsigned expected = (256 - ByteSum(record)) % 256;
      if (checksum != expected) return LineFault{i + 1, texts::kChecksumError};
      // Data digits that are no number would be copied into the image and sent
      // to the device, though the sum (which counts them as 0) may agree.
      if (record.size() > 8 && !AllHex(record.substr(8))) return LineFault{i + 1, texts::kInvalidCharacter};
    }
    progress.Step(1);
  }
  return std::nullopt;
}

std::optional<LineFault> PlaceLines(const forms::TextLines& lines, BuildProgress& progress, ImageSink& image) {
  Fill(progress, image);
  progress.Begin(static_cast<std::int64_t>(lines.size()) - 1);
  std::uint64_t base = 0;
  for (std::size_t i = 0;; ++i) {
    progress.Tick();
    if (i >= lines.size()) break;
    const std::string_view line = lines[i];
    if (line.empty() || line[0] != ':') continue;
    if (line.size() < 9) {  // no type digit: a record that places nothing
      progress.Step(1);
      continue;
    }
    switch (line[8]) {
      case '1':
        return std::nullopt;
      case '2':
        base = ParseHexField(line.substr(9, 4)) * 16;
        break;
      case '4':
        base = ParseHexField(line.substr(9, 4)) * 65536;
        break;
      case '5':
        return LineFault{i + 1, texts::kStartLinearAddress};
      case '0':
        PlaceData(line, base, image);
        break;
      default:
        break;
    }
    progress.Step(1);
  }
  return std::nullopt;
}

std::optional<LineFault> BuildImage(const forms::TextLines& lines, BuildProgress& progress, ImageSink& image) {
  if (auto fault = CheckLines(lines, progress)) return fault;
  return PlaceLines(lines, progress, image);
}

}  // namespace firmware
