#pragma once

#include "archive/drs_records.hpp"
#include "archive/temp_copies.hpp"
#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "ui/about_form.hpp"
#include "ui/auto_size_label.hpp"
#include "ui/picture_box.hpp"
#include "ui/platform.hpp"
#include "ui/resource_list_model.hpp"
#include "ui/rtf_view.hpp"
#include "view/drag_tracker.hpp"
#include "view/form_layout.hpp"
#include "view/view_zoom.hpp"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLineEdit;
class QListView;
class QMenu;
class QScrollBar;
class QTimer;
class QWheelEvent;

namespace tessary::ui {

// The window's geometry is kept in twips; these are the words it is spoken in.
using view::PixelsToTwips;
using view::TwipsRect;
using view::TwipsToPixels;

class ClientArea;

// A file dialog's settings, kept between uses as the old dialog control kept them: the commands
// set title and filter before showing it, and a chosen name stays as the next proposal.
struct CommonDialog {
  std::string title;
  std::string filter;
  int filterIndex = 1;
  std::string fileName;
  std::string initialFolder;
};

constexpr int kClientWidthTwips = 8145;
constexpr int kClientHeightTwips = 5400;

// The main window. Controls, menus, dialogs and state carry the names the rest of the program
// (and the tests) know them by; handlers are named control_event.
class MainForm : public QMainWindow {
  Q_OBJECT
public:
  explicit MainForm(Platform &platform, QWidget *parent = nullptr);
  ~MainForm() override;

  // --- Controls (owned by the window) ---
  AutoSizeLabel *DRSFileLabel1 = nullptr;
  AutoSizeLabel *DRSFileLabel2 = nullptr;
  AutoSizeLabel *StatusText = nullptr;
  QListView *DRSFilesList = nullptr;
  ResourceListModel *DRSFilesModel = nullptr;
  RichTextView *ResDisplayText = nullptr;
  AutoSizeLabel *PictureStatusText = nullptr;
  QScrollBar *FrameScroll = nullptr;
  PictureBox *ResDisplayPic = nullptr;
  std::array<QComboBox *, 3> RenameLists{};
  QLineEdit *RenameTextBox = nullptr;
  QTimer *AnimateTimer = nullptr;

  // --- Menus: a top-level menu is shown or hidden through its menuAction() ---
  QMenu *menu_file = nullptr;
  QAction *menu_file_open = nullptr;
  QAction *menu_file_exit = nullptr;
  QMenu *menu_extract = nullptr;
  QAction *menu_extract_file = nullptr;
  QAction *menu_extract_all = nullptr;
  QAction *menu_extract_pal = nullptr;
  QMenu *menu_descr = nullptr;
  QAction *menu_descr_edit = nullptr;
  QAction *menu_descr_load = nullptr;
  QAction *menu_descr_save = nullptr;
  QAction *menu_divider_1 = nullptr;
  QMenu *menu_image = nullptr;
  QAction *menu_image_autorefresh = nullptr;
  QAction *menu_image_refresh = nullptr;
  QAction *menu_savebmp = nullptr;
  QAction *menu_image_slx = nullptr;
  QAction *menu_image_test2 = nullptr;
  QAction *menu_image_savesequence = nullptr;
  QMenu *menu_layers = nullptr;
  QAction *menu_layers_colours = nullptr;
  QAction *menu_layers_shadow = nullptr;
  QAction *menu_layers_selection = nullptr;
  QAction *menu_layers_outline = nullptr;
  QMenu *menu_col = nullptr;
  QMenu *menu_col_pal = nullptr;
  QAction *menu_pal_default = nullptr;
  QAction *menu_pal_select = nullptr;
  QMenu *menu_col_player = nullptr;
  std::array<QAction *, 8> menu_col_player_item{};
  std::array<QAction *, 4> menu_col_choose{};
  QAction *menu_divider_2 = nullptr;
  QMenu *menu_help = nullptr;
  QAction *menu_help_help = nullptr;
  QAction *menu_help_about = nullptr;

  // --- Dialogs ---
  CommonDialog MainComDlg; // archives, extraction, description files
  CommonDialog ComDlg;     // image saves
  CommonDialog PalComDlg;  // palette files

