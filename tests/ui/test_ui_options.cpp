// The Colours menu in the window: display colours, player and layer switches, the palette
// commands and "Extract as palette".
#include "ui_fixtures.hpp"

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <functional>
#include <set>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;

namespace {

constexpr int kSpriteLine = 1;  // id 100; frame 1 is 8x6
constexpr int kPaletteLine = 6; // id 300, a JASC-PAL text with entry i = (i, 255 - i, 7)

using Pixel = std::pair<int, int>;
using PixelSet = std::set<Pixel>;

// The pixels in which two images of the same size differ.
PixelSet Differing(const QImage &a, const QImage &b) {
  PixelSet differing;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y))
        differing.insert({x, y});
  return differing;
}

// Where PatternFrame puts each layer in an 8x6 frame.
PixelSet Column(int x) {
  PixelSet pixels;
  for (int y = 0; y < 6; ++y)
    pixels.insert({x, y});
  return pixels;
}
const PixelSet kMaskPixels = Column(0);
const PixelSet kShadowPixels = {{1, 0}};
const PixelSet kInnerPixels = {{1, 1}};
const PixelSet kOuterPixels = Column(7);

QColor Shown(const MainForm &form, int x, int y) {
  return QColor(form.ResDisplayPic->image().pixel(x, y));
}

QColor ToQColor(Colour c) {
  return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)),
                static_cast<int>(BlueOf(c)));
}

std::string JascPal(const char *magic, int colours, const std::function<Colour(int)> &colour) {
  std::string text = std::string(magic) + "\r\n0100\r\n" + std::to_string(colours) + "\r\n";
  for (int i = 0; i < colours; ++i) {
    const Colour c = colour(i);
    text += std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " +
            std::to_string(BlueOf(c)) + "\r\n";
  }
  return text;
}

Colour Inverted(int i) { return RGB(255 - i, static_cast<unsigned>(i), 200); }
Colour FromSample(int i) { return RGB(static_cast<unsigned>(i), 255 - i, 7); }

QString Caption(const MainForm &form) { return form.menu_pal_select->text(); }

// A window showing frame 1 of the sample sprite.
struct SpriteWindow : WindowFixture {
  SpriteWindow() {
    open();
    select(kSpriteLine);
  }
  QImage image() const { return form->ResDisplayPic->image(); }
  int renders() const { return platform.busyShown; }
  // "Select..." answered with `path`.
  void selectPalette(const std::string &path) {
    platform.openAnswers.push_back(path);
    form->menu_pal_select->trigger();
  }
  // A palette file in the test folder.
  std::string paletteFile(const std::string &name, const std::string &text) const {
    std::filesystem::create_directories(temp.file("pal"));
    const std::string path = temp.file("pal/" + name);
    WriteText(path, text);
    return path;
  }
};

} // namespace

class OptionsTest : public QObject {
  Q_OBJECT
private slots:
  void colourSlotChangesExactlyItsLayer_data();
  void colourSlotChangesExactlyItsLayer();
  void colourDialogStartsFromTheCurrentColour();
  void cancelledColourChangesNothing();
  void colourWaitsForRefreshWhileAutoRefreshIsOff();
  void choosingTheCheckedPlayerDoesNotRedraw();
  void layerSwitchesToggleAndRedrawOnlyWithAutoRefresh();
  void showDataBitDoesNothing();

  void selectLoadsThePaletteAndNamesIt();
  void captionIsTheUpperCasedFileTitle_data();
  void captionIsTheUpperCasedFileTitle();
  void useDefaultRestoresEveryEntry();
  void rejectedPaletteKeepsTheCaptionOfThePaletteInForce_data();
  void rejectedPaletteKeepsTheCaptionOfThePaletteInForce();
  void cancelledPaletteDialogChangesNothing();
  void paletteWaitsForRefreshWhileAutoRefreshIsOff();

  void extractAsPaletteThenSelectRecoloursTheFrame();
  void extractAsPaletteReplacesAnEarlierFile();
  void extractAsPaletteCopyFailureIsNotAnnouncedAsDone();
  void extractAsPaletteWithoutASelectionFails();
};

