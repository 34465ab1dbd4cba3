#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace tessary::ui {

// The image view: shows one image at its top-left corner on the window's background colour, each
// of its pixels as a sharp square of `zoom` screen pixels a side, and reports the mouse in its own
// pixel coordinates, with or without a button held.
class PictureBox : public QWidget {
  Q_OBJECT
public:
  explicit PictureBox(QWidget *parent);

  void setImage(QImage image);
  const QImage &image() const { return image_; }
  // A whole factor of at least 1; the owner sizes the view to match.
  void setZoom(int factor);
  int zoom() const { return zoom_; }

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
  int zoom_ = 1;
};

} // namespace tessary::ui
