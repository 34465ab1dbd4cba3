// An archive opened from outside the window: named on the command line (opened once the event
// loop runs) or dropped on the window. Both open it exactly as "Open..." does.
#include "ui_fixtures.hpp"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <filesystem>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;
using ui::MessageAnswer;

namespace {

constexpr int kSpriteLine = 1;

enum class Way { Menu, AtStart, Drop };

std::unique_ptr<QMimeData> FileDrag(const std::string &path) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  return data;
}

// A drag over `target` and, when the window takes it, the drop there, as the platform delivers
// them. True when the drag was taken.
bool DragAndDrop(QWidget *target, const QMimeData &data) {
  const QPoint at(2, 2);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted())
    return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

void OpenBy(Way way, WindowFixture &f, const std::string &path) {
  const int linesBefore = f.form->DRSFilesModel->rowCount();
  const std::size_t messagesBefore = f.platform.messages.size();
  switch (way) {
  case Way::Menu:
    f.open(path);
    return;
  case Way::AtStart:
    f.form->OpenArchiveLater(path);
    break;
  case Way::Drop:
    QVERIFY(DragAndDrop(f.form.get(), *FileDrag(path)));
    break;
  }
  // Either way the archive is read from the event loop, not inside the request.
  QCOMPARE(f.form->DRSFilesModel->rowCount(), linesBefore);
  QCOMPARE(f.platform.messages.size(), messagesBefore);
  QCoreApplication::processEvents();
}

// Everything opening an archive can change, in one comparable value.
struct Outcome {
  QStringList messages; // text | title | detail
  QString label;
  QString status;
  QStringList lines;
  bool archiveOpen = false;
  std::string archivePath;
  QStringList menus; // name, shown, enabled, checked
  bool operator==(const Outcome &) const = default;
};

Outcome OutcomeOf(const WindowFixture &f) {
  const MainForm &form = *f.form;
  Outcome outcome;
  for (const auto &m : f.platform.messages)
    outcome.messages << QString::fromStdString(m.text + " | " + m.title + " | " + m.detail);
  outcome.label = form.DRSFileLabel2->text();
  outcome.status = form.StatusText->text();
  for (int i = 0; i < form.DRSFilesModel->rowCount(); ++i)
    outcome.lines << form.DRSFilesModel->text(i);
  outcome.archiveOpen = form.archiveOpen;
  outcome.archivePath = form.archivePath;
  for (QAction *item : form.menuBar()->findChildren<QAction *>())
    outcome.menus << QStringLiteral("%1 %2%3%4")
                         .arg(item->objectName())
                         .arg(item->isVisible())
                         .arg(ItemEnabled(item))
                         .arg(item->isChecked());
  return outcome;
}

// An archive whose banner is wrong: the window asks whether to read it anyway.
std::string WrongBannerArchive(WindowFixture &f) {
  auto bytes = SampleArchiveBytes();
  const std::string banner = "copyright (c) 2001 LucasArts";
  std::copy(banner.begin(), banner.end(), bytes.begin());
  const std::string path = f.temp.file("lower.drs");
  WriteFile(path, bytes);
  return path;
}

} // namespace

Q_DECLARE_METATYPE(Way)

class OpenOutsideTest : public QObject {
  Q_OBJECT
private slots:
  void opensAsOpenDoes_data();
  void opensAsOpenDoes();
  void fileThatIsNoArchiveIsReported_data();
  void fileThatIsNoArchiveIsReported();
  void dropOnAControlReachesTheWindow_data();
  void dropOnAControlReachesTheWindow();
  void dragsThatAreNotOneFileAreRefused_data();
  void dragsThatAreNotOneFileAreRefused();
};

void OpenOutsideTest::opensAsOpenDoes_data() {
  QTest::addColumn<Way>("way");
  QTest::addColumn<QString>("file");
  QTest::addColumn<bool>("answer"); // to the question about a wrong banner
  QTest::addColumn<bool>("spriteShown");
  for (const auto &[way, name] : {std::pair{Way::AtStart, "at start"}, {Way::Drop, "dropped"}}) {
    QTest::addRow("%s: an archive", name) << way << "sample" << true << false;
    QTest::addRow("%s: over an archive showing a sprite", name) << way << "sample" << true << true;
    QTest::addRow("%s: wrong banner, read anyway", name) << way << "banner" << true << false;
    QTest::addRow("%s: wrong banner, cancelled", name) << way << "banner" << false << true;
  }
}

