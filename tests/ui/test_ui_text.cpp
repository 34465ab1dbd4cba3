// The toolkit-free pieces of the window: the RTF reader, the text preview of binary resources,
// dialog filters and the layout arithmetic.
#include "ui/bin_preview.hpp"
#include "ui/dialog_filter.hpp"
#include "ui/form_layout.hpp"
#include "ui/rtf.hpp"
#include "ui/rtf_view.hpp"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace tessary;
using namespace tessary::ui;

namespace {

std::vector<std::uint8_t> Bytes(const std::string &text) { return {text.begin(), text.end()}; }

// "text@colour|text@colour" per paragraph, paragraphs joined by "/": a compact picture of a
// parsed document for table-driven checks. Colour is "-" for the default colour, else rrggbb.
QString Describe(const RtfDocument &doc) {
  QStringList paragraphs;
  for (const auto &paragraph : doc.paragraphs) {
    QStringList runs;
    for (const auto &run : paragraph.runs) {
      const auto colour = doc.colourOf(run);
      const QString c = colour ? QString::asprintf("%02x%02x%02x", RedOf(*colour), GreenOf(*colour),
                                                   BlueOf(*colour))
                               : QStringLiteral("-");
      runs << QString::fromLatin1(run.text.c_str()) + "@" + c;
    }
    paragraphs << runs.join('|');
  }
  return paragraphs.join('/');
}

} // namespace

class TextPiecesTest : public QObject {
  Q_OBJECT
private slots:
  void rtfReadsTheSubsetWeWrite_data();
  void rtfReadsTheSubsetWeWrite();
  void rtfSurvivesMalformedInput_data();
  void rtfSurvivesMalformedInput();
  void rtfViewColoursTheDocument();
  void binPreviewSplitsAndEscapes_data();
  void binPreviewSplitsAndEscapes();
  void binPreviewDocumentHasTheRedHeading();
  void jascPalTestIsExactAndCaseSensitive_data();
  void jascPalTestIsExactAndCaseSensitive();
  void dialogFilterBecomesQtFilters();
  void dialogFilterPreselection_data();
  void dialogFilterPreselection();
  void followingExtent_data();
  void followingExtent();
  void roundTwipsTiesToEvenAndSaturates();
};

void TextPiecesTest::rtfReadsTheSubsetWeWrite_data() {
  QTest::addColumn<QString>("rtf");
  QTest::addColumn<QString>("expected");
  QTest::newRow("sprite message") << QString::fromLatin1(kSpritePreviewRtf)
                                  << "(displaying graphic)@800000";
  QTest::newRow("sound message") << QString::fromLatin1(kSoundPreviewRtf)
                                 << "(playing sound file)@008000";
  QTest::newRow("unknown message")
      << QString::fromLatin1(kUnknownPreviewRtf) << "Unknown resource type!@ff0000";
  QTest::newRow("heading then default colour")
      << R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 7:\par \cf0 one\par two\par })"
      << "File 7:@ff0000/one@-/two@-/";
  QTest::newRow("escaped specials") << R"({\rtf1 a\\b\{c\}})"
                                    << R"(a\b{c}@-)";
  QTest::newRow("unknown control words skipped") << R"({\rtf1\ansi\deff0 {\fonttbl}x\b bold\b0 y})"
                                                 << "xboldy@-";
  QTest::newRow("colour index past the table is default")
      << R"({\rtf1{\colortbl ;\red1\green2\blue3;}\cf9 z})"
      << "z@-";
  QTest::newRow("group restores colour")
      << R"({\rtf1{\colortbl ;\red0\green0\blue255;}{\cf1 in}out})"
      << "in@0000ff|out@-";
  QTest::newRow("source line ends ignored") << "{\\rtf1 a\r\nb\n}"
                                            << "ab@-";
  QTest::newRow("text after the document ignored") << R"({\rtf1 a}tail)"
                                                   << "a@-";
  QTest::newRow("not rtf is plain text") << "line one\r\nline two"
                                         << "line one@-/line two@-";
  QTest::newRow("empty") << ""
                         << "";
}

void TextPiecesTest::rtfReadsTheSubsetWeWrite() {
  QFETCH(QString, rtf);
  QFETCH(QString, expected);
  QCOMPARE(Describe(ParseRtf(rtf.toStdString())), expected);
}

