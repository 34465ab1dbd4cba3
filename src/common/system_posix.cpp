#include "common/system.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tessary::sys {

namespace fs = std::filesystem;

std::string ProgramName() {
  std::error_code ec;
  std::string name = fs::read_symlink("/proc/self/exe", ec).filename().string();
  constexpr std::string_view kDeleted = " (deleted)"; // the binary was replaced while running
  if (name.ends_with(kDeleted))
    name.erase(name.size() - kDeleted.size());
  name = fs::path(name).stem().string();
  return ec || name.empty() ? "tessary" : name;
}

std::vector<std::string> CommandLineArguments(int argc, char **argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void UseBinaryStandardOutput() {} // there is no text mode here

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

long ProcessId() { return static_cast<long>(::getpid()); }

bool ProcessRuns(long pid) {
  if (pid <= 0)
    return true; // not a process id at all: nothing to say it has gone
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::string LastErrorText() { return std::strerror(errno); }

fs::path SystemTemporaryFolder() { return "/tmp"; }

bool MakePrivateFolder(const fs::path &folder, std::string &failure) {
  if (::mkdir(folder.c_str(), 0700) != 0) {
    failure = LastErrorText();
    return false;
  }
  // Made by us just now: make sure the mode is exactly 0700 whatever the umask took away.
  ::chmod(folder.c_str(), 0700);
  return true;
}

bool IsPrivateFolder(const fs::path &folder) {
  std::string plain = folder.native();
  while (plain.size() > 1 && plain.back() == '/')
    plain.pop_back(); // lstat on "link/" would look through the link
  struct stat info {};
  if (::lstat(plain.c_str(), &info) != 0)
    return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
}

fs::path MakeFreshPrivateFolder(const fs::path &root, const std::string &prefix,
                                std::string &failure) {
  std::string name = (root / (prefix + "XXXXXX")).native();
  if (!::mkdtemp(name.data())) {
    failure = "cannot make a folder in " + root.string() + ": " + LastErrorText();
    return {};
  }
  return name;
}

NewFile CreateNewFile(const fs::path &path, std::string &failure) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
    return NewFile::created;
  }
  if (errno == EEXIST)
    return NewFile::exists;
  failure = LastErrorText();
  return NewFile::failed;
}

} // namespace tessary::sys