void OpenOutsideTest::opensAsOpenDoes() {
  QFETCH(Way, way);
  QFETCH(QString, file);
  QFETCH(bool, answer);
  QFETCH(bool, spriteShown);
  const auto run = [&](Way by) {
    WindowFixture f;
    if (spriteShown) {
      f.open();
      f.select(kSpriteLine);
      f.platform.messages.clear();
    }
    const std::string path = file == "sample" ? f.archivePath : WrongBannerArchive(f);
    f.platform.messageAnswers.push_back(answer ? MessageAnswer::Ok : MessageAnswer::Cancel);
    OpenBy(by, f, path);
    if (QTest::currentTestFailed())
      return Outcome{};
    Outcome outcome = OutcomeOf(f);
    // The paths differ by the fixture's folder only.
    const QString folder = QString::fromStdString(f.temp.path().string());
    for (QString &message : outcome.messages)
      message.replace(folder, QStringLiteral("<temp>"));
    if (!outcome.archivePath.empty())
      outcome.archivePath = outcome.archivePath.substr(f.temp.path().string().size());
    return outcome;
  };
  const Outcome byMenu = run(Way::Menu);
  const Outcome fromOutside = run(way);
  QCOMPARE(fromOutside.messages, byMenu.messages);
  QCOMPARE(fromOutside.label, byMenu.label);
  QCOMPARE(fromOutside.status, byMenu.status);
  QCOMPARE(fromOutside.lines, byMenu.lines);
  QCOMPARE(fromOutside.archiveOpen, byMenu.archiveOpen);
  QCOMPARE(fromOutside.archivePath, byMenu.archivePath);
  QCOMPARE(fromOutside.menus, byMenu.menus);
  QVERIFY(fromOutside == byMenu);
  if (file == "sample")
    QCOMPARE(fromOutside.lines.size(), static_cast<qsizetype>(kSampleLines.size()));
}

void OpenOutsideTest::fileThatIsNoArchiveIsReported_data() {
  QTest::addColumn<Way>("way");
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("folder");
  QTest::newRow("at start: missing") << Way::AtStart << "missing.drs" << false;
  QTest::newRow("at start: a folder") << Way::AtStart << "folder.drs" << true;
  QTest::newRow("dropped: missing") << Way::Drop << "missing.drs" << false;
  QTest::newRow("dropped: a folder") << Way::Drop << "folder.drs" << true;
}

void OpenOutsideTest::fileThatIsNoArchiveIsReported() {
  // The open dialog offers existing files only; a name from outside may be anything.
  QFETCH(Way, way);
  QFETCH(QString, name);
  QFETCH(bool, folder);
  WindowFixture f;
  f.open();
  const std::string path = f.temp.file(name.toStdString());
  if (folder)
    std::filesystem::create_directory(path);
  OpenBy(way, f, path);
  if (QTest::currentTestFailed())
    return;
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  const auto &shown = f.platform.messages.front();
  QCOMPARE(shown.text, std::string("Error reading from DRS file!"));
  QCOMPARE(shown.title, std::string("Error"));
  QVERIFY(shown.icon == ui::MessageIcon::Critical);
  QCOMPARE(shown.detail, path + ": not a readable file");
  QVERIFY(!f.form->archiveOpen);
  QCOMPARE(f.form->DRSFileLabel2->text(), QStringLiteral("[none]"));
  QCOMPARE(f.form->DRSFilesModel->rowCount(), 0);
  QCOMPARE(f.form->StatusText->text(), QString());
}

void OpenOutsideTest::dropOnAControlReachesTheWindow_data() {
  QTest::addColumn<QString>("control");
  QTest::newRow("the list") << "list";
  QTest::newRow("the text pane") << "text";
  QTest::newRow("the image view") << "view";
  QTest::newRow("the window's background") << "background";
}

void OpenOutsideTest::dropOnAControlReachesTheWindow() {
  QFETCH(QString, control);
  WindowFixture f;
  MainForm &form = *f.form;
  f.open();
  f.select(control == "text" ? 7 : kSpriteLine);
  const std::string other = f.temp.file("other.drs");
  std::filesystem::copy_file(f.archivePath, other);
  QWidget *target = control == "list"   ? form.DRSFilesList->viewport()
                    : control == "text" ? form.ResDisplayText->viewport()
                    : control == "view" ? static_cast<QWidget *>(form.ResDisplayPic)
                                        : form.centralWidget();
  QVERIFY(DragAndDrop(target, *FileDrag(other)));
  QCoreApplication::processEvents();
  QCOMPARE(form.archivePath, other);
  QCOMPARE(form.DRSFileLabel2->text(), QStringLiteral("other"));
  QCOMPARE(form.DRSFilesModel->rowCount(), static_cast<int>(kSampleLines.size()));
  QVERIFY(f.platform.messages.empty());
}

void OpenOutsideTest::dragsThatAreNotOneFileAreRefused_data() {
  QTest::addColumn<QList<QUrl>>("urls"); // none: a text is dragged
  const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/a.drs"));
  QTest::newRow("two files") << QList<QUrl>{file, QUrl::fromLocalFile(QStringLiteral("/b.drs"))};
  QTest::newRow("a web address") << QList<QUrl>{QUrl(QStringLiteral("https://example.org/a.drs"))};
  QTest::newRow("a text") << QList<QUrl>{};
}

void OpenOutsideTest::dragsThatAreNotOneFileAreRefused() {
  QFETCH(QList<QUrl>, urls);
  WindowFixture f;
  f.open();
  QMimeData data;
  if (urls.isEmpty())
    data.setText(QString::fromStdString(f.archivePath));
  else
    data.setUrls(urls);
  QVERIFY(!DragAndDrop(f.form.get(), data));
  QCoreApplication::processEvents();
  QCOMPARE(f.form->archivePath, f.archivePath); // the archive open stays open
  QCOMPARE(f.form->DRSFilesModel->rowCount(), static_cast<int>(kSampleLines.size()));
  QVERIFY(f.platform.messages.empty());
}

QTEST_MAIN(OpenOutsideTest)
#include "test_ui_open_outside.moc"
