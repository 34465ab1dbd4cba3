// The browse loop: opening archives, selecting lines and what each kind of line previews,
// extracting a resource.
#include "ui_fixtures.hpp"

#include "archive/drs_writer.hpp"
#include "view/bin_preview.hpp"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <filesystem>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;
using ui::MessageAnswer;
using ui::MessageIcon;

namespace {

QStringList ListTexts(const MainForm &form) {
  QStringList lines;
  for (int i = 0; i < form.DRSFilesModel->rowCount(); ++i)
    lines << form.DRSFilesModel->text(i);
  return lines;
}

QStringList SampleTexts() {
  QStringList lines;
  for (const auto &line : kSampleLines)
    lines << QString::fromStdString(line);
  return lines;
}

std::vector<std::uint8_t> WithBanner(std::vector<std::uint8_t> archive, const char *banner) {
  std::copy(banner, banner + 28, archive.begin());
  return archive;
}

std::vector<std::uint8_t> Bytes(const std::string &text) { return {text.begin(), text.end()}; }

// The state a selection leaves behind, in one comparable line.
QString PreviewState(MainForm &form) {
  QStringList parts;
  parts << (form.ResDisplayText->isVisibleTo(&form) ? "text" : "-");
  parts << (form.ResDisplayPic->isVisibleTo(&form) && form.FrameScroll->isVisibleTo(&form) &&
                    form.PictureStatusText->isVisibleTo(&form)
                ? "picture"
                : "-");
  parts << (form.menu_col->menuAction()->isVisible() &&
                    form.menu_image->menuAction()->isVisible() && form.menu_divider_2->isVisible()
                ? "sprite menus"
                : "-");
  parts << (form.menu_layers->menuAction()->isVisible() ? "layers" : "-");
  parts << (form.menu_extract_file->isEnabled() ? "extract" : "-");
  parts << (form.menu_extract_pal->isEnabled() ? "palette" : "-");
  return parts.join(' ');
}

} // namespace

class BrowseTest : public QObject {
  Q_OBJECT
private slots:
  void openFillsTheListWithKinds();
  void openDialogIsAskedForADrsFile();
  void cancelledOrMissingChoiceChangesNothing_data();
  void cancelledOrMissingChoiceChangesNothing();
  void wrongBannerAnsweredOkReadsAnyway();
  void olderGamesArchiveOpensWithoutTheQuestion();
  void wrongBannerAnsweredCancelFailsAndClearsTheList();
  void unreadableArchivesFailWithTheirMessage_data();
  void unreadableArchivesFailWithTheirMessage();
  void secondOpenReplacesTheFirst();
  void archiveFromTheCommandLine();
  void largeArchiveListsEveryLine();
  void selectionPreviewsByKind_data();
  void selectionPreviewsByKind();
  void menusFollowTheChosenLineWhateverCameBefore();
  void selectionCopiesTheEntryToAFreshTemporaryFile();
  void selectingTheSameLineTwiceMakesTwoFiles();
  void keyboardSelectionPreviewsToo();
  void afterOpenNoLineLooksChosenAndDownChoosesTheFirst_data();
  void afterOpenNoLineLooksChosenAndDownChoosesTheFirst();
  void spritePreviewGivesTheFocusBackToTheList();
  void namingControlsShowTheEntryAndStayEnabled();
  void failedCopyIsReportedAndThePreviewGoesOn();
  void extractThisFileProposesByKind_data();
  void extractThisFileProposesByKind();
  void extractThisFileCancelledWritesNothing();
  void extractThisFileFailureIsReported();
  void archiveIsNeverModified();
};

