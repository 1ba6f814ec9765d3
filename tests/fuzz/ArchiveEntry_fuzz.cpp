// Fuzz target for the archive entry filter: any bytes as one entry's name (a newline splits the
// input into the names of one archive). A name it lets through must stay inside the staging
// folder: relative, no "..", no control character, no backslash, no empty or "." part; and a
// package root must be the folder of a listed install.ini. A name's case-blind key keeps its
// length and its folders, and is its own key.

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ArchiveEntry.h"
#include "fuzz/FuzzCheck.h"

namespace {

void CheckSafe(const std::string& path) {
  FUZZ_CHECK(path.empty() || path.front() != '/');
  FUZZ_CHECK(path.empty() || path.back() != '/');
  FUZZ_CHECK(path.find('\\') == std::string::npos);
  FUZZ_CHECK(path.find("//") == std::string::npos);
  FUZZ_CHECK(!(path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))));
  for (unsigned char c : path) FUZZ_CHECK(c >= 0x20 && c != 0x7F);
  std::size_t start = 0;
  while (start <= path.size() && !path.empty()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    FUZZ_CHECK(part != ".." && part != "." && !part.empty());
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> safe;
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    std::string why;
    const auto path = gridmoor::SafeEntryPath(input.substr(start, end - start), why);
    if (path) {
      CheckSafe(*path);
      // Safe paths are their own normal form.
      std::string again;
      FUZZ_CHECK(gridmoor::SafeEntryPath(*path, again) == path);
      safe.push_back(*path);
      const std::string key = gridmoor::CaseBlindKey(*path);
      FUZZ_CHECK(key.size() == path->size());
      for (std::size_t i = 0; i < key.size(); ++i)
        FUZZ_CHECK((key[i] == '/') == ((*path)[i] == '/'));
      FUZZ_CHECK(gridmoor::CaseBlindKey(key) == key);
    } else {
      FUZZ_CHECK(!why.empty());
    }
    start = end + 1;
  }
  for (const std::string& root : gridmoor::PackageRoots(safe)) {
    bool listed = false;
    for (const std::string& path : safe)
      listed = listed || (gridmoor::IsUnder(path, root) &&
                          path.size() == root.size() + (root.empty() ? 11 : 12));
    FUZZ_CHECK(listed);
  }
  return 0;
}