void TextPiecesTest::rtfSurvivesMalformedInput_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("plain");
  QTest::newRow("unclosed groups") << QByteArray("{\\rtf1{{{ abc") << " abc";
  QTest::newRow("stray closing braces") << QByteArray("{\\rtf1 a}}}}") << "a";
  QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << "a";
  QTest::newRow("huge parameter") << QByteArray("{\\rtf1\\cf99999999999999999999 q}") << "q";
  QTest::newRow("negative parameter") << QByteArray("{\\rtf1\\cf-5 q}") << "q";
  QTest::newRow("unterminated colour table")
      << QByteArray("{\\rtf1{\\colortbl ;\\red300\\green-1") << "";
  QTest::newRow("endless control word")
      << QByteArray("{\\rtf1\\" + QByteArray(100, 'a') + "}") << "";
  QTest::newRow("deep nesting") << QByteArray(100000, '{') << QString(QByteArray(100000, '{'));
  QTest::newRow("nul byte") << QByteArray("{\\rtf1 a\0b}", 11) << QString::fromLatin1("a\0b", 3);
}

void TextPiecesTest::rtfSurvivesMalformedInput() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, plain);
  const RtfDocument doc = ParseRtf(std::string_view(rtf.constData(), rtf.size()));
  QVERIFY(!doc.paragraphs.empty());
  const std::string text = doc.plainText();
  QCOMPARE(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())), plain);
}

void TextPiecesTest::rtfViewColoursTheDocument() {
  QTextDocument document;
  FillDocument(
      document,
      ParseRtf(R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 9:\par \cf0 x\par })"));
  QCOMPARE(document.blockCount(), 3);
  const QTextBlock heading = document.firstBlock();
  QCOMPARE(heading.text(), QStringLiteral("File 9:"));
  QCOMPARE(heading.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
  const QTextBlock line = heading.next();
  QCOMPARE(line.text(), QStringLiteral("x"));
  QVERIFY(!line.begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush));
}

void TextPiecesTest::binPreviewSplitsAndEscapes_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("expected");
  QTest::newRow("empty") << QByteArray() << "";
  QTest::newRow("no line break is one paragraph") << QByteArray("abc") << R"(abc\par )";
  QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << R"(a\par b\par )";
  QTest::newRow("lone CR") << QByteArray("a\rb") << R"(a\par b\par )";
  QTest::newRow("lone LF ends a line too") << QByteArray("a\nb\n") << R"(a\par b\par )";
  QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb") << R"(a\par \par b\par )";
  QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << R"(a\par \par b\par )";
  QTest::newRow("backslash first, then braces") << QByteArray("\\{}") << R"(\\\{\}\par )";
  QTest::newRow("control words in data stay text")
      << QByteArray("\\par{\\b}") << R"(\\par\{\\b\}\par )";
}

void TextPiecesTest::binPreviewSplitsAndEscapes() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, expected);
  const auto data = Bytes(bytes.toStdString());
  QCOMPARE(QString::fromStdString(BinPreviewText(data)), expected);
  // What the view shows is the bytes themselves, one line per paragraph.
  const RtfDocument doc = ParseRtf(BinPreviewRtf(1, data));
  QCOMPARE(doc.paragraphs.front().runs.front().text, std::string("File 1:"));
}

void TextPiecesTest::binPreviewDocumentHasTheRedHeading() {
  QCOMPARE(BinPreviewRtf(-7, {}),
           std::string(R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File -7:\par \cf0 })"));
  QCOMPARE(
      BinPreviewRtf(300, Bytes("x{\r\ny")),
      std::string(
          R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 300:\par \cf0 x\{\par y\par })"));
  const RtfDocument doc = ParseRtf(BinPreviewRtf(5, Bytes("a\\b{c}\r\nnext")));
  QCOMPARE(Describe(doc), QStringLiteral(R"(File 5:@ff0000/a\b{c}@-/next@-/)"));
}

void TextPiecesTest::jascPalTestIsExactAndCaseSensitive_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("isPalette");
  QTest::newRow("magic line") << QByteArray("JASC-PAL\r\n0100\r\n") << true;
  QTest::newRow("magic with more on the line") << QByteArray("JASC-PALETTE") << true;
  QTest::newRow("lower case") << QByteArray("jasc-pal\r\n") << false;
  QTest::newRow("leading space") << QByteArray(" JASC-PAL") << false;
  QTest::newRow("too short") << QByteArray("JASC-PA") << false;
  QTest::newRow("empty") << QByteArray() << false;
}

