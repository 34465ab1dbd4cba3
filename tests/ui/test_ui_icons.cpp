// The desktop icons: the window icon's artwork at every hicolor size, and the files the build
// draws for installing.
#include "ui/window_icon.hpp"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QtTest>

#include <cstdlib>

namespace tessary::ui {
namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

// The artwork blown up by a whole factor, each pixel a factor x factor block, worked out here
// pixel by pixel rather than by the scaler under test.
QColor BlockPixel(const QImage &art, int factor, int x, int y) {
  return QColor(art.pixel(x / factor, y / factor));
}

} // namespace

class IconTest : public QObject {
  Q_OBJECT
private slots:
  void wholeMultiplesAreHardEdgedBlocks_data();
  void wholeMultiplesAreHardEdgedBlocks();
  void otherSizesAverageTheBlocks_data();
  void otherSizesAverageTheBlocks();
  void noSizeNoPicture();
  void builtIconFilesAreTheArtwork();
  void windowsIconHoldsEverySize();
};

void IconTest::wholeMultiplesAreHardEdgedBlocks_data() {
  QTest::addColumn<int>("size");
  for (const int size : {32, 64, 128, 256})
    QTest::addRow("%d", size) << size;
}

void IconTest::wholeMultiplesAreHardEdgedBlocks() {
  QFETCH(int, size);
  const QImage art = WindowIconImage();
  const QImage icon = WindowIconImage(size);
  QCOMPARE(icon.size(), QSize(size, size));
  const int factor = size / art.width();
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (QColor(icon.pixel(x, y)) != BlockPixel(art, factor, x, y))
        QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is not the artwork's").arg(x).arg(y)));
  if (size == art.width())
    QCOMPARE(icon, art);
}

void IconTest::otherSizesAverageTheBlocks_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<int>("factor");  // the blow-up of the 32-pixel artwork that size divides
  QTest::addColumn<int>("average"); // how many blown-up pixels one icon pixel is across
  QTest::newRow("16") << 16 << 1 << 2;
  QTest::newRow("48") << 48 << 3 << 2;
  QTest::newRow("20") << 20 << 5 << 8;
}

void IconTest::otherSizesAverageTheBlocks() {
  QFETCH(int, size);
  QFETCH(int, factor);
  QFETCH(int, average);
  const QImage art = WindowIconImage();
  const QImage icon = WindowIconImage(size);
  QCOMPARE(icon.size(), QSize(size, size));
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = 0; dy < average; ++dy)
        for (int dx = 0; dx < average; ++dx) {
          const QColor c = BlockPixel(art, factor, x * average + dx, y * average + dy);
          sum[0] += c.red();
          sum[1] += c.green();
          sum[2] += c.blue();
        }
      const QColor got(icon.pixel(x, y));
      const int got3[3] = {got.red(), got.green(), got.blue()};
      for (int channel = 0; channel < 3; ++channel) {
        const double want = double(sum[channel]) / (average * average);
        if (std::abs(got3[channel] - want) > 1.5)
          QFAIL(qPrintable(QStringLiteral("pixel %1,%2 channel %3: %4, the blocks average %5")
                               .arg(x)
                               .arg(y)
                               .arg(channel)
                               .arg(got3[channel])
                               .arg(want)));
      }
      QCOMPARE(qAlpha(icon.pixel(x, y)), 255);
    }
  // A tile's middle keeps the tile's colour exactly (the light grey tile, top left).
  const int middle = size * 9 / 32;
  QCOMPARE(QColor(icon.pixel(middle, middle)), QColor(224, 224, 224));
}

void IconTest::noSizeNoPicture() {
  QVERIFY(WindowIconImage(0).isNull());
  QVERIFY(WindowIconImage(-16).isNull());
}

void IconTest::builtIconFilesAreTheArtwork() {
#ifndef TESSARY_ICON_DIR
  QSKIP("this build draws no icon files (no install rules for the desktop here)");
#else
  for (const int size : kSizes) {
    const QString path = QStringLiteral(TESSARY_ICON_DIR "/%1x%1/apps/tessary.png").arg(size);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    const QImage file(path);
    QCOMPARE(file.size(), QSize(size, size));
    QCOMPARE(file.convertToFormat(QImage::Format_ARGB32),
             WindowIconImage(size).convertToFormat(QImage::Format_ARGB32));
  }
#endif
}

namespace {
unsigned Le(const QByteArray &b, qsizetype at, int bytes) {
  unsigned v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
  return v;
}
} // namespace

// tessary.ico, the Windows build's icon resource: one PNG entry per size, each the artwork.
void IconTest::windowsIconHoldsEverySize() {
#ifndef TESSARY_ICON_DIR
  QSKIP("this build draws no icon files");
#else
  QFile file(QStringLiteral(TESSARY_ICON_DIR "/tessary.ico"));
  QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
  const QByteArray ico = file.readAll();
  QVERIFY(ico.size() > 6);
  QCOMPARE(Le(ico, 0, 2), 0u); // reserved
  QCOMPARE(Le(ico, 2, 2), 1u); // an icon, not a cursor
  QCOMPARE(Le(ico, 4, 2), static_cast<unsigned>(std::size(kSizes)));
  for (std::size_t i = 0; i < std::size(kSizes); ++i) {
    const int size = kSizes[i];
    const qsizetype entry = 6 + 16 * static_cast<qsizetype>(i);
    QCOMPARE(Le(ico, entry, 1), size >= 256 ? 0u : static_cast<unsigned>(size));
    const qsizetype length = Le(ico, entry + 8, 4), offset = Le(ico, entry + 12, 4);
    QVERIFY(offset + length <= ico.size());
    const QImage picture = QImage::fromData(ico.mid(offset, length), "PNG");
    QCOMPARE(picture.convertToFormat(QImage::Format_ARGB32),
             WindowIconImage(size).convertToFormat(QImage::Format_ARGB32));
  }
#endif
}

} // namespace tessary::ui

QTEST_MAIN(tessary::ui::IconTest)
#include "test_ui_icons.moc"
