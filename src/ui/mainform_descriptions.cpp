// Naming list lines (faction, tech level, graphic, description) and keeping the names in
// description files.
#include "ui/mainform.hpp"

#include "descriptions/description_file.hpp"
#include "descriptions/naming.hpp"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>

#include <filesystem>
#include <system_error>

namespace tessary::ui {

namespace {

// Descriptions are single-byte text, as the description files keep them.
std::string Latin1(const QString &text) { return text.toLatin1().toStdString(); }

QString FromLatin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool SameFile(const std::string &a, const std::string &b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

} // namespace

void MainForm::ConnectDescriptions() {
  for (std::size_t i = 0; i < RenameLists.size(); ++i)
    connect(RenameLists[i], &QComboBox::currentIndexChanged, this,
            [this, i] { RenameLists_Click(static_cast<int>(i)); });
  connect(RenameTextBox, &QLineEdit::textChanged, this, [this] { RenameTextBox_Change(); });
  connect(menu_descr_edit, &QAction::triggered, this, [this] { menu_descr_edit_Click(); });
  connect(menu_descr_save, &QAction::triggered, this, [this] { menu_descr_save_Click(); });
  connect(menu_descr_load, &QAction::triggered, this, [this] { menu_descr_load_Click(); });
}

std::optional<std::size_t> MainForm::SelectedEntry() const {
  const int line = ListIndex();
  if (line < 0 || static_cast<std::size_t>(line) >= DRSFiles.size())
    return std::nullopt;
  return static_cast<std::size_t>(line);
}

void MainForm::RelabelLine(std::size_t line) {
  DRSFilesModel->setText(static_cast<int>(line), FromLatin1(NamingLabel(DRSFiles[line].naming)));
}

// ---------------------------------------------------------------------------------------------
// The naming controls. Selecting a line fills them while they are disabled, so only a person's
// choice or keystroke reaches the entry.

void MainForm::RenameLists_Click(int index) {
  if (index < 0 || index >= static_cast<int>(RenameLists.size()))
    return;
  QComboBox *list = RenameLists[static_cast<std::size_t>(index)];
  const auto line = SelectedEntry();
  if (!list->isEnabled() || !line || list->currentIndex() < 0)
    return;
  DRSFiles[*line].naming.choice[static_cast<std::size_t>(index)] = list->currentIndex();
  RelabelLine(*line);
}

void MainForm::RenameTextBox_Change() {
  const auto line = SelectedEntry();
  if (!RenameTextBox->isEnabled() || !line)
    return;
  DRSFiles[*line].naming.description = Latin1(RenameTextBox->text());
  RelabelLine(*line);
}

void MainForm::menu_descr_edit_Click() {
  descriptionEditing_ = !descriptionEditing_;
  UpdateActions();
  RenameTextBox->setVisible(descriptionEditing_);
}

// ---------------------------------------------------------------------------------------------
// Description files

void MainForm::menu_descr_save_Click() {
  if (!archiveOpen)
    return; // nothing is named before an archive is read
  MainComDlg.title = kDescriptionSaveTitle;
  MainComDlg.filter = kDescriptionFilter;
  MainComDlg.filterIndex = 1;
  // Not the last name chosen, which is usually the archive itself.
  MainComDlg.fileName.clear();
  const auto chosen = ShowSaveDialog(MainComDlg);
  if (!chosen || chosen->empty())
    return;
  try {
    if (SameFile(*chosen, archivePath))
      throw Error(ErrorKind::DescriptionSave, *chosen, "that is the open archive");
    WriteDescriptionFile(*chosen, DRSFiles);
  } catch (const Error &error) {
    ShowError(error);
  }
}

void MainForm::menu_descr_load_Click() {
  if (!archiveOpen)
    return; // there are no lines to name before an archive is read
  MainComDlg.title = kDescriptionOpenTitle;
  MainComDlg.filter = kDescriptionFilter;
  MainComDlg.filterIndex = 1;
  MainComDlg.fileName.clear();
  const auto chosen = ShowOpenDialog(MainComDlg);
  if (!chosen || chosen->empty())
    return;
  LoadedDescriptions loaded;
  try {
    loaded = WithOutOfMemoryAsError([&] { return LoadDescriptionFile(DRSFiles, *chosen); });
  } catch (const Error &error) {
    ShowError(error);
    return;
  }
  DRSFilesList->hide();
  for (const std::size_t line : loaded.applied.changedLines)
    RelabelLine(line);
  DRSFilesList->show();
  SetStatus(DescriptionLoadStatus(loaded.applied, loaded.skipped));
}

} // namespace tessary::ui
