// The sounds as the user hears them: the four MessageBeep kinds as the sound
// theme's four events, Beep as a tone of its pitch and length, and silence with
// no sound device. ALSA's default device is pointed, per test, at a device that
// does not exist or at a null device whose samples are recorded to a file.
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

#include "forms/Shell.h"
#include "ui/qt/Sounds.h"

namespace qttest {
namespace {

using Clock = std::chrono::steady_clock;

// ALSA's (and so the theme player's) default device for this process, while it
// lasts. The player's lookup cache is kept private too: it is shared by every
// process of the user, and a test running beside this one with the desktop's
// theme would otherwise hand this one the desktop's sound files.
class AlsaDefault {
 public:
  explicit AlsaDefault(const std::string& definition) {
    config_ = dir_.filePath(QStringLiteral("asound.conf")).toStdString();
    std::ofstream(config_) << definition;
    setenv("ALSA_CONFIG_PATH", config_.c_str(), 1);
    setenv("CANBERRA_DRIVER", "alsa", 1);
    setenv("XDG_CACHE_HOME", dir_.path().toStdString().c_str(), 1);
    snd_config_update_free_global();
  }
  ~AlsaDefault() {
    unsetenv("ALSA_CONFIG_PATH");
    unsetenv("CANBERRA_DRIVER");
    unsetenv("XDG_CACHE_HOME");
    snd_config_update_free_global();
  }
  std::string Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)).toStdString(); }

 private:
  QTemporaryDir dir_;
  std::string config_;
};

std::vector<std::int16_t> Samples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                           (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return samples;
}

// The default device as a null device whose samples go to `raw`.
std::string Recorder(const std::string& raw) {
  return "pcm.!default { type file slave.pcm { type null } file \"" + raw + "\" format \"raw\" }\n";
}

// Waits until a sound played elsewhere has been written whole.
std::vector<std::int16_t> SettledSamples(const std::string& path) {
  std::vector<std::int16_t> last;
  const auto end = Clock::now() + std::chrono::seconds(3);
  for (int still = 0; still < 5 && Clock::now() < end;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    auto now = Samples(path);
    still = !now.empty() && now.size() == last.size() ? still + 1 : 0;
    last = std::move(now);
  }
  return last;
}

// A 16-bit mono 48 kHz WAV file of a sine tone.
void WriteWav(const std::string& path, unsigned hz, unsigned ms) {
  const std::uint32_t count = 48 * ms, bytes = 2 * count;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out << "RIFF";
  u32(36 + bytes);
  out << "WAVEfmt ";
  u32(16), u16(1), u16(1), u32(48000), u32(96000), u16(2), u16(16);
  out << "data";
  u32(bytes);
  for (std::uint32_t i = 0; i < count; ++i)
    u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / 48000.0))));
}

// A sound theme of the given WAV tones, where the desktop's theme would be,
// while it lasts.
class ToneTheme {
 public:
  ToneTheme(const AlsaDefault& alsa, std::initializer_list<std::pair<const char*, unsigned>> tones, unsigned ms) {
    const std::string data = alsa.Path(""), theme = alsa.Path("sounds/freedesktop");
    QDir().mkpath(QString::fromStdString(theme + "/stereo"));
    std::ofstream(theme + "/index.theme")
        << "[Sound Theme]\nName=Test\nDirectories=stereo\n\n[stereo]\nOutputProfile=stereo\n";
    for (auto [name, hz] : tones) WriteWav(theme + "/stereo/" + name + ".wav", hz, ms);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("XDG_DATA_DIRS", data.c_str(), 1);
  }
  ~ToneTheme() {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
  }
};

// What a stream wrote to a file descriptor while it was caught.
class Caught {
 public:
  explicit Caught(int fd) : fd_(fd), saved_(dup(fd)) {
    file_ = std::tmpfile();
    std::fflush(nullptr);
    dup2(fileno(file_), fd_);
  }
  std::string Release() {
    std::fflush(nullptr);
    dup2(saved_, fd_);
    close(saved_);
    std::string text;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
    std::fclose(file_);
    return text;
  }

 private:
  int fd_, saved_;
  std::FILE* file_;
};

// The pitch from the upward zero crossings between the first and the last.
double Pitch(const std::vector<std::int16_t>& s, double rate) {
  std::vector<std::size_t> ups;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (s[i - 1] < 0 && s[i] >= 0) ups.push_back(i);
  if (ups.size() < 2) return 0;
  return static_cast<double>(ups.size() - 1) * rate / static_cast<double>(ups.back() - ups.front());
}

