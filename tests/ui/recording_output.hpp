#pragma once

// A sound output for tests: records what the audio thread asks of it, and can be made to hang
// inside play() the way an audio system that does not answer would.
#include "ui/sound_player.hpp"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tessary::test {

// What an output was asked to do, in order: a clip's first sample byte and size, or "stop".
struct OutputLog {
  std::mutex mutex;
  std::condition_variable released;
  bool hold = false; // play() waits while this is set: an audio system that does not answer
  std::vector<std::string> calls;
  std::atomic<int> made{0};
  std::atomic<bool> inPlay{false};
  Qt::HANDLE thread = nullptr;
  view::WaveClip lastClip; // the last clip played, whole

  void hang() {
    const std::lock_guard lock(mutex);
    hold = true;
  }

  std::vector<std::string> snapshot() {
    const std::lock_guard lock(mutex);
    return calls;
  }
  void release() {
    {
      const std::lock_guard lock(mutex);
      hold = false;
    }
    released.notify_all();
  }
};

class RecordingOutput : public ui::ClipOutput {
public:
  explicit RecordingOutput(std::shared_ptr<OutputLog> log) : log_(std::move(log)) {}
  void play(const view::WaveClip &clip) override {
    std::unique_lock lock(log_->mutex);
    log_->thread = QThread::currentThreadId();
    log_->inPlay = true;
    log_->released.wait(lock, [this] { return !log_->hold; });
    log_->inPlay = false;
    log_->lastClip = clip;
    log_->calls.push_back("play " + std::to_string(clip.samples.empty() ? -1 : clip.samples[0]) +
                          "/" + std::to_string(clip.samples.size()));
  }
  void stop() override {
    const std::lock_guard lock(log_->mutex);
    log_->calls.push_back("stop");
  }

private:
  std::shared_ptr<OutputLog> log_;
};

inline ui::ClipOutputFactory Recording(const std::shared_ptr<OutputLog> &log) {
  return [log] {
    ++log->made;
    return std::make_unique<RecordingOutput>(log);
  };
}

} // namespace tessary::test
