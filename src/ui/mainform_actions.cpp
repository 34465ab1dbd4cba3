// Which menu items are shown, enabled and checked: worked out in one place from what is true
// now, so no command has to remember which items another one changed.
#include "ui/mainform.hpp"

#include <QAction>
#include <QMenu>

namespace tessary::ui {

void MainForm::SetTopMenuVisible(QMenu *menu, bool visible) {
  menu->menuAction()->setVisible(visible);
}

void MainForm::UpdateActions() {
  // Extract: a chosen line that is not a table heading can be copied out; only a palette text
  // can be taken as a palette. "Extract all files..." follows the open archive but is never
  // offered.
  menu_extract_file->setEnabled(chosenKind_ && *chosenKind_ != kKindHeading);
  menu_extract_all->setVisible(false);
  menu_extract_all->setEnabled(archiveOpen);
  menu_extract_pal->setEnabled(paletteShown_);

  // Descriptions: kept, never offered.
  SetTopMenuVisible(menu_descr, false);
  menu_descr_edit->setChecked(descriptionEditing_);
  menu_divider_1->setEnabled(false);

  // The sprite menus: while a sprite is on view. The development leftovers, the player choice
  // and the Layers menu are never offered.
  SetTopMenuVisible(menu_image, spriteShown_);
  menu_image_autorefresh->setChecked(autoRefresh);
  menu_image_slx->setVisible(false);
  menu_image_test2->setVisible(false);
  SetTopMenuVisible(menu_layers, false);
  const std::array<QAction *, 4> layers = {menu_layers_colours, menu_layers_shadow,
                                           menu_layers_selection, menu_layers_outline};
  for (std::size_t i = 0; i < layers.size(); ++i)
    layers[i]->setChecked(layerSwitches_[i]);
  SetTopMenuVisible(menu_col, spriteShown_);
  menu_pal_select->setChecked(true); // its mark says "this is the palette in force"
  menu_col_player->menuAction()->setVisible(false);
  for (std::size_t i = 0; i < menu_col_player_item.size(); ++i)
    menu_col_player_item[i]->setChecked(static_cast<int>(i) == displayOptions.playerIndex);
  menu_divider_2->setVisible(spriteShown_);
  menu_divider_2->setEnabled(false);
}

} // namespace tessary::ui
