#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tessary {

// The files of one export, written first under temporary names beside their final names. Commit
// moves them all into place; whatever is not committed is removed when the object goes, so a
// failed export leaves neither part of a set nor a half-written file under a name asked for.
class StagedFiles {
public:
  StagedFiles() = default;
  ~StagedFiles();
  StagedFiles(const StagedFiles &) = delete;
  StagedFiles &operator=(const StagedFiles &) = delete;

  // A fresh, empty temporary file in the folder of finalName, to be written (or replaced) by
  // the caller. Throws Error("Error saving file!", detail) when it cannot be created.
  std::string Stage(const std::string &finalName);

  // Renames every staged file onto its final name, in the order staged. Throws
  // Error("Error saving file!", detail) when a rename fails; the files not yet moved are removed.
  void Commit();

private:
  std::vector<std::pair<std::string, std::string>> files_; // temporary name, final name
  std::size_t committed_ = 0;
};

// Writes text to a file, replacing what it held; meant for a staged temporary file. Throws
// Error("Error saving file!", detail) naming reportedName when the write fails.
void WriteTextFile(const std::string &fileName, const std::string &text,
                   const std::string &reportedName);

} // namespace tessary
