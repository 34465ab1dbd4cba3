#include "ui/window_icon.hpp"

#include <QPainter>
#include <QPixmap>

#include <numeric>

namespace tessary::ui {

QImage WindowIconImage() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(QColor(0, 0, 128));
  QPainter painter(&image);
  painter.setPen(Qt::NoPen);
  // A 2 x 2 mosaic: the archive's tiles, one per kind of resource.
  const QColor tiles[] = {QColor(224, 224, 224), QColor(255, 255, 0), QColor(0, 160, 0),
                          QColor(200, 0, 0)};
  for (int i = 0; i < 4; ++i)
    painter.fillRect(QRect(4 + (i % 2) * 13, 4 + (i / 2) * 13, 11, 11), tiles[i]);
  painter.setPen(QColor(255, 255, 255));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(1, 1, 29, 29));
  return image;
}

QImage WindowIconImage(int size) {
  const QImage art = WindowIconImage();
  const int side = art.width();
  if (size <= 0)
    return QImage();
  if (size == side)
    return art;
  // The smallest multiple of the artwork's side that size divides: blown up with hard edges,
  // then averaged down by a whole factor.
  const int multiple = size / std::gcd(size, side);
  const QImage blocks =
      art.scaled(side * multiple, side * multiple, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (blocks.width() == size)
    return blocks;
  return blocks.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QIcon WindowIcon() { return QIcon(QPixmap::fromImage(WindowIconImage())); }

} // namespace tessary::ui
