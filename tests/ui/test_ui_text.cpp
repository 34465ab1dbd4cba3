// The rich-text view: a parsed RTF document written into the pane's text document.
#include "ui/rtf_view.hpp"
#include "view/rtf.hpp"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace tessary;
using namespace tessary::ui;

class TextPiecesTest : public QObject {
  Q_OBJECT
private slots:
  void rtfViewColoursTheDocument();
};

void TextPiecesTest::rtfViewColoursTheDocument() {
  QTextDocument document;
  FillDocument(
      document,
      view::ParseRtf(R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 9:\par \cf0 x\par })"));
  QCOMPARE(document.blockCount(), 3);
  const QTextBlock heading = document.firstBlock();
  QCOMPARE(heading.text(), QStringLiteral("File 9:"));
  QCOMPARE(heading.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
  const QTextBlock line = heading.next();
  QCOMPARE(line.text(), QStringLiteral("x"));
  QVERIFY(!line.begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush));
}

QTEST_MAIN(TextPiecesTest)
#include "test_ui_text.moc"