void BrowseTest::openFillsTheListWithKinds() {
  WindowFixture f;
  f.open();
  MainForm &form = *f.form;
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(ListTexts(form), SampleTexts());
  for (int i = 0; i < form.DRSFilesModel->rowCount(); ++i)
    QCOMPARE(form.ListKind(i), std::optional<int>(kSampleKinds[static_cast<std::size_t>(i)]));
  QCOMPARE(form.DRSFiles.size(), kSampleLines.size());
  QCOMPARE(form.DRSFiles[4].id, 200);
  QCOMPARE(form.DRSFiles[0].id, 0); // headings carry an all-zero entry
  QCOMPARE(form.DRSFiles[12].id, -7);
  QVERIFY(form.archiveOpen);
  QCOMPARE(form.archivePath, f.archivePath);
  QCOMPARE(form.DRSFileLabel2->text(), QStringLiteral("sample"));
  QCOMPARE(form.StatusText->text(), QString());
  QVERIFY(ItemEnabled(form.menu_extract_all));
  QVERIFY(!form.menu_extract_file->isEnabled());
  QCOMPARE(form.ListIndex(), -1); // nothing is chosen by opening
  QVERIFY(f.tempFiles().empty());
}

void BrowseTest::openDialogIsAskedForADrsFile() {
  WindowFixture f;
  f.open();
  QCOMPARE(f.platform.openRequests.size(), std::size_t(1));
  const auto &request = f.platform.openRequests.front();
  QCOMPARE(request.title, std::string("Select DRS file to open"));
  QCOMPARE(request.filter, std::string("DRS files (*.drs)|*.drs|All files (*.*)|*.*"));
  QCOMPARE(request.filterIndex, 1);
  QCOMPARE(request.folder, f.form->MainComDlg.initialFolder);
  // The next "Open..." starts beside the archive now open.
  f.open();
  QCOMPARE(f.platform.openRequests.back().fileName, f.archivePath);
}

void BrowseTest::cancelledOrMissingChoiceChangesNothing_data() {
  QTest::addColumn<bool>("cancel");
  QTest::addColumn<QString>("path");
  QTest::newRow("cancelled") << true << "";
  QTest::newRow("empty name") << false << "";
  QTest::newRow("no such file") << false << "missing.drs";
  QTest::newRow("a folder") << false << ".";
}

void BrowseTest::cancelledOrMissingChoiceChangesNothing() {
  QFETCH(bool, cancel);
  QFETCH(QString, path);
  WindowFixture f;
  f.open();
  const std::string chosen = path.isEmpty() ? std::string() : f.temp.file(path.toStdString());
  if (cancel)
    f.platform.openAnswers.push_back(std::nullopt);
  else
    f.platform.openAnswers.push_back(chosen);
  f.form->menu_file_open->trigger();
  QCOMPARE(f.form->StatusText->text(), QStringLiteral("Opening file..."));
  QVERIFY(f.platform.messages.empty());
  QVERIFY(f.form->archiveOpen);
  QCOMPARE(f.form->archivePath, f.archivePath);
  QCOMPARE(ListTexts(*f.form), SampleTexts());
}

void BrowseTest::wrongBannerAnsweredOkReadsAnyway() {
  WindowFixture f;
  const std::string path = f.temp.file("lower.drs");
  WriteFile(path, WithBanner(SampleArchiveBytes(), "copyright (c) 2001 LucasArts"));
  f.platform.messageAnswers.push_back(MessageAnswer::Ok);
  f.open(path);
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  const auto &question = f.platform.messages.front();
  QCOMPARE(
      question.text,
      std::string("Invalid file format - continue anyway? (may cause lots of horrible errors)"));
  QCOMPARE(question.title, std::string("Tessary"));
  QVERIFY(question.buttons == ui::MessageButtons::OkCancel);
  QVERIFY(question.icon == MessageIcon::None);
  QCOMPARE(ListTexts(*f.form), SampleTexts());
  QVERIFY(f.form->archiveOpen);
  QCOMPARE(f.form->DRSFileLabel2->text(), QStringLiteral("lower"));
}

