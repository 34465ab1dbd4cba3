// Naming list lines through the naming controls, and saving and loading description files
// from the window.
#include "ui_fixtures.hpp"

#include "archive/drs_writer.hpp"
#include "descriptions/description_file.hpp"
#include "descriptions/naming.hpp"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <set>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;

namespace {

constexpr int kHeadingLine = 0; // "--SLP (2)--"
constexpr int kSpriteLine = 1;  // id 100
constexpr int kSoundLine = 4;   // id 200

QString LineText(const MainForm &form, int line) { return form.DRSFilesModel->text(line); }

std::string FileText(const std::string &path) {
  const auto bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

std::set<std::string> FilesIn(const std::filesystem::path &folder) {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// Names the selected line through the controls, as a person would.
void Name(MainForm &form, std::array<int, 3> choice, const QString &description) {
  for (std::size_t i = 0; i < 3; ++i)
    form.RenameLists[i]->setCurrentIndex(choice[i]);
  form.RenameTextBox->setText(description);
}

struct NamingWindow : WindowFixture {
  NamingWindow() { open(); }
  void nameLine(int line, std::array<int, 3> choice, const QString &description) {
    select(line);
    Name(*form, choice, description);
  }
  void save(const std::string &path) {
    platform.saveAnswers.push_back(path);
    form->menu_descr_save->trigger();
  }
  void load(const std::string &path) {
    platform.openAnswers.push_back(path);
    form->menu_descr_load->trigger();
  }
  // A description file written by hand.
  std::string descriptionFile(const std::string &text) const {
    const std::string path = temp.file("names.dsc");
    WriteText(path, text);
    return path;
  }
};

} // namespace

class DescriptionsTest : public QObject {
  Q_OBJECT
private slots:
  void namingExamplesThroughTheControls_data();
  void namingExamplesThroughTheControls();
  void labelFollowsEachChoiceAndKeystroke();
  void selectingALineWritesNothingIntoIt();
  void controlsWithoutASelectionChangeNothing();
  void editTogglesTheDescriptionBox();
  void saveThenLoadRoundTrip();
  void loadingLeavesTheControlsAsTheyWere();
  void atSignInsideADescriptionIsCutOnLoading();
  void descriptionsAreSingleByteText();
  void identifierMatchesByValue_data();
  void identifierMatchesByValue();
  void unusableLinesAreSkippedAndCounted();
  void fileThatCannotBeWrittenOrReadIsNamed();
  void saveOntoTheOpenArchiveIsRefused();
  void cancelledDialogsChangeNothing();
};

void DescriptionsTest::namingExamplesThroughTheControls_data() {
  QTest::addColumn<int>("faction");
  QTest::addColumn<int>("tech");
  QTest::addColumn<int>("graphic");
  QTest::addColumn<QString>("description");
  QTest::addColumn<QString>("label");
  QTest::newRow("faction and tech level") << 1 << 2 << 5 << "Trooper walking"
                                          << "E/T2: Trooper walking";
  QTest::newRow("faction only") << 3 << 0 << 0 << "Hangar"
                                << "R: Hangar";
  QTest::newRow("tech level only keeps its space") << 0 << 4 << 0 << ""
                                                   << "T4: ";
  QTest::newRow("graphic only is an empty label") << 0 << 0 << 7 << ""
                                                  << "";
  QTest::newRow("description only") << 0 << 0 << 0 << "Walker"
                                    << "Walker";
}

void DescriptionsTest::namingExamplesThroughTheControls() {
  QFETCH(int, faction);
  QFETCH(int, tech);
  QFETCH(int, graphic);
  QFETCH(QString, description);
  QFETCH(QString, label);
  NamingWindow f;
  f.nameLine(kSpriteLine, {faction, tech, graphic}, description);
  const ResourceNaming expected{{faction, tech, graphic}, description.toStdString()};
  QCOMPARE(f.form->DRSFiles[kSpriteLine].naming, expected);
  QCOMPARE(LineText(*f.form, kSpriteLine), label);
  for (int line = 0; line < f.form->DRSFilesModel->rowCount(); ++line)
    if (line != kSpriteLine)
      QCOMPARE(LineText(*f.form, line), QString::fromStdString(kSampleLines[line]));
}

void DescriptionsTest::labelFollowsEachChoiceAndKeystroke() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.select(kSpriteLine);
  form.RenameLists[0]->setCurrentIndex(1);
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("E: "));
  form.RenameLists[1]->setCurrentIndex(2);
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("E/T2: "));
  QTest::keyClicks(form.RenameTextBox, "Tr");
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("E/T2: Tr"));
  QTest::keyClick(form.RenameTextBox, Qt::Key_Backspace);
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("E/T2: T"));
  form.RenameLists[0]->setCurrentIndex(0);
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("T2: T"));
  form.RenameLists[2]->setCurrentIndex(9); // the graphic is kept but not shown
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("T2: T"));
  QCOMPARE(form.DRSFiles[kSpriteLine].naming, (ResourceNaming{{0, 2, 9}, "T"}));

  // All back to nothing: the line is empty, not its identifier again.
  Name(form, {0, 0, 0}, "");
  QCOMPARE(LineText(form, kSpriteLine), QString());
  QVERIFY(!IsNamed(form.DRSFiles[kSpriteLine].naming));
}

