#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace tessary::ui {

// Knows whether the Escape key is down. It watches every key event of the application; while a
// long decode runs nothing else delivers events, so poll() lets the pending ones through (at most
// every few milliseconds) with all user input other than Escape swallowed, so that no other
// command can start in the middle of the running one.
class EscapeTracker : public QObject {
public:
  // Installs itself as an event filter on the application.
  explicit EscapeTracker(QObject *parent = nullptr);
  ~EscapeTracker() override;

  bool held() const { return held_; }
  // Delivers pending events as described above, then answers held().
  bool poll();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  bool held_ = false;
  bool pumping_ = false;
  QElapsedTimer sincePump_;
};

} // namespace tessary::ui
