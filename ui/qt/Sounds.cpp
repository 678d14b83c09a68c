#include "ui/qt/Sounds.h"

#include <alsa/asoundlib.h>
#include <canberra.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "forms/Shell.h"

namespace uiqt {

namespace {

constexpr unsigned kToneRate = 48000;
constexpr unsigned kToneLatencyUs = 50000;
constexpr double kToneAmplitude = 0.3 * 32767;
constexpr unsigned kFadeSamples = kToneRate / 200;  // 5 ms each end: no click

// ALSA tells a missing device on stderr; a program without sound stays quiet.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

std::vector<std::int16_t> SineTone(unsigned frequencyHz, unsigned durationMs) {
  const std::size_t count = static_cast<std::size_t>(kToneRate) * durationMs / 1000;
  std::vector<std::int16_t> samples(count);
  const double step = 2 * M_PI * frequencyHz / kToneRate;
  for (std::size_t i = 0; i < count; ++i) {
    double gain = 1.0;
    if (i < kFadeSamples) gain = static_cast<double>(i) / kFadeSamples;
    if (count - i < kFadeSamples) gain = static_cast<double>(count - i) / kFadeSamples;
    samples[i] = static_cast<std::int16_t>(std::lround(kToneAmplitude * gain * std::sin(step * static_cast<double>(i))));
  }
  return samples;
}

// Plays the samples on the default device; false when there is none to play on.
bool PlayOnDefaultDevice(const std::vector<std::int16_t>& samples) {
  snd_pcm_t* pcm = nullptr;
  // Not blocking at open: a device held by another program is no reason to wait.
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) != 0) return false;
  bool played = snd_pcm_nonblock(pcm, 0) == 0 &&
                snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kToneRate, 1,
                                   kToneLatencyUs) == 0;
  std::size_t done = 0;
  while (played && done < samples.size()) {
    snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
    if (n < 0) n = snd_pcm_recover(pcm, static_cast<int>(n), 1);
    if (n < 0) played = false;
    else done += static_cast<std::size_t>(n);
  }
  if (played) snd_pcm_drain(pcm);
  snd_pcm_close(pcm);
  return played;
}

// The theme player for the whole process, made at the first sound and never
// destroyed: destroying it unloads its output driver, in which a sound that is
// still starting or ending runs on a thread of its own.
ca_context* ThemePlayer() {
  static ca_context* const player = [] {
    ca_context* context = nullptr;
    return ca_context_create(&context) == CA_SUCCESS ? context : nullptr;
  }();
  return player;
}

}  // namespace

Sounds::Sounds() {
  static const bool quiet = (snd_lib_error_set_handler(QuietAlsa), true);
  (void)quiet;
}

Sounds::~Sounds() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

const char* Sounds::EventId(unsigned type) {
  switch (type) {
    case forms::MB_ICONHAND: return "dialog-error";
    case forms::MB_ICONQUESTION: return "dialog-question";
    case forms::MB_ICONEXCLAMATION: return "dialog-warning";
    case forms::MB_ICONASTERISK: return "dialog-information";
    default: return "bell";
  }
}

void Sounds::PlayEvent(unsigned type) {
  std::lock_guard lock(mutex_);
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  queue_.push_back(type);
  wake_.notify_one();
}

void Sounds::Flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void Sounds::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) break;
    const unsigned type = queue_.front();
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    // The server is reached at the first sound; without one each sound is
    // refused and nothing more happens.
    if (ca_context* player = ThemePlayer()) ca_context_play(player, 0, CA_PROP_EVENT_ID, EventId(type), nullptr);
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
}

void Sounds::PlayTone(unsigned frequencyHz, unsigned durationMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
  if (frequencyHz > 0 && frequencyHz < kToneRate / 2 && durationMs > 0)
    PlayOnDefaultDevice(SineTone(frequencyHz, durationMs));
  std::this_thread::sleep_until(end);
}

}  // namespace uiqt