void TextPiecesTest::jascPalTestIsExactAndCaseSensitive() {
  QFETCH(QByteArray, bytes);
  QFETCH(bool, isPalette);
  QCOMPARE(StartsWithJascPal(BinPreviewText(Bytes(bytes.toStdString()))), isPalette);
}

void TextPiecesTest::dialogFilterBecomesQtFilters() {
  const auto entries = ParseDialogFilter(
      "BIN file (*.bin)|*.bin|WAV file (*.wav)|*.wav|SLP file (*.slp)|*.slp|All files (*.*)|*.*");
  QCOMPARE(entries.size(), std::size_t(4));
  QCOMPARE(entries[2].description, std::string("SLP file (*.slp)"));
  QCOMPARE(entries[2].patterns, std::string("*.slp"));
  QCOMPARE(QtFilterText(entries),
           std::string("BIN file (*.bin);;WAV file (*.wav);;SLP file (*.slp);;All files (*)"));
  QCOMPARE(QtFilterName({"Images", "*.bmp;*.dib"}), std::string("Images (*.bmp *.dib)"));
  QCOMPARE(QtFilterName({"", "*.slx"}), std::string("*.slx (*.slx)"));
  const auto odd = ParseDialogFilter("SLX file (*.slx)");
  QCOMPARE(odd.size(), std::size_t(1));
  QCOMPARE(QtFilterName(odd[0]), std::string("SLX file (*)"));
  QVERIFY(ParseDialogFilter("").empty());
}

void TextPiecesTest::dialogFilterPreselection_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("selected");
  QTest::newRow("first") << 1 << "DRS files (*.drs)";
  QTest::newRow("second") << 2 << "All files (*)";
  QTest::newRow("past the end falls back to the first") << 3 << "DRS files (*.drs)";
  QTest::newRow("zero falls back to the first") << 0 << "DRS files (*.drs)";
}

void TextPiecesTest::dialogFilterPreselection() {
  QFETCH(int, index);
  QFETCH(QString, selected);
  const auto entries = ParseDialogFilter("DRS files (*.drs)|*.drs|All files (*.*)|*.*");
  QCOMPARE(QString::fromStdString(QtSelectedFilter(entries, index)), selected);
}

void TextPiecesTest::followingExtent_data() {
  QTest::addColumn<double>("client");
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("extent");
  QTest::newRow("list at the start size") << 5400.0 << 720 << 4605;
  QTest::newRow("text width at the start size") << 8145.0 << 2040 << 6030;
  QTest::newRow("small height held at 1000") << 1500.0 << 720 << 1000;
  QTest::newRow("small width held at 1000") << 3000.0 << 2040 << 1000;
  QTest::newRow("height 2000") << 2000.0 << 720 << 1205;
  QTest::newRow("exactly 1000") << 1795.0 << 720 << 1000;
  QTest::newRow("tie rounds to even (down)") << 1796.5 << 720 << 1002;
  QTest::newRow("tie rounds to even (up)") << 1797.5 << 720 << 1002;
  QTest::newRow("huge client saturates") << 100000.0 << 720 << 32767;
}

void TextPiecesTest::followingExtent() {
  QFETCH(double, client);
  QFETCH(int, start);
  QFETCH(int, extent);
  QCOMPARE(int(FollowingExtent(client, start)), extent);
}

void TextPiecesTest::roundTwipsTiesToEvenAndSaturates() {
  QCOMPARE(int(RoundTwips(0.5)), 0);
  QCOMPARE(int(RoundTwips(1.5)), 2);
  QCOMPARE(int(RoundTwips(-2.5)), -2);
  QCOMPARE(int(RoundTwips(40000)), 32767);
  QCOMPARE(int(RoundTwips(-40000)), -32768);
  QCOMPARE(TwipsToPixels(8145, 15.0), 543);
  QCOMPARE(TwipsToPixels(5400, 15.0), 360);
}

QTEST_MAIN(TextPiecesTest)
#include "test_ui_text.moc"