void BrowseTest::olderGamesArchiveOpensWithoutTheQuestion() {
  WindowFixture f;
  const std::string folder = f.temp.file("packed");
  std::filesystem::create_directory(folder);
  WriteFile(folder + "/100.slp", SampleEntryBytes(100));
  WriteFile(folder + "/200.wav", SampleEntryBytes(200));
  const std::string path = f.temp.file("older.drs");
  WriteArchive(folder, path, HeaderLayout::Aoe);
  f.platform.messageAnswers.push_back(MessageAnswer::Cancel); // were it asked, it would fail
  f.open(path);
  QVERIFY(f.platform.messages.empty());
  QVERIFY(f.form->archiveOpen);
  QCOMPARE(f.form->DRSFileLabel2->text(), QStringLiteral("older"));
  QCOMPARE(ListTexts(*f.form), QStringList({"--SLP (1)--", "100", "--WAV (1)--", "200"}));
  QCOMPARE(f.form->DRSFiles[1].id, 100);
  f.select(1);
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(PreviewState(*f.form).section(' ', 1, 1), QStringLiteral("picture"));
}

void BrowseTest::wrongBannerAnsweredCancelFailsAndClearsTheList() {
  WindowFixture f;
  f.open();
  f.select(4);
  QVERIFY(f.form->menu_extract_file->isEnabled());
  const std::string path = f.temp.file("lower.drs");
  WriteFile(path, WithBanner(SampleArchiveBytes(), "copyright (c) 2001 LucasArts"));
  f.platform.messageAnswers.push_back(MessageAnswer::Cancel);
  f.open(path);
  QCOMPARE(f.platform.messages.size(), std::size_t(2));
  const auto &failure = f.platform.messages.back();
  QCOMPARE(failure.text, std::string("Error reading from DRS file!"));
  QCOMPARE(failure.title, std::string("Error"));
  QVERIFY(failure.icon == MessageIcon::Critical);
  QVERIFY(failure.buttons == ui::MessageButtons::Ok);
  QVERIFY(!f.form->archiveOpen);
  QVERIFY(f.form->archivePath.empty());
  QCOMPARE(f.form->DRSFileLabel2->text(), QStringLiteral("[none]"));
  QCOMPARE(f.form->StatusText->text(), QString());
  QVERIFY(!ItemEnabled(f.form->menu_extract_all));
  QVERIFY(!f.form->menu_extract_file->isEnabled());
  // The previous archive is closed: none of its lines can be chosen any more.
  QCOMPARE(f.form->DRSFilesModel->rowCount(), 0);
  QVERIFY(f.form->DRSFiles.empty());
  QCOMPARE(f.form->ListIndex(), -1);
}

void BrowseTest::unreadableArchivesFailWithTheirMessage_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("detailMentions");
  auto sample = SampleArchiveBytes();
  QTest::newRow("shorter than a header") << QByteArray("Copyright (c) 2001 LucasArts") << "";
  auto noTables = BuildArchive({});
  QTest::newRow("no table") << QByteArray(reinterpret_cast<const char *>(noTables.data()),
                                          static_cast<qsizetype>(noTables.size()))
                            << "";
  auto truncated = sample;
  truncated.resize(84 + 12 * 4 + 6);
  QTest::newRow("entries past the end")
      << QByteArray(reinterpret_cast<const char *>(truncated.data()),
                    static_cast<qsizetype>(truncated.size()))
      << "";
}

void BrowseTest::unreadableArchivesFailWithTheirMessage() {
  QFETCH(QByteArray, bytes);
  WindowFixture f;
  f.open();
  const std::string path = f.temp.file("bad.drs");
  WriteFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  f.platform.messageAnswers.push_back(MessageAnswer::Ok); // should the banner be asked about
  f.open(path);
  QVERIFY(!f.platform.messages.empty());
  const auto &failure = f.platform.messages.back();
  QCOMPARE(failure.text, std::string("Error reading from DRS file!"));
  QCOMPARE(failure.title, std::string("Error"));
  QVERIFY(failure.icon == MessageIcon::Critical);
  QVERIFY(!failure.detail.empty()); // what exactly was wrong
  QVERIFY(!f.form->archiveOpen);
  QCOMPARE(f.form->DRSFileLabel2->text(), QStringLiteral("[none]"));
  QCOMPARE(f.form->DRSFilesModel->rowCount(), 0);
}