// ---------------------------------------------------------------------------------------------
// Display colours, player, layers

void OptionsTest::colourSlotChangesExactlyItsLayer_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<PixelSet>("layer");
  QTest::newRow("mask") << 0 << kMaskPixels;
  QTest::newRow("shadow") << 1 << kShadowPixels;
  QTest::newRow("inner outline") << 2 << kInnerPixels;
  QTest::newRow("outer outline") << 3 << kOuterPixels;
}

void OptionsTest::colourSlotChangesExactlyItsLayer() {
  QFETCH(int, slot);
  QFETCH(PixelSet, layer);
  SpriteWindow f;
  const QImage before = f.image();
  const Colour chosen = RGB(1, 254, 3);
  f.platform.colourAnswers.push_back(chosen);
  f.form->menu_col_choose[static_cast<std::size_t>(slot)]->trigger();

  const QImage after = f.image();
  QCOMPARE(Differing(before, after), layer);
  for (const auto &[x, y] : layer)
    QCOMPARE(Shown(*f.form, x, y), ToQColor(chosen));
  QCOMPARE(f.renders(), 2);
  QVERIFY(f.platform.messages.empty());
}

void OptionsTest::colourDialogStartsFromTheCurrentColour() {
  SpriteWindow f;
  for (std::size_t slot = 0; slot < 4; ++slot)
    f.form->menu_col_choose[slot]->trigger(); // cancelled: only the starting colours are seen
  const std::vector<Colour> defaults = {RGB(0, 0, 0), RGB(127, 127, 127), RGB(0, 0, 255),
                                        RGB(255, 255, 0)};
  QCOMPARE(f.platform.colourRequests, defaults);

  f.platform.colourAnswers.push_back(RGB(0, 255, 0));
  f.form->menu_col_choose[1]->trigger();
  f.form->menu_col_choose[1]->trigger();
  QCOMPARE(f.platform.colourRequests.back(), RGB(0, 255, 0));
  QCOMPARE(f.form->displayOptions.shadowColour, RGB(0, 255, 0));
  QCOMPARE(f.form->displayOptions.maskColour, RGB(0, 0, 0));
  QCOMPARE(f.form->displayOptions.innerOutlineColour, RGB(0, 0, 255));
  QCOMPARE(f.form->displayOptions.outerOutlineColour, RGB(255, 255, 0));
}

void OptionsTest::cancelledColourChangesNothing() {
  SpriteWindow f;
  const QImage before = f.image();
  const DisplayOptions options = f.form->displayOptions;
  f.platform.colourAnswers.push_back(std::nullopt);
  f.form->menu_col_choose[0]->trigger();
  QCOMPARE(f.platform.colourRequests.size(), std::size_t{1});
  QCOMPARE(f.form->displayOptions.maskColour, options.maskColour);
  QCOMPARE(f.image(), before);
  QCOMPARE(f.renders(), 1);
}

void OptionsTest::colourWaitsForRefreshWhileAutoRefreshIsOff() {
  SpriteWindow f;
  f.form->menu_image_autorefresh->trigger();
  QVERIFY(!f.form->autoRefresh);
  const QImage before = f.image();
  f.platform.colourAnswers.push_back(RGB(10, 20, 30));
  f.form->menu_col_choose[3]->trigger();
  QCOMPARE(f.form->displayOptions.outerOutlineColour, RGB(10, 20, 30));
  QCOMPARE(f.image(), before);
  QCOMPARE(f.renders(), 1);

  f.form->menu_image_refresh->trigger();
  QCOMPARE(Differing(before, f.image()), kOuterPixels);
  QCOMPARE(Shown(*f.form, 7, 2), QColor(10, 20, 30));
}