void DescriptionsTest::selectingALineWritesNothingIntoIt() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.nameLine(kSpriteLine, {1, 2, 5}, "Trooper walking");
  f.select(2); // loads [N/A] and an empty text into the controls
  QCOMPARE(form.RenameLists[0]->currentIndex(), 0);
  QCOMPARE(form.RenameTextBox->text(), QString());
  QVERIFY(!IsNamed(form.DRSFiles[2].naming));
  QCOMPARE(LineText(form, 2), QStringLiteral("101"));
  f.select(kSpriteLine); // and back: the controls show it, nothing changes
  QCOMPARE(form.DRSFiles[kSpriteLine].naming, (ResourceNaming{{1, 2, 5}, "Trooper walking"}));
  QCOMPARE(form.RenameLists[2]->currentText(), QStringLiteral("Unit Attacking"));
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("E/T2: Trooper walking"));
}

void DescriptionsTest::controlsWithoutASelectionChangeNothing() {
  NamingWindow f;
  MainForm &form = *f.form;
  QCOMPARE(form.ListIndex(), -1);
  Name(form, {2, 3, 4}, "nobody");
  for (std::size_t line = 0; line < form.DRSFiles.size(); ++line) {
    QVERIFY(!IsNamed(form.DRSFiles[line].naming));
    QCOMPARE(LineText(form, static_cast<int>(line)), QString::fromStdString(kSampleLines[line]));
  }
}

void DescriptionsTest::editTogglesTheDescriptionBox() {
  NamingWindow f;
  MainForm &form = *f.form;
  QVERIFY(form.RenameTextBox->isHidden());
  QVERIFY(form.menu_descr_edit->isCheckable());
  QVERIFY(!form.menu_descr_edit->isChecked());
  form.menu_descr_edit->trigger();
  QVERIFY(form.menu_descr_edit->isChecked());
  QVERIFY(!form.RenameTextBox->isHidden());
  form.menu_descr_edit->trigger();
  QVERIFY(!form.menu_descr_edit->isChecked());
  QVERIFY(form.RenameTextBox->isHidden());
  // The menu and the lists stay hidden whatever "Edit" does.
  QVERIFY(!form.menu_descr->menuAction()->isVisible());
  for (const QComboBox *list : form.RenameLists)
    QVERIFY(list->isHidden());
}