void BrowseTest::secondOpenReplacesTheFirst() {
  WindowFixture f;
  f.open();
  f.form->DRSFiles[1].naming.description = "named";
  const std::string second = f.temp.file("second.drs");
  WriteFile(second, BuildArchive({{kSoundTag, {{5, Bytes("w")}}}}));
  f.open(second);
  QCOMPARE(ListTexts(*f.form), QStringList({"--WAV (1)--", "5"}));
  QCOMPARE(f.form->DRSFiles.size(), std::size_t(2));
  QVERIFY(f.form->DRSFiles[1].naming.description.empty());
  QCOMPARE(f.form->archivePath, second);
  QCOMPARE(f.form->DRSFileLabel2->text(), QStringLiteral("second"));
}

void BrowseTest::archiveFromTheCommandLine() {
  WindowFixture f;
  f.form->OpenArchive(f.archivePath);
  QCOMPARE(ListTexts(*f.form), SampleTexts());
  QVERIFY(f.platform.openRequests.empty());
  f.form->OpenArchive(f.temp.file("nothing-here.drs"));
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  QCOMPARE(f.platform.messages.front().text, std::string("Error reading from DRS file!"));
  QVERIFY(!f.form->archiveOpen);
}

void BrowseTest::largeArchiveListsEveryLine() {
  WindowFixture f;
  ArchiveTableSpec table{kBinaryTag, {}};
  for (int id = 0; id < 32000; ++id)
    table.entries.push_back({id, {}});
  const std::string path = f.temp.file("large.drs");
  WriteFile(path, BuildArchive({table}));
  f.open(path);
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(f.form->DRSFilesModel->rowCount(), 32001);
  QCOMPARE(f.form->DRSFilesModel->text(0), QStringLiteral("--BIN (32000)--"));
  QCOMPARE(f.form->DRSFilesModel->text(32000), QStringLiteral("31999"));
  QVERIFY(f.form->DRSFilesList->isVisibleTo(f.form.get()));
}

void BrowseTest::selectionPreviewsByKind_data() {
  QTest::addColumn<int>("line");
  QTest::addColumn<QString>("rtf");
  QTest::addColumn<QString>("state");
  QTest::addColumn<int>("sounds");
  const QString red = R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 )";
  QTest::newRow("heading") << 0 << ""
                           << "- - - - - -" << 0;
  QTest::newRow("sprite") << 2
                          << R"({\rtf1{\colortbl ;\red128\green0\blue0;}\cf1 (displaying graphic)})"
                          << "- picture sprite menus - extract -" << 0;
  QTest::newRow("sound") << 4
                         << R"({\rtf1{\colortbl ;\red0\green128\blue0;}\cf1 (playing sound file)})"
                         << "text - - - extract -" << 1;
  QTest::newRow("palette text") << 6 << ""
                                << "text - - - extract palette" << 0;
  QTest::newRow("text with specials")
      << 7 << red + R"(File 301:\par \cf0 a\\b\{c\}\par second\par third\par fourth\par })"
      << "text - - - extract -" << 0;
  QTest::newRow("empty binary") << 8 << red + R"(File 302:\par \cf0 })"
                                << "text - - - extract -" << 0;
  QTest::newRow("lower-case palette magic") << 9 << ""
                                            << "text - - - extract -" << 0;
  QTest::newRow("other kind") << 11 << red + "Unknown resource type!}"
                              << "text - - - extract -" << 0;
  QTest::newRow("other kind, negative id") << 12 << red + "Unknown resource type!}"
                                           << "text - - - extract -" << 0;
}