  // --- State ---
  bool archiveOpen = false;
  std::string archivePath;
  BoundedFile archiveFile;
  bool autoRefresh = true;
  // The entry behind each list line: DRSFiles[i] belongs to list line i.
  std::vector<DRSFileInfo> DRSFiles;
  std::string WorkFolder; // empty when no private folder could be had
  PaletteTable paletteTable{};
  DisplayOptions displayOptions;
  std::string ResDisplayPicTag;       // the sprite file shown; empty before the first one
  std::string FrameScrollTag = "off"; // "on" lets slider changes redraw the frame

  // --- Handlers ---
  void Form_Load();
  void Form_Resize();
  void Form_Unload();
  void menu_file_open_Click();
  void menu_file_exit_Click();
  void DRSFilesList_Click();
  void FrameScroll_Change();
  void menu_image_refresh_Click();
  void menu_image_autorefresh_Click();
  void menu_savebmp_Click();
  void menu_image_savesequence_Click();
  void menu_image_slx_Click();
  void menu_extract_file_Click();
  void menu_extract_all_Click();

  // --- Operations ---
  // Opens and reads an archive (the part of "Open..." after the dialog; also used for an
  // archive named on the command line).
  void OpenArchive(const std::string &path);
  // OpenArchive once the event loop runs: for an archive named on the command line or dropped on
  // the window. A question or message it raises then runs inside the loop, and the program that
  // the file was dragged from is not kept waiting for the answer.
  void OpenArchiveLater(const std::string &path);
  // Shows the slider's frame of the sprite on view again; without `force` only while
  // auto-refresh is on. Does nothing before a sprite has been shown.
  void RefreshImage(bool force);
  void ShowSLPFrame(const std::string &path, std::int32_t frameNumber, bool saveOnly,
                    const std::string &fileName);

  // --- Queries ---
  // The selected list line, or -1.
  int ListIndex() const;
  // The kind of a list line, or nothing when there is no such line.
  std::optional<int> ListKind(int line) const;
  // The RTF the rich-text pane was last given ("" when emptied).
  const std::string &ResDisplayTextRtf() const;
  // A control's place in twips.
  TwipsRect Twips(const QWidget *control) const;
  // Moves a control to a place given in twips; its size stays.
  void MoveTwips(QWidget *control, int left, int top);
  double twipsPerPixelX() const { return twipsPerPixelX_; }
  double twipsPerPixelY() const { return twipsPerPixelY_; }
  // Lays the controls out for a client area of the given size in twips (what Form_Resize does
  // with the measured size).
  void LayOutForClient(double widthTwips, double heightTwips);
  // A menu item by its name ("menu_file_open", "menu_col_choose_2"), or nullptr.
  QAction *MenuItem(const QString &name) const;
  // Sets every menu item's visible, enabled and checked state from what is true now: whether an
  // archive is open, the kind of the chosen line, whether a sprite or palette text is shown, and
  // the switches behind the check items. Nothing else writes those states; whatever changes one
  // of those facts calls this.
  void UpdateActions();
  Platform &platform() { return platform_; }
  // This window's temporary copies (named for this process and window).
  const TempCopies &tempCopies() const { return tempCopies_; }

