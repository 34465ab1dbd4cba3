#include "ui/escape_tracker.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace tessary::ui {

namespace {

constexpr qint64 kPumpIntervalMs = 15;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
  case QEvent::KeyPress:
  case QEvent::KeyRelease:
  case QEvent::Shortcut:
  case QEvent::InputMethod:
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseMove:
  case QEvent::NonClientAreaMouseButtonPress:
  case QEvent::NonClientAreaMouseButtonRelease:
  case QEvent::NonClientAreaMouseButtonDblClick:
  case QEvent::Wheel:
  case QEvent::ContextMenu:
  case QEvent::TouchBegin:
  case QEvent::TouchUpdate:
  case QEvent::TouchEnd:
  case QEvent::TabletPress:
  case QEvent::TabletRelease:
  case QEvent::DragEnter:
  case QEvent::DragMove:
  case QEvent::Drop:
  case QEvent::Close:
    return true;
  default:
    return false;
  }
}

bool IsEscapeKey(const QEvent *event) {
  const auto type = event->type();
  return (type == QEvent::KeyPress || type == QEvent::KeyRelease) &&
         static_cast<const QKeyEvent *>(event)->key() == Qt::Key_Escape;
}

} // namespace

EscapeTracker::EscapeTracker(QObject *parent) : QObject(parent) {
  if (QCoreApplication::instance())
    QCoreApplication::instance()->installEventFilter(this);
  sincePump_.start();
  delivery_.setSingleShot(true);
  delivery_.setInterval(0);
  QObject::connect(&delivery_, &QTimer::timeout, this, &EscapeTracker::deliverNext);
}

EscapeTracker::~EscapeTracker() {
  if (QCoreApplication::instance())
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EscapeTracker::poll() {
  if (!pumping_ && sincePump_.elapsed() >= kPumpIntervalMs) {
    pumping_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    pumping_ = false;
    sincePump_.restart();
    if (!heldBack_.empty())
      delivery_.start();
  }
  return held_;
}

void EscapeTracker::trackEscape(const QEvent *event) {
  const auto type = event->type();
  if (IsEscapeKey(event)) {
    if (type == QEvent::KeyPress)
      held_ = true;
    else if (!static_cast<const QKeyEvent *>(event)->isAutoRepeat())
      held_ = false;
  } else if (type == QEvent::ApplicationDeactivate) {
    held_ = false; // a release while another program has the keyboard never reaches us
  }
}

bool EscapeTracker::eventFilter(QObject *watched, QEvent *event) {
  trackEscape(event);
  if (!IsUserInput(event->type()))
    return QObject::eventFilter(watched, event);
  if (pumping_ && IsEscapeKey(event))
    return true; // the running work's to see, nobody else's
  // Input that comes while earlier input still waits queues behind it, to keep the order.
  if (pumping_ || (!heldBack_.empty() && replayDepth_ == 0)) {
    heldBack_.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
    if (!pumping_)
      delivery_.start();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void EscapeTracker::deliverNext() {
  if (pumping_ || heldBack_.empty())
    return; // the pump's end starts the delivery again
  HeldBack next = std::move(heldBack_.front());
  heldBack_.pop_front();
  if (!heldBack_.empty())
    delivery_.start();
  if (!next.receiver)
    return;
  ++replayDepth_;
  QCoreApplication::sendEvent(next.receiver, next.event.get());
  --replayDepth_;
}

} // namespace tessary::ui
