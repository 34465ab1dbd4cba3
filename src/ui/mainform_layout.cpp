// The window itself: its controls at their places, the menu tree, and how the controls follow
// the window's size.
#include "ui/mainform.hpp"

#include "descriptions/naming.hpp"
#include "ui/client_area.hpp"
#include "ui/qt_child.hpp"
#include "ui/resource_list_view.hpp"
#include "ui/window_icon.hpp"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace tessary::ui {

namespace {

const QColor kDarkBlue(0, 0, 128);
const QColor kLightGrey(224, 224, 224);

QFont Font(const char *family, double points, QFont::StyleHint hint, bool bold = false,
           bool italic = false) {
  // A family the system lacks falls back quietly to one of the same kind.
  QFont font(QString::fromLatin1(family));
  font.setStyleHint(hint);
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

QFont Verdana(double points, bool bold = false, bool italic = false) {
  return Font("Verdana", points, QFont::SansSerif, bold, italic);
}
QFont Arial(double points) { return Font("Arial", points, QFont::SansSerif); }
QFont Fixedsys(double points) { return Font("Fixedsys", points, QFont::TypeWriter); }

void SetColours(QWidget *widget, const QColor &text, const QColor *background) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::ButtonText, text);
  if (background) {
    palette.setColor(QPalette::Window, *background);
    palette.setColor(QPalette::Base, *background);
    palette.setColor(QPalette::Button, *background);
  }
  widget->setPalette(palette);
}

// The application's palette for this kind of control, every colour set, so that nothing of the
// parent's palette shows through.
QPalette OwnPlatformPalette(const QWidget *control) {
  const QPalette platform = QApplication::palette(control);
  QPalette own;
  for (int group = 0; group < QPalette::NColorGroups; ++group)
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
      if (role == QPalette::NoRole)
        continue;
      const auto g = static_cast<QPalette::ColorGroup>(group);
      const auto r = static_cast<QPalette::ColorRole>(role);
      own.setBrush(g, r, platform.brush(g, r));
    }
  return own;
}

AutoSizeLabel *CaptionLabel(QWidget *parent, const char *caption, const QFont &font) {
  auto *label = Child<AutoSizeLabel>(parent);
  label->setFont(font);
  SetColours(label, Qt::white, nullptr); // transparent background
  label->setText(caption);
  return label;
}