  // Shows the message box for an error caught at a handler's boundary: its message, with what
  // exactly went wrong as the box's details.
  void ShowError(const Error &error, MessageIcon icon = MessageIcon::Critical);

protected:
  void closeEvent(QCloseEvent *event) override;
  // A single local file dragged onto the window is opened as an archive.
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  // The list's keys for playing and zooming, and the wheel over the image view.
  bool eventFilter(QObject *watched, QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void BuildControls();
  void BuildMenus();
  void ConnectHandlers();
  void Place(QWidget *control, TwipsRect rect);
  void SetTwipsHeight(QWidget *control, int height);
  void SetTwipsWidth(QWidget *control, int width);
  void SetTwipsSize(QWidget *control, int width, int height);

  std::optional<std::string> ShowOpenDialog(CommonDialog &dialog);
  std::optional<std::string> ShowSaveDialog(CommonDialog &dialog);
  void SetStatus(const std::string &text);
  void SetTopMenuVisible(QMenu *menu, bool visible);

  void FailOpen(const std::string &detail);
  void LoadNamingControls(const ResourceNaming &naming);
  bool ExtractTo(const std::string &target, const DRSFileInfo &entry);
  void ShowSaveFailure(const Error &error);
  void ResetPreview();
  void PreviewHeading();
  void PreviewSprite(const std::string &tempFile);
  void PreviewSound(const std::string &tempFile);
  void PreviewBinary(const std::string &tempFile, std::int32_t id);
  void PreviewOther();
  void ShowFrameFailure(const Error &error);
  void ExportFrames(const std::string &statusText, const std::function<void()> &exporter);
  void ReportExportProgress(std::int32_t frame, std::int32_t frameCount);

  Platform &platform_;
  ClientArea *client_ = nullptr;
  std::map<const QWidget *, TwipsRect> twips_;
  double twipsPerPixelX_ = 15.0;
  double twipsPerPixelY_ = 15.0;
  bool unloaded_ = false;
  TempCopies tempCopies_;

  // The facts the menus follow (UpdateActions).
  std::optional<int> chosenKind_; // the kind of the line chosen since the archive was read
  bool spriteShown_ = false;      // the sprite view is up
  bool paletteShown_ = false;     // the text previewed is a palette ("JASC-PAL")

  // ===========================================================================================
  // Colours and palettes (mainform_options.cpp), naming and descriptions
  // (mainform_descriptions.cpp), dragging the image view, Help and About (mainform_view.cpp).
public:
  // dragState, dragStartX and dragStartY of the image view.
  view::DragTracker drag;
  // Made at the first "About" and kept, hidden, until the window goes.
  std::unique_ptr<AboutForm> aboutForm;

  void menu_col_choose_Click(int index);
  void menu_col_player_item_Click(int index);
  // One of the four layer switches (colours, shadow, inner outline, outer outline).
  void menu_layers_Click(int index);
  void menu_image_test2_Click();
  void menu_pal_default_Click();
  void menu_pal_select_Click();
  void menu_extract_pal_Click();

  void RenameLists_Click(int index);
  void RenameTextBox_Change();
  void menu_descr_edit_Click();
  void menu_descr_save_Click();
  void menu_descr_load_Click();

  // x and y in pixels inside the image view; button and modifiers are not examined.
  void ResDisplayPic_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x,
                               double y);
  void ResDisplayPic_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x,
                               double y);
  void ResDisplayPic_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x,
                             double y);
  void menu_help_help_Click();
  void menu_help_about_Click();

  // Playing the frames (mainform_animation.cpp): Space, with the list focused and a sprite on
  // view, starts and stops it; each tick of AnimateTimer is one ordinary step of the slider,
  // from the last frame back to the first.
  void AnimateTimer_Timer();
  bool Playing() const;
  // The image view's zoom factor, 1 ... 8; kept for every sprite shown after.
  int ZoomFactor() const { return zoom_.factor(); }

private:
  void ConnectSecondHalf();
  void ConnectOptions();
  void ConnectDescriptions();
  void ConnectView();
  void ConnectAnimation();
  // A sprite's frame is on view (the preview is a sprite's and it could be shown).
  bool SpriteOnView() const;
  void ToggleAnimation();
  void StopAnimation();
  // Space, Escape and the zoom keys from the list or the window; true when the key was used.
  bool HandleViewKey(const QKeyEvent &event);
  bool ZoomByKey(const QKeyEvent &event);
  // Ctrl and the wheel over the image view or the bare window behind it.
  bool ZoomByWheel(const QWheelEvent &event, const QWidget &over);
  void ApplyZoom();
  // The view takes the frame's size times the zoom factor; its place stays.
  void SizeViewToFrame();
  view::ViewZoom zoom_;
  std::int32_t frameWidth_ = 0; // the frame on view, in its own pixels
  std::int32_t frameHeight_ = 0;
  bool timerStep_ = false;           // the slider is being moved by a tick
  bool escapeDuringDisplay_ = false; // a frame's decode was cut short by Escape
  Colour &ColourSlot(int index);
  void ShowPaletteMessage(const std::string &text, const std::string &detail);
  void ShowPaletteFailure(const Error &error);
  // The layer switches behind the Layers menu's check marks; nothing else reads them.
  std::array<bool, 4> layerSwitches_{true, true, true, true};
  // "Descriptions" > "Edit": the description box is shown.
  bool descriptionEditing_ = false;
  // Shows the naming of list line `line` as its text.
  void RelabelLine(std::size_t line);
  // The selected line when it has an entry, else nothing.
  std::optional<std::size_t> SelectedEntry() const;
  // ===========================================================================================
};

} // namespace tessary::ui
