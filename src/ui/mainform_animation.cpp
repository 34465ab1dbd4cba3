// Playing a sprite's frames through the slider, one per tick of the animation timer.
#include "ui/mainform.hpp"

#include <QAction>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

namespace tessary::ui {

void MainForm::ConnectAnimation() {
  connect(AnimateTimer, &QTimer::timeout, this, [this] { AnimateTimer_Timer(); });
  // Connected before the commands' own handlers, so a command finds the frames standing still.
  for (QAction *item : menuBar()->findChildren<QAction *>())
    connect(item, &QAction::triggered, this, [this] { StopAnimation(); });
  // The person taking hold of the slider, by its arrows, its track, its thumb or the wheel.
  connect(FrameScroll, &QScrollBar::actionTriggered, this, [this] { StopAnimation(); });
  connect(FrameScroll, &QScrollBar::sliderPressed, this, [this] { StopAnimation(); });
}

bool MainForm::SpriteOnView() const { return spriteShown_ && !ResDisplayPicTag.empty(); }

bool MainForm::Playing() const { return AnimateTimer->isActive(); }

void MainForm::ToggleAnimation() {
  if (Playing())
    StopAnimation();
  else
    AnimateTimer->start(); // the first step comes one interval later, like every other
}

void MainForm::StopAnimation() { AnimateTimer->stop(); }

void MainForm::AnimateTimer_Timer() {
  if (!SpriteOnView()) {
    StopAnimation();
    return;
  }
  // A frame still being shown, or an export, has the slider: this tick is let go.
  if (FrameScrollTag != "on")
    return;
  const int value = FrameScroll->value();
  const int next = value >= FrameScroll->maximum() ? FrameScroll->minimum() : value + 1;
  escapeDuringDisplay_ = false;
  {
    const QScopedValueRollback<bool> stepping(timerStep_, true);
    FrameScroll->setValue(next); // the slider's own change shows the frame, as for a manual step
  }
  if (escapeDuringDisplay_)
    StopAnimation();
}

} // namespace tessary::ui
