#include "forms/Synchronizer.h"

#include <chrono>

namespace forms {

Synchronizer& Synchronizer::Instance() {
  static Synchronizer instance;
  return instance;
}

namespace {
thread_local Synchronizer* boundWorld = nullptr;
}  // namespace

Synchronizer& Synchronizer::Current() { return boundWorld ? *boundWorld : Instance(); }

Synchronizer::ThreadWorld::ThreadWorld(Synchronizer& world) : previous_(boundWorld) { boundWorld = &world; }

Synchronizer::ThreadWorld::~ThreadWorld() { boundWorld = previous_; }

Synchronizer::Synchronizer() : main_(std::this_thread::get_id()) {}

void Synchronizer::SetMainThread() { main_.store(std::this_thread::get_id()); }

bool Synchronizer::IsMainThread() const {
  return std::this_thread::get_id() == main_.load();
}

void Synchronizer::Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  auto item = std::make_shared<Item>();
  item->fn = fn;
  item->synchronous = true;
  Enqueue(item);
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [&] { return item->done; });
  if (item->error) std::rethrow_exception(item->error);
}

void Synchronizer::Queue(const void* owner, std::function<void()> fn) {
  auto item = std::make_shared<Item>();
  item->owner = owner;
  item->fn = std::move(fn);
  Enqueue(std::move(item));
}

void Synchronizer::Enqueue(std::shared_ptr<Item> item) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(item));
    wake = wake_;
  }
  cv_.notify_all();
  // Outside the lock: the wake may post to the main thread's event loop.
  if (wake) wake();
}

void Synchronizer::RemoveQueued(const void* owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(queue_, [owner](const auto& item) { return !item->synchronous && item->owner == owner; });
}

bool Synchronizer::CheckSynchronize(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!IsMainThread()) {
    if (timeoutMs > 0)
      cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return signalled_; });
    signalled_ = false;
    return false;
  }
  if (queue_.empty() && timeoutMs > 0)
    cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return signalled_ || !queue_.empty(); });
  signalled_ = false;
  bool ran = false;
  // Work queued while we run waits for the next call, so a busy worker cannot
  // keep the main thread here for ever.
  std::deque<std::shared_ptr<Item>> batch;
  batch.swap(queue_);
  lock.unlock();
  for (auto& item : batch) {
    ran = true;
    std::exception_ptr error;
    try {
      item->fn();
    } catch (...) {
      error = std::current_exception();
    }
    if (item->synchronous) {
      {
        std::lock_guard done(mutex_);
        item->error = error;
        item->done = true;
      }
      cv_.notify_all();
    } else if (error) {
      std::function<void(const std::exception_ptr&)> onError;
      {
        std::lock_guard guard(mutex_);
        onError = onError_;
      }
      if (onError) onError(error);
    }
  }
  return ran;
}

void Synchronizer::Signal() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_all();
}

void Synchronizer::SetWakeMainThread(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

void Synchronizer::SetErrorHandler(std::function<void(const std::exception_ptr&)> handler) {
  std::lock_guard lock(mutex_);
  onError_ = std::move(handler);
}

}  // namespace forms
