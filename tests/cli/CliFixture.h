#pragma once
// A demo game folder and track packages in a temporary folder, made from examples/, for tests
// that run the real gridmoor-cli on them.

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "cli/CliRunner.h"
#include "platform/TestFolder.h"

namespace gridmoor::testing {

class CliFixture {
 public:
  CliFixture() {
    std::filesystem::copy(Examples() / "game", m_folder.Native("game"),
                          std::filesystem::copy_options::recursive);
  }

  static std::filesystem::path Examples() { return GRIDMOOR_EXAMPLES_DIR; }
  TestFolder& Folder() { return m_folder; }
  std::string Game() const { return m_folder.Native("game").string(); }
  std::filesystem::path GamePath(const std::string& relative) const {
    return m_folder.Native("game") / relative;
  }

  // A copy of the example package whose track folder is `trackDirectory`; answers its folder.
  std::string Package(const std::string& trackDirectory) {
    const std::filesystem::path folder = m_folder.Native("pkg-" + trackDirectory);
    std::filesystem::copy(Examples() / "package", folder);
    std::string ini = m_folder.Read("pkg-" + trackDirectory + "/install.ini");
    const std::string from = "trackDirectory=kestrel";
    ini.replace(ini.find(from), from.size(), "trackDirectory=" + trackDirectory);
    m_folder.Write("pkg-" + trackDirectory + "/install.ini", ini);
    return folder.string();
  }

  std::string Read(const std::string& relative) const {
    return m_folder.Read("game/" + relative);
  }

 private:
  TestFolder m_folder;
};

// `text` with its backslashes as the system separates folders (the program prints paths as the
// player can paste them).
inline std::string NativeSeparators(std::string text) {
#ifndef _WIN32
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
#endif
  return text;
}

// Every file under `root` with its bytes and modification time, to prove nothing changed.
inline std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Snapshot(
    const std::filesystem::path& root) {
  std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string bytes;
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    files[entry.path().string()] = {bytes, entry.last_write_time()};
  }
  return files;
}

}  // namespace gridmoor::testing
