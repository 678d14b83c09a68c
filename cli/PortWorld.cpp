#include "cli/PortWorld.h"

#include "cli/StopKey.h"
#include "forms/Errors.h"
#include "forms/Synchronizer.h"
#include "protocol/ProtocolTexts.h"
#include "protocol/wire/Wire.h"

namespace cli {

ProcedureRecord RunPort(const PortJob& job, Terminal& terminal) {
  forms::Synchronizer world;  // its main thread is this one
  forms::Synchronizer::ThreadWorld bound(world);
  PortWorld port(job, terminal);
  return port.Run();
}

PortWorld::PortWorld(const PortJob& job, Terminal& terminal) : job_(job), terminal_(terminal), shell_(terminal, job.port) {
  serial::ApplyMainWindowSettings(BComPort1);
  form_.SelectPort(job.port);
  form_.cbBaudRate.SetItemIndex(job.speedIndex);
  if (job.image) form_.OpenDialog1.FileName = job.image->file;
  shell_.onPump = [this] { OnPump(); };
  form_.ProgressbarReadWrite.Subscribe([this] {
    terminal_.Progress(job_.port, form_.ProgressbarReadWrite.Percent());
    // The transfer has moved once its gauge counts blocks and shows one done.
    if (form_.LabelNameOfHex.Caption() == protocol::texts::kWriting && form_.ProgressbarReadWrite.Progress() != 0)
      transferMoved_ = true;
  });
  form_.LabelNameOfHex.Subscribe([this] {
    if (form_.LabelNameOfHex.Caption() == protocol::texts::kWriting) TakeIdentification();
    terminal_.Status(job_.port, form_.LabelNameOfHex.Caption());
  });
}

protocol::ProtocolContext PortWorld::Context() {
  return form_.Context(shell_, BComPort1, job_.image ? job_.image->text : emptyImage_);
}

void PortWorld::OnPump() {
  // The window's stop key acts only while the gauge is off zero; a press
  // before that waits for the first block's end.
  if (stopped_ || !transferMoved_ || !StopPressed()) return;
  stopped_ = true;
  auto ctx = Context();
  protocol::StopKey(ctx);
}

Outcome PortWorld::Procedure() {
  auto ctx = Context();
  switch (job_.command) {
    case Command::Identify:
      switch (protocol::ButtonConectClick(ctx)) {
        case protocol::IdentifyOutcome::Identified: return Outcome::Identified;
        case protocol::IdentifyOutcome::UnknownBootloader: return Outcome::UnknownBootloader;
        case protocol::IdentifyOutcome::NotIdentified: break;
      }
      return Outcome::NotIdentified;
    case Command::Reset: protocol::ResetKey(ctx); return Outcome::Reset;
    case Command::Write: break;
  }
  switch (protocol::ButtonWriteClick(ctx)) {
    case protocol::WriteOutcome::NotIdentified: return Outcome::NotIdentified;
    case protocol::WriteOutcome::UnknownBootloader: return Outcome::UnknownBootloader;
    case protocol::WriteOutcome::UnknownVersion: return Outcome::UnknownVersion;
    case protocol::WriteOutcome::AlreadyWritten: return Outcome::AlreadyWritten;
    case protocol::WriteOutcome::NewerWritten: return Outcome::NewerWritten;
    case protocol::WriteOutcome::Written: return Outcome::Written;
    case protocol::WriteOutcome::Failed: return Outcome::Failed;
    case protocol::WriteOutcome::Stopped: break;
  }
  return Outcome::Stopped;
}

void PortWorld::TakeIdentification() {
  if (identificationTaken_) return;
  identificationTaken_ = true;
  record_.loaderVersion = form_.state.LoaderVersion;
  record_.status = form_.state.ReplyStatus;
  record_.writesPerBlock = form_.state.WritesPerBlock;
  record_.bytesPerWrite = form_.state.BytesPerWrite;
  record_.blockCount = form_.state.BlockCount;
  record_.description = form_.MemoAbout.Text();
  const auto verdict = protocol::wire::JudgeVersion(record_.description);
  if (verdict != protocol::wire::VersionVerdict::NotANumber && verdict != protocol::wire::VersionVerdict::Unknown)
    record_.versionBefore = record_.description;
}

ProcedureRecord PortWorld::Run() {
  auto& record = record_;
  record.command = job_.command == Command::Write ? "write" : job_.command == Command::Identify ? "identify" : "reset";
  record.port = job_.port;
  record.written = job_.command == Command::Write ? job_.image : nullptr;
  record.start = std::chrono::system_clock::now();
  try {
    record.outcome = Procedure();
  } catch (const std::exception& e) {
    shell_.ShowErrorBox(forms::ErrorBoxText(e.what()));
    // A port that fails once the transfer began has left the device written in part.
    record.outcome = identificationTaken_ && job_.command == Command::Write ? Outcome::Incomplete : Outcome::PortError;
  }
  try {
    BComPort1.Close();
  } catch (const std::exception&) {
    // Closing a port that already failed: the outcome above says it.
  }
  record.end = std::chrono::system_clock::now();
  TakeIdentification();
  record.failedAttempts = form_.state.Procedure.FailedAttempts;
  record.erasePause = form_.state.Procedure.ErasePause;
  record.writePause = form_.state.Procedure.WritePause;
  record.programPause = form_.state.Procedure.ProgramPause;
  return record;
}

}  // namespace cli
