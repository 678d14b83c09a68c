#include "cli/Session.h"

namespace cli {

void Session::Start(PortJob job) {
  // Its line first, so the lines stand in the order the ports were named.
  terminal_.Starting(job.port);
  std::lock_guard lock(mutex_);
  auto entry = std::make_unique<Running_>();
  entry->job = std::move(job);
  Running_* self = entry.get();
  entry->thread = std::thread([this, self] {
    Conclude(RunPort(self->job, terminal_));
    self->done.store(true);
  });
  running_.push_back(std::move(entry));
}

void Session::Conclude(const ProcedureRecord& record) {
  const std::string line = RecordLine(record);
  if (log_) log_->Append(line);
  terminal_.Record(line);
  terminal_.Finished(record.port, std::string(OutcomeName(record.outcome)), record.outcome == Outcome::Written);
  int seen = exitCode_.load();
  const int code = ExitCodeOf(record.outcome);
  while (!exitCode_.compare_exchange_weak(seen, Worse(seen, code))) {
  }
}

void Session::Reap() {
  for (auto it = running_.begin(); it != running_.end();) {
    if ((*it)->done.load()) {
      (*it)->thread.join();
      it = running_.erase(it);
    } else {
      ++it;
    }
  }
}

bool Session::Running(const std::string& port) {
  std::lock_guard lock(mutex_);
  Reap();
  for (const auto& entry : running_)
    if (entry->job.port == port) return true;
  return false;
}

int Session::Finish() {
  std::list<std::unique_ptr<Running_>> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(running_);
  }
  for (auto& entry : all) entry->thread.join();
  return exitCode_.load();
}

}  // namespace cli
