#pragma once
// A fresh temporary folder per test, removed with everything in it afterwards. Paths are handed
// out the way the engine builds them: the folder, a backslash, the name.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace gridmoor::testing {

class TestFolder {
 public:
  TestFolder() {
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      m_root = base / ("gridmoor-" + std::to_string(seed()));
      if (std::filesystem::create_directory(m_root)) break;
    }
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  ~TestFolder() {
    std::error_code ignored;
    // Read-only files are made writable first, or removing them fails on Windows.
    for (auto it = std::filesystem::recursive_directory_iterator(m_root, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(m_root, ignored);
  }

  const std::filesystem::path& Root() const { return m_root; }
  // The folder as the engine would name it, without a trailing separator.
  std::string Folder() const { return m_root.string(); }
  // folder + "\" + name: the engine's way, which both file systems accept.
  std::string Path(const std::string& name) const { return Folder() + "\\" + name; }
  std::filesystem::path Native(const std::string& name) const { return m_root / name; }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Native(name), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Native(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Native(name)); }
  // Names of everything in the folder, sorted, to prove nothing was left behind.
  std::string Listing() const {
    std::string names;
    std::vector<std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(m_root)) {
      all.push_back(entry.path().filename().string());
    }
    std::sort(all.begin(), all.end());
    for (const auto& name : all) names += name + ";";
    return names;
  }
  void SetReadOnly(const std::string& name, bool readOnly) const {
    std::filesystem::permissions(Native(name),
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 readOnly ? std::filesystem::perm_options::remove
                                          : std::filesystem::perm_options::add);
  }

 private:
  std::filesystem::path m_root;
};

}  // namespace gridmoor::testing
