#pragma once

// Runs tessary-cli calls in the test process and checks what they print.
#include "cli/cli.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace tessary::test {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

inline Outcome Call(const std::vector<std::string> &args) {
  std::ostringstream out, err;
  const int code = cli::Run(args, out, err);
  return {code, out.str(), err.str()};
}

inline std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// Names of the folder's entries, sorted.
inline std::vector<std::string> Names(const std::filesystem::path &folder) {
  std::vector<std::string> names;
  for (const auto &item : std::filesystem::directory_iterator(folder))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Exit 1 with the window's message, then a line saying what was wrong, and nothing on out.
inline void ExpectFailure(const Outcome &outcome, const std::string &message,
                          const std::string &detailPart) {
  EXPECT_EQ(outcome.code, 1) << outcome.err;
  const auto lines = Lines(outcome.err);
  ASSERT_GE(lines.size(), 2u) << outcome.err;
  EXPECT_EQ(lines[0], message);
  EXPECT_NE(lines[1].find(detailPart), std::string::npos) << lines[1];
  EXPECT_EQ(outcome.out, "");
}

// Exit 2 naming what is wrong, with the hint to run --help.
inline void ExpectWrongWords(const Outcome &outcome, const std::string &messagePart) {
  EXPECT_EQ(outcome.code, 2);
  EXPECT_NE(outcome.err.find(messagePart), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("--help"), std::string::npos) << outcome.err;
}

} // namespace tessary::test
