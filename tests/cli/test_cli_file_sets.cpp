// The calls that write several files write them as one set: checked before anything is
// replaced, put back when a replacement fails, and cleaned away when the call is interrupted.
#include "archive/extract.hpp"
#include "cli/cli_harness.hpp"
#include "sprite/slp_builder.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Names;

constexpr char kSaveError[] = "Error saving file!";

ino_t Inode(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_ino;
}

// Every name under the folder (at any depth) that one of our temporary files would have.
std::vector<std::string> Leftovers(const fs::path &folder) {
  std::vector<std::string> names;
  for (const auto &item : fs::recursive_directory_iterator(folder))
    if (item.path().filename().string().starts_with(".tessary"))
      names.push_back(item.path().string());
  return names;
}

std::vector<std::uint8_t> SpriteOfFrames(int frames) {
  std::vector<test::FrameSpec> specs;
  for (int n = 0; n < frames; ++n)
    specs.push_back(test::UniformFrame(3 + n % 4, 2 + n % 3, {0x27, 5, 0x0F}, n % 2, 1));
  return test::BuildSLP(specs).bytes;
}

class CliFileSets : public ::testing::Test {
protected:
  void SetUp() override {
    test::WriteFile(sprite(), SpriteOfFrames(3));
    test::WriteFile(archive(),
                    BuildArchive({{test::Tag(" pls"), {{100, test::Pattern(50)}, {101, {1, 2}}}},
                                  {test::Tag(" vaw"), {{200, test::Pattern(30, 3)}}}}));
    fs::create_directory(out());
  }
  std::string sprite() const { return dir_.file("w.slp"); }
  std::string archive() const { return dir_.file("a.drs"); }
  std::string out() const { return dir_.file("out"); }
  std::string in(const std::string &name) const { return out() + "/" + name; }

  test::TempDir dir_;
};

// One name of the set is taken by a folder: the call fails naming that file and the real
// cause, and the files that stood at the other names are as they were.
TEST_F(CliFileSets, FolderInTheWayFailsTheWholeSetNamingTheCause) {
  struct Case {
    const char *name;
    std::vector<std::string> args;
    const char *existing; // a file that stands at one of the names before the call
    const char *blocked;  // the name a folder takes
  };
  const Case cases[] = {
      {"extract-all", {"extract-all", archive(), "-o", out()}, "100.slp", "200.wav"},
      {"sequence", {"sequence", "--slp", sprite(), "-o", in("w.bmp")}, "w001.bmp", "w002.bmp"},
      {"slx, its index last", {"slx", "--slp", sprite(), "-o", in("w.slx")}, "w1c.bmp", "w.slx"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out());
    fs::create_directories(in(c.blocked) + "/inside");
    test::WriteText(in(c.existing), "previous");
    const ino_t before = Inode(in(c.existing));
    const auto outcome = Call(c.args);
    test::ExpectFailure(outcome, kSaveError, in(c.blocked) + ": Is a directory");
    EXPECT_EQ(outcome.err.find("Success"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find(".tessary"), std::string::npos) << outcome.err;
    std::vector<std::string> expected = {c.blocked, c.existing};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(out()), expected);
    EXPECT_EQ(test::ReadFile(in(c.existing)),
              std::vector<std::uint8_t>({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}));
    EXPECT_EQ(Inode(in(c.existing)), before);
    EXPECT_TRUE(Leftovers(out()).empty());
  }
}

// Sets or clears the immutable flag; false where the file system or the process may not.
bool SetImmutable(const std::string &path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return done;
}

