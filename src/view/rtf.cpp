#include "view/rtf.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace tessary::view {

std::optional<Colour> RtfDocument::colourOf(const RtfRun &run) const {
  if (run.colour <= 0 || static_cast<std::size_t>(run.colour) >= colours.size())
    return std::nullopt;
  return colours[static_cast<std::size_t>(run.colour)];
}

std::string RtfDocument::plainText() const {
  std::string out;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (i > 0)
      out += '\n';
    for (const auto &run : paragraphs[i].runs)
      out += run.text;
  }
  return out;
}

namespace {

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

struct GroupState {
  int colour = 0;
  bool colourTable = false;
};

// The colour-table entry being read: components seen so far.
struct PendingColour {
  unsigned red = 0, green = 0, blue = 0;
  bool any = false;
};

class Parser {
public:
  explicit Parser(std::string_view source) : src_(source) { doc_.paragraphs.emplace_back(); }

  RtfDocument run() {
    while (pos_ < src_.size()) {
      const char c = src_[pos_++];
      if (c == '{') {
        stack_.push_back(state_);
      } else if (c == '}') {
        if (stack_.empty())
          continue; // a stray closing brace
        state_ = stack_.back();
        stack_.pop_back();
        if (stack_.empty())
          break; // the document's outer group is closed: what follows is not shown
      } else if (c == '\\') {
        controlSequence();
      } else if (c == '\r' || c == '\n') {
        // Line ends in RTF source carry no meaning.
      } else {
        character(c);
      }
    }
    return std::move(doc_);
  }

private:
  void controlSequence() {
    if (pos_ >= src_.size())
      return;
    const char c = src_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      if (c == '\\' || c == '{' || c == '}')
        character(c);
      return; // other control symbols are not used by our documents
    }
    const std::size_t start = pos_;
    while (pos_ < src_.size() && IsLetter(src_[pos_]))
      ++pos_;
    const std::string_view word = src_.substr(start, pos_ - start);
    const std::optional<long> param = parameter();
    if (pos_ < src_.size() && src_[pos_] == ' ')
      ++pos_; // the delimiting space belongs to the control word
    controlWord(word, param);
  }

  // An optional signed decimal parameter, clamped to a 32-bit range.
  std::optional<long> parameter() {
    bool negative = false;
    if (pos_ + 1 < src_.size() && src_[pos_] == '-' && IsDigit(src_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    if (pos_ >= src_.size() || !IsDigit(src_[pos_]))
      return std::nullopt;
    std::int64_t value = 0;
    while (pos_ < src_.size() && IsDigit(src_[pos_])) {
      value = std::min<std::int64_t>(value * 10 + (src_[pos_] - '0'), INT32_MAX);
      ++pos_;
    }
    return static_cast<long>(negative ? -value : value);
  }

  void controlWord(std::string_view word, std::optional<long> param) {
    if (word == "par") {
      if (!state_.colourTable)
        doc_.paragraphs.emplace_back();
    } else if (word == "cf") {
      state_.colour = static_cast<int>(param.value_or(0));
    } else if (word == "colortbl") {
      state_.colourTable = true;
      pending_ = {};
    } else if (state_.colourTable && (word == "red" || word == "green" || word == "blue")) {
      const auto v = static_cast<unsigned>(std::clamp<long>(param.value_or(0), 0, 255));
      (word == "red" ? pending_.red : word == "green" ? pending_.green : pending_.blue) = v;
      pending_.any = true;
    }
  }

  void character(char c) {
    if (state_.colourTable) {
      if (c == ';') {
        doc_.colours.push_back(
            pending_.any ? std::optional<Colour>(RGB(pending_.red, pending_.green, pending_.blue))
                         : std::nullopt);
        pending_ = {};
      }
      return;
    }
    auto &runs = doc_.paragraphs.back().runs;
    if (runs.empty() || runs.back().colour != state_.colour)
      runs.push_back({{}, state_.colour});
    runs.back().text += c;
  }

  std::string_view src_;
  std::size_t pos_ = 0;
  GroupState state_;
  std::vector<GroupState> stack_;
  PendingColour pending_;
  RtfDocument doc_;
};

RtfDocument PlainDocument(std::string_view text) {
  RtfDocument doc;
  doc.paragraphs.emplace_back();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      doc.paragraphs.emplace_back();
      continue;
    }
    auto &runs = doc.paragraphs.back().runs;
    if (runs.empty())
      runs.push_back({});
    runs.back().text += c;
  }
  return doc;
}

} // namespace

RtfDocument ParseRtf(std::string_view rtf) {
  if (rtf.substr(0, 5) != "{\\rtf")
    return PlainDocument(rtf);
  return Parser(rtf).run();
}

} // namespace tessary::view
