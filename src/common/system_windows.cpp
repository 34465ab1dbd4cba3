#include "common/system.hpp"

#include "common/paths.hpp"

#include <memory>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

namespace tessary::sys {

namespace fs = std::filesystem;

namespace {

struct LocalFreeDeleter {
  void operator()(void *p) const { ::LocalFree(p); }
};
template <typename T> using LocalPtr = std::unique_ptr<T, LocalFreeDeleter>;

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE)
      ::CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The SID of this process's user, and of the owner its new files get (Administrators for an
// elevated administrator), as TOKEN_USER / TOKEN_OWNER hold them.
std::vector<std::uint8_t> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw))
    return {};
  const Handle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(raw, kind, nullptr, 0, &size);
  std::vector<std::uint8_t> data(size);
  if (size == 0 || !::GetTokenInformation(raw, kind, data.data(), size, &size))
    return {};
  return data;
}

PSID UserSid(const std::vector<std::uint8_t> &tokenUser) {
  return tokenUser.empty() ? nullptr
                           : reinterpret_cast<const TOKEN_USER *>(tokenUser.data())->User.Sid;
}

PSID OwnerSid(const std::vector<std::uint8_t> &tokenOwner) {
  return tokenOwner.empty() ? nullptr
                            : reinterpret_cast<const TOKEN_OWNER *>(tokenOwner.data())->Owner;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return ::IsWellKnownSid(sid, type); }

// SYSTEM and the administrators may open every file whatever its list says, so granting them
// access takes nothing away from the user's privacy; Windows gives them that on every profile.
bool MayBeAllowed(PSID sid, PSID user) {
  return ::EqualSid(sid, user) || IsWellKnown(sid, WinLocalSystemSid) ||
         IsWellKnown(sid, WinBuiltinAdministratorsSid) || IsWellKnown(sid, WinCreatorOwnerSid);
}

bool OnlyUserAllowed(const ACL &acl, PSID user) {
  for (DWORD i = 0; i < acl.AceCount; ++i) {
    void *ace = nullptr;
    if (!::GetAce(const_cast<ACL *>(&acl), i, &ace))
      return false;
    const auto &header = *static_cast<const ACE_HEADER *>(ace);
    if (header.AceType == ACCESS_DENIED_ACE_TYPE)
      continue;
    if (header.AceType != ACCESS_ALLOWED_ACE_TYPE)
      return false; // conditional and object entries are not ours to judge
    auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(ace);
    if (!MayBeAllowed(reinterpret_cast<PSID>(&allowed->SidStart), user))
      return false;
  }
  return true;
}

// "D:P(A;OICI;FA;;;<user>)": full access for the user alone, nothing inherited from the parent.
bool PrivateSecurity(SECURITY_ATTRIBUTES &attributes, LocalPtr<void> &descriptor) {
  const auto tokenUser = TokenInformation(TokenUser);
  const PSID user = UserSid(tokenUser);
  wchar_t *text = nullptr;
  if (!user || !::ConvertSidToStringSidW(user, &text))
    return false;
  const LocalPtr<wchar_t> sidText(text);
  const std::wstring sddl = L"O:" + std::wstring(text) + L"D:P(A;OICI;FA;;;" + text + L")";
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &raw,
                                                              nullptr))
    return false;
  descriptor.reset(raw);
  attributes = {sizeof attributes, raw, FALSE};
  return true;
}

} // namespace

std::string ProgramName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0)
      return "tessary";
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::string name = TextOf(fs::path(buffer).stem());
  return name.empty() ? "tessary" : name;
}

std::vector<std::string> CommandLineArguments(int, char **) {
  int count = 0;
  const LocalPtr<wchar_t *> args(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> result;
  for (int i = 1; args && i < count; ++i)
    result.push_back(TextOf(fs::path(args.get()[i])));
  return result;
}

void UseBinaryStandardOutput() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

long ProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

bool ProcessRuns(long pid) {
  if (pid <= 0)
    return true;
  const Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                     static_cast<DWORD>(pid)));
  if (!process)
    return ::GetLastError() == ERROR_ACCESS_DENIED;
  return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::string LastErrorText() {
  const DWORD code = ::GetLastError();
  wchar_t *text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
  const LocalPtr<wchar_t> owned(text);
  if (length == 0)
    return "system error " + std::to_string(code);
  std::wstring message(text, length);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back(); // one line, ending as strerror's texts do
  return TextOf(fs::path(message));
}

fs::path SystemTemporaryFolder() {
  std::error_code ec;
  fs::path folder = fs::temp_directory_path(ec);
  return ec ? fs::path(L"C:\\Windows\\Temp") : folder;
}

bool MakePrivateFolder(const fs::path &folder, std::string &failure) {
  SECURITY_ATTRIBUTES attributes{};
  LocalPtr<void> descriptor;
  if (!PrivateSecurity(attributes, descriptor)) {
    failure = "cannot describe a private access list: " + LastErrorText();
    return false;
  }
  if (!::CreateDirectoryW(folder.c_str(), &attributes)) {
    failure = LastErrorText();
    return false;
  }
  return true;
}

bool IsPrivateFolder(const fs::path &folder) {
  std::wstring plain = folder.native();
  while (plain.size() > 3 && (plain.back() == L'\\' || plain.back() == L'/'))
    plain.pop_back();
  const DWORD attributes = ::GetFileAttributesW(plain.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetNamedSecurityInfoW(plain.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &raw) != ERROR_SUCCESS)
    return false;
  const LocalPtr<void> descriptor(raw);
  const auto tokenUser = TokenInformation(TokenUser);
  const auto tokenOwner = TokenInformation(TokenOwner);
  const PSID user = UserSid(tokenUser);
  const PSID defaultOwner = OwnerSid(tokenOwner);
  // A missing list lets everyone in; the owner is the user, or whom the user's new files belong
  // to (the administrators, for an elevated administrator).
  if (!user || !owner || !dacl)
    return false;
  if (!::EqualSid(owner, user) && !(defaultOwner && ::EqualSid(owner, defaultOwner)))
    return false;
  return OnlyUserAllowed(*dacl, user);
}

fs::path MakeFreshPrivateFolder(const fs::path &root, const std::string &prefix,
                                std::string &failure) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path folder = root / PathOf(prefix + RandomLetters(6));
    if (MakePrivateFolder(folder, failure))
      return folder;
    std::error_code ec; // taken by someone else: another name; anything else ends the tries
    if (!fs::exists(folder, ec))
      break;
  }
  failure = "cannot make a folder in " + TextOf(root) + ": " + failure;
  return {};
}

NewFile CreateNewFile(const fs::path &path, std::string &failure) {
  const Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file.get() != INVALID_HANDLE_VALUE)
    return NewFile::created;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
    return NewFile::exists;
  failure = LastErrorText();
  return NewFile::failed;
}

} // namespace tessary::sys
