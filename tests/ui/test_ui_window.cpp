// The window as it starts, lays itself out and shuts down.
#include "ui_fixtures.hpp"

#include "palette/palette.hpp"
#include "ui/window_icon.hpp"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;
using ui::TwipsRect;

Q_DECLARE_METATYPE(TwipsRect)

class WindowTest : public QObject {
  Q_OBJECT
private slots:
  void freshStartShowsOnlyFileExtractDividerAndHelp();
  void menuTree_data();
  void menuTree();
  void controlsStartAtTheirPlaces_data();
  void controlsStartAtTheirPlaces();
  void controlsStartWithTheirTextsAndVisibility();
  void startUpState();
  void startUpWithoutTempStillGivesAWorkFolder();
  void resizeFollowsTheClientArea_data();
  void resizeFollowsTheClientArea();
  void realResizeOfTheWindowLaysOut();
  void windowIconIsOurOwn();
  void frameSliderHasThePlatformsColours();
  void exitRemovesOnlyTemporaryCopies();
  void closeBoxCleansUpLikeExit();
  void shutdownWithNothingToDoRaisesNoError();
  void twoWindowsKeepToTheirOwnCopies();
  void copiesOfAKilledWindowGoAtTheNextStart();
  void withoutAPrivateWorkFolderNothingIsCopied();
  void extractAllIsNotYetImplemented();
};

void WindowTest::freshStartShowsOnlyFileExtractDividerAndHelp() {
  WindowFixture f;
  QStringList shown;
  for (QAction *action : f.form->menuBar()->actions())
    if (action->isVisible())
      shown << action->text();
  QCOMPARE(shown, QStringList({"File", "Extract", "|", "Help"}));
  QVERIFY(!f.form->menu_divider_1->isEnabled());
  QStringList extract;
  for (QAction *action : f.form->menu_extract->actions())
    if (action->isVisible())
      extract << action->text() + (action->isEnabled() ? "" : " (disabled)");
  QCOMPARE(extract,
           QStringList({"Extract this file... (disabled)", "Extract as palette (disabled)"}));
}

void WindowTest::menuTree_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("visible");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<bool>("checked");
  const auto row = [](const char *name, const char *caption, bool visible = true,
                      bool enabled = true, bool checked = false) {
    QTest::newRow(name) << name << caption << visible << enabled << checked;
  };
  row("menu_file", "File");
  row("menu_file_open", "Open...");
  row("menu_file_exit", "Exit");
  row("menu_extract", "Extract");
  row("menu_extract_file", "Extract this file...", true, false);
  row("menu_extract_all", "Extract all files...", false, false);
  row("menu_extract_pal", "Extract as palette", true, false);
  row("menu_descr", "Descriptions", false);
  row("menu_descr_edit", "Edit");
  row("menu_descr_load", "Load from file...");
  row("menu_descr_save", "Save to file...");
  row("menu_divider_1", "|", true, false);
  row("menu_image", "Image", false);
  row("menu_image_autorefresh", "Auto-refresh", true, true, true);
  row("menu_image_refresh", "Refresh");
  row("menu_savebmp", "Save as BMP");
  row("menu_image_slx", "Export as SLX", false);
  row("menu_image_test2", "Show data bit", false);
  row("menu_image_savesequence", "Save as image sequence");
  row("menu_layers", "Layers", false);
  row("menu_layers_colours", "Colours", true, true, true);
  row("menu_layers_shadow", "Shadow", true, true, true);
  row("menu_layers_selection", "Outline (inner)", true, true, true);
  row("menu_layers_outline", "Outline (outer)", true, true, true);
  row("menu_col", "Colours", false);
  row("menu_col_pal", "Palette");
  row("menu_pal_default", "Use default");
  row("menu_pal_select", "[default] Select...", true, true, true);
  row("menu_col_player", "Player", false);
  row("menu_col_player_item_0", "Player 1 (blue)", true, true, true);
  row("menu_col_player_item_1", "Player 2 (red)");
  row("menu_col_player_item_2", "Player 3 (green)");
  row("menu_col_player_item_3", "Player 4 (yellow)");
  row("menu_col_player_item_4", "Player 5 (orange)");
  row("menu_col_player_item_5", "Player 6 (cyan)");
  row("menu_col_player_item_6", "Player 7 (purple)");
  row("menu_col_player_item_7", "Player 8 (grey)");
  row("menu_col_choose_0", "Mask...");
  row("menu_col_choose_1", "Shadow...");
  row("menu_col_choose_2", "Outline (inner)...");
  row("menu_col_choose_3", "Outline (outer)...");
  row("menu_divider_2", "|", false, false);
  row("menu_help", "Help");
  row("menu_help_help", "Help");
  row("menu_help_about", "About");
}

