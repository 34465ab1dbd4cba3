#pragma once

// Checks that a call fails with a tessary::Error: the user-facing message exactly, and a detail
// that names what was wrong.
#include "common/error.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tessary::test {

// Runs call; expects it to throw Error with this message and a detail containing detailPart.
// Returns the error for further checks, or nothing when the call did not throw.
template <class Call>
std::optional<Error> ExpectError(Call &&call, const std::string &message,
                                 const std::string &detailPart) {
  try {
    call();
  } catch (const Error &e) {
    EXPECT_EQ(e.message(), message);
    EXPECT_NE(e.detail().find(detailPart), std::string::npos) << e.detail();
    return e;
  }
  ADD_FAILURE() << "no error; expected \"" << message << "\" with a detail naming \"" << detailPart
                << "\"";
  return std::nullopt;
}

} // namespace tessary::test
