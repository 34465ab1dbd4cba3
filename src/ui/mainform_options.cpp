// The Colours menu: display colours, player, layer switches and the palette commands, and the
// "Extract as palette" command that writes a palette resource where the palette dialog opens.
#include "ui/mainform.hpp"

#include "archive/extract.hpp"

#include <QAction>
#include <QMenu>

namespace tessary::ui {

void MainForm::ConnectSecondHalf() {
  ConnectOptions();
  ConnectDescriptions();
  ConnectView();
}

void MainForm::ConnectOptions() {
  for (std::size_t i = 0; i < menu_col_choose.size(); ++i)
    connect(menu_col_choose[i], &QAction::triggered, this,
            [this, i] { menu_col_choose_Click(static_cast<int>(i)); });
  // A check item toggles its own mark before it reports the click; each handler below ends that
  // by setting the marks from the choice it has made.
  for (std::size_t i = 0; i < menu_col_player_item.size(); ++i)
    connect(menu_col_player_item[i], &QAction::triggered, this,
            [this, i] { menu_col_player_item_Click(static_cast<int>(i)); });
  const std::array<QAction *, 4> layers = {menu_layers_colours, menu_layers_shadow,
                                           menu_layers_selection, menu_layers_outline};
  for (std::size_t i = 0; i < layers.size(); ++i)
    connect(layers[i], &QAction::triggered, this,
            [this, i] { menu_layers_Click(static_cast<int>(i)); });
  connect(menu_image_test2, &QAction::triggered, this, [this] { menu_image_test2_Click(); });
  connect(menu_pal_default, &QAction::triggered, this, [this] { menu_pal_default_Click(); });
  connect(menu_pal_select, &QAction::triggered, this, [this] {
    UpdateActions(); // its mark says "this is the palette in force"; a click must not clear it
    menu_pal_select_Click();
  });
  connect(menu_extract_pal, &QAction::triggered, this, [this] { menu_extract_pal_Click(); });
}

// ---------------------------------------------------------------------------------------------
// Display colours, player and layers

Colour &MainForm::ColourSlot(int index) {
  switch (index) {
  case 0:
    return displayOptions.maskColour;
  case 1:
    return displayOptions.shadowColour;
  case 2:
    return displayOptions.innerOutlineColour;
  default:
    return displayOptions.outerOutlineColour;
  }
}

void MainForm::menu_col_choose_Click(int index) {
  if (index < 0 || index >= static_cast<int>(menu_col_choose.size()))
    return;
  Colour &slot = ColourSlot(index);
  const auto chosen = platform_.colourDialog(slot);
  if (!chosen)
    return;
  slot = *chosen;
  RefreshImage(false);
}

void MainForm::menu_col_player_item_Click(int index) {
  if (index < 0 || index >= static_cast<int>(menu_col_player_item.size()))
    return;
  const bool chosenAlready = index == displayOptions.playerIndex;
  displayOptions.playerIndex = static_cast<std::int16_t>(index);
  UpdateActions();
  if (!chosenAlready)
    RefreshImage(false);
}

void MainForm::menu_layers_Click(int index) {
  if (index < 0 || index >= static_cast<int>(layerSwitches_.size()))
    return;
  const auto k = static_cast<std::size_t>(index);
  layerSwitches_[k] = !layerSwitches_[k];
  UpdateActions();
  RefreshImage(false);
}

void MainForm::menu_image_test2_Click() {
  // "Show data bit" is a leftover of development and shows nothing.
}

// ---------------------------------------------------------------------------------------------
// Palettes

void MainForm::ShowPaletteMessage(const std::string &text, const std::string &detail) {
  platform_.messageBox({text, kAppTitle, MessageButtons::Ok, MessageIcon::None, detail});
}

// A file that is no palette at all is told apart; every other failure to load one, whatever its
// cause (an unreadable file, a broken colour, too little memory), is a palette not opened.
void MainForm::ShowPaletteFailure(const Error &error) {
  const ErrorKind shown = error.kind() == ErrorKind::PaletteNotValid ? ErrorKind::PaletteNotValid
                                                                     : ErrorKind::PaletteOpen;
  ShowPaletteMessage(ErrorMessage(shown, error.subject()), error.detail());
}

void MainForm::menu_pal_default_Click() {
  LoadPalette(paletteTable, "");
  menu_pal_select->setText(QString::fromLatin1(kDefaultPaletteCaption));
  RefreshImage(false);
}

void MainForm::menu_pal_select_Click() {
  PalComDlg.title = kPaletteTitle;
  PalComDlg.filter = kPaletteFilter;
  PalComDlg.initialFolder = WorkFolder; // where "Extract as palette" writes
  const auto chosen = ShowOpenDialog(PalComDlg);
  if (!chosen || chosen->empty())
    return;
  try {
    LoadPalette(paletteTable, *chosen);
  } catch (const Error &error) {
    // Loading is all or nothing: the palette in force, and the caption naming it, stay.
    ShowPaletteFailure(error);
    return;
  }
  menu_pal_select->setText(QString::fromLocal8Bit(PaletteCaption(*chosen)));
  RefreshImage(false);
}

void MainForm::menu_extract_pal_Click() {
  SetStatus(kSavingPaletteStatus);
  const auto line = SelectedEntry();
  if (!archiveOpen || !line || ListKind(static_cast<int>(*line)) == kKindHeading) {
    ShowPaletteMessage(kSavePaletteErrorText, "no resource is selected");
    return;
  }
  const DRSFileInfo entry = DRSFiles[*line];
  std::string target;
  try {
    target = tempCopies_.pathFor(std::to_string(entry.id) + ".pal");
  } catch (const Error &error) {
    ShowSaveFailure(error);
    SetStatus("");
    return;
  }
  // A failed copy has said so in its own words; announcing the palette after it would claim a
  // file that is not there.
  if (ExtractTo(target, entry))
    ShowPaletteMessage(kPaletteSavedText, {});
  SetStatus("");
}

} // namespace tessary::ui
