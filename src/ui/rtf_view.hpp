#pragma once

#include "view/rtf.hpp"

#include <QTextEdit>

#include <string>

class QTextDocument;

namespace tessary::ui {

// Writes a parsed RTF document into a text document: one block per paragraph, coloured runs.
void FillDocument(QTextDocument &document, const view::RtfDocument &rtf);

// The read-only rich-text pane. It keeps the RTF it was given, which is what the program
// compares and what tests read back.
class RichTextView : public QTextEdit {
public:
  explicit RichTextView(QWidget *parent);

  void setRtf(const std::string &rtf);
  // Empties the pane (and the kept RTF).
  void clearText();
  const std::string &rtf() const { return rtf_; }

private:
  std::string rtf_;
};

} // namespace tessary::ui