QAction *Item(QMenu *menu, const char *name, const char *caption) {
  QAction *action = menu->addAction(QString::fromLatin1(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

// A check item; its mark is set by UpdateActions.
QAction *CheckItem(QMenu *menu, const char *name, const char *caption) {
  QAction *action = Item(menu, name, caption);
  action->setCheckable(true);
  return action;
}

QMenu *SubMenu(QMenu *menu, const char *name, const char *caption) {
  QMenu *sub = menu->addMenu(QString::fromLatin1(caption));
  sub->setObjectName(QString::fromLatin1(name));
  sub->menuAction()->setObjectName(QString::fromLatin1(name));
  return sub;
}

} // namespace

MainForm::MainForm(Platform &platform, QWidget *parent) : QMainWindow(parent), platform_(platform) {
  if (const QScreen *screen = QGuiApplication::primaryScreen()) {
    if (screen->logicalDotsPerInchX() > 0)
      twipsPerPixelX_ = 1440.0 / screen->logicalDotsPerInchX();
    if (screen->logicalDotsPerInchY() > 0)
      twipsPerPixelY_ = 1440.0 / screen->logicalDotsPerInchY();
  }
  setWindowTitle(QString::fromLatin1(kWindowCaption));
  setWindowIcon(WindowIcon());
  setAcceptDrops(true); // an archive dropped on the window is opened
  BuildControls();
  BuildMenus();
  UpdateActions();
  ConnectHandlers();
  resize(TwipsToPixels(kClientWidthTwips, twipsPerPixelX_),
         TwipsToPixels(kClientHeightTwips, twipsPerPixelY_) + menuBar()->sizeHint().height());
  Form_Load();
}

MainForm::~MainForm() = default;

void MainForm::BuildControls() {
  client_ = Child<ClientArea>(this);
  client_->setAutoFillBackground(true);
  SetColours(client_, Qt::white, &kDarkBlue);
  setCentralWidget(client_);

  DRSFileLabel1 = CaptionLabel(client_, "Current DRS file:", Verdana(9.75, true));
  Place(DRSFileLabel1, {120, 120, 1845, 240});
  DRSFileLabel2 = CaptionLabel(client_, kNoArchiveCaption, Verdana(9.75));
  Place(DRSFileLabel2, {1920, 120, 660, 240});
  DRSFileLabel2->adjustSize();
  StatusText = CaptionLabel(client_, "", Verdana(9.75, false, true));
  Place(StatusText, {3480, 120, 75, 240});

  DRSFilesModel = Child<ResourceListModel>(this);
  DRSFilesList = Child<ResourceListView>(client_);
  DRSFilesList->setModel(DRSFilesModel);
  DRSFilesList->setUniformItemSizes(true); // keeps tens of thousands of lines cheap
  DRSFilesList->setSelectionMode(QAbstractItemView::SingleSelection);
  DRSFilesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DRSFilesList->setFont(Arial(8.25));
  SetColours(DRSFilesList, Qt::black, &kLightGrey);
  Place(DRSFilesList, {120, 720, 1815, 4620});

  ResDisplayText = Child<RichTextView>(client_);
  ResDisplayText->setFont(Fixedsys(9));
  SetColours(ResDisplayText, Qt::black, &kLightGrey);
  Place(ResDisplayText, {2040, 720, 495, 4575});

  PictureStatusText = CaptionLabel(client_, kLoadingImageCaption, Verdana(8.25));
  Place(PictureStatusText, {2040, 720, 1665, 195});
  PictureStatusText->adjustSize();
  PictureStatusText->hide();

  FrameScroll = Child<QScrollBar>(client_, Qt::Horizontal);
  FrameScroll->setRange(1, 1);
  FrameScroll->setSingleStep(1);
  FrameScroll->setPageStep(1);
  FrameScroll->setTracking(false); // a change while dragging counts once, when the thumb drops
  // The platform's own scroll-bar colours, not the window's navy, or the handle is hard to see.
  FrameScroll->setPalette(OwnPlatformPalette(FrameScroll));
  Place(FrameScroll, {2040, 960, 1695, 255});
  FrameScroll->hide();

  ResDisplayPic = Child<PictureBox>(client_);
  SetColours(ResDisplayPic, Qt::white, &kDarkBlue);
  Place(ResDisplayPic, {2160, 1320, 735, 735});
  ResDisplayPic->hide();

  const TwipsRect renameRects[] = {
      {120, 360, 1575, 330}, {1800, 360, 1095, 330}, {120, 720, 2775, 330}};
  const QColor black(Qt::black);
  for (int i = 0; i < 3; ++i) {
    auto *list = Child<QComboBox>(client_);
    list->setObjectName(QStringLiteral("RenameLists_%1").arg(i));
    for (const auto &item : RenameListItems(i))
      list->addItem(QString::fromLatin1(item.c_str()));
    list->setFont(Arial(8.25));
    SetColours(list, Qt::white, &black);
    Place(list, renameRects[i]);
    list->hide();
    RenameLists[static_cast<std::size_t>(i)] = list;
  }
  RenameTextBox = Child<QLineEdit>(client_);
  RenameTextBox->setFont(Arial(8.25));
  SetColours(RenameTextBox, Qt::white, &black);
  Place(RenameTextBox, {120, 1080, 2775, 270});
  RenameTextBox->hide();

  AnimateTimer = Child<QTimer>(this);
  AnimateTimer->setInterval(100); // started and stopped by Space while a sprite is on view

  client_->onResize([this] { Form_Resize(); });
}

void MainForm::BuildMenus() {
  QMenuBar *bar = menuBar();
  const auto top = [bar](const char *name, const char *caption) {
    QMenu *menu = bar->addMenu(QString::fromLatin1(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
  };
  const auto divider = [bar](const char *name) {
    QAction *action = bar->addAction(QStringLiteral("|"));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };

  menu_file = top("menu_file", "File");
  menu_file_open = Item(menu_file, "menu_file_open", "Open...");
  menu_file_exit = Item(menu_file, "menu_file_exit", "Exit");

  menu_extract = top("menu_extract", "Extract");
  menu_extract_file = Item(menu_extract, "menu_extract_file", "Extract this file...");
  menu_extract_all = Item(menu_extract, "menu_extract_all", "Extract all files...");
  menu_extract_pal = Item(menu_extract, "menu_extract_pal", "Extract as palette");

  menu_descr = top("menu_descr", "Descriptions");
  menu_descr_edit = CheckItem(menu_descr, "menu_descr_edit", "Edit");
  menu_descr_load = Item(menu_descr, "menu_descr_load", "Load from file...");
  menu_descr_save = Item(menu_descr, "menu_descr_save", "Save to file...");

  menu_divider_1 = divider("menu_divider_1");

  menu_image = top("menu_image", "Image");
  menu_image_autorefresh = CheckItem(menu_image, "menu_image_autorefresh", "Auto-refresh");
  menu_image_refresh = Item(menu_image, "menu_image_refresh", "Refresh");
  menu_image_refresh->setShortcut(QKeySequence(Qt::Key_F5));
  menu_savebmp = Item(menu_image, "menu_savebmp", "Save as BMP");
  menu_image_slx = Item(menu_image, "menu_image_slx", "Export as SLX");
  menu_image_test2 = Item(menu_image, "menu_image_test2", "Show data bit");
  menu_image_savesequence = Item(menu_image, "menu_image_savesequence", "Save as image sequence");

  menu_layers = top("menu_layers", "Layers");
  menu_layers_colours = CheckItem(menu_layers, "menu_layers_colours", "Colours");
  menu_layers_shadow = CheckItem(menu_layers, "menu_layers_shadow", "Shadow");
  menu_layers_selection = CheckItem(menu_layers, "menu_layers_selection", "Outline (inner)");
  menu_layers_outline = CheckItem(menu_layers, "menu_layers_outline", "Outline (outer)");

  menu_col = top("menu_col", "Colours");
  menu_col_pal = SubMenu(menu_col, "menu_col_pal", "Palette");
  menu_pal_default = Item(menu_col_pal, "menu_pal_default", "Use default");
  menu_pal_select = CheckItem(menu_col_pal, "menu_pal_select", kDefaultPaletteCaption);
  menu_col_player = SubMenu(menu_col, "menu_col_player", "Player");
  const char *players[] = {"Player 1 (blue)",   "Player 2 (red)",    "Player 3 (green)",
                           "Player 4 (yellow)", "Player 5 (orange)", "Player 6 (cyan)",
                           "Player 7 (purple)", "Player 8 (grey)"};
  for (std::size_t i = 0; i < menu_col_player_item.size(); ++i) {
    const std::string name = "menu_col_player_item_" + std::to_string(i);
    menu_col_player_item[i] = CheckItem(menu_col_player, name.c_str(), players[i]);
  }
  const char *choices[] = {"Mask...", "Shadow...", "Outline (inner)...", "Outline (outer)..."};
  for (std::size_t i = 0; i < menu_col_choose.size(); ++i) {
    const std::string name = "menu_col_choose_" + std::to_string(i);
    menu_col_choose[i] = Item(menu_col, name.c_str(), choices[i]);
  }

  menu_divider_2 = divider("menu_divider_2");

  menu_help = top("menu_help", "Help");
  menu_help_help = Item(menu_help, "menu_help_help", "Help");
  menu_help_about = Item(menu_help, "menu_help_about", "About");
}

QAction *MainForm::MenuItem(const QString &name) const {
  for (QAction *action : findChildren<QAction *>(name))
    if (action->objectName() == name)
      return action;
  return nullptr;
}

void MainForm::Place(QWidget *control, TwipsRect rect) {
  twips_[control] = rect;
  control->setGeometry(
      TwipsToPixels(rect.left, twipsPerPixelX_), TwipsToPixels(rect.top, twipsPerPixelY_),
      TwipsToPixels(rect.width, twipsPerPixelX_), TwipsToPixels(rect.height, twipsPerPixelY_));
}

void MainForm::SetTwipsHeight(QWidget *control, int height) {
  TwipsRect rect = Twips(control);
  rect.height = height;
  Place(control, rect);
}

void MainForm::SetTwipsWidth(QWidget *control, int width) {
  TwipsRect rect = Twips(control);
  rect.width = width;
  Place(control, rect);
}

void MainForm::SetTwipsSize(QWidget *control, int width, int height) {
  // Only the size: the control stays wherever it is now (the image view may have been dragged).
  TwipsRect rect = Twips(control);
  rect.width = width;
  rect.height = height;
  twips_[control] = rect;
  control->resize(TwipsToPixels(width, twipsPerPixelX_), TwipsToPixels(height, twipsPerPixelY_));
}

void MainForm::MoveTwips(QWidget *control, int left, int top) {
  TwipsRect rect = Twips(control);
  rect.left = left;
  rect.top = top;
  Place(control, rect);
}

TwipsRect MainForm::Twips(const QWidget *control) const {
  const QRect px = control->geometry();
  const auto found = twips_.find(control);
  if (found == twips_.end())
    return {static_cast<int>(PixelsToTwips(px.x(), twipsPerPixelX_)),
            static_cast<int>(PixelsToTwips(px.y(), twipsPerPixelY_)),
            static_cast<int>(PixelsToTwips(px.width(), twipsPerPixelX_)),
            static_cast<int>(PixelsToTwips(px.height(), twipsPerPixelY_))};
  // A control moved by pixels since its twips were set reports where it really is.
  TwipsRect rect = found->second;
  if (TwipsToPixels(rect.left, twipsPerPixelX_) != px.x())
    rect.left = static_cast<int>(PixelsToTwips(px.x(), twipsPerPixelX_));
  if (TwipsToPixels(rect.top, twipsPerPixelY_) != px.y())
    rect.top = static_cast<int>(PixelsToTwips(px.y(), twipsPerPixelY_));
  return rect;
}

void MainForm::Form_Resize() {
  LayOutForClient(PixelsToTwips(client_->width(), twipsPerPixelX_),
                  PixelsToTwips(client_->height(), twipsPerPixelY_));
}

void MainForm::LayOutForClient(double widthTwips, double heightTwips) {
  SetTwipsHeight(DRSFilesList, view::FollowingExtent(heightTwips, Twips(DRSFilesList).top));
  SetTwipsHeight(ResDisplayText, view::FollowingExtent(heightTwips, Twips(ResDisplayText).top));
  SetTwipsWidth(ResDisplayText, view::FollowingExtent(widthTwips, Twips(ResDisplayText).left));
}

} // namespace tessary::ui