void WindowTest::menuTree() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(bool, visible);
  QFETCH(bool, enabled);
  QFETCH(bool, checked);
  WindowFixture f;
  QAction *item = f.form->MenuItem(name);
  QVERIFY2(item, qPrintable(name));
  QCOMPARE(item->text(), caption);
  QCOMPARE(item->isVisible(), visible);
  QCOMPARE(ItemEnabled(item), enabled);
  QCOMPARE(item->isChecked(), checked);
  QVERIFY(!item->text().contains('&')); // no access keys
  const bool refresh = name == "menu_image_refresh";
  QCOMPARE(item->shortcut(), refresh ? QKeySequence(Qt::Key_F5) : QKeySequence());
}

void WindowTest::controlsStartAtTheirPlaces_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<TwipsRect>("rect");
  QTest::newRow("DRSFileLabel1") << "DRSFileLabel1" << TwipsRect{120, 120, 1845, 240};
  QTest::newRow("StatusText") << "StatusText" << TwipsRect{3480, 120, 75, 240};
  QTest::newRow("FrameScroll") << "FrameScroll" << TwipsRect{2040, 960, 1695, 255};
  QTest::newRow("ResDisplayPic") << "ResDisplayPic" << TwipsRect{2160, 1320, 735, 735};
  QTest::newRow("RenameLists 0") << "RenameLists_0" << TwipsRect{120, 360, 1575, 330};
  QTest::newRow("RenameLists 1") << "RenameLists_1" << TwipsRect{1800, 360, 1095, 330};
  QTest::newRow("RenameLists 2") << "RenameLists_2" << TwipsRect{120, 720, 2775, 330};
  QTest::newRow("RenameTextBox") << "RenameTextBox" << TwipsRect{120, 1080, 2775, 270};
}

void WindowTest::controlsStartAtTheirPlaces() {
  QFETCH(QString, control);
  QFETCH(TwipsRect, rect);
  WindowFixture f;
  MainForm &form = *f.form;
  const std::map<QString, const QWidget *> controls = {
      {"DRSFileLabel1", form.DRSFileLabel1},  {"StatusText", form.StatusText},
      {"FrameScroll", form.FrameScroll},      {"ResDisplayPic", form.ResDisplayPic},
      {"RenameLists_0", form.RenameLists[0]}, {"RenameLists_1", form.RenameLists[1]},
      {"RenameLists_2", form.RenameLists[2]}, {"RenameTextBox", form.RenameTextBox}};
  const QWidget *widget = controls.at(control);
  QCOMPARE(form.Twips(widget), rect);
  // The pixels follow from the twips at the screen's factor.
  QCOMPARE(widget->x(), ui::TwipsToPixels(rect.left, form.twipsPerPixelX()));
  QCOMPARE(widget->y(), ui::TwipsToPixels(rect.top, form.twipsPerPixelY()));
}

