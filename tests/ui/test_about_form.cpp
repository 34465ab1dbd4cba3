// The About window and the Help notice, headless.
#include "scripted_platform.hpp"
#include "ui/about_form.hpp"
#include "ui/help.hpp"
#include "ui/platform.hpp"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

namespace tessary::ui {
namespace {

constexpr double kTwips = 15.0; // twips per pixel at 96 dots per inch

QRect Pixels(int left, int top, int width, int height) {
  return {static_cast<int>(std::lround(left / kTwips)), static_cast<int>(std::lround(top / kTwips)),
          static_cast<int>(std::lround(width / kTwips)),
          static_cast<int>(std::lround(height / kTwips))};
}

std::vector<QPushButton *> ButtonsInFocusOrder(AboutForm &form) {
  std::vector<QPushButton *> order;
  QWidget *first = form.exitButton(2);
  QWidget *w = first;
  do {
    if (auto *button = qobject_cast<QPushButton *>(w))
      order.push_back(button);
    w = w->nextInFocusChain();
  } while (w != first && order.size() < 10);
  return order;
}

} // namespace

class AboutFormTest : public QObject {
  Q_OBJECT

private slots:
  void about_isAFixedBlueWindowWithAnEmptyCaption() {
    AboutForm form(kTwips, kTwips);
    QCOMPARE(form.windowTitle(), QString());
    QVERIFY(!form.isModal());
    QVERIFY(form.parentWidget() == nullptr);
    QCOMPARE(form.size(), QSize(457, 137));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));

