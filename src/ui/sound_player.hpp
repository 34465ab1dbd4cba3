#pragma once

#include "view/wave_clip.hpp"

#include <chrono>
#include <functional>
#include <memory>

class QThread;

namespace tessary::ui {

// Where the audio thread sends clips. Made, used and destroyed on the audio thread only.
class ClipOutput {
public:
  virtual ~ClipOutput() = default;
  // Starts the clip, replacing whatever plays. May take its time: only the audio thread waits.
  virtual void play(const view::WaveClip &clip) = 0;
  virtual void stop() = 0;
};
using ClipOutputFactory = std::function<std::unique_ptr<ClipOutput>()>;

class AudioWorker;
struct SoundRequests;

// Plays one clip at a time on a thread of its own. The caller's thread only leaves a request and
// never waits on the audio system, which can be slow to answer or not answer at all. Requests
// made faster than the audio thread takes them collapse into the latest one: when the selection
// runs over many sounds, only the last is played.
class SoundPlayer {
public:
  explicit SoundPlayer(ClipOutputFactory makeOutput);
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer &) = delete;
  SoundPlayer &operator=(const SoundPlayer &) = delete;

  // Both return at once.
  void play(view::WaveClip clip);
  void stop();

  // Stops the sound and ends the audio thread, waiting at most `patience` for it. False when the
  // thread did not end in time (the audio system hangs): it is then left to finish on its own,
  // and the output's global state must not be torn down behind it.
  bool shutDown(std::chrono::milliseconds patience);

private:
  void request(std::optional<view::WaveClip> clip);
  void startThread();

  ClipOutputFactory makeOutput_;
  std::shared_ptr<SoundRequests> requests_;
  std::unique_ptr<QThread> thread_; // started on the first request: a silent run sets up no audio
  std::unique_ptr<AudioWorker> worker_;
  bool shutDown_ = false;
};

} // namespace tessary::ui