void WindowTest::controlsStartWithTheirTextsAndVisibility() {
  WindowFixture f;
  MainForm &form = *f.form;
  QCOMPARE(form.windowTitle(), QStringLiteral("Tessary - Viewer/Extractor (v0.5b)"));
  QCOMPARE(form.DRSFileLabel1->text(), QStringLiteral("Current DRS file:"));
  QCOMPARE(form.DRSFileLabel2->text(), QStringLiteral("[none]"));
  QCOMPARE(form.StatusText->text(), QString());
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Loading image: 0%"));
  QCOMPARE(form.DRSFilesModel->rowCount(), 0);
  QCOMPARE(form.ResDisplayTextRtf(), std::string());
  QVERIFY(form.ResDisplayText->document()->isEmpty());
  QVERIFY(form.DRSFileLabel1->font().bold());
  QVERIFY(form.StatusText->font().italic());
  QCOMPARE(form.centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 128));
  QCOMPARE(form.DRSFilesList->palette().color(QPalette::Base), QColor(224, 224, 224));
  QCOMPARE(form.ResDisplayText->palette().color(QPalette::Base), QColor(224, 224, 224));
  QCOMPARE(form.DRSFileLabel1->palette().color(QPalette::WindowText), QColor(Qt::white));
  QVERIFY(form.ResDisplayText->isReadOnly());
  QCOMPARE(form.FrameScroll->minimum(), 1);
  QCOMPARE(form.FrameScrollTag, std::string("off"));
  QCOMPARE(form.RenameLists[0]->count(), 7);
  QCOMPARE(form.RenameLists[1]->count(), 5);
  QCOMPARE(form.RenameLists[2]->count(), 10);
  QCOMPARE(form.RenameLists[2]->itemText(9), QStringLiteral("Unit Walking"));
  QVERIFY(!form.AnimateTimer->isActive());
  QCOMPARE(form.AnimateTimer->interval(), 100);

  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QVERIFY(form.DRSFileLabel1->isVisible());
  QVERIFY(form.DRSFileLabel2->isVisible());
  QVERIFY(form.DRSFilesList->isVisible());
  QVERIFY(form.ResDisplayText->isVisible());
  for (const QWidget *hidden : std::initializer_list<const QWidget *>{
           form.PictureStatusText, form.FrameScroll, form.ResDisplayPic, form.RenameLists[0],
           form.RenameLists[1], form.RenameLists[2], form.RenameTextBox})
    QVERIFY(!hidden->isVisible());
}

void WindowTest::startUpState() {
  WindowFixture f;
  MainForm &form = *f.form;
  QVERIFY(!form.archiveOpen);
  QVERIFY(form.autoRefresh);
  QVERIFY(form.archivePath.empty());
  QVERIFY(form.ResDisplayPicTag.empty());
  QCOMPARE(form.WorkFolder, f.temp.file("tmp") + "/tessary/");
  QVERIFY(std::filesystem::is_directory(form.WorkFolder));
  QCOMPARE(form.paletteTable, DefaultPalette());
  QCOMPARE(form.displayOptions.playerIndex, std::int16_t(0));
  QCOMPARE(form.displayOptions.maskColour, Colour(0x000000));
  QCOMPARE(form.displayOptions.innerOutlineColour, Colour(0xFF0000));
  QCOMPARE(form.displayOptions.outerOutlineColour, Colour(0x00FFFF));
  QCOMPARE(form.displayOptions.shadowColour, Colour(0x7F7F7F));
  QCOMPARE(form.PalComDlg.initialFolder, form.WorkFolder);
  QCOMPARE(form.PalComDlg.title, std::string("Use palette..."));
  QCOMPARE(form.PalComDlg.filter, std::string("PAL files (*.pal)|*.pal|All files (*.*)|*.*"));
  QCOMPARE(form.MainComDlg.title, std::string("Select DRS file to open"));
  QCOMPARE(form.MainComDlg.filter, std::string("DRS files (*.drs)|*.drs|All files (*.*)|*.*"));
  QCOMPARE(form.ComDlg.title, std::string("Save image as..."));
  QCOMPARE(form.ComDlg.filter, std::string("BMP file (*.bmp)|*.bmp|All files (*.*)|*.*"));

  // The archive dialog starts in the game's data folder when the game is known.
  ScriptedPlatform withGame;
  withGame.env = f.platform.env;
  withGame.env["TESSARY_GAME_PATH"] = f.temp.file("game") + "/";
  MainForm second(withGame);
  QCOMPARE(second.MainComDlg.initialFolder, f.temp.file("game") + "/data/");
  // Starting twice with the working folder already there is no error.
  QCOMPARE(second.WorkFolder, form.WorkFolder);
  QVERIFY(withGame.messages.empty());
}

