// The window never harms a user's files: the open archive is only ever read, nothing is written
// onto it, a failed save leaves the file it would have replaced as it was, and the temporary
// copies go when the program ends, however it is ended.
#include "ui_fixtures.hpp"

#include <QAction>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QTest>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;

namespace fs = std::filesystem;

namespace {

constexpr int kSpriteLine = 1;  // id 100, three frames
constexpr int kPaletteLine = 6; // id 300, a JASC-PAL text

// What must stay the same about a file nobody asked to change: its bytes, its modification time
// and the file itself (a replacement through rename would show as a new inode).
struct FileState {
  std::vector<std::uint8_t> bytes;
  std::int64_t mtimeNs = 0;
  ino_t inode = 0;

  static FileState Of(const std::string &path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
      return {};
    return {ReadFile(path),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            info.st_ino};
  }
  bool operator==(const FileState &) const = default;
};

// Puts the file's modification time a day back, so that any write, however quick, moves it.
void AgeFile(const std::string &path) {
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24));
}

std::string Text(const std::vector<std::uint8_t> &bytes) { return {bytes.begin(), bytes.end()}; }

// A window with the sample archive open and aged, and what the archive looked like then.
struct OpenWindow : WindowFixture {
  FileState archiveBefore;
  OpenWindow() {
    AgeFile(archivePath);
    archiveBefore = FileState::Of(archivePath);
    open();
  }
  bool archiveIntact() const { return FileState::Of(archivePath) == archiveBefore; }
  const ui::MessageRequest *lastMessage() const {
    return platform.messages.empty() ? nullptr : &platform.messages.back();
  }
};

// Whether the process has its own handlers for both SIGINT and SIGTERM in place, read from the
// caught-signals mask the kernel publishes.
bool CatchesTerminatingSignals(qint64 pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (!line.starts_with("SigCgt:"))
      continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    const auto bit = [](int signal) { return 1ull << (signal - 1); };
    return (mask & bit(SIGINT)) != 0 && (mask & bit(SIGTERM)) != 0;
  }
  return false;
}

} // namespace

class NoDataLossTest : public QObject {
  Q_OBJECT
private slots:
  void archiveIsOnlyReadByEveryCommand();
  void outputOntoTheOpenArchiveIsRefused_data();
  void outputOntoTheOpenArchiveIsRefused();
  void failedSaveKeepsThePreviousFile_data();
  void failedSaveKeepsThePreviousFile();
  void temporaryCopiesGoOnExitAndCloseBox_data();
  void temporaryCopiesGoOnExitAndCloseBox();
  void terminatingSignalRemovesTemporaryCopies_data();
  void terminatingSignalRemovesTemporaryCopies();
};

void NoDataLossTest::archiveIsOnlyReadByEveryCommand() {
  OpenWindow f;
  QVERIFY(f.form->archiveOpen);
  MainForm &form = *f.form;
  const std::string out = f.temp.file("out");
  fs::create_directory(out);
  const auto answer = [&f](const std::string &path) { f.platform.saveAnswers.push_back(path); };

  const std::vector<std::pair<const char *, std::function<void()>>> commands = {
      {"select every line",
       [&] {
         for (int line = 0; line < static_cast<int>(kSampleLines.size()); ++line)
           f.select(line);
       }},
      {"select the sprite", [&] { f.select(kSpriteLine); }},
      {"refresh", [&] { form.menu_image_refresh->trigger(); }},
      {"auto-refresh off and on",
       [&] {
         form.menu_image_autorefresh->trigger();
         form.menu_image_autorefresh->trigger();
       }},
      {"slider", [&] { form.FrameScroll->setValue(3); }},
      {"save as BMP",
       [&] {
         answer(out + "/frame.bmp");
         form.menu_savebmp->trigger();
       }},
      {"image sequence",
       [&] {
         answer(out + "/walk.bmp");
         form.menu_image_savesequence->trigger();
       }},
      {"SLX",
       [&] {
         answer(out + "/anim.slx");
         form.menu_image_slx_Click();
       }},
      {"colours",
       [&] {
         for (int i = 0; i < 4; ++i) {
           f.platform.colourAnswers.push_back(RGB(10 * i, 20, 30));
           form.menu_col_choose[static_cast<std::size_t>(i)]->trigger();
         }
       }},
      {"player colour", [&] { form.menu_col_player_item[3]->trigger(); }},
      {"layers",
       [&] {
         for (QAction *layer : {form.menu_layers_colours, form.menu_layers_shadow,
                                form.menu_layers_selection, form.menu_layers_outline})
           layer->trigger();
       }},
      {"show data bit", [&] { form.menu_image_test2->trigger(); }},
      {"extract this file",
       [&] {
         answer(out + "/100.slp");
         form.menu_extract_file->trigger();
       }},
      {"extract as palette",
       [&] {
         f.select(kPaletteLine);
         form.menu_extract_pal->trigger();
       }},
      {"use palette",
       [&] {
         f.select(kSpriteLine);
         f.platform.openAnswers.push_back(form.WorkFolder + "300.pal");
         form.menu_pal_select->trigger();
       }},
      {"default palette", [&] { form.menu_pal_default->trigger(); }},
      {"open again", [&] { f.open(); }},
      {"exit", [&] { form.menu_file_exit->trigger(); }},
  };
  for (const auto &[name, command] : commands) {
    command();
    if (!f.archiveIntact())
      QFAIL(qPrintable(QStringLiteral("the archive changed after: %1").arg(name)));
  }
  // Every command did its work; none of them was turned away.
  QVERIFY(fs::exists(out + "/frame.bmp"));
  QVERIFY(fs::exists(out + "/walk003.bmp"));
  QVERIFY(fs::exists(out + "/anim.slx"));
  QCOMPARE(ReadFile(out + "/100.slp"), SampleEntryBytes(100));
  QCOMPARE(ReadFile(form.WorkFolder + "300.pal"), SampleEntryBytes(300));
  for (const auto &message : f.platform.messages)
    QVERIFY2(message.text != "Error saving file!", message.detail.c_str());
  QVERIFY(f.tempFiles().empty());
}

