// What a call says is true and safe to show: output that could not be written is a failure, and
// bytes from the call's words or files never reach the terminal as control codes.
#include "cli/cli_harness.hpp"
#include "sprite/slp_builder.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <sys/wait.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Outcome;

// A stream buffer that takes no byte, as a full disk or a closed device does.
class RefusingBuffer : public std::streambuf {
protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char *, std::streamsize) override { return 0; }
};

class CliMessages : public ::testing::Test {
protected:
  void SetUp() override { test::WriteFile(archive(), BuildArchive(test::WorkedExampleTables())); }
  std::string archive() const { return dir_.file("a.drs"); }
  test::TempDir dir_;
};

TEST_F(CliMessages, OutputThatCannotBeWrittenFailsTheCall) {
  struct Case {
    const char *name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"list", {"list", archive()}},
      {"list --long", {"list", "--long", archive()}},
      {"--help", {"--help"}},
      {"--version", {"--version"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    RefusingBuffer refusing;
    std::ostream out(&refusing);
    std::ostringstream err;
    EXPECT_EQ(cli::Run(c.args, out, err), 1);
    EXPECT_EQ(
        test::Lines(err.str()),
        (std::vector<std::string>{"Error writing output!", "cannot write to standard output"}));
  }
}

TEST_F(CliMessages, ListOntoAFullDeviceExitsOne) {
  if (!fs::exists("/dev/full"))
    GTEST_SKIP() << "this system has no /dev/full";
  const std::string errFile = dir_.file("err.txt");
  // Appended piece by piece: GCC 12 warns falsely on the one long concatenation.
  std::string command = "'";
  command += TESSARY_CLI_PATH;
  command += "' list '" + archive();
  command += "' >/dev/full 2>'" + errFile + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const auto bytes = test::ReadFile(errFile);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "Error writing output!\ncannot write to standard output: No space left on device\n");
}

// Only the line feeds that end the message's lines are control bytes in what is printed.
void ExpectOnlyPrintableBytes(const std::string &err) {
  for (const char c : err) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_TRUE(c == '\n' || (byte >= 0x20 && byte != 0x7F))
        << "raw byte " << int(byte) << " in: " << err;
  }
}

TEST_F(CliMessages, ControlBytesFromTheInputAreShownAsHexCodes) {
  test::WriteText(dir_.file("bad.slx"), std::string("SLX\x1b[2J 0.5\r\n1\r\n", 17));
  struct Case {
    const char *name;
    std::vector<std::string> args;
    int code;
    std::string shown; // part of what is printed
  };
  const Case cases[] = {
      {"an unknown command", {"\x1b]0;title\x07"}, 2, "\"\\x1B]0;title\\x07\""},
      {"an identifier",
       {"extract", archive(),
        std::string("1\0"
                    "2",
                    3),
        "-o", dir_.file("x")},
       2,
       "\"1\\x002\""},
      {"a colour",
       {"frame", archive(), "100", "--mask", "12\t456", "-o", dir_.file("x.bmp")},
       2,
       "\"12\\x09456\""},
      {"a file name", {"list", dir_.file("no\x7f\r.drs")}, 1, "no\\x7F\\x0D.drs"},
      {"a number the parser refuses",
       {"frame", archive(), "100", "--frame",
        "\x1b"
        "3",
        "-o", dir_.file("x.bmp")},
       2,
       "\\x1B3"},
      {"a line of an index",
       {"encode", dir_.file("bad.slx"), "-o", dir_.file("x.slp")},
       1,
       "SLX\\x1B[2J 0.5"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome outcome = Call(c.args);
    EXPECT_EQ(outcome.code, c.code) << outcome.err;
    EXPECT_NE(outcome.err.find(c.shown), std::string::npos) << "[" << outcome.err << "]";
    ExpectOnlyPrintableBytes(outcome.err);
  }
}

} // namespace
} // namespace tessary