// Runs the current test alone in a new process of this program and reports
// its outcome here: a skip there is a skip here, with its reason.
void RunInAFreshProcess() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("UPLOADER_TEST_FRESH_PROCESS"), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=%1.%2").arg(QString::fromLatin1(test->test_suite_name()),
                                                          QString::fromLatin1(test->name()))});
  ASSERT_TRUE(child.waitForFinished(60000)) << "the test's own process did not end";
  const std::string said = child.readAll().toStdString();
  ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << said;
  ASSERT_EQ(child.exitCode(), 0) << said;
  if (said.find("[  SKIPPED ]") != std::string::npos) GTEST_SKIP() << said;
  ASSERT_NE(said.find("[       OK ]"), std::string::npos) << said;
}

// The theme's player is made at a process's first sound and kept to its end,
// with the theme it found then: a window test's beep before this test, in the
// same process, would have made it with the desktop's. So the sounds are
// played in a process of their own, where the first sound is this test's.
TEST(Sounds, EachMessageBeepKindPlaysItsOwnEventOfTheSoundTheme) {
  if (!qEnvironmentVariableIsSet("UPLOADER_TEST_FRESH_PROCESS")) return RunInAFreshProcess();
  AlsaDefault recorded("");
  const std::string raw = recorded.Path("event.raw");
  std::ofstream(recorded.Path("asound.conf")) << Recorder(raw);
  snd_config_update_free_global();
  const ToneTheme theme(recorded, {{"dialog-error", 440}, {"dialog-question", 550}, {"dialog-warning", 660}, {"dialog-information", 880}}, 100);
  const std::pair<unsigned, unsigned> kinds[] = {{16, 440}, {32, 550}, {48, 660}, {64, 880}};
  uiqt::Sounds sounds;
  for (auto [type, hz] : kinds) {
    std::remove(raw.c_str());
    sounds.PlayEvent(type);
    const auto samples = SettledSamples(raw);
    if (samples.empty()) GTEST_SKIP() << "nothing recorded: the theme's player wrote nothing to ALSA's file device here";
    EXPECT_NEAR(Pitch(samples, 48000.0), static_cast<double>(hz), hz * 0.01) << type;
  }
}

// The window closed while a sound still plays: the sound may go on or stop,
// the program must not fall over.
TEST(Sounds, ClosingWhileASoundPlaysEndsCleanly) {
  AlsaDefault recorded("");
  const std::string raw = recorded.Path("sound.raw");
  std::ofstream(recorded.Path("asound.conf")) << Recorder(raw);
  snd_config_update_free_global();
  const ToneTheme theme(recorded, {{"dialog-error", 440}}, 30);
  for (int round = 0; round < 20; ++round) {
    {
      uiqt::Sounds sounds;
      sounds.PlayEvent(16);
      sounds.Flush();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(round % 8 * 10));
  }
  EXPECT_FALSE(Samples(raw).empty()) << "the sounds were heard";
}

TEST(Sounds, WithoutADeviceEverySoundIsSilentAndATonesTimeIsStillKept) {
  AlsaDefault none("pcm.!default { type hw card 63 }\n");
  uiqt::Sounds sounds;
  Caught err(STDERR_FILENO);
  for (unsigned type : {16u, 32u, 48u, 64u}) sounds.PlayEvent(type);
  sounds.Flush();
  std::vector<double> ms;
  for (unsigned hz : {1200u, 800u, 500u}) {
    const auto t0 = Clock::now();
    sounds.PlayTone(hz, 200);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  const std::string said = err.Release();
  EXPECT_EQ(said, "");
  for (double t : ms) {
    EXPECT_GE(t, 199.0);
    EXPECT_LT(t, 700.0);
  }
}

TEST(Sounds, TheFailedWritesTonesComeOutAtTheirPitch) {
  AlsaDefault recorded("");
  const std::string raw = recorded.Path("tone.raw");
  std::ofstream(recorded.Path("asound.conf")) << Recorder(raw);
  snd_config_update_free_global();
  uiqt::Sounds sounds;
  for (unsigned hz : {1200u, 800u, 500u}) {
    std::remove(raw.c_str());
    sounds.PlayTone(hz, 200);
    const auto samples = Samples(raw);
    if (samples.empty()) GTEST_SKIP() << "ALSA's file device recorded nothing on this machine";
    // 200 ms at 48 kHz, heard: a real amplitude.
    EXPECT_NEAR(static_cast<double>(samples.size()), 9600.0, 48.0) << hz;
    std::int16_t peak = 0;
    for (auto v : samples) peak = std::max<std::int16_t>(peak, static_cast<std::int16_t>(std::abs(v)));
    EXPECT_GT(peak, 5000) << hz;
    EXPECT_NEAR(Pitch(samples, 48000.0), static_cast<double>(hz), hz * 0.01) << hz;
  }
}

}  // namespace
}  // namespace qttest