// Every command that writes a file chosen in a dialog, aimed at the archive that is open, under
// its own name or through a link to it.
void NoDataLossTest::outputOntoTheOpenArchiveIsRefused_data() {
  QTest::addColumn<QString>("archiveName"); // the archive is renamed to this before opening
  QTest::addColumn<QString>("answer");      // what the save dialog answers
  QTest::addColumn<QString>("command");
  const auto row = [](const char *name, const char *archive, const char *answer,
                      const char *command) {
    QTest::newRow(name) << QString(archive) << QString(answer) << QString(command);
  };
  row("save as BMP", "a.bmp", "a.bmp", "savebmp");
  row("save as BMP through a link", "a.bmp", "link.bmp", "savebmp");
  row("image sequence, first frame", "walk001.bmp", "walk.bmp", "sequence");
  row("image sequence, last frame", "walk003.bmp", "walk.bmp", "sequence");
  row("SLX index", "anim.slx", "anim.slx", "slx");
  row("SLX frame image", "anim2c.bmp", "anim.slx", "slx");
  row("SLX layer map", "anim3d.bmp", "anim.slx", "slx");
  row("extract this file", "a.drs", "a.drs", "extract");
  row("extract this file through a link", "a.drs", "link.drs", "extract");
  // An archive kept in the working folder under the name "Extract as palette" writes.
  row("extract as palette", "300.pal", "", "extractpal");
}

void NoDataLossTest::outputOntoTheOpenArchiveIsRefused() {
  QFETCH(QString, archiveName);
  QFETCH(QString, answer);
  QFETCH(QString, command);
  WindowFixture f;
  const bool palette = command == "extractpal";
  const std::string folder = palette ? f.form->WorkFolder : f.temp.path().string() + "/";
  const std::string archive = folder + archiveName.toStdString();
  fs::rename(f.archivePath, archive);
  f.archivePath = archive;
  const std::string target = f.temp.file(answer.toStdString());
  if (answer.startsWith("link"))
    fs::create_symlink(archive, target);
  AgeFile(archive);
  const FileState before = FileState::Of(archive);
  f.open();
  QVERIFY(f.form->archiveOpen);
  f.select(palette ? kPaletteLine : kSpriteLine);
  QVERIFY(f.platform.messages.empty());

  if (!palette)
    f.platform.saveAnswers.push_back(target);
  if (palette)
    f.form->menu_extract_pal->trigger();
  else if (command == "savebmp")
    f.form->menu_savebmp->trigger();
  else if (command == "sequence")
    f.form->menu_image_savesequence->trigger();
  else if (command == "slx")
    f.form->menu_image_slx_Click();
  else
    f.form->menu_extract_file->trigger();

  QCOMPARE(f.platform.saveRequests.size(), std::size_t(palette ? 0 : 1));
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  const ui::MessageRequest &message = f.platform.messages.front();
  QCOMPARE(message.text, std::string("Error saving file!"));
  QVERIFY2(QString::fromStdString(message.detail).contains("is the open archive itself"),
           message.detail.c_str());
  QVERIFY(FileState::Of(archive) == before);
  if (answer.startsWith("link"))
    QVERIFY(fs::is_symlink(target));
  // Nothing else of the export appeared beside it either.
  for (const auto &entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const bool expected = name == archiveName.toStdString() || name == answer.toStdString() ||
                          (palette ? name.starts_with("_drs") : name == "tmp");
    QVERIFY2(expected, name.c_str());
  }
  // The window goes on working with the archive it has.
  f.select(kSpriteLine);
  f.form->FrameScroll->setValue(2);
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 2 of 3"));
}

