#include "ui/rtf_view.hpp"

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace tessary::ui {

void FillDocument(QTextDocument &document, const view::RtfDocument &rtf) {
  document.clear();
  QTextCursor cursor(&document);
  bool first = true;
  for (const auto &paragraph : rtf.paragraphs) {
    if (!first)
      cursor.insertBlock();
    first = false;
    for (const auto &run : paragraph.runs) {
      QTextCharFormat format;
      if (const auto colour = rtf.colourOf(run))
        format.setForeground(QColor(static_cast<int>(RedOf(*colour)),
                                    static_cast<int>(GreenOf(*colour)),
                                    static_cast<int>(BlueOf(*colour))));
      // Single-byte text as the files hold it.
      cursor.insertText(
          QString::fromLatin1(run.text.data(), static_cast<qsizetype>(run.text.size())), format);
    }
  }
}

RichTextView::RichTextView(QWidget *parent) : QTextEdit(parent) {
  setReadOnly(true);
  setAcceptRichText(false);
  setUndoRedoEnabled(false);
}

void RichTextView::setRtf(const std::string &rtf) {
  rtf_ = rtf;
  FillDocument(*document(), view::ParseRtf(rtf));
}

void RichTextView::clearText() {
  rtf_.clear();
  document()->clear();
}

} // namespace tessary::ui