void OptionsTest::choosingTheCheckedPlayerDoesNotRedraw() {
  SpriteWindow f;
  MainForm &form = *f.form;
  const auto checked = [&form] {
    std::vector<int> items;
    for (std::size_t i = 0; i < form.menu_col_player_item.size(); ++i)
      if (form.menu_col_player_item[i]->isChecked())
        items.push_back(static_cast<int>(i));
    return items;
  };
  QCOMPARE(checked(), std::vector<int>{0});

  form.menu_col_player_item[0]->trigger();
  QCOMPARE(checked(), std::vector<int>{0});
  QCOMPARE(form.displayOptions.playerIndex, std::int16_t{0});
  QCOMPARE(f.renders(), 1);

  form.menu_col_player_item[5]->trigger();
  QCOMPARE(checked(), std::vector<int>{5});
  QCOMPARE(form.displayOptions.playerIndex, std::int16_t{5});
  QCOMPARE(f.renders(), 2);

  form.menu_col_player_item[5]->trigger();
  QCOMPARE(checked(), std::vector<int>{5});
  QCOMPARE(f.renders(), 2);

  // The player is kept but the frame still takes its player colours from the palette.
  QCOMPARE(Shown(form, 2, 0), ToQColor(DefaultPalette()[16]));
  QVERIFY(form.menu_col_player->menuAction()->isVisible() == false);
}

void OptionsTest::layerSwitchesToggleAndRedrawOnlyWithAutoRefresh() {
  SpriteWindow f;
  MainForm &form = *f.form;
  const QImage before = f.image();
  int renders = f.renders();
  for (QAction *layer : {form.menu_layers_colours, form.menu_layers_shadow,
                         form.menu_layers_selection, form.menu_layers_outline}) {
    QVERIFY(layer->isChecked());
    layer->trigger();
    QVERIFY(!layer->isChecked());
    QCOMPARE(f.renders(), ++renders);
    layer->trigger();
    QVERIFY(layer->isChecked());
    QCOMPARE(f.renders(), ++renders);
  }
  QCOMPARE(f.image(), before); // every layer is always drawn

  form.menu_image_autorefresh->trigger();
  form.menu_layers_shadow->trigger();
  QVERIFY(!form.menu_layers_shadow->isChecked());
  QCOMPARE(f.renders(), renders);
  QVERIFY(!form.menu_layers->menuAction()->isVisible());
}

void OptionsTest::showDataBitDoesNothing() {
  SpriteWindow f;
  MainForm &form = *f.form;
  const QImage before = f.image();
  const QString status = form.StatusText->text();
  const QString frame = form.PictureStatusText->text();
  form.menu_image_test2->trigger();
  QCOMPARE(f.image(), before);
  QCOMPARE(form.StatusText->text(), status);
  QCOMPARE(form.PictureStatusText->text(), frame);
  QCOMPARE(f.renders(), 1);
  QVERIFY(f.platform.messages.empty());
  QVERIFY(!form.menu_image_test2->isVisible());
}

// ---------------------------------------------------------------------------------------------
// Palettes

void OptionsTest::selectLoadsThePaletteAndNamesIt() {
  SpriteWindow f;
  MainForm &form = *f.form;
  const std::string path = f.paletteFile("1234.pal", JascPal("JASC-PAL", 256, Inverted));
  f.selectPalette(path);

  const ui::FileDialogRequest &asked = f.platform.openRequests.back();
  QCOMPARE(asked.title, std::string("Use palette..."));
  QCOMPARE(asked.filter, std::string("PAL files (*.pal)|*.pal|All files (*.*)|*.*"));
  QCOMPARE(asked.folder, form.WorkFolder);
  QCOMPARE(Caption(form), QStringLiteral("[1234] Select..."));
  QVERIFY(form.menu_pal_select->isChecked());
  for (int i = 0; i < 256; ++i)
    QCOMPARE(form.paletteTable[static_cast<std::size_t>(i)], Inverted(i));
  QCOMPARE(f.renders(), 2);
  QCOMPARE(Shown(form, 4, 3), ToQColor(Inverted(PatternIndex(4, 3, 0))));
  QCOMPARE(Shown(form, 1, 0), QColor(127, 127, 127)); // special layers keep their own colours
  QVERIFY(f.platform.messages.empty());
}

