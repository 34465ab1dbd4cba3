#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class QSocketNotifier;

namespace tessary::ui {

// Turns SIGINT and SIGTERM into an ordinary close of the window, so an interrupted program
// still removes its temporary files. The signal handler only notes the request and writes one
// byte into a pipe; the window is closed from the event loop. Long work that does not return to
// the event loop asks TerminationRequested() and stops early, so the close comes at once.
// Whether SIGINT or SIGTERM has come since a SignalCloser was installed.
bool TerminationRequested();

class SignalCloser : public QObject {
public:
  explicit SignalCloser(QWidget *window);
  ~SignalCloser() override;
  SignalCloser(const SignalCloser &) = delete;
  SignalCloser &operator=(const SignalCloser &) = delete;

  bool active() const { return notifier_ != nullptr; }

private:
  void drainAndClose();

  QPointer<QWidget> window_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tessary::ui