// A companion that may not be changed at all stops the export before any file is replaced.
TEST_F(CliFileSets, ImmutableCompanionStopsTheExportBeforeAnythingChanges) {
  test::WriteText(in("w1c.bmp"), "previous");
  test::WriteText(in("w2d.bmp"), "locked");
  if (!SetImmutable(in("w2d.bmp"), true))
    GTEST_SKIP() << "cannot make a file immutable here";
  const ino_t before = Inode(in("w1c.bmp"));
  const auto outcome = Call({"slx", "--slp", sprite(), "-o", in("w.slx")});
  SetImmutable(in("w2d.bmp"), false);
  test::ExpectFailure(outcome, kSaveError, in("w2d.bmp") + ": Operation not permitted");
  EXPECT_EQ(Names(out()), std::vector<std::string>({"w1c.bmp", "w2d.bmp"}));
  EXPECT_EQ(Inode(in("w1c.bmp")), before);
  EXPECT_EQ(test::ReadFile(in("w2d.bmp")),
            std::vector<std::uint8_t>({'l', 'o', 'c', 'k', 'e', 'd'}));
}

TEST_F(CliFileSets, ExtractAllIntoAFifoAndALinkWritesThroughThem) {
  ASSERT_EQ(::mkfifo(in("101.slp").c_str(), 0600), 0);
  test::WriteText(dir_.file("elsewhere.wav"), "old");
  fs::create_symlink(dir_.file("elsewhere.wav"), in("200.wav"));
  std::vector<std::uint8_t> fromFifo;
  std::thread reader([&] { fromFifo = test::ReadFile(in("101.slp")); });
  const auto outcome = Call({"extract-all", archive(), "-o", out()});
  reader.join();
  EXPECT_EQ(outcome.code, 0) << outcome.err;
  EXPECT_EQ(fromFifo, std::vector<std::uint8_t>({1, 2}));
  EXPECT_TRUE(fs::is_fifo(in("101.slp")));
  EXPECT_TRUE(fs::is_symlink(in("200.wav")));
  EXPECT_EQ(test::ReadFile(dir_.file("elsewhere.wav")), test::Pattern(30, 3));
  EXPECT_EQ(test::ReadFile(in("100.slp")), test::Pattern(50));
}

// Runs the real program with its standard output on fd; answers its wait status.
int RunWithOutputOn(const std::vector<std::string> &args, int fd) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(fd, STDOUT_FILENO);
    std::vector<char *> argv = {const_cast<char *>(TESSARY_CLI_PATH)};
    for (const auto &arg : args)
      argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(TESSARY_CLI_PATH, argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

// "-o /dev/stdout" writes into whatever the standard output is, and never replaces it.
TEST_F(CliFileSets, OutputToDevStdoutGoesIntoTheStreamItself) {
  const std::vector<std::string> args = {"extract", archive(), "100", "-o", "/dev/stdout"};
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  EXPECT_EQ(RunWithOutputOn(args, pipe[1]), 0);
  ::close(pipe[1]);
  std::vector<std::uint8_t> piped(200);
  const ssize_t n = ::read(pipe[0], piped.data(), piped.size());
  ::close(pipe[0]);
  piped.resize(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
  EXPECT_EQ(piped, test::Pattern(50));

  const std::string file = dir_.file("stdout.bin");
  test::WriteText(file, std::string(500, 'x'));
  const ino_t before = Inode(file);
  const int fd = ::open(file.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(RunWithOutputOn(args, fd), 0);
  ::close(fd);
  EXPECT_EQ(test::ReadFile(file), test::Pattern(50));
  EXPECT_EQ(Inode(file), before);
  EXPECT_TRUE(Leftovers(dir_.path()).empty());
}

// ----- interrupted calls -----

// Runs the real program, sends it `sig` once `ready` holds, and answers how it ended: the
// wait status, or nothing when it finished before it could be signalled.
std::optional<int> RunAndSignal(const std::vector<std::string> &args,
                                const std::function<bool()> &ready, int sig) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char *> argv = {const_cast<char *>(TESSARY_CLI_PATH)};
    for (const auto &arg : args)
      argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(TESSARY_CLI_PATH, argv.data());
    ::_exit(127);
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(child, &status, WNOHANG) == child) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the call failed: " << status;
      return std::nullopt;
    }
    if (ready()) {
      ::kill(child, sig);
      ::waitpid(child, &status, 0);
      return status;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, &status, 0);
  ADD_FAILURE() << "the call never reached the point to interrupt";
  return status;
}

