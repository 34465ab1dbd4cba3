// Dialog filters in the old "description|patterns" form turned into a toolkit's name filters.
#include "view/dialog_filter.hpp"

#include <gtest/gtest.h>

namespace tessary::view {
namespace {

TEST(DialogFilter, BecomesQtFilters) {
  const auto entries = ParseDialogFilter(
      "BIN file (*.bin)|*.bin|WAV file (*.wav)|*.wav|SLP file (*.slp)|*.slp|All files (*.*)|*.*");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[2].description, "SLP file (*.slp)");
  EXPECT_EQ(entries[2].patterns, "*.slp");
  EXPECT_EQ(QtFilterText(entries),
            "BIN file (*.bin);;WAV file (*.wav);;SLP file (*.slp);;All files (*)");
  EXPECT_EQ(QtFilterName({"Images", "*.bmp;*.dib"}), "Images (*.bmp *.dib)");
  EXPECT_EQ(QtFilterName({"", "*.slx"}), "*.slx (*.slx)");
  const auto odd = ParseDialogFilter("SLX file (*.slx)");
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_EQ(QtFilterName(odd[0]), "SLX file (*)");
  EXPECT_TRUE(ParseDialogFilter("").empty());
}

TEST(DialogFilter, Preselection) {
  struct Case {
    const char *name;
    int index;
    const char *selected;
  };
  const Case cases[] = {
      {"first", 1, "DRS files (*.drs)"},
      {"second", 2, "All files (*)"},
      {"past the end falls back to the first", 3, "DRS files (*.drs)"},
      {"zero falls back to the first", 0, "DRS files (*.drs)"},
  };
  const auto entries = ParseDialogFilter("DRS files (*.drs)|*.drs|All files (*.*)|*.*");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(QtSelectedFilter(entries, c.index), c.selected);
  }
  EXPECT_EQ(QtSelectedFilter({}, 1), "");
}

} // namespace
} // namespace tessary::view