    // Below the buttons nothing covers the background.
    const QImage image = form.grab().toImage();
    QCOMPARE(image.pixelColor(3, 134), QColor(0, 0, 128));
    QCOMPARE(image.pixelColor(453, 3), QColor(0, 0, 128));
  }

  void about_labels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<bool>("wraps");
    QTest::addColumn<QColor>("colour");
    const QColor white(255, 255, 255);
    QTest::newRow("Label1") << "Label1" << Pixels(120, 120, 2175, 375) << "Tessary" << 11.25 << true
                            << false << false << false << white;
    QTest::newRow("Label3") << "Label3" << Pixels(120, 360, 3015, 255)
                            << "Viewer/Extractor - version 0.5b" << 9.0 << false << true << false
                            << false << white;
    QTest::newRow("Label4") << "Label4" << Pixels(120, 600, 3015, 855)
                            << "By the Tessary contributors" << 9.0 << false << true << false
                            << false << QColor(192, 255, 192);
    QTest::newRow("Label2") << "Label2" << Pixels(3240, 120, 3495, 855)
                            << "WARNING: Beta version - probably contains bugs! Any events "
                               "caused by usage of this program are not my responsibility in "
                               "any way whatsoever."
                            << 8.25 << false << false << true << true << white;
    QTest::newRow("Label5") << "Label5" << Pixels(3240, 1080, 3615, 255)
                            << "Coming soon: More features! Less bugs!" << 8.25 << false << true
                            << true << false << white;
  }

  void about_labels() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(double, pointSize);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, centred);
    QFETCH(bool, wraps);
    QFETCH(QColor, colour);

    AboutForm form(kTwips, kTwips);
    auto *label = form.findChild<QLabel *>(name);
    QVERIFY(label != nullptr);
    QCOMPARE(label, form.label(name.mid(5).toInt()));
    QCOMPARE(label->geometry(), geometry);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(label->font().pointSizeF(), pointSize);
    QCOMPARE(label->font().bold(), bold);
    QCOMPARE(label->font().italic(), italic);
    QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);
    QCOMPARE(label->wordWrap(), wraps);
    QCOMPARE(label->palette().color(QPalette::WindowText), colour);
    QVERIFY(!label->autoFillBackground());
  }

  void about_buttons_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("OK") << 2 << "OK" << Pixels(120, 1560, 1335, 375);
    QTest::newRow("Cancel") << 3 << "Cancel" << Pixels(1560, 1560, 1215, 375);
    QTest::newRow("Close") << 0 << "Close" << Pixels(2880, 1560, 1215, 375);
    QTest::newRow("Return") << 4 << "Return" << Pixels(4200, 1560, 1095, 375);
    QTest::newRow("Exit") << 1 << "Exit" << Pixels(5400, 1560, 1215, 375);
  }

  void about_buttons() {
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);

    AboutForm form(kTwips, kTwips);
    auto *button = form.findChild<QPushButton *>(QStringLiteral("ExitButton_%1").arg(index));
    QVERIFY(button != nullptr);
    QCOMPARE(button, form.exitButton(index));
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->geometry(), geometry);

    form.showRaised();
    QVERIFY(form.isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(form.isHidden());
  }

  void about_focusOrderRunsOkCancelCloseReturnExit() {
    AboutForm form(kTwips, kTwips);
    const std::vector<QPushButton *> expected = {form.exitButton(2), form.exitButton(3),
                                                 form.exitButton(0), form.exitButton(4),
                                                 form.exitButton(1)};
    QCOMPARE(ButtonsInFocusOrder(form), expected);
  }

  void about_everyButtonHidesAndTheSameWindowComesBack() {
    std::unique_ptr<AboutForm> form;
    ShowAboutForm(form);
    AboutForm *const first = form.get();
    QVERIFY(first != nullptr);
    const QString warning = form->label(2)->text();
    for (int index = 0; index < AboutForm::kButtonCount; ++index) {
      QVERIFY(form->isVisible());
      form->exitButton(index)->click();
      QVERIFY2(form->isHidden(), qPrintable(form->exitButton(index)->text()));
      ShowAboutForm(form);
      QCOMPARE(form.get(), first);
      QCOMPARE(form->label(2)->text(), warning);
      QCOMPARE(form->label(4)->text(), QStringLiteral("By the Tessary contributors"));
    }
  }

  void about_showingTwiceKeepsOneWindowInFront() {
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    std::unique_ptr<AboutForm> form;
    ShowAboutForm(form);
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    ShowAboutForm(form);
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    int abouts = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<AboutForm *>(w) && w->isVisible())
        ++abouts;
    QCOMPARE(abouts, 1);
  }

  void about_isCentredAndSizedFromTheScreen() {
    AboutForm form;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double perPixelX = 1440.0 / screen->logicalDotsPerInchX();
    const double perPixelY = 1440.0 / screen->logicalDotsPerInchY();
    QCOMPARE(form.width(), static_cast<int>(std::lround(6855 / perPixelX)));
    QCOMPARE(form.height(), static_cast<int>(std::lround(2055 / perPixelY)));
    form.showRaised();
    const QPoint centre = screen->availableGeometry().center();
    QVERIFY(std::abs(form.geometry().center().x() - centre.x()) <= 1);
    QVERIFY(std::abs(form.geometry().center().y() - centre.y()) <= 1);
  }

  void help_showsTheNoticeWithInformationIconAndOk() {
    test::ScriptedPlatform platform;
    ShowHelp(platform);
    QCOMPARE(platform.messages.size(), std::size_t{1});
    const MessageRequest &shown = platform.messages.front();
    QCOMPARE(shown.text, std::string("As a beta release, this program has no documentation. "
                                     "Hopefully it won't be too complicated to figure "
                                     "everything out yourself..."));
    QCOMPARE(shown.title, std::string("Help"));
    QCOMPARE(shown.icon, MessageIcon::Information);
    QCOMPARE(shown.buttons, MessageButtons::Ok);
  }

  // Last: it runs the event loop to its end.
  void about_closingTheMainWindowEndsTheRunWhileAboutShows() {
    QWidget mainWindow;
    mainWindow.show();
    std::unique_ptr<AboutForm> form;
    ShowAboutForm(form);
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    bool timedOut = false;
    QTimer::singleShot(0, &mainWindow, [&] { mainWindow.close(); });
    QTimer::singleShot(5000, qApp, [&] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    const bool quitOnClose = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(true);
    const int code = QCoreApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnClose);
    QVERIFY(!timedOut);
    QCOMPARE(code, 0);
  }
};

} // namespace tessary::ui

QTEST_MAIN(tessary::ui::AboutFormTest)
#include "test_about_form.moc"