bool HasLeftovers(const std::string &folder) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().starts_with(".tessary"))
      return true;
  return false;
}

// A call blocked on a FIFO among its targets (nobody reads it) holds its earlier files as
// temporaries; the signal must remove them and end the call as the signal would.
TEST_F(CliFileSets, InterruptedSetRemovesItsTemporariesAndEndsByTheSignal) {
  test::WriteFile(dir_.file("big.slp"), SpriteOfFrames(40));
  struct Case {
    const char *name;
    std::vector<std::string> args;
    const char *fifo; // the target the call blocks on
    int sig;
  };
  const Case cases[] = {
      {"extract-all, SIGINT", {"extract-all", archive(), "-o", out()}, "200.wav", SIGINT},
      {"sequence, SIGTERM",
       {"sequence", "--slp", dir_.file("big.slp"), "-o", in("w.bmp")},
       "w030.bmp",
       SIGTERM},
      {"slx, SIGINT",
       {"slx", "--slp", dir_.file("big.slp"), "-o", in("w.slx")},
       "w20d.bmp",
       SIGINT},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out());
    fs::create_directory(out());
    ASSERT_EQ(::mkfifo(in(c.fifo).c_str(), 0600), 0);
    // Blocked on the FIFO once its temporaries are there.
    const auto status = RunAndSignal(
        c.args, [&] { return HasLeftovers(out()); }, c.sig);
    ASSERT_TRUE(status.has_value()) << "a call with a FIFO nobody reads cannot finish";
    EXPECT_TRUE(WIFSIGNALED(*status)) << *status;
    EXPECT_EQ(WTERMSIG(*status), c.sig);
    EXPECT_EQ(Names(out()), std::vector<std::string>{c.fifo});
  }
}

// A large resource or archive is interrupted while its temporary is being written.
TEST_F(CliFileSets, InterruptedLongWriteLeavesNothingBehind) {
  const auto big = test::Pattern(static_cast<std::size_t>(kMaxExtractSize));
  const std::string bigArchive = dir_.file("big.drs");
  test::WriteFile(bigArchive, BuildArchive({{test::Tag("anib"), {{7, big}, {8, big}}}}));
  fs::create_directory(dir_.file("pack"));
  test::WriteFile(dir_.file("pack/1.bin"), big);
  test::WriteFile(dir_.file("pack/2.bin"), big);
  struct Case {
    const char *name;
    std::vector<std::string> args;
    std::string watched; // the folder the temporaries appear in
    std::string created; // what must not be there afterwards
    int sig;
  };
  const Case cases[] = {
      {"extract", {"extract", bigArchive, "7", "-o", in("7.bin")}, out(), in("7.bin"), SIGTERM},
      {"extract-all into a new folder",
       {"extract-all", bigArchive, "-o", in("new/deeper")},
       in("new/deeper"),
       in("new"),
       SIGINT},
      {"pack", {"pack", dir_.file("pack"), "-o", in("p.drs")}, out(), in("p.drs"), SIGTERM},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    bool caught = false;
    for (int attempt = 0; attempt < 20 && !caught; ++attempt) {
      fs::remove_all(out());
      fs::create_directory(out());
      const auto status = RunAndSignal(
          c.args, [&] { return HasLeftovers(c.watched); }, c.sig);
      if (!status)
        continue; // finished first: try again
      caught = true;
      EXPECT_TRUE(WIFSIGNALED(*status)) << *status;
      EXPECT_EQ(WTERMSIG(*status), c.sig);
      EXPECT_FALSE(fs::exists(c.created));
      EXPECT_TRUE(Leftovers(out()).empty());
    }
    if (!caught)
      GTEST_SKIP() << c.name << " always finished before it could be interrupted";
  }
}

} // namespace
} // namespace tessary