void DescriptionsTest::saveThenLoadRoundTrip() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.nameLine(kHeadingLine, {0, 0, 0}, "Sprites");
  f.nameLine(kSpriteLine, {1, 2, 5}, "  Trooper walking ");
  f.nameLine(kSoundLine, {0, 0, 6}, "");
  const std::string path = f.temp.file("saved.dsc");
  f.save(path);

  const ui::FileDialogRequest &saveAsked = f.platform.saveRequests.back();
  QCOMPARE(saveAsked.title, std::string("Select filename to save descriptions as"));
  QCOMPARE(saveAsked.filter, std::string("Description file (*.dsc)|*.dsc"));
  QCOMPARE(FileText(path), std::string("0@0@0@0@Sprites\r\n"
                                       "100@1@2@5@Trooper walking\r\n"
                                       "200@0@0@6@\r\n"));
  // Saving trims the copy written, not the name in memory.
  QCOMPARE(form.DRSFiles[kSpriteLine].naming.description, std::string("  Trooper walking "));
  QVERIFY(f.platform.messages.empty());

  f.open(); // reading the archive again forgets every name
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("100"));
  f.load(path);
  const ui::FileDialogRequest &loadAsked = f.platform.openRequests.back();
  QCOMPARE(loadAsked.title, std::string("Select description file to open"));
  QCOMPARE(loadAsked.filter, std::string("Description file (*.dsc)|*.dsc"));
  QCOMPARE(form.DRSFiles[kHeadingLine].naming, (ResourceNaming{{0, 0, 0}, "Sprites"}));
  QCOMPARE(form.DRSFiles[kSpriteLine].naming, (ResourceNaming{{1, 2, 5}, "Trooper walking"}));
  QCOMPARE(form.DRSFiles[kSoundLine].naming, (ResourceNaming{{0, 0, 6}, ""}));
  QCOMPARE(LineText(form, kHeadingLine), QStringLiteral("Sprites"));
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("E/T2: Trooper walking"));
  QCOMPARE(LineText(form, kSoundLine), QString());
  QCOMPARE(LineText(form, 2), QStringLiteral("101"));
  QCOMPARE(form.StatusText->text(), QStringLiteral("Descriptions loaded: 3 applied, 0 skipped"));
  QVERIFY(!form.DRSFilesList->isHidden());
  QVERIFY(f.platform.messages.empty());

  // Saving what was loaded gives the same file.
  const std::string again = f.temp.file("again.dsc");
  f.save(again);
  QCOMPARE(FileText(again), FileText(path));
}

void DescriptionsTest::loadingLeavesTheControlsAsTheyWere() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.select(kSpriteLine);
  f.load(f.descriptionFile("100@3@4@1@Hangar\r\n"));
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("R/T4: Hangar"));
  QCOMPARE(form.RenameLists[0]->currentIndex(), 0);
  QCOMPARE(form.RenameTextBox->text(), QString());
  f.select(2);
  f.select(kSpriteLine);
  QCOMPARE(form.RenameLists[0]->currentText(), QStringLiteral("Rebels"));
  QCOMPARE(form.RenameTextBox->text(), QStringLiteral("Hangar"));
}

void DescriptionsTest::atSignInsideADescriptionIsCutOnLoading() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.nameLine(kSpriteLine, {3, 0, 0}, "Hangar @ night");
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("R: Hangar @ night"));
  const std::string path = f.temp.file("at.dsc");
  f.save(path);
  QCOMPARE(FileText(path), std::string("100@3@0@0@Hangar @ night\r\n"));
  f.open();
  f.load(path);
  QCOMPARE(form.DRSFiles[kSpriteLine].naming.description, std::string("Hangar "));
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("R: Hangar "));
}

void DescriptionsTest::descriptionsAreSingleByteText() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.nameLine(kSpriteLine, {0, 0, 0}, QStringLiteral("Caf\u00e9"));
  QCOMPARE(form.DRSFiles[kSpriteLine].naming.description, std::string("Caf\xe9"));
  const std::string path = f.temp.file("latin1.dsc");
  f.save(path);
  QCOMPARE(FileText(path), std::string("100@0@0@0@Caf\xe9\r\n"));
  f.open();
  f.load(path);
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("Caf\u00e9"));
}

void DescriptionsTest::identifierMatchesByValue_data() {
  QTest::addColumn<QString>("field");
  QTest::newRow("leading zero") << "050500";
  QTest::newRow("leading space") << " 50500";
  QTest::newRow("plain") << "50500";
}

