#include "platform/ProfileStore.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/FileException.h"
#include "platform/ProfileDocument.h"
#include "platform/ProfileText.h"

namespace gridmoor {
namespace {

// The default as Windows hands it back: trailing spaces dropped, though never its first
// character ("default  " gives "default", " " stays " ").
std::string_view TrimmedDefault(const char* defaultValue) {
  std::string_view text = defaultValue != nullptr ? defaultValue : "";
  while (text.size() > 1 && text.back() == ' ') text.remove_suffix(1);
  return text;
}

unsigned CopyText(std::string_view text, char* buffer, unsigned bufferSize) {
  text = text.substr(0, text.find('\0'));  // a C string ends at its first NUL
  const std::size_t n = std::min<std::size_t>(text.size(), bufferSize - 1);
  if (n > 0) std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<unsigned>(n);
}

// Names as a list of NUL-terminated strings closed by one more NUL. A list that does not fit
// is cut, closed with two NULs, and answered as bufferSize - 2, as Windows does.
unsigned CopyList(const std::vector<std::string>& names, char* buffer, unsigned bufferSize) {
  std::string list;
  for (const std::string& name : names) {
    list.append(name);
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

  std::optional<ProfileDocument> document;
  try {
    document = ProfileDocument::Load(m_files, file);
  } catch (const CFileException&) {
    // Unreadable reads as missing: the caller gets its default, as from Windows.
  }

  if (section == nullptr) {
    return CopyList(document ? document->SectionNames() : std::vector<std::string>{}, buffer,
                    bufferSize);
  }
  if (key == nullptr) {
    std::optional<std::vector<std::string>> keys;
    if (document) keys = document->KeyNames(section);
    return CopyList(keys.value_or(std::vector<std::string>{}), buffer, bufferSize);
  }

  std::optional<std::string> value;
  if (document) value = document->Get(section, key);
  if (value) return CopyText(*value, buffer, bufferSize);
  return CopyText(TrimmedDefault(defaultValue), buffer, bufferSize);
}

int ProfileStore::WritePrivateProfileStringA(const char* section, const char* key,
                                             const char* value, const std::string& file) {
  if (section == nullptr) return 0;
  if (!IsWritableProfileEntry(section, key != nullptr ? key : "", value != nullptr ? value : "")) {
    return 0;
  }

  std::optional<ProfileDocument> document;
  try {
    // A file that exists but cannot be read whole must not be mistaken for a missing one:
    // rewriting it from nothing would throw its content away.
    document = ProfileDocument::Load(m_files, file);
  } catch (const CFileException&) {
    return 0;
  }
  if (key == nullptr) {
    document->DeleteSection(section);
  } else if (value == nullptr) {
    document->DeleteKey(section, key);
  } else {
    document->Set(section, key, value);
  }
  return document->Save() ? 1 : 0;
}

}  // namespace gridmoor
