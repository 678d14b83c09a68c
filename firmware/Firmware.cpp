#include "firmware/Firmware.h"

#include <cstdint>

#include "firmware/FirmwareTexts.h"
#include "firmware/ImageBuilder.h"
#include "firmware/Internal.h"
#include "forms/Cp1251.h"
#include "forms/Errors.h"

namespace firmware {

namespace detail {

void ShowReadyState(FirmwareContext& ctx) {
  ctx.shell.BringToFront();
  ctx.ProgressbarReadWrite.SetProgress(0);
  ctx.ButtonWrite.SetEnabled(true);
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
}

}  // namespace detail

namespace {

// The build as the window shows it: the gauge, and pumps paced to about 10 ms.
class WindowProgress final : public BuildProgress {
 public:
  explicit WindowProgress(FirmwareContext& ctx) : ctx_(ctx), pacer_(ctx.shell) {}
  void Begin(std::int64_t max) override {
    ctx_.ProgressbarReadWrite.SetMaxValue(max);
    ctx_.ProgressbarReadWrite.SetProgress(0);
    pacer_.Restart();
  }
  void Step(std::int64_t by) override { ctx_.ProgressbarReadWrite.StepBy(by); }
  void Tick() override { pacer_.Tick(); }
  void Filled() override { ctx_.shell.ProcessMessages(); }

 private:
  FirmwareContext& ctx_;
  detail::Pacer pacer_;
};

// The line's bytes are the file's, one per character: read as Windows-1251, so
// that our own text stays intact beside them.
void ReportLine(FirmwareContext& ctx, const LineFault& fault) {
  const std::string message = std::string(fault.message) + std::to_string(fault.line) + "!" + " (" +
                              forms::Cp1251ToUtf8(ctx.TextTerminal.Lines()[fault.line - 1]) + ")";
  ctx.shell.MessageBeep(forms::MB_ICONHAND);
  ctx.shell.ShowMessage(message);
  ctx.ProgressbarReadWrite.SetProgress(0);
}

// Built aside: the image in use stays whole, and a Write may send it, until the
// build has succeeded. A build that stops leaves it as it was.
bool BuildAside(FirmwareContext& ctx, ImageSink& sink, std::string& image) {
  WindowProgress progress(ctx);
  if (auto fault = PlaceLines(ctx.TextTerminal.Lines(), progress, sink)) {
    ReportLine(ctx, *fault);
    return false;
  }
  ctx.FirmwareImage.swap(image);  // the previous image goes with `image`
  return true;
}

}  // namespace

bool CheckFirmwareText(FirmwareContext& ctx) {
  WindowProgress progress(ctx);
  if (auto fault = CheckLines(ctx.TextTerminal.Lines(), progress)) {
    ReportLine(ctx, *fault);
    return false;
  }
  return true;
}

bool BuildFirmwareImage(FirmwareContext& ctx) {
  std::string image;
  StringImage sink(image);
  return BuildAside(ctx, sink, image);
}

void PrepareCarriedFirmware(FirmwareContext& ctx, std::optional<PreparedFirmware> ahead) {
  ctx.TextTerminal.UpperCase();
  // Made ahead from this very text: the same steps, the image already built.
  const bool useAhead = ahead && ctx.TextTerminal.Lines() == ahead->lines;
  if (!CheckFirmwareText(ctx)) return;
  if (useAhead) {
    NoImage built;
    if (!BuildAside(ctx, built, ahead->image)) return;
  } else if (!BuildFirmwareImage(ctx)) {
    return;
  }
  detail::ShowReadyState(ctx);
  ctx.LabelNameOfHex.SetCaption(texts::kReadyCarried);
}

}  // namespace firmware
