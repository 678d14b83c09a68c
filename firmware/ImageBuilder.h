#pragma once
// From HEX lines to the flash image: the line check, the fill and the record
// pass, with no control and no Shell. The window, the preparation ahead, the
// fuzz target and the benches watch it through two small sinks.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "forms/Gauge.h"
#include "forms/TextLines.h"

namespace firmware {

// Two hexadecimal digits per byte, 20,000,000 byte addresses.
inline constexpr std::size_t kImageChars = 40'000'000;

// The line a build stopped at, numbered from 1, and the message that says why.
struct LineFault {
  std::size_t line;
  const char* message;
};

// How far the build has come; in the window, the gauge and the pumps.
class BuildProgress {
 public:
  virtual ~BuildProgress() = default;
  // A pass begins with `max` steps to go; the next Tick is a pump point.
  virtual void Begin(std::int64_t max) = 0;
  virtual void Step(std::int64_t by) = 0;
  // A point where a long pass lets the window breathe.
  virtual void Tick() = 0;
  // The fill is over: the full gauge is shown before the record pass.
  virtual void Filled() = 0;
};

// Shows nothing; keeps the gauge's rules, so a text the window's gauge would
// refuse fails here the same way.
class QuietProgress final : public BuildProgress {
 public:
  void Begin(std::int64_t max) override { gauge_.SetMaxValue(max); }
  void Step(std::int64_t) override {}
  void Tick() override {}
  void Filled() override {}

 private:
  forms::TGauge gauge_{nullptr, "gauge"};
};

// Where the image's characters go.
class ImageSink {
 public:
  virtual ~ImageSink() = default;
  // The image starts empty and is filled with 'F', `chars` at a time.
  virtual void Clear() = 0;
  virtual void Fill(std::size_t chars) = 0;
  // A data record's digits for image character `place`, already cut to the
  // line and to the image's end.
  virtual void Place(std::size_t place, std::string_view digits) = 0;
};

// The image as the program holds it: two hexadecimal digits per byte.
class StringImage final : public ImageSink {
 public:
  explicit StringImage(std::string& image) : image_(image) {}
  void Clear() override;
  void Fill(std::size_t chars) override { image_.append(chars, 'F'); }
  void Place(std::size_t place, std::string_view digits) override;

 private:
  std::string& image_;
};

// Takes nothing: for a build whose image is already made, or not wanted.
class NoImage final : public ImageSink {
 public:
  void Clear() override {}
  void Fill(std::size_t) override {}
  void Place(std::size_t, std::string_view) override {}
};

// The line check: the colon's lines have an even digit count, the right
// checksum and data digits that are numbers. Lines are read after each Tick,
// so a handler run at a pump may change them.
std::optional<LineFault> CheckLines(const forms::TextLines& lines, BuildProgress& progress);
// The fill, then the record pass: data records placed at their linear base,
// up to an end-of-file record; a start linear address record stops it.
std::optional<LineFault> PlaceLines(const forms::TextLines& lines, BuildProgress& progress, ImageSink& image);
// Both: HEX lines to a built image, or the first failing line and why. A field
// that is no number raises the runtime's conversion error.
std::optional<LineFault> BuildImage(const forms::TextLines& lines, BuildProgress& progress, ImageSink& image);

}  // namespace firmware
