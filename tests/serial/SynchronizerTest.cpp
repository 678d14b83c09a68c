// The hand-off from a worker to the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "forms/Synchronizer.h"

TEST(Synchronizer, RunsOnTheMainThreadAndHandsBackFailures) {
  auto& sync = forms::Synchronizer::Instance();
  const auto main = std::this_thread::get_id();
  std::thread::id ranOn;
  std::string caught;
  std::atomic<bool> done{false};
  std::atomic<int> wakes{0};
  sync.SetWakeMainThread([&] { ++wakes; });
  std::thread worker([&] {
    sync.Synchronize([&] { ranOn = std::this_thread::get_id(); });
    try {
      sync.Synchronize([] { throw std::runtime_error("boom"); });
    } catch (const std::exception& e) {
      caught = e.what();
    }
    done = true;
  });
  while (!done) sync.CheckSynchronize(10);
  worker.join();
  sync.SetWakeMainThread(nullptr);
  EXPECT_EQ(ranOn, main);
  EXPECT_EQ(caught, "boom");
  EXPECT_GE(wakes.load(), 2);

  bool direct = false;
  sync.Synchronize([&] { direct = true; });  // from the main thread: at once
  EXPECT_TRUE(direct);
}

TEST(Synchronizer, QueuedWorkCanBeWithdrawn) {
  auto& sync = forms::Synchronizer::Instance();
  int a = 0, b = 0;
  int ownerA, ownerB;
  std::thread([&] {
    sync.Queue(&ownerA, [&] { ++a; });
    sync.Queue(&ownerB, [&] { ++b; });
  }).join();
  sync.RemoveQueued(&ownerA);
  EXPECT_TRUE(sync.CheckSynchronize());
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_FALSE(sync.CheckSynchronize());
}