void BrowseTest::selectionPreviewsByKind() {
  QFETCH(int, line);
  QFETCH(QString, rtf);
  QFETCH(QString, state);
  QFETCH(int, sounds);
  WindowFixture f;
  f.open();
  f.select(1); // a sprite first, so that everything the next line must reset is set
  f.select(line);
  MainForm &form = *f.form;
  QCOMPARE(form.ListIndex(), line);
  QString expectedRtf = rtf;
  if (expectedRtf.isEmpty() && kSampleKinds[static_cast<std::size_t>(line)] == 3) {
    const std::int32_t id = form.DRSFiles[static_cast<std::size_t>(line)].id;
    expectedRtf = QString::fromLatin1(view::BinPreviewRtf(id, SampleEntryBytes(id)));
    QVERIFY(expectedRtf.startsWith(
        QString(R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File %1:\par \cf0 )").arg(id)));
  }
  QCOMPARE(QString::fromLatin1(form.ResDisplayTextRtf()), expectedRtf);
  QCOMPARE(PreviewState(form), state);
  QCOMPARE(form.StatusText->text(), QString());
  QCOMPARE(int(f.platform.sounds.size()), sounds);
  if (sounds)
    QCOMPARE(f.platform.sounds.front(), f.tempCopyAt(f.platform.clock - 1));
  QVERIFY(!ItemEnabled(form.menu_extract_all) || form.archiveOpen);
}

void BrowseTest::menusFollowTheChosenLineWhateverCameBefore() {
  // Each kind sets some menus and clears others; none of it may linger into the next choice.
  WindowFixture f;
  f.open();
  MainForm &form = *f.form;
  const auto state = [&] {
    return PreviewState(form) + (ItemEnabled(form.menu_extract_all) ? " all" : " -");
  };
  for (const int line : {0, 2, 4, 6, 7, 11}) {
    QString expected;
    for (const int before : {0, 1, 4, 6, 11}) {
      if (before == line)
        continue;
      f.select(before);
      f.select(line);
      if (expected.isEmpty())
        expected = state();
      QVERIFY2(state() == expected, qPrintable(QString("line %1 after %2: %3, not %4")
                                                   .arg(line)
                                                   .arg(before)
                                                   .arg(state(), expected)));
    }
  }
}

void BrowseTest::selectionCopiesTheEntryToAFreshTemporaryFile() {
  WindowFixture f;
  f.open();
  for (int line = 0; line < static_cast<int>(kSampleLines.size()); ++line) {
    const long clock = f.platform.clock;
    f.select(line);
    const std::string temp = f.tempCopyAt(clock);
    QVERIFY2(std::filesystem::exists(temp), temp.c_str());
    const std::int32_t id = f.form->DRSFiles[static_cast<std::size_t>(line)].id;
    const auto expected = kSampleKinds[static_cast<std::size_t>(line)] == 0
                              ? std::vector<std::uint8_t>()
                              : SampleEntryBytes(id);
    QCOMPARE(ReadFile(temp), expected);
  }
  QCOMPARE(f.tempFiles().size(), kSampleLines.size());
  QVERIFY(f.platform.messages.empty());
}

void BrowseTest::selectingTheSameLineTwiceMakesTwoFiles() {
  WindowFixture f;
  f.open();
  f.select(6);
  f.form->DRSFilesList_Click();
  QCOMPARE(f.tempFiles().size(), std::size_t(2));
}

void BrowseTest::keyboardSelectionPreviewsToo() {
  WindowFixture f;
  f.open();
  f.select(3);
  QTest::keyClick(f.form->DRSFilesList, Qt::Key_Down);
  QCOMPARE(f.form->ListIndex(), 4);
  QCOMPARE(f.platform.sounds.size(), std::size_t(1));
  QTest::keyClick(f.form->DRSFilesList, Qt::Key_Down);
  QCOMPARE(f.form->ListIndex(), 5);
  QVERIFY(!f.form->ResDisplayText->isVisibleTo(f.form.get()));
}

void BrowseTest::afterOpenNoLineLooksChosenAndDownChoosesTheFirst_data() {
  QTest::addColumn<int>("key");
  QTest::newRow("Down") << int(Qt::Key_Down);
  QTest::newRow("Up") << int(Qt::Key_Up);
  QTest::newRow("Home") << int(Qt::Key_Home);
}

void BrowseTest::afterOpenNoLineLooksChosenAndDownChoosesTheFirst() {
  QFETCH(int, key);
  WindowFixture f;
  f.form->show();
  QApplication::setActiveWindow(f.form.get());
  QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
  f.open();
  QListView *list = f.form->DRSFilesList;
  list->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list));
  QCOMPARE(f.form->ListIndex(), -1);
  // Taking the focus made line 0 current; it must be drawn like any line not chosen.
  const QImage shown = list->viewport()->grab().toImage();
  const QRect first = list->visualRect(f.form->DRSFilesModel->index(0));
  const QColor base = list->palette().color(QPalette::Base);
  for (int x = first.left(); x <= first.right(); ++x)
    for (const int y : {first.top(), first.bottom()})
      QVERIFY2(QColor(shown.pixel(x, y)) == base,
               qPrintable(QStringLiteral("line 0 edge at %1,%2").arg(x).arg(y)));
  for (int y = first.top(); y <= first.bottom(); ++y)
    QCOMPARE(QColor(shown.pixel(first.left(), y)), base);

  QTest::keyClick(list, static_cast<Qt::Key>(key));
  QCOMPARE(f.form->ListIndex(), 0);
  QVERIFY(f.form->ResDisplayTextRtf().empty()); // the heading's preview ran
  QTest::keyClick(list, Qt::Key_Down);
  QCOMPARE(f.form->ListIndex(), 1);
}

