#include "archive/temp_copies.hpp"

#include "archive/extract.hpp"
#include "archive/work_folder.hpp"
#include "common/error.hpp"
#include "common/paths.hpp"
#include "common/system.hpp"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace tessary {

namespace {

constexpr std::string_view kPrefix = "_drs";
constexpr std::string_view kSuffix = ".drx";
// Names already taken are skipped; this many in a row means something else is wrong.
constexpr unsigned kClaimAttempts = 1000;

[[noreturn]] void SaveFailed(const std::string &subject, const std::string &detail) {
  throw Error(ErrorKind::Save, subject, detail);
}

template <typename T> std::optional<T> Decimal(std::string_view text) {
  T value{};
  if (text.empty() || text.front() == '-' || text.front() == '+')
    return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find('_', start)) != std::string_view::npos; start = at + 1)
    fields.push_back(text.substr(start, at - start));
  fields.push_back(text.substr(start));
  return fields;
}

} // namespace

CopyOwner ThisProcessOwner(int instance) { return {sys::ProcessId(), instance}; }

std::string TempResourceName(const std::string &workFolder, long hundredths, const CopyOwner &owner,
                             unsigned sequence) {
  return workFolder + std::string(kPrefix) + std::to_string(hundredths) + "_" +
         std::to_string(owner.pid) + "_" + std::to_string(owner.instance) + "_" +
         std::to_string(sequence) + std::string(kSuffix);
}

bool IsTempResourceName(const std::string &fileName) {
  return fileName.size() >= kPrefix.size() + kSuffix.size() && fileName.starts_with(kPrefix) &&
         fileName.ends_with(kSuffix);
}

std::optional<CopyOwner> TempResourceOwner(const std::string &fileName) {
  if (!IsTempResourceName(fileName))
    return std::nullopt;
  const std::string_view middle = std::string_view(fileName).substr(
      kPrefix.size(), fileName.size() - kPrefix.size() - kSuffix.size());
  const auto fields = Fields(middle);
  if (fields.size() != 4 || !Decimal<long>(fields[0]) || !Decimal<unsigned>(fields[3]))
    return std::nullopt;
  const auto pid = Decimal<long>(fields[1]);
  const auto instance = Decimal<int>(fields[2]);
  if (!pid || !instance || *pid <= 0)
    return std::nullopt;
  return CopyOwner{*pid, *instance};
}

int RemoveTempResourceFiles(const std::string &workFolder,
                            const std::function<bool(const std::string &fileName)> &take) {
  if (workFolder.empty())
    return 0; // no folder: never the current one
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(PathOf(workFolder), ec), end; !ec && it != end;
       it.increment(ec)) {
    const auto &item = *it;
    const std::string name = TextOf(item.path().filename());
    if (!IsTempResourceName(name) || !take(name))
      continue;
    // A folder of that name is not one of our copies; a link is removed, never its target.
    std::error_code typeError;
    if (item.is_directory(typeError) && !item.is_symlink(typeError))
      continue;
    std::error_code removeError;
    if (std::filesystem::remove(item.path(), removeError))
      ++removed;
  }
  return removed;
}

bool ProcessRuns(long pid) { return sys::ProcessRuns(pid); }

int RemoveOrphanedTempResourceFiles(const std::string &workFolder,
                                    const std::function<bool(long pid)> &runs) {
  return RemoveTempResourceFiles(workFolder, [&runs](const std::string &name) {
    const auto owner = TempResourceOwner(name);
    return owner && !runs(owner->pid);
  });
}

TempCopies::TempCopies(std::string workFolder, CopyOwner owner, std::string unavailable)
    : folder_(std::move(workFolder)), owner_(owner), unavailable_(std::move(unavailable)) {}

void TempCopies::checkFolder() const {
  if (folder_.empty())
    SaveFailed(folder_, "there is no private working folder" +
                            (unavailable_.empty() ? std::string() : ": " + unavailable_));
  // Someone may have put a link or a folder of theirs in its place since start-up.
  if (!IsPrivateFolder(folder_))
    SaveFailed(folder_, "the working folder " + folder_ + " is no longer private to this user");
}

std::string TempCopies::claim(long hundredths) {
  checkFolder();
  for (unsigned attempt = 0; attempt < kClaimAttempts; ++attempt) {
    const std::string name = TempResourceName(folder_, hundredths, owner_, sequence_++);
    std::string failure;
    const auto made = sys::CreateNewFile(PathOf(name), failure);
    if (made == sys::NewFile::created)
      return name;
    if (made == sys::NewFile::failed)
      SaveFailed(name, "cannot create " + name + ": " + failure);
  }
  SaveFailed(folder_, "no free temporary name in " + folder_);
}

std::string TempCopies::pathFor(const std::string &fileName) const {
  checkFolder();
  return folder_ + fileName;
}

int TempCopies::removeOwn() const {
  return RemoveTempResourceFiles(folder_, [this](const std::string &name) {
    return TempResourceOwner(name) == std::optional<CopyOwner>(owner_);
  });
}

} // namespace tessary