void WindowTest::startUpWithoutTempStillGivesAWorkFolder() {
  ScriptedPlatform platform; // no TEMP at all
  MainForm form(platform);
  QVERIFY(!form.WorkFolder.empty());
  QVERIFY(form.WorkFolder.back() == '/');
  QVERIFY(platform.messages.empty());
}

void WindowTest::resizeFollowsTheClientArea_data() {
  QTest::addColumn<double>("width");
  QTest::addColumn<double>("height");
  QTest::addColumn<int>("listHeight");
  QTest::addColumn<int>("textHeight");
  QTest::addColumn<int>("textWidth");
  QTest::newRow("start size") << 8145.0 << 5400.0 << 4605 << 4605 << 6030;
  QTest::newRow("3000 x 1500") << 3000.0 << 1500.0 << 1000 << 1000 << 1000;
  QTest::newRow("height 2000") << 8145.0 << 2000.0 << 1205 << 1205 << 6030;
}

void WindowTest::resizeFollowsTheClientArea() {
  QFETCH(double, width);
  QFETCH(double, height);
  QFETCH(int, listHeight);
  QFETCH(int, textHeight);
  QFETCH(int, textWidth);
  WindowFixture f;
  MainForm &form = *f.form;
  form.LayOutForClient(width, height);
  QCOMPARE(form.Twips(form.DRSFilesList), (TwipsRect{120, 720, 1815, listHeight}));
  QCOMPARE(form.Twips(form.ResDisplayText), (TwipsRect{2040, 720, textWidth, textHeight}));
  QCOMPARE(form.DRSFilesList->height(), ui::TwipsToPixels(listHeight, form.twipsPerPixelY()));
  QCOMPARE(form.ResDisplayText->width(), ui::TwipsToPixels(textWidth, form.twipsPerPixelX()));
}

void WindowTest::realResizeOfTheWindowLaysOut() {
  WindowFixture f;
  MainForm &form = *f.form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const QWidget *client = form.centralWidget();
  // The window opens with a client area of 8145 x 5400 twips.
  QCOMPARE(client->width(), ui::TwipsToPixels(8145, form.twipsPerPixelX()));
  QCOMPARE(client->height(), ui::TwipsToPixels(5400, form.twipsPerPixelY()));
  QCOMPARE(form.Twips(form.DRSFilesList).height, 4605);
  QCOMPARE(form.Twips(form.ResDisplayText).width, 6030);

  const int menuHeight = form.height() - client->height();
  form.resize(ui::TwipsToPixels(3000, form.twipsPerPixelX()),
              ui::TwipsToPixels(1500, form.twipsPerPixelY()) + menuHeight);
  QTRY_COMPARE(client->height(), ui::TwipsToPixels(1500, form.twipsPerPixelY()));
  QCOMPARE(form.Twips(form.DRSFilesList).height, 1000);
  QCOMPARE(form.Twips(form.ResDisplayText).height, 1000);
  QCOMPARE(form.Twips(form.ResDisplayText).width, 1000);
}

void WindowTest::windowIconIsOurOwn() {
  WindowFixture f;
  QVERIFY(!f.form->windowIcon().isNull());
  const QImage icon = ui::WindowIconImage();
  QCOMPARE(icon.size(), QSize(32, 32));
  QCOMPARE(QColor(icon.pixel(16, 2)), QColor(0, 0, 128));
}