void BrowseTest::spritePreviewGivesTheFocusBackToTheList() {
  WindowFixture f;
  f.form->show();
  QApplication::setActiveWindow(f.form.get());
  QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
  f.open();
  f.select(4);
  f.form->ResDisplayText->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.form->ResDisplayText));
  f.select(1);
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.form->DRSFilesList));
}

void BrowseTest::namingControlsShowTheEntryAndStayEnabled() {
  WindowFixture f;
  f.open();
  f.form->DRSFiles[2].naming = {{1, 2, 5}, "Trooper walking"};
  f.form->DRSFiles[4].naming = {{99, -1, 3}, ""}; // out of range: no selection in those lists
  f.select(2);
  QCOMPARE(f.form->RenameLists[0]->currentText(), QStringLiteral("Empire"));
  QCOMPARE(f.form->RenameLists[1]->currentText(), QStringLiteral("2 (T2)"));
  QCOMPARE(f.form->RenameLists[2]->currentText(), QStringLiteral("Unit Attacking"));
  QCOMPARE(f.form->RenameTextBox->text(), QStringLiteral("Trooper walking"));
  f.select(4);
  QCOMPARE(f.form->RenameLists[0]->currentIndex(), -1);
  QCOMPARE(f.form->RenameLists[1]->currentIndex(), -1);
  QCOMPARE(f.form->RenameLists[2]->currentIndex(), 3);
  QCOMPARE(f.form->RenameTextBox->text(), QString());
  for (const QComboBox *list : f.form->RenameLists)
    QVERIFY(list->isEnabled());
  QVERIFY(f.form->RenameTextBox->isEnabled());
  // Loading the controls changed nothing in the entries.
  QCOMPARE(f.form->DRSFiles[4].naming.choice[0], 99);
}

void BrowseTest::failedCopyIsReportedAndThePreviewGoesOn() {
  WindowFixture f;
  f.open();
  // Something that is not a folder where the working folder should be: no copy can be made.
  std::filesystem::remove_all(f.form->WorkFolder);
  WriteText(f.form->WorkFolder.substr(0, f.form->WorkFolder.size() - 1), "in the way");
  f.select(7);
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  const auto &message = f.platform.messages.front();
  QCOMPARE(message.text, std::string("Error saving file!"));
  QCOMPARE(message.title, std::string("Tessary"));
  QVERIFY(message.icon == MessageIcon::None);
  QCOMPARE(f.form->ResDisplayTextRtf(),
           std::string(R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 301:\par \cf0 })"));
  QVERIFY(f.form->menu_extract_file->isEnabled());
}

