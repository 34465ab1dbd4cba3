#include "archive/work_folder.hpp"

#include "common/limits.hpp"
#include "common/paths.hpp"

#include <vector>

#include <windows.h>

namespace tessary {

namespace {

std::wstring Wide(const std::string &utf8) { return PathOf(utf8).native(); }

} // namespace

std::string ReadRegistryText(const std::string &keyPath, const std::string &valueName) {
  HKEY key = nullptr;
  // The game is a 32-bit program: its key lies in the 32-bit view (Wow6432Node on 64-bit Windows).
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(keyPath).c_str(), 0,
                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return {};
  std::vector<wchar_t> buffer(kRegistryValueChars, L'\0');
  auto bytes = static_cast<DWORD>(kRegistryValueChars * sizeof(wchar_t));
  const LSTATUS status = ::RegGetValueW(key, nullptr, Wide(valueName).c_str(),
                                        RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                        nullptr, buffer.data(), &bytes);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS)
    return {};
  // RegGetValueW ends the text with a zero; a zero inside it ends the value as read.
  const std::wstring value(buffer.data());
  return TextOf(std::filesystem::path(value));
}

} // namespace tessary
