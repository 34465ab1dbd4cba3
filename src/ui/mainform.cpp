// Start-up and shutdown, opening an archive, selecting and previewing a resource, extraction.
#include "ui/mainform.hpp"
#include "common/paths.hpp"

#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "archive/work_folder.hpp"
#include "view/bin_preview.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>

#include <atomic>
#include <filesystem>
#include <system_error>

namespace tessary::ui {

namespace {

// Each window of the process names its copies apart from the others'.
int NextWindowInstance() {
  static std::atomic<int> next{0};
  return ++next;
}

// The entry behind each list line, in list order: the window keeps the namings beside them.
std::vector<DRSFileInfo> EntriesOf(std::vector<ListLine> &lines) {
  std::vector<DRSFileInfo> entries;
  entries.reserve(lines.size());
  for (auto &line : lines)
    entries.push_back(std::move(line.entry));
  return entries;
}

bool IsRegularFile(const std::string &path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// The one local file a drag brings, or nothing: the window opens one archive at a time.
std::optional<std::string> DraggedFile(const QMimeData *data) {
  if (!data || !data->hasUrls())
    return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile())
    return std::nullopt;
  return QFile::encodeName(urls.first().toLocalFile()).toStdString();
}

} // namespace

void MainForm::ConnectHandlers() {
  ConnectAnimation();
  ConnectSecondHalf();
  connect(menu_file_open, &QAction::triggered, this, [this] { menu_file_open_Click(); });
  connect(menu_file_exit, &QAction::triggered, this, [this] { menu_file_exit_Click(); });
  connect(menu_extract_file, &QAction::triggered, this, [this] { menu_extract_file_Click(); });
  connect(menu_extract_all, &QAction::triggered, this, [this] { menu_extract_all_Click(); });
  connect(menu_image_autorefresh, &QAction::triggered, this,
          [this] { menu_image_autorefresh_Click(); });
  connect(menu_image_refresh, &QAction::triggered, this, [this] { menu_image_refresh_Click(); });
  connect(menu_savebmp, &QAction::triggered, this, [this] { menu_savebmp_Click(); });
  connect(menu_image_savesequence, &QAction::triggered, this,
          [this] { menu_image_savesequence_Click(); });
  connect(menu_image_slx, &QAction::triggered, this, [this] { menu_image_slx_Click(); });
  connect(FrameScroll, &QScrollBar::valueChanged, this, [this] { FrameScroll_Change(); });
  // A line counts as chosen when it becomes selected, by mouse or keyboard; the list merely
  // taking the focus makes a line current without choosing it.
  connect(DRSFilesList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection &selected) {
            if (!selected.isEmpty())
              DRSFilesList_Click();
          });
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void MainForm::Form_Load() {
  const EnvLookup env = [this](const std::string &name) { return platform_.environment(name); };
  std::string whyNoFolder;
  WorkFolder = tessary::WorkFolder(env, &whyNoFolder);
  tempCopies_ = TempCopies(WorkFolder, ThisProcessOwner(NextWindowInstance()), whyNoFolder);
  // Copies left by a window whose process was killed are nobody's any more.
  RemoveOrphanedTempResourceFiles(WorkFolder);
  LoadPalette(paletteTable, "");
  PalComDlg = {kPaletteTitle, kPaletteFilter, 1, {}, WorkFolder};
  displayOptions = DisplayOptions{};
  displayOptions.playerIndex = 0;
  displayOptions.maskColour = RGB(0, 0, 0);
  displayOptions.innerOutlineColour = RGB(0, 0, 255);
  displayOptions.outerOutlineColour = RGB(255, 255, 0);
  displayOptions.shadowColour = RGB(127, 127, 127);
  autoRefresh = true;
  archiveOpen = false;
  MainComDlg = {kOpenTitle, kOpenFilter, 1, {}, ArchiveDialogFolder(env)};
  ComDlg = {kImageTitle, kImageFilter, 1, {}, {}};
  UpdateActions();
}

void MainForm::menu_file_exit_Click() { close(); }

void MainForm::closeEvent(QCloseEvent *event) {
  Form_Unload();
  event->accept();
}

void MainForm::Form_Unload() {
  if (unloaded_)
    return;
  unloaded_ = true;
  StopAnimation();
  SetStatus(kCleaningUpStatus);
  if (archiveOpen) {
    archiveFile.close();
    archiveOpen = false;
    UpdateActions();
  }
  tempCopies_.removeOwn(); // another window's copies are still in use
  // Every window goes, an open About window included.
  QCoreApplication::quit();
}

// ---------------------------------------------------------------------------------------------
// Dialogs and small helpers

std::optional<std::string> MainForm::ShowOpenDialog(CommonDialog &dialog) {
  auto chosen = platform_.openFileDialog(
      {dialog.title, dialog.filter, dialog.filterIndex, dialog.fileName, dialog.initialFolder});
  if (chosen)
    dialog.fileName = *chosen;
  return chosen;
}

std::optional<std::string> MainForm::ShowSaveDialog(CommonDialog &dialog) {
  auto chosen = platform_.saveFileDialog(
      {dialog.title, dialog.filter, dialog.filterIndex, dialog.fileName, dialog.initialFolder});
  if (chosen)
    dialog.fileName = *chosen;
  return chosen;
}

void MainForm::SetStatus(const std::string &text) { StatusText->setText(text); }

void MainForm::ShowError(const Error &error, MessageIcon icon) {
  platform_.messageBox({error.message(), kAppTitle, MessageButtons::Ok, icon, error.detail()});
}

int MainForm::ListIndex() const {
  const QModelIndexList selected = DRSFilesList->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

std::optional<int> MainForm::ListKind(int line) const { return DRSFilesModel->kind(line); }

const std::string &MainForm::ResDisplayTextRtf() const { return ResDisplayText->rtf(); }

// ---------------------------------------------------------------------------------------------
// Opening an archive

void MainForm::menu_file_open_Click() {
  SetStatus(kOpeningStatus);
  MainComDlg.title = kOpenTitle;
  MainComDlg.filter = kOpenFilter;
  MainComDlg.filterIndex = 1;
  // Start beside the archive now open (if any) rather than beside the last extracted file.
  MainComDlg.fileName = archivePath;
  const auto chosen = ShowOpenDialog(MainComDlg);
  if (!chosen || chosen->empty() || !IsRegularFile(*chosen))
    return;
  OpenArchive(*chosen);
}

void MainForm::OpenArchiveLater(const std::string &path) {
  QMetaObject::invokeMethod(
      this, [this, path] { OpenArchive(path); }, Qt::QueuedConnection);
}

void MainForm::dragEnterEvent(QDragEnterEvent *event) {
  if (DraggedFile(event->mimeData()))
    event->acceptProposedAction();
}

void MainForm::dragMoveEvent(QDragMoveEvent *event) {
  if (DraggedFile(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void MainForm::dropEvent(QDropEvent *event) {
  const auto path = DraggedFile(event->mimeData());
  if (!path) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  OpenArchiveLater(*path);
}

void MainForm::OpenArchive(const std::string &path) {
  StopAnimation();
  if (archiveOpen)
    archiveFile.close();
  archiveOpen = true;
  archivePath = path;
  DRSFileLabel2->setText(ArchiveLabel(archivePath));
  try {
    if (!IsRegularFile(path))
      throw Error(ErrorKind::ArchiveRead, path, path + ": not a readable file");
    archiveFile = BoundedFile(PathOf(path), ErrorKind::ArchiveRead);
    SetStatus(kAnalysingStatus);
    auto contents = WithOutOfMemoryAsError([this] {
      return ReadArchive(archiveFile, [this] {
        return platform_.messageBox({kInvalidFormatQuestion,
                                     kAppTitle,
                                     MessageButtons::OkCancel,
                                     MessageIcon::None,
                                     {}}) == MessageAnswer::Ok;
      });
    });
    if (!contents) {
      FailOpen({});
      return;
    }
    DRSFiles = WithOutOfMemoryAsError([&contents] { return EntriesOf(contents->lines); });
    DRSFilesList->hide();
    DRSFilesModel->setLines(contents->lines);
    DRSFilesList->show();
  } catch (const Error &error) {
    FailOpen(error.detail());
    return;
  }
  chosenKind_.reset(); // no line of this archive is chosen yet
  UpdateActions();
  SetStatus("");
}

void MainForm::FailOpen(const std::string &detail) {
  platform_.messageBox(
      {kReadErrorText, kOpenFailedTitle, MessageButtons::Ok, MessageIcon::Critical, detail});
  SetStatus("");
  archivePath.clear();
  DRSFileLabel2->setText(kNoArchiveCaption);
  archiveOpen = false;
  archiveFile.close();
  chosenKind_.reset();
  UpdateActions();
  // The previous archive is closed by now: its lines must not stay selectable, or a preview or
  // extraction would read from no archive.
  DRSFilesModel->clear();
  DRSFiles.clear();
}

// ---------------------------------------------------------------------------------------------
// Selecting a line

void MainForm::DRSFilesList_Click() {
  StopAnimation();
  const int line = ListIndex();
  const auto kind = ListKind(line);
  if (!kind || static_cast<std::size_t>(line) >= DRSFiles.size())
    return;
  const DRSFileInfo entry = DRSFiles[static_cast<std::size_t>(line)];
  LoadNamingControls(entry.naming);
  std::string tempFile;
  try {
    tempFile = tempCopies_.claim(platform_.hundredthsSinceMidnight());
  } catch (const Error &error) {
    ShowSaveFailure(error); // the preview goes on without a copy, as after a failed one
  }
  if (!tempFile.empty())
    ExtractTo(tempFile, entry);
  chosenKind_ = *kind;
  ResetPreview();
  switch (*kind) {
  case kKindHeading:
    PreviewHeading();
    break;
  case kKindSprite:
    PreviewSprite(tempFile);
    break;
  case kKindSound:
    PreviewSound(tempFile);
    break;
  case kKindBinary:
    PreviewBinary(tempFile, entry.id);
    break;
  default:
    PreviewOther();
    break;
  }
}

void MainForm::LoadNamingControls(const ResourceNaming &naming) {
  // Disabled while set here, so their change handlers leave the entry alone.
  for (QComboBox *list : RenameLists)
    list->setEnabled(false);
  RenameTextBox->setEnabled(false);
  for (std::size_t i = 0; i < RenameLists.size(); ++i) {
    const int choice = naming.choice[i];
    // A choice no item stands for shows as no selection.
    RenameLists[i]->setCurrentIndex(choice >= 0 && choice < RenameLists[i]->count() ? choice : -1);
  }
  RenameTextBox->setText(QString::fromLatin1(naming.description.data(),
                                             static_cast<qsizetype>(naming.description.size())));
  for (QComboBox *list : RenameLists)
    list->setEnabled(true);
  RenameTextBox->setEnabled(true);
}

bool MainForm::ExtractTo(const std::string &target, const DRSFileInfo &entry) {
  try {
    WithOutOfMemoryAsError([&] {
      ExtractResource(archiveFile, target, entry,
                      [this](const std::string &text) { SetStatus(text); });
    });
    return true;
  } catch (const Error &error) {
    ShowSaveFailure(error);
    return false;
  }
}

// Whatever stopped it, a copy that could not be made is reported as a file not saved.
void MainForm::ShowSaveFailure(const Error &error) {
  platform_.messageBox(
      {kSaveErrorText, kAppTitle, MessageButtons::Ok, MessageIcon::None, error.detail()});
}

void MainForm::ResetPreview() {
  paletteShown_ = false;
  spriteShown_ = false;
  UpdateActions();
  ResDisplayPic->setVisible(false);
  FrameScroll->setVisible(false);
  PictureStatusText->setVisible(false);
  SetStatus("");
}

void MainForm::PreviewHeading() {
  ResDisplayText->setVisible(false);
  ResDisplayText->clearText();
}

void MainForm::PreviewSprite(const std::string &tempFile) {
  ResDisplayText->setVisible(false);
  ResDisplayText->setRtf(view::kSpritePreviewRtf);
  ResDisplayPic->setVisible(true);
  FrameScroll->setVisible(true);
  PictureStatusText->setVisible(true);
  spriteShown_ = true;
  UpdateActions();
  ShowSLPFrame(tempFile, 1, false, {});
  DRSFilesList->setFocus(); // the arrow keys go on stepping through the list
}

void MainForm::PreviewSound(const std::string &tempFile) {
  ResDisplayText->setVisible(true);
  ResDisplayText->setRtf(view::kSoundPreviewRtf);
  platform_.playSound(tempFile);
}

void MainForm::PreviewBinary(const std::string &tempFile, std::int32_t id) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(PathOf(tempFile), static_cast<std::uint64_t>(kMaxExtractSize),
                          ErrorKind::Save);
  } catch (const Error &) {
    // The failed copy has been reported already; the preview shows the heading alone.
  }
  const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.data()),
                                           bytes.size());
  const std::string text = view::BinPreviewText(data);
  ResDisplayText->setVisible(false);
  ResDisplayText->setRtf(view::BinPreviewRtf(id, data));
  ResDisplayText->setVisible(true);
  paletteShown_ = view::StartsWithJascPal(text);
  UpdateActions();
}

void MainForm::PreviewOther() {
  ResDisplayText->setVisible(true);
  ResDisplayText->setRtf(view::kUnknownPreviewRtf);
}

// ---------------------------------------------------------------------------------------------
// Extraction

void MainForm::menu_extract_file_Click() {
  const int line = ListIndex();
  const auto kind = ListKind(line);
  if (!kind || static_cast<std::size_t>(line) >= DRSFiles.size())
    return;
  const DRSFileInfo entry = DRSFiles[static_cast<std::size_t>(line)];
  SetStatus(kSavingFileStatus);
  const ProposedName proposal = ProposedExtractName(entry.id, *kind);
  MainComDlg.title = kExtractTitle;
  MainComDlg.filter = kExtractFilter;
  MainComDlg.filterIndex = proposal.filterIndex;
  MainComDlg.fileName = proposal.name;
  const auto chosen = ShowSaveDialog(MainComDlg);
  if (!chosen) {
    SetStatus("");
    return;
  }
  if (!chosen->empty())
    ExtractTo(*chosen, entry);
  SetStatus("");
}

void MainForm::menu_extract_all_Click() {
  platform_.messageBox({kNotImplementedText, kAppTitle, MessageButtons::Ok, MessageIcon::None, {}});
}

} // namespace tessary::ui
