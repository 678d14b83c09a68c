// The simulator's bootloader as a client on the slave side sees it.
#include <sys/stat.h>

#include <fstream>

#include "tests/devsim/Client.h"
#include "tools/devsim/Simulator.h"

namespace devsim_test {
namespace {

::testing::Environment* const kEnv = ::testing::AddGlobalTestEnvironment(new RuntimeDirEnvironment);

std::string Description(const std::string& reply) {
  // "r83" + text + two characters + ";"
  if (reply.size() < 6) return "<short reply " + reply + ">";
  return reply.substr(3, reply.size() - 6);
}

std::string Piece(unsigned seed, unsigned bytes) {
  std::string digits;
  for (unsigned i = 0; i < bytes; ++i) digits += Hex((seed * 31 + i * 7) & 0xFF, 2);
  return digits;
}

struct Running {
  explicit Running(devsim::Options o = {}) : sim(std::move(o)) {
    sim.Start();
    client = std::make_unique<Client>(sim.SlavePath());
  }
  devsim::Simulator sim;
  std::unique_ptr<Client> client;
};

TEST(DevsimIdentify, DefaultRepliesHaveTheGeometryAndTheOlderVersion) {
  Running r;
  const std::string id = r.client->Exchange("r0202;");
  ASSERT_EQ(id.size(), 18u) << id;
  EXPECT_EQ(id.substr(0, 5), "r8202");
  EXPECT_EQ(id.substr(9, 2), "0A");
  EXPECT_EQ(id.substr(11, 2), "40");
  EXPECT_EQ(id.substr(13, 4), "00C0");
  EXPECT_EQ(id.back(), ';');
  EXPECT_EQ(Description(r.client->Exchange("r0303;")), "210824");
}

TEST(DevsimIdentify, ConfiguredFieldsAndFixedDescription) {
  devsim::Options o;
  o.status = "92";
  o.loaderVersion = "03";
  o.writesPerBlock = 2;
  o.bytesPerWrite = 16;
  o.blockCount = 4;
  o.flashStart = devsim::FlashStart::Erased;
  o.description = "Line one\nline two";
  Running r(o);
  EXPECT_EQ(r.client->Exchange("r0202;"), "r92030104021000" "04;");
  EXPECT_EQ(Description(r.client->Exchange("r0303;")), "Line one\nline two");
  // A fixed text stays whatever the flash holds.
  EXPECT_EQ(r.client->Exchange(Frame("04000000")), "r8484;");
  EXPECT_EQ(Description(r.client->Exchange("r0303;")), "Line one\nline two");
}

TEST(DevsimIdentify, OptionsOutsideTheirRangeAreRefused) {
  auto refused = [](auto change) {
    devsim::Options o;
    change(o);
    EXPECT_ANY_THROW(devsim::Simulator{o});
  };
  refused([](devsim::Options& o) { o.writesPerBlock = 256; });
  refused([](devsim::Options& o) { o.blockCount = 70000; });
  refused([](devsim::Options& o) { o.status = "8"; });
  refused([](devsim::Options& o) { o.loaderVersion = "0;"; });
  refused([](devsim::Options& o) { o.dropRate = 1.5; });
  refused([](devsim::Options& o) { o.firmwareVersion = "2108"; });
  refused([](devsim::Options& o) { o.hangUpAfter = 0; });
  refused([](devsim::Options& o) { o.linkName = "../escape"; });
  refused([](devsim::Options& o) { o.writesPerBlock = 255, o.bytesPerWrite = 255, o.blockCount = 65535; });
}

TEST(DevsimFrames, SplitJoinedAndPrecededByWakeUpAndGarbage) {
  Running r;
  // One command over three reads.
  r.client->Send("r0");
  std::this_thread::sleep_for(15ms);
  r.client->Send("20");
  std::this_thread::sleep_for(15ms);
  r.client->Send("2;");
  EXPECT_EQ(r.client->Read().substr(0, 5), "r8202");

  // Three in one read, answered in order.
  r.client->Send("r0202;r0303;r0606;");
  const std::string three = r.client->Read(3);
  EXPECT_EQ(three.substr(0, 18).substr(0, 5), "r8202");
  EXPECT_EQ(three.substr(18, 3), "r83");
  // Program with nothing written is refused, so only two replies.
  EXPECT_EQ(three.size(), 18u + 12u) << three;

  // Wake-up bursts and stray 'r' before a frame, garbage between frames.
  r.client->Send("rrrrrrrrrrr0202;");
  EXPECT_EQ(r.client->Read().substr(0, 5), "r8202");
  r.client->Send("\r\nxyz r0303;");
  EXPECT_EQ(Description(r.client->Read()), "210824");

  const devsim::Stats s = r.sim.stats();
  EXPECT_EQ(s.commands, 5u);
  EXPECT_EQ(s.badFrames, 1u);
  EXPECT_EQ(s.garbageBytes, 6u);
}

TEST(DevsimFrames, BadFramesGetNoAnswerAndAreCounted) {
  Running r;
  const std::string bad[] = {
      "r0203;",                       // checksum
      "r0202",                        // cut short by the next frame's 'r'
      "r0a0a;",                       // lower case
      "r020;",                        // odd number of digits
      "r02;",                         // no checksum
      Frame("07"),                    // unknown command
      Frame("0202"),                  // identify with a parameter
      Frame("0400000001"),            // erase not at a block start
      Frame("0401E000"),              // erase beyond the flash (192 x 640 = 0x1E000)
      Frame("04000280").substr(0, 4) + "G" + ";",  // not a digit
      Frame("0501" + Piece(1, 64)),   // write before any erase
      Frame("0606").substr(0, 3) + ";",  // nothing but "r06"
  };
  for (const auto& frame : bad) r.client->Send(frame);
  EXPECT_EQ(r.client->ReadFor(150ms), "");
  EXPECT_EQ(r.sim.stats().badFrames, std::size(bad));

  // Within an erased block: wrong lengths, order and sequence.
  ASSERT_EQ(r.client->Exchange(Frame("04000280")), "r8484;");
  const std::string badInBlock[] = {
      Frame("0501" + Piece(1, 63)),  // one byte short
      Frame("0501" + Piece(1, 65)),  // one byte long
      Frame("0502" + Piece(1, 64)),  // number 2 first
      Frame("0500" + Piece(1, 64)),  // number 0
      "r0606;",                      // program with nothing written
  };
  for (const auto& frame : badInBlock) r.client->Send(frame);
  EXPECT_EQ(r.client->ReadFor(100ms), "");
  ASSERT_EQ(r.client->Exchange(Frame("0501" + Piece(1, 64))), "r8585;");
  r.client->Send(Frame("0502" + Piece(2, 64)));  // before piece 1 was programmed
  EXPECT_EQ(r.client->ReadFor(100ms), "");
  EXPECT_EQ(r.sim.stats().badFrames, std::size(bad) + std::size(badInBlock) + 1);

  // The device still serves.
  EXPECT_EQ(r.client->Exchange("r0606;"), "r8686;");
  EXPECT_EQ(r.client->Exchange(Frame("0502" + Piece(2, 64))), "r8585;");
}

TEST(DevsimFlash, ScriptedSessionWritesWhereTheCommitModelSays) {
  Running r;
  const std::vector<uint8_t> before = r.sim.Flash();
  ASSERT_EQ(before.size(), 192u * 640u);

  // Block 1: erase, then ten pieces, each written and programmed; piece 3 and
  // its program are re-sent as after lost acknowledgements.
  ASSERT_EQ(r.client->Exchange(Frame("04000280")), "r8484;");
  for (unsigned n = 1; n <= 10; ++n) {
    const std::string write = Frame("05" + Hex(n, 2) + Piece(n, 64));
    ASSERT_EQ(r.client->Exchange(write), "r8585;") << n;
    if (n == 3) {
      ASSERT_EQ(r.client->Exchange(write), "r8585;");
    }
    ASSERT_EQ(r.client->Exchange("r0606;"), "r8686;") << n;
    if (n == 3) {
      ASSERT_EQ(r.client->Exchange("r0606;"), "r8686;");
    }
  }
  // Block 2: erased and only its first piece written but not programmed.
  ASSERT_EQ(r.client->Exchange(Frame("04000500")), "r8484;");
  ASSERT_EQ(r.client->Exchange(Frame("0501" + Piece(99, 64))), "r8585;");

  const std::vector<uint8_t> flash = r.sim.Flash();
  for (unsigned n = 1; n <= 10; ++n) {
    const std::string digits = Piece(n, 64);
    for (unsigned i = 0; i < 64; ++i)
      ASSERT_EQ(flash[0x280 + (n - 1) * 64 + i], std::stoul(digits.substr(2 * i, 2), nullptr, 16)) << n << " " << i;
  }
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 0x280, flash.begin())) << "block 0 untouched";
  EXPECT_TRUE(std::all_of(flash.begin() + 0x500, flash.begin() + 0x780, [](uint8_t b) { return b == 0xFF; }))
      << "an uncommitted piece stays out of the flash";
  EXPECT_TRUE(std::equal(before.begin() + 0x780, before.end(), flash.begin() + 0x780));

