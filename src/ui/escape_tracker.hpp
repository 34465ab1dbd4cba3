#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <memory>

class QEvent;

namespace tessary::ui {

// Knows whether the Escape key is down. It watches every key event of the application; while a
// long decode runs nothing else delivers events, so poll() lets the pending ones through (at most
// every few milliseconds) to see Escape. Escape is taken there; every other input that arrives
// meanwhile is held back and delivered, in the order it came, once the running work has returned
// to the event loop: no command starts in the middle of another, and none is lost.
class EscapeTracker : public QObject {
public:
  // Installs itself as an event filter on the application.
  explicit EscapeTracker(QObject *parent = nullptr);
  ~EscapeTracker() override;
  EscapeTracker(const EscapeTracker &) = delete;
  EscapeTracker &operator=(const EscapeTracker &) = delete;

  bool held() const { return held_; }
  // Delivers pending events as described above, then answers held().
  bool poll();
  // Input waiting for the running work to end.
  std::size_t heldBackCount() const { return heldBack_.size(); }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct HeldBack {
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
  };
  void trackEscape(const QEvent *event);
  void deliverNext();

  bool held_ = false;
  bool pumping_ = false;
  // Inside the delivery of a held-back event, what that event sets off is passed on at once.
  int replayDepth_ = 0;
  QElapsedTimer sincePump_;
  std::deque<HeldBack> heldBack_;
  // Delivers one held-back event per turn of whatever event loop runs next, so an event that
  // opens a menu or a dialog has the input after it delivered there.
  QTimer delivery_;
};

} // namespace tessary::ui