// A save that fails part way, or cannot start, leaves what was at the target before.
void NoDataLossTest::failedSaveKeepsThePreviousFile_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("answer");
  QTest::addColumn<QString>("kept");     // a file written beforehand that must stay as it was
  QTest::addColumn<QString>("blocker");  // a folder in the way of one of the outputs, or empty
  QTest::addColumn<bool>("spoilSprite"); // the sprite on view is made unreadable first
  QTest::newRow("save as BMP, sprite unreadable") << "savebmp"
                                                  << "frame.bmp"
                                                  << "frame.bmp"
                                                  << "" << true;
  QTest::newRow("save as BMP, target is a folder") << "savebmp"
                                                   << "frame.bmp"
                                                   << "frame.bmp/inside.txt"
                                                   << "frame.bmp" << false;
  QTest::newRow("image sequence, sprite unreadable") << "sequence"
                                                     << "walk.bmp"
                                                     << "walk001.bmp"
                                                     << "" << true;
  QTest::newRow("image sequence, a later frame blocked") << "sequence"
                                                         << "walk.bmp"
                                                         << "walk001.bmp"
                                                         << "walk002.bmp" << false;
  QTest::newRow("SLX, sprite unreadable") << "slx"
                                          << "anim.slx"
                                          << "anim.slx"
                                          << "" << true;
  QTest::newRow("SLX, a layer map blocked") << "slx"
                                            << "anim.slx"
                                            << "anim1c.bmp"
                                            << "anim3d.bmp" << false;
  QTest::newRow("extract this file, target is a folder") << "extract"
                                                         << "100.slp"
                                                         << "100.slp/inside.txt"
                                                         << "100.slp" << false;
}

void NoDataLossTest::failedSaveKeepsThePreviousFile() {
  QFETCH(QString, command);
  QFETCH(QString, answer);
  QFETCH(QString, kept);
  QFETCH(QString, blocker);
  QFETCH(bool, spoilSprite);
  OpenWindow f;
  f.select(kSpriteLine);
  const std::string out = f.temp.file("out");
  if (!blocker.isEmpty())
    fs::create_directories(out + "/" + blocker.toStdString());
  else
    fs::create_directory(out);
  const std::string keptPath = out + "/" + kept.toStdString();
  WriteText(keptPath, "the user's earlier file");
  AgeFile(keptPath);
  const FileState keptBefore = FileState::Of(keptPath);
  if (spoilSprite) // the copy on view was changed behind the window's back
    WriteText(f.form->ResDisplayPicTag, "not a sprite any more");

  f.platform.saveAnswers.push_back(out + "/" + answer.toStdString());
  if (command == "savebmp")
    f.form->menu_savebmp->trigger();
  else if (command == "sequence")
    f.form->menu_image_savesequence->trigger();
  else if (command == "slx")
    f.form->menu_image_slx_Click();
  else
    f.form->menu_extract_file->trigger();

  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  QVERIFY(!f.platform.messages.front().text.empty());
  QVERIFY(!f.platform.messages.front().detail.empty());
  QVERIFY(FileState::Of(keptPath) == keptBefore);
  QCOMPARE(Text(ReadFile(keptPath)), std::string("the user's earlier file"));
  // No part-written file is left beside it, and the blocking folder is untouched.
  std::vector<std::string> names;
  for (const auto &entry : fs::recursive_directory_iterator(out))
    names.push_back(fs::relative(entry.path(), out).string());
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = {kept.toStdString()};
  if (!blocker.isEmpty() && blocker != kept)
    expected.push_back(blocker.toStdString());
  if (kept.contains('/'))
    expected.push_back(kept.section('/', 0, 0).toStdString());
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  QCOMPARE(names, expected);
  QVERIFY(f.archiveIntact());
}

void NoDataLossTest::temporaryCopiesGoOnExitAndCloseBox_data() {
  QTest::addColumn<bool>("closeBox");
  QTest::newRow("Exit") << false;
  QTest::newRow("close box") << true;
}