  const devsim::Stats s = r.sim.stats();
  EXPECT_EQ(s.bytesProgrammed, 640u) << "a repeated program counts once";
  EXPECT_EQ(s.erases, 2u);
  EXPECT_EQ(s.writes, 12u);
  EXPECT_EQ(s.programs, 11u);
  EXPECT_EQ(s.badFrames, 0u);
}

// Writes the version marker with `version` into block 99 (0xF780..0xF9FF).
void WriteVersion(Client& c, const std::string& version) {
  ASSERT_EQ(c.Exchange(Frame("0400F780")), "r8484;");
  for (unsigned n = 1; n <= 9; ++n) {
    std::string data(128, 'F');
    if (n == 9) {
      std::string v;
      for (char ch : version) v += Hex(static_cast<unsigned char>(ch), 2);
      data = "55AAAA55" + v + "0200" + std::string(128 - 24, 'F');
    }
    ASSERT_EQ(c.Exchange(Frame("05" + Hex(n, 2) + data)), "r8585;");
    ASSERT_EQ(c.Exchange("r0606;"), "r8686;");
  }
}

TEST(DevsimFlash, DescriptionFollowsTheVersionInTheFlash) {
  Running r;
  EXPECT_EQ(Description(r.client->Exchange("r0303;")), "210824");
  WriteVersion(*r.client, "210825");
  EXPECT_EQ(Description(r.client->Exchange("r0303;")), "210825");
  EXPECT_EQ(devsim::VersionInFlash(r.sim.Flash()), "210825");
  WriteVersion(*r.client, "21A825");  // not six digits
  EXPECT_EQ(r.client->Exchange("r0303;"), "r8300;");

  devsim::Options erased;
  erased.flashStart = devsim::FlashStart::Erased;
  Running e(erased);
  EXPECT_EQ(e.client->Exchange("r0303;"), "r8300;");

  devsim::Options newer;
  newer.firmwareVersion = "210826";
  Running n(newer);
  EXPECT_EQ(Description(n.client->Exchange("r0303;")), "210826");
}