void OptionsTest::captionIsTheUpperCasedFileTitle_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("caption");
  QTest::newRow("windows path") << R"(C:\pal\1234.pal)"
                                << "[1234] Select...";
  QTest::newRow("linux path") << "/home/u/pal/1234.pal"
                              << "[1234] Select...";
  QTest::newRow("lower case") << "/p/sepia.pal"
                              << "[SEPIA] Select...";
  QTest::newRow("two dots") << "/p/a.b.pal"
                            << "[A.B] Select...";
  QTest::newRow("default") << ""
                           << "[default] Select...";
}

void OptionsTest::captionIsTheUpperCasedFileTitle() {
  QFETCH(QString, path);
  QFETCH(QString, caption);
  QCOMPARE(QString::fromStdString(PaletteCaption(path.toStdString())), caption);
}

void OptionsTest::useDefaultRestoresEveryEntry() {
  SpriteWindow f;
  MainForm &form = *f.form;
  const QImage defaultImage = f.image();
  f.selectPalette(f.paletteFile("1234.pal", JascPal("JASC-PAL", 256, Inverted)));
  QVERIFY(f.image() != defaultImage);

  form.menu_pal_default->trigger();
  QCOMPARE(form.paletteTable, DefaultPalette());
  QCOMPARE(Caption(form), QStringLiteral("[default] Select..."));
  QCOMPARE(f.image(), defaultImage);
  QCOMPARE(f.renders(), 3);
  QVERIFY(f.platform.messages.empty());
}

void OptionsTest::rejectedPaletteKeepsTheCaptionOfThePaletteInForce_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("message");
  QTest::newRow("magic in lower case")
      << "lower.pal" << QString::fromStdString(JascPal("jasc-pal", 256, FromSample))
      << "Not valid palette file!";
  QTest::newRow("sixteen colours")
      << "short.pal" << QString::fromStdString(JascPal("JASC-PAL", 16, FromSample))
      << "Error opening palette file!";
  QTest::newRow("colour with two spaces") << "spaces.pal"
                                          << "JASC-PAL\r\n0100\r\n256\r\n1  2 3\r\n"
                                          << "Error opening palette file!";
  QTest::newRow("missing file") << ""
                                << ""
                                << "Error opening palette file!";
}

void OptionsTest::rejectedPaletteKeepsTheCaptionOfThePaletteInForce() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  QFETCH(QString, message);
  SpriteWindow f;
  MainForm &form = *f.form;
  f.selectPalette(f.paletteFile("1234.pal", JascPal("JASC-PAL", 256, Inverted)));
  const PaletteTable inForce = form.paletteTable;
  const QImage image = f.image();
  const int renders = f.renders();

  const std::string path = name.isEmpty() ? f.temp.file("pal/none.pal")
                                          : f.paletteFile(name.toStdString(), text.toStdString());
  f.selectPalette(path);
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  const ui::MessageRequest &shown = f.platform.messages.front();
  QCOMPARE(QString::fromStdString(shown.text), message);
  QCOMPARE(shown.title, std::string("Tessary"));
  QVERIFY(shown.buttons == ui::MessageButtons::Ok);
  QCOMPARE(Caption(form), QStringLiteral("[1234] Select..."));
  QCOMPARE(form.paletteTable, inForce);
  QCOMPARE(f.image(), image);
  QCOMPARE(f.renders(), renders);
}

void OptionsTest::cancelledPaletteDialogChangesNothing() {
  SpriteWindow f;
  MainForm &form = *f.form;
  const std::size_t asked = f.platform.openRequests.size();
  f.platform.openAnswers.push_back(std::nullopt);
  form.menu_pal_select->trigger();
  f.platform.openAnswers.push_back(std::string());
  form.menu_pal_select->trigger();
  QCOMPARE(f.platform.openRequests.size(), asked + 2);
  QCOMPARE(Caption(form), QStringLiteral("[default] Select..."));
  QVERIFY(form.menu_pal_select->isChecked());
  QCOMPARE(form.paletteTable, DefaultPalette());
  QCOMPARE(f.renders(), 1);
  QVERIFY(f.platform.messages.empty());
}

