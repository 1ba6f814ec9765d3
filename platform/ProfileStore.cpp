#include "platform/ProfileStore.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/FileException.h"
#include "platform/ProfileText.h"

namespace gridmoor {
namespace {

// Far beyond any season file (a full season is a few kilobytes); a larger file is taken as
// unreadable rather than held in memory, and is never rewritten.
constexpr std::size_t kMaxProfileFileSize = 16 * 1024 * 1024;

unsigned CopyText(std::string_view text, char* buffer, unsigned bufferSize) {
  text = text.substr(0, text.find('\0'));  // a C string ends at its first NUL
  const std::size_t n = std::min<std::size_t>(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<unsigned>(n);
}

// Names as a list of NUL-terminated strings closed by one more NUL. A list that does not fit
// is cut, closed with two NULs, and answered as bufferSize - 2, as Windows does.
unsigned CopyList(const std::vector<std::string_view>& names, char* buffer, unsigned bufferSize) {
  std::string list;
  for (std::string_view name : names) {
    list.append(name.substr(0, name.find('\0')));
    list.push_back('\0');
  }
  if (list.size() + 1 <= bufferSize) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<unsigned>(list.size());
  }
  if (bufferSize < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, list.data(), bufferSize - 2);
  buffer[bufferSize - 2] = '\0';
  buffer[bufferSize - 1] = '\0';
  return bufferSize - 2;
}

}  // namespace

unsigned ProfileStore::GetPrivateProfileStringA(const char* section, const char* key,
                                                const char* defaultValue, char* buffer,
                                                unsigned bufferSize, const std::string& file) {
  if (buffer == nullptr || bufferSize == 0) return 0;

  std::optional<std::string> text;
  try {
    text = m_files.ReadExistingFile(file, kMaxProfileFileSize);
  } catch (const CFileException&) {
    // Unreadable reads as missing: the caller gets its default, as from Windows.
  }

  if (section == nullptr) {
    return CopyList(text ? ProfileSectionNames(*text) : std::vector<std::string_view>{}, buffer,
                    bufferSize);
  }
  if (key == nullptr) {
    std::optional<std::vector<std::string_view>> keys;
    if (text) keys = ProfileKeyNames(*text, section);
    return CopyList(keys.value_or(std::vector<std::string_view>{}), buffer, bufferSize);
  }

  std::optional<std::string_view> value;
  if (text) value = FindProfileValue(*text, section, key);
  if (value) return CopyText(*value, buffer, bufferSize);
  return CopyText(defaultValue != nullptr ? defaultValue : "", buffer, bufferSize);
}

int ProfileStore::WritePrivateProfileStringA(const char* section, const char* key,
                                             const char* value, const std::string& file) {
  if (section == nullptr) return 0;
  if (!IsWritableProfileEntry(section, key != nullptr ? key : "", value != nullptr ? value : "")) {
    return 0;
  }

  std::optional<std::string> old;
  try {
    // A file that exists but cannot be read whole must not be mistaken for a missing one:
    // rewriting it from nothing would throw its content away.
    old = m_files.ReadExistingFile(file, kMaxProfileFileSize);
  } catch (const CFileException&) {
    return 0;
  }

  const std::string_view before = old ? std::string_view(*old) : std::string_view();
  std::string after;
  if (key == nullptr) {
    after = DeleteProfileSection(before, section);
  } else if (value == nullptr) {
    after = DeleteProfileKey(before, section, key);
  } else {
    after = SetProfileValue(before, section, key, value);
  }

  if (old && after == *old) {
    // Nothing to write, but a read-only file still answers as refused.
    try {
      return (m_files.GetStatus(file).attributes & kAttributeReadOnly) ? 0 : 1;
    } catch (const CFileException&) {
      return 0;
    }
  }
  if (!old && after.empty()) return 1;  // deleting from a missing file: nothing to create
  return m_files.ReplaceFileContents(file, after) ? 1 : 0;
}

}  // namespace gridmoor