void WindowTest::frameSliderHasThePlatformsColours() {
  WindowFixture f;
  const QPalette platform = QApplication::palette(f.form->FrameScroll);
  const QPalette slider = f.form->FrameScroll->palette();
  for (const auto role : {QPalette::Button, QPalette::Window, QPalette::Base, QPalette::Dark,
                          QPalette::Light, QPalette::Mid, QPalette::ButtonText}) {
    QCOMPARE(slider.color(role), platform.color(role));
    QVERIFY(slider.color(role) != QColor(0, 0, 128) || platform.color(role) == QColor(0, 0, 128));
  }
  // The window around it keeps its navy.
  QCOMPARE(f.form->centralWidget()->palette().color(QPalette::Button), QColor(0, 0, 128));
}

void WindowTest::exitRemovesOnlyTemporaryCopies() {
  WindowFixture f;
  f.open();
  f.select(6); // a BIN entry leaves a temporary copy behind
  f.select(7);
  QCOMPARE(f.tempFiles().size(), std::size_t(2));
  const std::string work = f.form->WorkFolder;
  WriteText(work + "300.pal", "kept");
  WriteText(work + "_drs1.txt", "kept");
  WriteText(work + "x_drs2.drx", "kept");
  f.form->menu_file_exit->trigger();
  QCOMPARE(f.form->StatusText->text(), QStringLiteral("Cleaning up..."));
  QVERIFY(!f.form->archiveOpen);
  QVERIFY(f.tempFiles().empty());
  QVERIFY(std::filesystem::exists(work + "300.pal"));
  QVERIFY(std::filesystem::exists(work + "_drs1.txt"));
  QVERIFY(std::filesystem::exists(work + "x_drs2.drx"));
  QVERIFY(std::filesystem::is_directory(work)); // the folder itself stays
}

void WindowTest::closeBoxCleansUpLikeExit() {
  WindowFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.open();
  f.select(1);
  QVERIFY(!f.tempFiles().empty());
  QVERIFY(f.form->close());
  QVERIFY(f.tempFiles().empty());
  QVERIFY(!f.form->archiveOpen);
}

void WindowTest::shutdownWithNothingToDoRaisesNoError() {
  WindowFixture f;
  f.form->Form_Unload();
  QCOMPARE(f.form->StatusText->text(), QStringLiteral("Cleaning up..."));
  QVERIFY(f.platform.messages.empty());
  f.form->Form_Unload(); // a second close is harmless
  QVERIFY(f.platform.messages.empty());
}

