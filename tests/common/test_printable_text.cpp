#include "common/printable_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tessary {
namespace {

TEST(PrintableText, WritesEveryControlByteAsItsHexCode) {
  struct Case {
    std::string text, printable;
  };
  const Case cases[] = {
      {"plain name 7.slp", "plain name 7.slp"},
      {"", ""},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\x1b[2Jclear", "\\x1B[2Jclear"},
      {"tab\there\r\n", "tab\\x09here\\x0D\\x0A"},
      {"\x1f\x20\x7e\x7f", "\\x1F ~\\x7F"},
      // Bytes from 0x80 up are left alone: they are how UTF-8 names are written.
      {"caf\xc3\xa9 \x80\xff", "caf\xc3\xa9 \x80\xff"},
      {"back\\slash", "back\\slash"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(PrintableText(c.text), c.printable);
}

} // namespace
} // namespace tessary