void DescriptionsTest::identifierMatchesByValue() {
  QFETCH(QString, field);
  NamingWindow f;
  // 50500 twice: only the first in list order is named.
  const auto entry = [](std::int32_t id) { return ArchiveEntrySpec{id, {'x'}}; };
  const std::string archive = f.temp.file("twice.drs");
  WriteFile(archive,
            BuildArchive({{kSpriteTag, {entry(50500), entry(7)}}, {kBinaryTag, {entry(50500)}}}));
  f.open(archive);
  MainForm &form = *f.form;
  QCOMPARE(LineText(form, 1), QStringLiteral("50500"));
  QCOMPARE(LineText(form, 4), QStringLiteral("50500"));

  f.load(f.descriptionFile(field.toStdString() + "@1@2@5@Trooper walking\r\n"));
  QCOMPARE(form.DRSFiles[1].naming, (ResourceNaming{{1, 2, 5}, "Trooper walking"}));
  QCOMPARE(LineText(form, 1), QStringLiteral("E/T2: Trooper walking"));
  QVERIFY(!IsNamed(form.DRSFiles[4].naming));
  QCOMPARE(LineText(form, 4), QStringLiteral("50500"));
  QCOMPARE(form.StatusText->text(), QStringLiteral("Descriptions loaded: 1 applied, 0 skipped"));
}

void DescriptionsTest::unusableLinesAreSkippedAndCounted() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.load(f.descriptionFile("100@1@0@0@first\r\n"
                           "too@few@fields\r\n"
                           "\r\n"
                           "101@x@0@0@not a number\r\n"
                           "101@7@0@0@no such faction\r\n"
                           "999@1@0@0@not in this archive\r\n"
                           "100@2@0@0@later line wins@extra field\r\n"));
  QCOMPARE(form.DRSFiles[kSpriteLine].naming, (ResourceNaming{{2, 0, 0}, "later line wins"}));
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("G: later line wins"));
  QVERIFY(!IsNamed(form.DRSFiles[2].naming));
  QCOMPARE(LineText(form, 2), QStringLiteral("101"));
  QCOMPARE(form.StatusText->text(),
           QStringLiteral("Descriptions loaded: 2 applied, 1 not in this archive, 4 skipped"));
  QVERIFY(f.platform.messages.empty());
}

void DescriptionsTest::fileThatCannotBeWrittenOrReadIsNamed() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.nameLine(kSpriteLine, {3, 0, 0}, "Hangar");
  const std::string unwritable = f.temp.file("no/such/folder/names.dsc");
  f.save(unwritable);
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  QCOMPARE(f.platform.messages[0].text, DescriptionSaveErrorText(unwritable));
  QVERIFY(f.platform.messages[0].text.find(unwritable) != std::string::npos);
  QVERIFY(!std::filesystem::exists(unwritable));

  const std::string missing = f.temp.file("missing.dsc");
  f.load(missing);
  QCOMPARE(f.platform.messages.size(), std::size_t{2});
  QCOMPARE(f.platform.messages[1].text, DescriptionLoadErrorText(missing));
  QVERIFY(f.platform.messages[1].text.find(missing) != std::string::npos);
  QCOMPARE(form.DRSFiles[kSpriteLine].naming, (ResourceNaming{{3, 0, 0}, "Hangar"}));
  QCOMPARE(LineText(form, kSpriteLine), QStringLiteral("R: Hangar"));
  QVERIFY(!form.DRSFilesList->isHidden());
}

void DescriptionsTest::saveOntoTheOpenArchiveIsRefused() {
  NamingWindow f;
  f.nameLine(kSpriteLine, {3, 0, 0}, "Hangar");
  f.save(f.archivePath);
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  QCOMPARE(f.platform.messages[0].text, DescriptionSaveErrorText(f.archivePath));
  QCOMPARE(ReadFile(f.archivePath), SampleArchiveBytes());
  // The dialog was not offered the archive's name to save over.
  QVERIFY(f.platform.saveRequests.back().fileName.empty());
}

void DescriptionsTest::cancelledDialogsChangeNothing() {
  NamingWindow f;
  MainForm &form = *f.form;
  f.nameLine(kSpriteLine, {3, 0, 0}, "Hangar");
  const QString status = form.StatusText->text();
  const std::set<std::string> files = FilesIn(f.temp.path());
  f.platform.saveAnswers.push_back(std::nullopt);
  form.menu_descr_save->trigger();
  f.platform.openAnswers.push_back(std::nullopt);
  form.menu_descr_load->trigger();
  QCOMPARE(form.DRSFiles[kSpriteLine].naming, (ResourceNaming{{3, 0, 0}, "Hangar"}));
  QCOMPARE(form.StatusText->text(), status);
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(FilesIn(f.temp.path()), files);
}

QTEST_MAIN(DescriptionsTest)
#include "test_ui_descriptions.moc"
