#include "ui/sound_player.hpp"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <mutex>
#include <optional>
#include <utility>

namespace tessary::ui {

// The hand-over between the two threads: the latest request not yet taken, and whether the audio
// thread has already been told to look.
struct SoundRequests {
  std::mutex mutex;
  std::optional<std::optional<view::WaveClip>> pending; // a clip to play, or nothing for "stop"
  bool wakePosted = false;
};

// Lives on the audio thread; owns the output there.
class AudioWorker : public QObject {
public:
  AudioWorker(ClipOutputFactory makeOutput, std::shared_ptr<SoundRequests> requests)
      : makeOutput_(std::move(makeOutput)), requests_(std::move(requests)) {}

  void serve() {
    std::optional<view::WaveClip> clip;
    {
      const std::lock_guard lock(requests_->mutex);
      requests_->wakePosted = false;
      if (!requests_->pending)
        return;
      clip = std::move(*requests_->pending);
      requests_->pending.reset();
    }
    if (!output_) {
      if (!clip)
        return; // nothing has played yet: nothing to stop
      output_ = makeOutput_();
    }
    if (clip)
      output_->play(*clip);
    else
      output_->stop();
  }

  // The output goes on the thread that made it.
  void finish() {
    if (output_)
      output_->stop();
    output_.reset();
    thread()->quit();
  }

private:
  ClipOutputFactory makeOutput_;
  std::shared_ptr<SoundRequests> requests_;
  std::unique_ptr<ClipOutput> output_;
};

SoundPlayer::SoundPlayer(ClipOutputFactory makeOutput)
    : makeOutput_(std::move(makeOutput)), requests_(std::make_shared<SoundRequests>()) {}

SoundPlayer::~SoundPlayer() { shutDown(std::chrono::milliseconds(250)); }

void SoundPlayer::play(view::WaveClip clip) { request(std::move(clip)); }

void SoundPlayer::stop() {
  if (thread_)
    request(std::nullopt);
}

void SoundPlayer::startThread() {
  thread_ = std::make_unique<QThread>();
  thread_->setObjectName(QStringLiteral("sound"));
  worker_ = std::make_unique<AudioWorker>(makeOutput_, requests_);
  worker_->moveToThread(thread_.get());
  thread_->start();
}

void SoundPlayer::request(std::optional<view::WaveClip> clip) {
  if (shutDown_)
    return;
  if (!thread_)
    startThread();
  bool post = false;
  {
    const std::lock_guard lock(requests_->mutex);
    requests_->pending = std::move(clip);
    post = !std::exchange(requests_->wakePosted, true);
  }
  if (post) // posting an event only queues it: this never waits on the audio thread
    QMetaObject::invokeMethod(
        worker_.get(), [worker = worker_.get()] { worker->serve(); }, Qt::QueuedConnection);
}

bool SoundPlayer::shutDown(std::chrono::milliseconds patience) {
  if (shutDown_)
    return true;
  shutDown_ = true;
  if (!thread_)
    return true;
  {
    const std::lock_guard lock(requests_->mutex);
    requests_->pending.reset(); // a clip not yet started is not started now
  }
  QMetaObject::invokeMethod(
      worker_.get(), [worker = worker_.get()] { worker->finish(); }, Qt::QueuedConnection);
  if (thread_->wait(QDeadlineTimer(patience))) {
    worker_.reset();
    thread_.reset();
    return true;
  }
  // The audio thread is stuck inside the audio system. Waiting longer would only hold up the
  // caller; the thread and its worker are freed once it comes out, should it ever.
  QThread *thread = thread_.get();
  auto left = std::make_shared<std::pair<std::unique_ptr<QThread>, std::unique_ptr<AudioWorker>>>(
      std::move(thread_), std::move(worker_));
  if (QCoreApplication *app = QCoreApplication::instance())
    QObject::connect(thread, &QThread::finished, app, [left] {
      left->first->wait();
      left->second.reset();
      left->first.reset();
    });
  else // no event loop to free them in: the connection keeps them, for good
    QObject::connect(thread, &QThread::finished, thread, [left] {});
  return false;
}

} // namespace tessary::ui
