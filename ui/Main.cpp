#include "ui/Main.h"

#include <utility>

#include "forms/Errors.h"
#include "ui/MainTexts.h"

namespace ui {

namespace {

// Marks a long operation as running for as long as the scope lasts.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = was_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

void TSkinManager::SetSkinName(const std::string& name) {
  if (skinName_ == name) return;
  skinName_ = name;
  Notify();
}

TMainForm::TMainForm(forms::Shell& shell, TFormHelp& formHelp)
    : FormOf(layout::kMainForm), shell_(shell), formHelp_(formHelp) {
  // The stored layout.
  SetHeight(kClientHeight);
  for (forms::Control* control : Controls()) layout::ApplyStoredTexts(layout::kMainForm, *control);
  cbBaudRate.SetItems(texts::BaudRateItems());
  TextTerminal.SetText(firmware::CarriedFirmwareText());
  serial::ApplyMainWindowSettings(BComPort1);
}

TMainForm::~TMainForm() = default;

std::vector<forms::Control*> TMainForm::Controls() {
  return {&sPanel1,      &Label1,           &cbPort,        &ButtonWrite,  &PNGButton6, &LabelNameOfHex, &ProgressbarReadWrite,
          &Label3,       &ProgressbarWrite, &cbBaudRate,    &sPanel3,      &sButton2,   &sButton3,       &sPanel2,
          &ButtonConect, &ButtonOpenHex,    &TextTerminal,  &MemoAbout,    &sComboBoxSkinName};
}

firmware::FirmwareContext TMainForm::firmwareContext() {
  return {.shell = shell_, .ProgressbarReadWrite = ProgressbarReadWrite, .TextTerminal = TextTerminal,
          .LabelNameOfHex = LabelNameOfHex, .ButtonWrite = ButtonWrite, .FirmwareImage = FirmwareImage,
          .OpenDialog1 = OpenDialog1};
}

protocol::ProtocolContext TMainForm::protocolContext() {
  return {.shell = shell_, .BComPort1 = BComPort1, .state = state, .FirmwareImage = FirmwareImage,
          .OpenDialog1 = OpenDialog1, .ProgressbarReadWrite = ProgressbarReadWrite,
          .ProgressbarWrite = ProgressbarWrite, .Label3 = Label3, .LabelNameOfHex = LabelNameOfHex,
          .MemoAbout = MemoAbout, .TextTerminal = TextTerminal, .ButtonConect = ButtonConect,
          .ButtonOpenHex = ButtonOpenHex, .ButtonWrite = ButtonWrite, .cbPort = cbPort, .cbBaudRate = cbBaudRate};
}

void TMainForm::FormCreate() {
  shell_.SetApplicationTitle(texts::kTitle);
  SetCaption(texts::kTitle);
  // The selectors; selecting by the program runs no change handler.
  {
    std::vector<std::string> ports = cbPort.Items();
    serial::ListSerialPorts(ports, portSources);
    cbPort.SetItems(std::move(ports));
    cbPort.SetItemIndex(0);
  }
  cbBaudRate.SetItemIndex(serial::br115200);
  MemoAbout.Clear();
  ProgressbarReadWrite.SetProgress(0);
  BusyScope busy(imageBusy_);
  auto ctx = firmwareContext();
  firmware::PrepareCarriedFirmware(ctx, std::exchange(CarriedAhead, std::nullopt));
}

void TMainForm::FormActivate() {
  shell_.RepaintMainWindow();
  shell_.ProcessMessages();
}

void TMainForm::FormResize() { FormActivate(); }

bool TMainForm::Refuse(Needs needs) {
  const bool busy = imageBusy_ || (needs == Needs::Port ? portBusy_ : writing_);
  if (!busy) return false;
  shell_.MessageBeep(forms::MB_ICONHAND);
  return true;
}

void TMainForm::ButtonConectClick() {
  if (Refuse(Needs::Port)) return;
  BusyScope busy(portBusy_);
  auto ctx = protocolContext();
  protocol::ButtonConectClick(ctx);
}

void TMainForm::ButtonOpenHexClick() {
  // Not while a write runs, even one the stop key has already released: the
  // device would get the start of one firmware and the rest of another.
  if (Refuse(Needs::Image)) return;
  BusyScope busy(imageBusy_);
  auto ctx = firmwareContext();
  firmware::ButtonOpenHexClick(ctx);
}

void TMainForm::ButtonWriteClick() {
  if (Refuse(Needs::Port)) return;
  BusyScope busy(portBusy_);
  BusyScope sending(writing_);
  auto ctx = protocolContext();
  protocol::ButtonWriteClick(ctx);
}

void TMainForm::cbBaudRateChange() {
  BComPort1.SetBaudRate(static_cast<serial::TBaudRate>(cbBaudRate.ItemIndex()));
}

void TMainForm::cbPortChange() { ButtonConect.SetFocus(); }

void TMainForm::Label1Click() {
#ifdef _WIN32
  shell_.ShellExecute("open", "devmgmt.msc", forms::SW_SHOWNORMAL);
#else
  // Linux has no device manager to hand the request to: the label does nothing.
#endif
}

TMainForm::Handler TMainForm::EventHandlerOf(std::string_view control) {
  static constexpr std::pair<std::string_view, Handler> kHandlers[] = {
      {"Label1", &TMainForm::Label1Click},
      {"cbPort", &TMainForm::cbPortChange},
      {"ButtonWrite", &TMainForm::ButtonWriteClick},
      {"PNGButton6", &TMainForm::PNGButton6Click},
      {"cbBaudRate", &TMainForm::cbBaudRateChange},
      {"sButton2", &TMainForm::sButton2Click},
      {"sButton3", &TMainForm::sButton3Click},
      {"ButtonConect", &TMainForm::ButtonConectClick},
      {"ButtonOpenHex", &TMainForm::ButtonOpenHexClick},
      {"sComboBoxSkinName", &TMainForm::sComboBoxSkinNameChange},
  };
  for (const auto& [name, handler] : kHandlers)
    if (name == control) return handler;
  return nullptr;
}

void TMainForm::sComboBoxSkinNameChange() { sSkinManager1.SetSkinName(sComboBoxSkinName.Text()); }

void TMainForm::sButton2Click() {
  shell_.MessageBeep(forms::MB_ICONASTERISK);
  shell_.ShellExecute("", TFormHelp::kSiteUrl, forms::SW_SHOW);
}

void TMainForm::sButton3Click() {
  shell_.MessageBeep(forms::MB_ICONASTERISK);
  formHelp_.ShowAbout();
}

void TMainForm::PNGButton6Click() { sButton3Click(); }

void TMainForm::FormKeyDown(std::uint16_t key, forms::TShiftState shift) {
  // Rows tested in order; the key is never swallowed.
  if (key == forms::VK_F1) {
    formHelp_.ShowAbout();
  } else if (key == 'E' && shift.Ctrl && shift.Shift) {
    SetHeight(kExpandedHeight);
  } else if (key == forms::VK_DELETE && shift.Ctrl) {
    if (ProgressbarReadWrite.Progress() != 0) StopCommand();
  } else if (key == 'R' && shift.Ctrl) {
    RefreshPorts();
  } else if (key == 'L' && shift.Ctrl) {
    ResetCommand();
  }
}

void TMainForm::StopCommand() {
  auto ctx = protocolContext();
  protocol::StopKey(ctx);
}

void TMainForm::RefreshPorts() {
  std::vector<std::string> ports = cbPort.Items();
  serial::ListSerialPorts(ports, portSources);
  cbPort.SetItems(std::move(ports));
  cbPort.SetItemIndex(0);
  shell_.ShowMessage(texts::kPortsRefreshed);
}

void TMainForm::ResetCommand() {
  auto ctx = protocolContext();
  protocol::ResetKey(ctx);
}

}  // namespace ui
