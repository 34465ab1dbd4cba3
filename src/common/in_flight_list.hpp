#pragma once

#include "common/in_flight_files.hpp"

#include <filesystem>

namespace tessary {

// The paths in flight, as a list the clean-up can walk without allocating: it is changed only
// while the signals (or, on Windows, the console's control events) are held back.
struct InFlightList {
  static InFlightPath *head;
  static void add(InFlightPath &p);
  static void remove(InFlightPath &p);
  // Deletes every listed file, then every listed folder left empty; only calls that are safe in a
  // signal handler.
  static void removeAll() noexcept;
};

// The system's own calls for removeAll(): unlink/rmdir, DeleteFileW/RemoveDirectoryW.
void RemoveFileNow(const std::filesystem::path &path) noexcept;
void RemoveFolderNow(const std::filesystem::path &path) noexcept;

} // namespace tessary
