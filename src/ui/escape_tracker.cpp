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
  case QEvent::ShortcutOverride:
  case QEvent::Shortcut:
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

} // namespace

EscapeTracker::EscapeTracker(QObject *parent) : QObject(parent) {
  if (QCoreApplication::instance())
    QCoreApplication::instance()->installEventFilter(this);
  sincePump_.start();
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
  }
  return held_;
}

bool EscapeTracker::eventFilter(QObject *watched, QEvent *event) {
  const auto type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Escape) {
      if (type == QEvent::KeyPress)
        held_ = true;
      else if (!key->isAutoRepeat())
        held_ = false;
    }
  } else if (type == QEvent::ApplicationDeactivate) {
    held_ = false; // a release while another program has the keyboard never reaches us
  }
  if (pumping_ && IsUserInput(type))
    return true;
  return QObject::eventFilter(watched, event);
}

} // namespace tessary::ui
