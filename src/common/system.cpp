#include "common/system.hpp"

#include <random>

namespace tessary::sys {

std::string RandomLetters(std::size_t count) {
  // One generator per thread: names are made from several threads at once.
  thread_local std::mt19937 generator{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string letters(count, 'a');
  for (char &c : letters)
    c = kLetters[generator() % (sizeof kLetters - 1)];
  return letters;
}

} // namespace tessary::sys