TEST(DevsimFlash, StartsFromAHexFileAndRefusesABadOne) {
  const std::string dir = std::getenv("XDG_RUNTIME_DIR");
  const std::string good = dir + "/good.hex", bad = dir + "/bad.hex";
  auto record = [](unsigned addr, unsigned type, const std::string& data) {
    std::string body = Hex(unsigned(data.size() / 2), 2) + Hex(addr, 4) + Hex(type, 2) + data;
    unsigned sum = 0;
    for (size_t i = 0; i < body.size(); i += 2) sum += std::stoul(body.substr(i, 2), nullptr, 16);
    return ":" + body + Hex((0x100 - (sum & 0xFF)) & 0xFF, 2) + "\r\n";
  };
  // Configuration words at 0x300000 lie beyond the flash and are left out.
  std::ofstream(good) << record(0x0000, 0, "0102A0B0") << record(0xF980, 0, "55AAAA55323130383235")
                      << record(0x0000, 4, "0030") << record(0x0000, 0, "FFEE") << record(0, 1, "");
  devsim::Options o;
  o.flashStart = devsim::FlashStart::HexFile;
  o.hexPath = good;
  Running r(o);
  const auto flash = r.sim.Flash();
  EXPECT_EQ(flash[0], 0x01);
  EXPECT_EQ(flash[3], 0xB0);
  EXPECT_EQ(flash[4], 0xFF);
  EXPECT_EQ(Description(r.client->Exchange("r0303;")), "210825");

  std::ofstream(bad) << record(0, 0, "0102") << ":0200000001FF\r\n";
  o.hexPath = bad;
  try {
    devsim::Simulator s(o);
    FAIL() << "a bad checksum was taken";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("bad.hex:2"), std::string::npos) << e.what();
  }
}

