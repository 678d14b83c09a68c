// Faults on request, and the wire and busy times.
#include <sys/stat.h>

#include <cmath>

#include "tests/devsim/Client.h"
#include "tools/devsim/Simulator.h"

namespace devsim_test {
namespace {

constexpr int kCommands = 60;

std::string Identifies(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "r0202;";
  return text;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

struct FaultRun {
  std::vector<std::string> decisions;  // the fault entries of the transcript
  std::string received;                // what the client read
  devsim::Stats stats;
};

// The same wire each time: kCommands identify commands in one write.
FaultRun RunFaults(devsim::Options o) {
  o.publish = false;
  devsim::Simulator sim(o);
  sim.Start();
  Client c(sim.SlavePath());
  c.Send(Identifies(kCommands));
  FaultRun run;
  run.received = c.Read(kCommands, 800ms);
  run.stats = sim.stats();
  for (const auto& e : sim.Transcript())
    if (e.direction == devsim::Direction::Fault) run.decisions.push_back(e.text);
  return run;
}

TEST(DevsimFaults, EachFaultFollowsItsSeed) {
  struct Case {
    const char* name;
    void (*set)(devsim::Options&);
  };
  const Case cases[] = {
      {"drop", [](devsim::Options& o) { o.dropRate = 0.3; }},
      {"garble", [](devsim::Options& o) { o.garbleRate = 0.3; }},
      {"delay", [](devsim::Options& o) { o.delayRate = 0.3, o.delayMs = 20; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devsim::Options o;
    c.set(o);
    o.seed = 7;
    const FaultRun a = RunFaults(o), b = RunFaults(o);
    o.seed = 8;
    const FaultRun other = RunFaults(o);
    EXPECT_EQ(a.decisions, b.decisions);
    EXPECT_NE(a.decisions, other.decisions);
    // Some but not all replies are hit (60 draws at 0.3: 5..35 holds with certainty to spare).
    EXPECT_GT(a.decisions.size(), 5u);
    EXPECT_LT(a.decisions.size(), 35u);
    EXPECT_EQ(a.stats.commands, uint64_t(kCommands));

    // What the client sees agrees with the decisions.
    const size_t good = Count(a.received, "r8202"), garbled = Count(a.received, "r9202");
    if (std::string(c.name) == "drop") {
      EXPECT_EQ(good, kCommands - a.decisions.size());
      EXPECT_EQ(a.stats.dropped, a.decisions.size());
    } else if (std::string(c.name) == "garble") {
      EXPECT_EQ(garbled, a.decisions.size());
      EXPECT_EQ(good + garbled, size_t(kCommands));
    } else {
      EXPECT_EQ(good, size_t(kCommands)) << "delayed replies still come, in order";
      EXPECT_EQ(a.stats.delayed, a.decisions.size());
    }
  }
}

TEST(DevsimFaults, DelayedReplyComesAfterItsDelay) {
  devsim::Options o;
  o.publish = false;
  o.delayRate = 1;
  o.delayMs = 150;
  devsim::Simulator sim(o);
  sim.Start();
  Client c(sim.SlavePath());
  const auto t0 = Clock::now();
  c.Send("r0202;");
  EXPECT_EQ(c.Read(1, 100ms), "");
  EXPECT_EQ(c.Read(1, 2000ms).substr(0, 5), "r8202");
  EXPECT_GE(Clock::now() - t0, 145ms);
}

TEST(DevsimFaults, SilentAndStopAfterAnswerNoMore) {
  devsim::Options silent;
  silent.publish = false;
  silent.silent = true;
  devsim::Simulator s(silent);
  s.Start();
  Client c(s.SlavePath());
  c.Send(Identifies(3) + "r0101;");
  EXPECT_EQ(c.ReadFor(150ms), "");
  EXPECT_EQ(s.stats().unanswered, 4u);
  EXPECT_TRUE(s.Awake()) << "a silent device does nothing, not even reset";

  devsim::Options stop;
  stop.publish = false;
  stop.stopAfter = 3;
  devsim::Simulator t(stop);
  t.Start();
  Client d(t.SlavePath());
  d.Send(Identifies(5));
  EXPECT_EQ(Count(d.Read(5, 300ms), "r8202"), 3u);
  EXPECT_EQ(d.ReadFor(100ms), "");
  EXPECT_EQ(t.stats().commands, 3u);
  EXPECT_EQ(t.stats().unanswered, 2u);
}

TEST(DevsimFaults, HangsUpAfterTheNthReply) {
  devsim::Options o;
  o.hangUpAfter = 2;
  devsim::Simulator sim(o);
  sim.Start();
  const std::string link = sim.LinkPath();
  Client c(link);
  EXPECT_EQ(c.Exchange("r0202;").substr(0, 5), "r8202");
  EXPECT_EQ(c.Exchange("r0303;").substr(0, 3), "r83") << "the last reply must not be lost in the hang-up";
  EXPECT_EQ(c.Read(1, 1000ms), "");
  EXPECT_TRUE(c.HungUp());
  const auto end = Clock::now() + 2s;
  while (!sim.Finished() && Clock::now() < end) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(sim.Finished());
  EXPECT_TRUE(sim.stats().hungUp);
  struct stat st;
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link must go with the line";
}

TEST(DevsimFaults, LateReplyLandsInTheNextRead) {
  devsim::Options o;
  o.publish = false;
  o.lateMs = 60;
  devsim::Simulator sim(o);
  sim.Start();
  Client c(sim.SlavePath());
  // The uploader's read of an acknowledgement: at most 21 ms when nothing comes.
  c.Send(Frame("04000000"));
  EXPECT_EQ(c.Read(1, 21ms), "");
  std::this_thread::sleep_for(80ms);
  c.Send(Frame("04000000"));  // re-sent; the first reply is now waiting
  EXPECT_EQ(c.Read(1, 21ms), "r8484;");
  EXPECT_EQ(c.Read(1, 1000ms), "r8484;");
}

TEST(DevsimTiming, BaudRateCostsTheWireTimeBothWays) {
  devsim::Options o;
  o.publish = false;
  o.baud = 2400;  // 4.17 ms a character: 6 in, 18 out = 100 ms
  devsim::Simulator sim(o);
  sim.Start();
  Client c(sim.SlavePath());
  const auto t0 = Clock::now();
  const std::string reply = c.Exchange("r0202;", 3000ms);
  const auto took = Clock::now() - t0;
  EXPECT_EQ(reply.size(), 18u) << "written in one piece";
  EXPECT_GE(took, 95ms);
  EXPECT_LT(took, 1000ms);

  // Two commands in one write: the second one's wire time follows the first's.
  const auto t1 = Clock::now();
  c.Send("r0202;r0202;");
  EXPECT_EQ(c.Read(1, 3000ms).size(), 18u);
  const auto first = Clock::now() - t1;
  EXPECT_EQ(c.Read(1, 3000ms).size(), 18u);
  const auto second = Clock::now() - t1;
  EXPECT_GE(first, 95ms);
  EXPECT_GE(second, 170ms);  // 12 in + 36 out = 200 ms, less the overlap of 6 in with 18 out
}

TEST(DevsimTiming, BusyTimesHoldTheirReplies) {
  devsim::Options o;
  o.publish = false;
  o.eraseBusyMs = 120;
  o.writeBusyMs = 60;
  o.programBusyMs = 90;
  devsim::Simulator sim(o);
  sim.Start();
  Client c(sim.SlavePath());
  auto timed = [&](const std::string& command, const std::string& expect) {
    const auto t0 = Clock::now();
    EXPECT_EQ(c.Exchange(command, 3000ms), expect);
    return Clock::now() - t0;
  };
  EXPECT_GE(timed(Frame("04000000"), "r8484;"), 115ms);
  EXPECT_GE(timed(Frame("0501" + std::string(128, '0')), "r8585;"), 55ms);
  EXPECT_GE(timed("r0606;", "r8686;"), 85ms);
}

// A USB adapter's tick: replies are written only at multiples of the tick
// since the start, so back-to-back exchanges cost a tick each on average.
TEST(DevsimTiming, DeliveryTicksHoldRepliesToTheTick) {
  devsim::Options o;
  o.publish = false;
  o.deliveryTickMs = 16;
  devsim::Simulator sim(o);
  sim.Start();
  Client c(sim.SlavePath());
  const auto t0 = Clock::now();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(c.Exchange("r0202;", 3000ms).size(), 18u);
  EXPECT_GE(Clock::now() - t0, 120ms) << "ten exchanges, nearly each waiting a whole tick";
  sim.Stop();
  // Each reply waits for the first tick after its command came in (a loaded
  // machine may write it later, never earlier).
  int out = 0;
  double lastIn = 0;
  for (const auto& e : sim.Transcript()) {
    if (e.direction == devsim::Direction::In) lastIn = e.ms;
    if (e.direction != devsim::Direction::Out) continue;
    ++out;
    const double tick = std::ceil(lastIn / 16.0) * 16.0;
    EXPECT_GE(e.ms, tick - 0.2) << "a reply written before its tick";
  }
  EXPECT_EQ(out, 10);
}

}  // namespace
}  // namespace devsim_test
