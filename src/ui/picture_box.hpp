#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace tessary::ui {

// The image view: shows one image at its top-left corner on the window's background colour and
// reports the mouse in its own pixel coordinates, with or without a button held.
class PictureBox : public QWidget {
  Q_OBJECT
public:
  explicit PictureBox(QWidget *parent);

  void setImage(QImage image);
  const QImage &image() const { return image_; }

signals:
  void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
  void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position);
  void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  QImage image_;
};

} // namespace tessary::ui
