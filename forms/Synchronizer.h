#pragma once
// Hands work from another thread to the main thread. Synchronize blocks the
// caller until the main thread has run the work; Queue returns at once. The main
// thread runs what waits in CheckSynchronize (the program's message pumping
// calls it). No Qt here: the window layer only installs a wake-up callback.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace forms {

class Synchronizer {
 public:
  // The process-wide instance; the thread that first asks for it is the main
  // thread until SetMainThread says otherwise.
  static Synchronizer& Instance();
  // The instance of the calling thread's world: the one a ThreadWorld bound on
  // this thread, else Instance(). A program that runs several worlds at once
  // (one per port) gives each its own, so no hand-off crosses between them.
  static Synchronizer& Current();

  // Binds the calling thread to `world` for as long as it lives.
  class ThreadWorld {
   public:
    explicit ThreadWorld(Synchronizer& world);
    ~ThreadWorld();
    ThreadWorld(const ThreadWorld&) = delete;
    ThreadWorld& operator=(const ThreadWorld&) = delete;

   private:
    Synchronizer* previous_;
  };

  Synchronizer();
  void SetMainThread();
  bool IsMainThread() const;

  // Runs fn on the main thread and waits for it; an exception thrown by fn is
  // rethrown here. Called on the main thread, fn runs at once.
  void Synchronize(const std::function<void()>& fn);
  // Leaves fn for the main thread and returns at once. `owner` tags the work so
  // that RemoveQueued can drop it before the owner goes away.
  void Queue(const void* owner, std::function<void()> fn);
  void RemoveQueued(const void* owner);

  // On the main thread: runs all waiting work; when none waits, waits up to
  // timeoutMs for some to arrive (or for Signal). Returns whether work ran. On
  // another thread it runs nothing and only waits.
  bool CheckSynchronize(int timeoutMs = 0);
  // Ends a CheckSynchronize wait early (a thread that finished says so).
  void Signal();

  // Called from the worker whenever work is left, so the window layer can make
  // the main thread pump.
  void SetWakeMainThread(std::function<void()> wake);
  // Failures of queued work go here (the window layer shows its error box);
  // without a handler they are dropped.
  void SetErrorHandler(std::function<void(const std::exception_ptr&)> handler);

 private:
  struct Item {
    const void* owner = nullptr;
    std::function<void()> fn;
    bool synchronous = false;
    bool done = false;
    std::exception_ptr error;
  };
  // Appends to the queue and wakes the main thread.
  void Enqueue(std::shared_ptr<Item> item);

  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<Item>> queue_;
  std::atomic<std::thread::id> main_;
  bool signalled_ = false;
  std::function<void()> wake_;
  std::function<void(const std::exception_ptr&)> onError_;
};

}  // namespace forms