void WindowTest::twoWindowsKeepToTheirOwnCopies() {
  WindowFixture f;
  ScriptedPlatform secondPlatform;
  secondPlatform.env = f.platform.env; // the same working folder, the same clock
  auto second = std::make_unique<MainForm>(secondPlatform);
  QCOMPARE(second->WorkFolder, f.form->WorkFolder);
  QVERIFY(second->tempCopies().owner() != f.form->tempCopies().owner());
  f.open();
  secondPlatform.openAnswers.push_back(f.archivePath);
  second->menu_file_open->trigger();
  // Both select at the same hundredth of a second: each gets a copy of its own.
  f.select(1);
  second->DRSFilesList->setCurrentIndex(second->DRSFilesModel->index(2));
  QCOMPARE(f.form->ResDisplayPicTag.empty(), false);
  QVERIFY(f.form->ResDisplayPicTag != second->ResDisplayPicTag);
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 3"));
  QCOMPARE(second->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 1"));
  const std::string secondsCopy = second->ResDisplayPicTag;
  QCOMPARE(ReadFile(secondsCopy), SampleEntryBytes(101));

  f.form->menu_file_exit->trigger();
  QVERIFY(!std::filesystem::exists(f.form->ResDisplayPicTag));
  // The other window's copy is still there, and its F5 still shows its sprite.
  QCOMPARE(ReadFile(secondsCopy), SampleEntryBytes(101));
  second->menu_image_refresh->trigger();
  QVERIFY(secondPlatform.messages.empty());
  QCOMPARE(second->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 1"));
  second->menu_file_exit->trigger();
  QVERIFY(f.tempFiles().empty());
}

void WindowTest::copiesOfAKilledWindowGoAtTheNextStart() {
  WindowFixture f;
  const std::string work = f.form->WorkFolder;
  // The id of a process that has certainly ended: a child that exits at once, reaped.
  const pid_t ended = ::fork();
  if (ended == 0)
    ::_exit(0);
  int status = 0;
  ::waitpid(ended, &status, 0);
  const std::string orphan = TempResourceName(work, 100, {ended, 1}, 0);
  const std::string orphan2 = TempResourceName(work, 101, {ended, 2}, 5);
  const std::string older = work + "_drs4529678.drx"; // no owner in its name: left alone
  for (const auto &path : {orphan, orphan2, older})
    WriteText(path, "left behind");
  f.open();
  f.select(6);
  const std::string live = f.tempCopyAt(f.platform.clock - 1);
  QVERIFY(!live.empty());

  ScriptedPlatform nextPlatform;
  nextPlatform.env = f.platform.env;
  MainForm next(nextPlatform);
  QVERIFY(!std::filesystem::exists(orphan));
  QVERIFY(!std::filesystem::exists(orphan2));
  QVERIFY(std::filesystem::exists(older));
  QVERIFY(std::filesystem::exists(live)); // its window still runs
  QVERIFY(nextPlatform.messages.empty());
}

void WindowTest::withoutAPrivateWorkFolderNothingIsCopied() {
  WindowFixture f;
  WriteText(f.temp.file("plain"), "not a folder");
  ScriptedPlatform platform;
  platform.env["TEMP"] = f.temp.file("plain");
  MainForm form(platform);
  QCOMPARE(form.WorkFolder, std::string());
  QVERIFY(platform.messages.empty()); // start-up itself says nothing
  const auto before = [&] {
    std::set<std::string> names;
    for (const auto &item : std::filesystem::recursive_directory_iterator(f.temp.path()))
      names.insert(item.path().string());
    return names;
  };
  const auto files = before();
  platform.openAnswers.push_back(f.archivePath);
  form.menu_file_open->trigger();
  form.DRSFilesList->setCurrentIndex(form.DRSFilesModel->index(6)); // the JASC-PAL entry
  QCOMPARE(platform.messages.size(), std::size_t(1));
  QCOMPARE(platform.messages[0].text, std::string("Error saving file!"));
  QCOMPARE(platform.messages[0].title, std::string("Tessary"));
  const std::string detail = platform.messages[0].detail;
  QVERIFY2(detail.starts_with("there is no private working folder: " + f.temp.file("plain") +
                              "/tessary/ is not a folder private to this user"),
           detail.c_str());
  form.menu_extract_pal_Click();
  QCOMPARE(platform.messages.size(), std::size_t(2));
  QCOMPARE(platform.messages[1].text, std::string("Error saving file!"));
  QCOMPARE(platform.messages[1].detail, detail);
  form.menu_file_exit->trigger();
  QCOMPARE(before(), files); // nothing written or deleted anywhere
  QVERIFY(!std::filesystem::exists("300.pal"));
}

void WindowTest::extractAllIsNotYetImplemented() {
  WindowFixture f;
  f.open();
  QVERIFY(ItemEnabled(f.form->menu_extract_all));
  QVERIFY(!f.form->menu_extract_all->isVisible());
  f.form->menu_extract_all_Click();
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  const auto &message = f.platform.messages.front();
  QCOMPARE(message.text, std::string("Sorry, feature not yet implemented!"));
  QCOMPARE(message.title, std::string("Tessary"));
  QVERIFY(message.icon == ui::MessageIcon::None);
  QVERIFY(message.buttons == ui::MessageButtons::Ok);
}

QTEST_MAIN(WindowTest)
#include "test_ui_window.moc"
