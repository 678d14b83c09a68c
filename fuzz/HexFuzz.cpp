// The HEX line check and the image build on arbitrary text. The build hands
// each placement to a sink instead of a 40 MB image, so a run costs what the
// text costs; every placement must lie inside the image and take its digits
// from position 10 of its own line, never beyond the line's end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "firmware/Firmware.h"
#include "firmware/ImageBuilder.h"
#include "forms/Errors.h"
#include "forms/TextLines.h"
#include "fuzz/QuietShell.h"

namespace {

class CheckedPlacements final : public firmware::ImageSink {
 public:
  explicit CheckedPlacements(const forms::TextLines& lines) : lines_(lines) {}
  void Clear() override {}
  void Fill(std::size_t) override {}
  void Place(std::size_t at, std::string_view digits) override {
    if (at > firmware::kImageChars || digits.size() > firmware::kImageChars - at)
      fuzzing::Fail("a placement outside the image");
    // Records are placed in order: the digits' line is this one or a later one.
    while (line_ < lines_.size() && (lines_[line_].size() < 9 || digits.data() != lines_[line_].data() + 9)) ++line_;
    if (line_ == lines_.size()) fuzzing::Fail("digits that are not from position 10 of a line");
    if (digits.empty() || digits.size() > lines_[line_].size() - 9) fuzzing::Fail("digits beyond the line's end");
  }

 private:
  const forms::TextLines& lines_;
  std::size_t line_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  forms::TextLines lines = forms::TextLines::Split(std::string(reinterpret_cast<const char*>(data), size));
  lines.UpperCase();
  firmware::QuietProgress progress;
  CheckedPlacements placements(lines);
  try {
    firmware::BuildImage(lines, progress, placements);
  } catch (const forms::Exception&) {
    // The conversion and range errors the user meets as error boxes.
  }
  return 0;
}
