#pragma once

#include <QWidget>

#include <functional>
#include <utility>

namespace tessary::ui {

// The window's inner area: every control sits on it at a fixed place; it tells the window when
// its size changes.
class ClientArea : public QWidget {
public:
  explicit ClientArea(QWidget *parent) : QWidget(parent) {}
  void onResize(std::function<void()> handler) { onResize_ = std::move(handler); }

protected:
  void resizeEvent(QResizeEvent *event) override {
    QWidget::resizeEvent(event);
    if (onResize_)
      onResize_();
  }

private:
  std::function<void()> onResize_;
};

} // namespace tessary::ui