void OptionsTest::paletteWaitsForRefreshWhileAutoRefreshIsOff() {
  SpriteWindow f;
  MainForm &form = *f.form;
  form.menu_image_autorefresh->trigger();
  const QImage before = f.image();
  f.selectPalette(f.paletteFile("1234.pal", JascPal("JASC-PAL", 256, Inverted)));
  QCOMPARE(Caption(form), QStringLiteral("[1234] Select..."));
  QCOMPARE(f.image(), before);
  QCOMPARE(f.renders(), 1);
  form.menu_image_refresh->trigger();
  QCOMPARE(Shown(form, 4, 3), ToQColor(Inverted(PatternIndex(4, 3, 0))));
}

void OptionsTest::extractAsPaletteThenSelectRecoloursTheFrame() {
  WindowFixture f;
  MainForm &form = *f.form;
  f.open();
  f.select(kPaletteLine);
  QVERIFY(form.menu_extract_pal->isEnabled());
  form.menu_extract_pal->trigger();

  const std::string target = form.WorkFolder + "300.pal";
  QCOMPARE(ReadFile(target), SampleEntryBytes(300));
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  QCOMPARE(f.platform.messages[0].text, std::string("Palette now available in image viewer"));
  QCOMPARE(f.platform.messages[0].title, std::string("Tessary"));
  QCOMPARE(form.StatusText->text(), QString());
  QCOMPARE(form.paletteTable, DefaultPalette()); // not in force until chosen

  f.select(kSpriteLine);
  const QImage before = form.ResDisplayPic->image();
  f.platform.openAnswers.push_back(target);
  form.menu_pal_select->trigger();
  QCOMPARE(f.platform.openRequests.back().folder, form.WorkFolder);
  QCOMPARE(Caption(form), QStringLiteral("[300] Select..."));
  QVERIFY(form.ResDisplayPic->image() != before);
  for (const auto &[x, y] : {Pixel{4, 3}, Pixel{5, 5}, Pixel{2, 4}})
    QCOMPARE(Shown(form, x, y), ToQColor(FromSample(PatternIndex(x, y, 0))));
}

void OptionsTest::extractAsPaletteReplacesAnEarlierFile() {
  WindowFixture f;
  f.open();
  const std::string target = f.form->WorkFolder + "300.pal";
  WriteText(target, std::string(5000, 'x'));
  f.select(kPaletteLine);
  f.form->menu_extract_pal->trigger();
  f.form->menu_extract_pal->trigger();
  QCOMPARE(ReadFile(target), SampleEntryBytes(300));
  QCOMPARE(f.platform.messages.size(), std::size_t{2});
}

void OptionsTest::extractAsPaletteCopyFailureIsNotAnnouncedAsDone() {
  WindowFixture f;
  f.open();
  // A folder where the palette file should go cannot be replaced by the copy.
  const std::string target = f.form->WorkFolder + "300.pal";
  std::filesystem::create_directory(target);
  WriteText(target + "/keep", "kept");
  f.select(kPaletteLine);
  f.form->menu_extract_pal->trigger();
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  QCOMPARE(f.platform.messages[0].text, std::string("Error saving file!"));
  QVERIFY(!f.platform.messages[0].detail.empty());
  QCOMPARE(f.form->StatusText->text(), QString());
  QCOMPARE(ReadFile(target + "/keep"), std::vector<std::uint8_t>({'k', 'e', 'p', 't'}));
}

void OptionsTest::extractAsPaletteWithoutASelectionFails() {
  WindowFixture f;
  f.open();
  f.form->menu_extract_pal_Click(); // the menu item itself stays disabled without a selection
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  QCOMPARE(f.platform.messages[0].text, std::string("Error saving palette data!"));
  QCOMPARE(f.form->StatusText->text(), QStringLiteral("Saving palette..."));

  f.select(0); // a table heading is no resource
  f.form->menu_extract_pal_Click();
  QCOMPARE(f.platform.messages.size(), std::size_t{2});
  QCOMPARE(f.platform.messages[1].text, std::string("Error saving palette data!"));
  QVERIFY(!std::filesystem::exists(f.form->WorkFolder + "0.pal"));
}

QTEST_MAIN(OptionsTest)
#include "test_ui_options.moc"