TEST(DevsimWakeUp, ResetLeavesTheBootloaderUntilAWakeUpBurst) {
  Running r;
  EXPECT_TRUE(r.sim.Awake());
  EXPECT_EQ(r.client->Exchange("r0101;"), "r8181;");
  EXPECT_FALSE(r.sim.Awake());
  r.client->Send("r0101;r0202;rrrr");  // the second reset and anything else: no answer
  EXPECT_EQ(r.client->ReadFor(100ms), "");
  r.client->Send("r");  // the fifth 'r' in a row, in another read
  r.client->Send("0202;");
  EXPECT_EQ(r.client->Read().substr(0, 5), "r8202");
  EXPECT_TRUE(r.sim.Awake());
  const devsim::Stats s = r.sim.stats();
  EXPECT_EQ(s.resets, 1u);
  EXPECT_EQ(s.wakeUps, 1u);
  EXPECT_EQ(s.ignoredAsleep, 2u);
  EXPECT_EQ(s.badFrames, 0u);
}

TEST(DevsimPort, PublishedAsFreshLinksAndRemovedOnStop) {
  const std::string folder = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/ostra-ports";
  EXPECT_EQ(devsim::VirtualPortsFolder(), folder);
  auto a = std::make_unique<devsim::Simulator>(devsim::Options{});
  a->Start();
  devsim::Simulator b{devsim::Options{}};
  b.Start();
  EXPECT_NE(a->PortName(), b.PortName());
  EXPECT_EQ(a->PortName().rfind("devsim", 0), 0u);
  EXPECT_EQ(a->LinkPath(), folder + "/" + a->PortName());
  struct stat st;
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  char target[256] = {};
  ASSERT_GT(readlink(a->LinkPath().c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), a->SlavePath());

  // Open by the link, as the uploader does.
  Client c(a->LinkPath());
  EXPECT_EQ(c.Exchange("r0202;").substr(0, 5), "r8202");
  const std::string link = a->LinkPath();
  a.reset();
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "link left behind";
  EXPECT_TRUE(c.HungUp());
}

TEST(DevsimPort, SurvivesTheClientClosingAndReopening) {
  devsim::Options o;
  o.lateMs = 80;
  Running r(o);
  r.client->Send("r0202;");
  r.client->Close();  // the reply falls due while nobody listens
  std::this_thread::sleep_for(200ms);
  Client again(r.sim.SlavePath());
  EXPECT_EQ(again.ReadFor(100ms), "") << "a reply for a closed port must not reach the next opener";
  EXPECT_EQ(again.Exchange("r0202;").substr(0, 5), "r8202");
  again.Close();
  Client third(r.sim.LinkPath());
  EXPECT_EQ(third.Exchange("r0303;").substr(0, 3), "r83");
  const devsim::Stats s = r.sim.stats();
  EXPECT_EQ(s.repliesLost, 1u);
  EXPECT_GE(s.portCloses, 1u);
}

}  // namespace
}  // namespace devsim_test
