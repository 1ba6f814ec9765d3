// Fuzz target for the profile parser: any bytes as a profile file. Checks that reading never
// fails on what it listed, that a write reads back exactly as written (quoted where reading
// would change it), leaves every other entry as it read before, and is idempotent, and that the
// service never writes past a caller's buffer.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/FileSystem.h"
#include "platform/ProfileStore.h"
#include "platform/ProfileText.h"

namespace {

using gridmoor::FileStatus;
using gridmoor::OpenFile;

// One file held in memory; everything else is missing.
class MemoryFileSystem : public gridmoor::FileSystem {
 public:
  explicit MemoryFileSystem(std::string bytes) : m_bytes(std::move(bytes)) {}
  std::optional<std::string> CurrentDirectory(std::size_t) override { return std::nullopt; }
  void CreateDirectoryLevel(const std::string&) override {}
  void CopyFileOverwrite(const std::string&, const std::string&) override {}
  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string&) override { return nullptr; }
  FileStatus GetStatus(const std::string&) override { return FileStatus{}; }
  void SetStatus(const std::string&, const FileStatus&) override {}
  std::optional<std::string> ReadWholeFile(const std::string&, std::size_t, bool*) override {
    return m_bytes;
  }
  std::optional<std::string> ReadExistingFile(const std::string&, std::size_t) override {
    return m_bytes;
  }
  bool ReplaceFileContents(const std::string&, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    if (expected != m_bytes) return false;
    m_bytes = bytes;
    return true;
  }
  bool RemoveFile(const std::string&) override { return false; }
  bool RemoveFolderTree(const std::string&) override { return false; }
  int RemoveStaleTemporaries(const std::string&) override { return 0; }
  std::optional<std::vector<gridmoor::FolderEntry>> ListFolder(const std::string&) override {
    return std::nullopt;
  }
  void FlushFolder(const std::string&) override {}
  std::string m_bytes;
};

std::string WithoutLineBreaks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // Every listed section and key can be read.
  const auto sections = gridmoor::ProfileSectionNames(text);
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < sections.size() && i < 8; ++i) {
    const auto keys = gridmoor::ProfileKeyNames(text, sections[i]);
    FUZZ_CHECK(keys.has_value());
    for (std::size_t j = 0; j < keys->size() && j < 8; ++j) {
      FUZZ_CHECK(gridmoor::FindProfileValue(text, sections[i], (*keys)[j]).has_value());
      entries.emplace_back(sections[i], (*keys)[j]);
    }
  }

  // A write of names and a value taken from the input itself.
  const std::string section = sections.empty() ? "Season" : std::string(sections.back());
  const std::string key =
      entries.empty() ? "NumEvents" : WithoutLineBreaks(entries[size % entries.size()].second);
  const std::string value = WithoutLineBreaks(std::string_view(text).substr(size / 2, 16));
  if (gridmoor::IsWritableProfileEntry(section, key, value)) {
    const std::string after = gridmoor::SetProfileValue(text, section, key, value);
    FUZZ_CHECK(gridmoor::FindProfileValue(after, section, key) == std::string_view(value));
    FUZZ_CHECK(gridmoor::SetProfileValue(after, section, key, value) == after);
    for (const auto& [s, k] : entries) {
      // (s, k) names the written entry when a file holding only it finds it by those names.
      const bool sameEntry = gridmoor::FindProfileValue("[" + s + "]\r\n" + k + "=",
                                                        section, key)
                                 .has_value();
      if (!sameEntry) {
        FUZZ_CHECK(gridmoor::FindProfileValue(after, s, k) ==
                   gridmoor::FindProfileValue(text, s, k));
      }
    }
    FUZZ_CHECK(gridmoor::DeleteProfileKey(after, section, key).size() <= after.size());
  }

  // The service over the same bytes, with a small buffer guarded on both sides.
  MemoryFileSystem files(text);
  gridmoor::ProfileStore store(files);
  const unsigned bufferSize = 1 + static_cast<unsigned>(size % 64);
  std::vector<char> buffer(bufferSize + 2, '#');
  char* inner = buffer.data() + 1;
  const unsigned n = store.GetPrivateProfileStringA(section.c_str(), key.c_str(), "default",
                                                    inner, bufferSize, "x.ini");
  FUZZ_CHECK(n < bufferSize && inner[n] == '\0');
  const unsigned listed =
      store.GetPrivateProfileStringA(nullptr, nullptr, "", inner, bufferSize, "x.ini");
  FUZZ_CHECK(listed < bufferSize);
  FUZZ_CHECK(buffer.front() == '#' && buffer.back() == '#');
  if (store.WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), "x.ini")) {
    const unsigned again = store.GetPrivateProfileStringA(section.c_str(), key.c_str(), "default",
                                                          inner, bufferSize, "x.ini");
    FUZZ_CHECK(std::string(inner, again) == value.substr(0, bufferSize - 1));
  }
  return 0;
}
