// The carried firmware made ready off the main thread: the same check and build
// the start-up runs, against private controls that nobody sees.
#include <exception>

#include "firmware/Firmware.h"
#include "firmware/Internal.h"

namespace firmware {

namespace {

// Answers everything and shows nothing: a fault only makes the preparation fail.
class QuietShell final : public forms::Shell {
 public:
  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  void ShowMessage(const std::string&) override {}
  void ShowErrorBox(const std::string&) override {}
  void MessageBeep(unsigned) override {}
  void Beep(unsigned, unsigned) override {}
  void Sleep(unsigned) override {}
  void ProcessMessages() override {}
  void BringToFront() override {}
  void RepaintMainWindow() override {}
  void ShellExecute(const std::string&, const std::string&, unsigned) override {}
  std::optional<std::string> OpenFileDialog(const std::string&) override { return std::nullopt; }
  std::string LongTimeOfDay() override { return {}; }

 private:
  std::string title_;
};

}  // namespace

namespace detail {

bool SameUpperCased(const std::vector<std::string>& lines, const std::vector<std::string>& upper) {
  if (lines.size() != upper.size()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& a = lines[i];
    const std::string& b = upper[i];
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
      if (forms::UpperAscii(a[k]) != b[k]) return false;
  }
  return true;
}

}  // namespace detail

std::optional<PreparedFirmware> PrepareAhead(std::string_view text) {
  try {
    QuietShell shell;
    forms::TGauge gauge{nullptr, "gauge"};
    forms::Memo memo{nullptr, "memo"};
    forms::Label label{nullptr, "label"};
    forms::Control write{nullptr, "write"};
    std::string image;
    TOpenDialog dialog;
    FirmwareContext ctx{.shell = shell, .ProgressbarReadWrite = gauge, .TextTerminal = memo,
                        .LabelNameOfHex = label, .ButtonWrite = write, .FirmwareImage = image,
                        .OpenDialog1 = dialog};
    memo.SetText(text);
    memo.UpperCase();
    if (!CheckFirmwareText(ctx) || !BuildFirmwareImage(ctx)) return std::nullopt;
    PreparedFirmware prepared;
    prepared.lines = memo.Lines();
    prepared.image = std::move(image);
    return prepared;
  } catch (const std::exception&) {
    // A conversion error or no memory: the start-up meets it again and reports it.
    return std::nullopt;
  }
}

}  // namespace firmware
