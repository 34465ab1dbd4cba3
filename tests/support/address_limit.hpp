#pragma once

// Runs a piece of the program in a child process whose address space may grow only a little past
// what it already holds, to see how it behaves when memory runs out. The sanitizers reserve vast
// address ranges of their own, so under them the limit means nothing: tests skip there.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define TESSARY_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSARY_UNDER_SANITIZER 1
#endif
#endif

namespace tessary::test {

constexpr bool kUnderSanitizer =
#ifdef TESSARY_UNDER_SANITIZER
    true;
#else
    false;
#endif

struct ChildOutcome {
  bool exited = false; // false: killed by a signal (a crash)
  int code = 0;
  std::string text; // what the call handed back
};

inline std::uint64_t AddressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t pages = 0;
  statm >> pages;
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// call(text) runs in the child under the limit and returns its exit code; `text` is handed back.
template <class Call> ChildOutcome RunWithAddressHeadroom(std::uint64_t headroom, Call &&call) {
  int fds[2];
  if (::pipe(fds) != 0)
    return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const rlimit limit{AddressSpaceInUse() + headroom, AddressSpaceInUse() + headroom};
    ::setrlimit(RLIMIT_AS, &limit);
    std::string text;
    const int code = call(text);
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0)
        break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(code);
  }
  ::close(fds[1]);
  ChildOutcome outcome;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    outcome.text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  outcome.exited = WIFEXITED(status);
  outcome.code = outcome.exited ? WEXITSTATUS(status) : -1;
  return outcome;
}

} // namespace tessary::test