void BrowseTest::extractThisFileProposesByKind_data() {
  QTest::addColumn<int>("line");
  QTest::addColumn<int>("filterIndex");
  QTest::addColumn<QString>("name");
  QTest::newRow("sprite") << 1 << 3 << "100.slp";
  QTest::newRow("sound") << 4 << 2 << "200.wav";
  QTest::newRow("binary") << 7 << 1 << "301.bin";
  QTest::newRow("other") << 11 << 4 << "7";
  QTest::newRow("other, negative") << 12 << 4 << "-7";
}

void BrowseTest::extractThisFileProposesByKind() {
  QFETCH(int, line);
  QFETCH(int, filterIndex);
  QFETCH(QString, name);
  WindowFixture f;
  f.open();
  f.select(line);
  const std::string target = f.temp.file("out." + name.toStdString());
  WriteText(target, std::string(100000, 'x')); // a longer file already there
  f.platform.saveAnswers.push_back(target);
  f.form->menu_extract_file->trigger();
  QCOMPARE(f.platform.saveRequests.size(), std::size_t(1));
  const auto &request = f.platform.saveRequests.front();
  QCOMPARE(request.title, std::string("Select filename to save resource as"));
  QCOMPARE(request.filter, std::string("BIN file (*.bin)|*.bin|WAV file (*.wav)|*.wav|SLP file "
                                       "(*.slp)|*.slp|All files (*.*)|*.*"));
  QCOMPARE(request.filterIndex, filterIndex);
  QCOMPARE(QString::fromStdString(request.fileName), name);
  const std::int32_t id = f.form->DRSFiles[static_cast<std::size_t>(line)].id;
  QCOMPARE(ReadFile(target), SampleEntryBytes(id));
  QCOMPARE(f.form->StatusText->text(), QString());
  QVERIFY(f.platform.messages.empty());
}

void BrowseTest::extractThisFileCancelledWritesNothing() {
  WindowFixture f;
  f.open();
  f.select(6);
  f.form->menu_extract_file->trigger();
  QCOMPARE(f.platform.saveRequests.size(), std::size_t(1));
  QCOMPARE(f.form->StatusText->text(), QString());
  QVERIFY(f.platform.messages.empty());
  // A heading cannot be extracted.
  f.select(5);
  QVERIFY(!f.form->menu_extract_file->isEnabled());
}

void BrowseTest::extractThisFileFailureIsReported() {
  WindowFixture f;
  f.open();
  f.select(6);
  f.platform.saveAnswers.push_back(f.temp.file("no-such-folder/300.bin"));
  f.form->menu_extract_file->trigger();
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  QCOMPARE(f.platform.messages.front().text, std::string("Error saving file!"));
  QVERIFY(!f.platform.messages.front().detail.empty());
  QCOMPARE(f.form->StatusText->text(), QString());
  QVERIFY(!std::filesystem::exists(f.temp.file("no-such-folder")));
}

void BrowseTest::archiveIsNeverModified() {
  WindowFixture f;
  const auto before = ReadFile(f.archivePath);
  const auto stamp = std::filesystem::last_write_time(f.archivePath);
  f.open();
  for (int line = 0; line < static_cast<int>(kSampleLines.size()); ++line)
    f.select(line);
  f.select(1);
  f.platform.saveAnswers.push_back(f.archivePath); // extracting onto the archive itself
  f.form->menu_extract_file->trigger();
  f.form->close();
  QCOMPARE(ReadFile(f.archivePath), before);
  QVERIFY(std::filesystem::last_write_time(f.archivePath) == stamp);
}

QTEST_MAIN(BrowseTest)
#include "test_ui_browse.moc"