void NoDataLossTest::temporaryCopiesGoOnExitAndCloseBox() {
  QFETCH(bool, closeBox);
  OpenWindow f;
  if (closeBox) {
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  }
  for (const int line : {kSpriteLine, 4, kPaletteLine, 11})
    f.select(line);
  const std::string work = f.form->WorkFolder;
  WriteText(work + "_drs123.drx", "planted");
  WriteText(work + "keep.pal", "JASC-PAL");
  QCOMPARE(f.tempFiles().size(), std::size_t(5));
  if (closeBox)
    QVERIFY(f.form->close());
  else
    f.form->menu_file_exit->trigger();
  // The window's own copies go; one it did not make may belong to a window still running.
  QCOMPARE(f.tempFiles(), std::vector<std::string>{"_drs123.drx"});
  QCOMPARE(Text(ReadFile(work + "keep.pal")), std::string("JASC-PAL"));
  QVERIFY(f.archiveIntact());
}

// The real program, ended by a signal as a terminal or a session manager ends it.
void NoDataLossTest::terminatingSignalRemovesTemporaryCopies_data() {
  QTest::addColumn<int>("signal");
  QTest::addColumn<QString>("argument"); // what the program is started with
  QTest::newRow("SIGINT, archive open") << int(SIGINT) << "sample.drs";
  QTest::newRow("SIGTERM, archive open") << int(SIGTERM) << "sample.drs";
  QTest::newRow("SIGTERM, no archive") << int(SIGTERM) << "";
  // The program asks about (or reports) a file that is no archive at start-up and is ended
  // while that message is up.
  QTest::newRow("SIGTERM, start-up message") << int(SIGTERM) << "garbage.drs";
  QTest::newRow("SIGINT, start-up message") << int(SIGINT) << "garbage.drs";
}

void NoDataLossTest::terminatingSignalRemovesTemporaryCopies() {
  QFETCH(int, signal);
  QFETCH(QString, argument);
  TempDir temp;
  const std::string work = temp.file("tessary");
  fs::create_directory(work);
  fs::permissions(work, fs::perms::owner_all, fs::perm_options::replace);
  // Copies of a program that was killed go at the start; those of one still running (this test
  // program) and those whose name carries no owner stay.
  const pid_t ended = ::fork();
  if (ended == 0)
    ::_exit(0);
  int status = 0;
  ::waitpid(ended, &status, 0);
  const std::vector<std::string> orphans = {
      fs::path(TempResourceName("", 123, {ended, 1}, 0)).filename().string(),
      fs::path(TempResourceName("", 4529678, {ended, 2}, 7)).filename().string()};
  const std::vector<std::string> others = {
      "_drs123.drx", "_drs.drx",
      fs::path(TempResourceName("", 5, ThisProcessOwner(1), 0)).filename().string()};
  for (const auto &name : orphans)
    WriteText(work + "/" + name, "a temporary copy");
  for (const auto &name : others)
    WriteText(work + "/" + name, "another program's copy");
  WriteText(work + "/keep.pal", "JASC-PAL");
  WriteText(temp.file("_drs123.drx"), "not in the working folder");
  const std::string archive = temp.file("sample.drs");
  WriteFile(archive, SampleArchiveBytes());
  AgeFile(archive);
  const FileState archiveBefore = FileState::Of(archive);
  WriteText(temp.file("garbage.drs"), std::string(300, 'x'));

  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("TEMP", QString::fromStdString(temp.path().string()));
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QStringList args;
  if (!argument.isEmpty())
    args << QString::fromStdString(temp.file(argument.toStdString()));
  program.start(QStringLiteral(TESSARY_APP_PATH), args);
  QVERIFY(program.waitForStarted(30000));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!CatchesTerminatingSignals(program.processId()) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  QVERIFY2(CatchesTerminatingSignals(program.processId()),
           "the program never took over SIGINT and SIGTERM");

  // Give the start-up open time to raise its message; the program must end either way.
  if (!argument.isEmpty())
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signal), 0);
  if (!program.waitForFinished(30000)) {
    program.kill();
    program.waitForFinished(10000);
    QFAIL("the program did not end after the signal");
  }
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  for (const auto &name : orphans)
    QVERIFY2(!fs::exists(work + "/" + name), name.c_str());
  for (const auto &name : others)
    QVERIFY2(fs::exists(work + "/" + name), name.c_str());
  QCOMPARE(Text(ReadFile(work + "/keep.pal")), std::string("JASC-PAL"));
  QVERIFY(fs::exists(temp.file("_drs123.drx"))); // only the program's own folder is cleaned
  QVERIFY(FileState::Of(archive) == archiveBefore);
}

QTEST_MAIN(NoDataLossTest)
#include "test_ui_no_data_loss.moc"
