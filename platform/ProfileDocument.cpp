#include "platform/ProfileDocument.h"

#include "platform/FileException.h"
#include "platform/ProfileText.h"

namespace gridmoor {
namespace {

// Far beyond any season file (a full season is a few kilobytes); a larger file is taken as
// unreadable rather than held in memory, and is never rewritten.
constexpr std::size_t kMaxProfileFileSize = 16 * 1024 * 1024;

const std::string kNoText;

// A C string ends at its first NUL, and so does a value the Windows functions hand back.
std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

}  // namespace

ProfileDocument::ProfileDocument(FileSystem& files, std::string path,
                                 std::optional<std::string> original)
    : m_files(&files),
      m_path(std::move(path)),
      m_original(std::move(original)),
      m_text(m_original.value_or(std::string())) {}

ProfileDocument ProfileDocument::Load(FileSystem& files, const std::string& path) {
  return ProfileDocument(files, path, files.ReadExistingFile(path, kMaxProfileFileSize));
}

ProfileDocument ProfileDocument::FromBytes(FileSystem& files, const std::string& path,
                                           std::optional<std::string> bytes) {
  return ProfileDocument(files, path, std::move(bytes));
}

ProfileDocument ProfileDocument::Empty(FileSystem& files, const std::string& path) {
  return ProfileDocument(files, path, std::nullopt);
}

const std::string& ProfileDocument::OriginalText() const {
  return m_original ? *m_original : kNoText;
}

std::optional<std::string> ProfileDocument::Get(std::string_view section,
                                                std::string_view key) const {
  const std::optional<std::string_view> value = FindProfileValue(m_text, section, key);
  if (!value) return std::nullopt;
  return UpToNul(*value);
}

std::vector<std::pair<std::string, std::string>> ProfileDocument::ValuesOfKey(
    std::string_view key) const {
  std::vector<std::pair<std::string, std::string>> values;
  for (const auto& [section, value] : ProfileValuesOfKey(m_text, key))
    values.emplace_back(UpToNul(section), UpToNul(value));
  return values;
}

std::vector<std::string> ProfileDocument::SectionNames() const {
  std::vector<std::string> names;
  for (std::string_view name : ProfileSectionNames(m_text)) names.push_back(UpToNul(name));
  return names;
}

std::optional<std::vector<std::string>> ProfileDocument::KeyNames(std::string_view section) const {
  const std::optional<std::vector<std::string_view>> keys = ProfileKeyNames(m_text, section);
  if (!keys) return std::nullopt;
  std::vector<std::string> names;
  for (std::string_view name : *keys) names.push_back(UpToNul(name));
  return names;
}

bool ProfileDocument::Set(std::string_view section, std::string_view key,
                          std::string_view value) {
  if (!IsWritableProfileEntry(section, key, value)) return false;
  m_text = SetProfileValue(m_text, section, key, value);
  return true;
}

bool ProfileDocument::DeleteKey(std::string_view section, std::string_view key) {
  if (!IsWritableProfileEntry(section, key, "")) return false;
  m_text = DeleteProfileKey(m_text, section, key);
  return true;
}

bool ProfileDocument::DeleteSection(std::string_view section) {
  if (!IsWritableProfileEntry(section, "", "")) return false;
  m_text = DeleteProfileSection(m_text, section);
  return true;
}

bool ProfileDocument::RenameSection(std::string_view from, std::string_view to) {
  std::optional<std::string> renamed = RenameProfileSection(m_text, from, to);
  if (!renamed) return false;
  m_text = std::move(*renamed);
  return true;
}

bool ProfileDocument::Save() {
  try {
    if (!Changed()) {
      // Deleting from a file that is not there leaves nothing to create.
      if (!m_original) return true;
      // Nothing to write, but a read-only file still answers as refused: a check that lets a
      // run go on and a save that agrees with it must see the same file.
      return (m_files->GetStatus(m_path).attributes & kAttributeReadOnly) == 0;
    }
    if (!m_files->ReplaceFileContents(m_path, m_original, m_text)) return false;
    m_original = m_text;
    return true;
  } catch (const CFileException&) {
    return false;
  }
}

}  // namespace gridmoor
