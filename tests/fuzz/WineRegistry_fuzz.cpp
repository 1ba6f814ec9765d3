// Fuzzes the Wine registry reader: a file of any bytes never yields a value holding a NUL, nor
// a DOS path with a name that leads elsewhere; and any text written the way Wine writes it is
// read back exactly.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/WineRegistry.h"

namespace {

constexpr const char* kKey = "Software\\Sierra OnLine\\Setup\\GPL";

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

// `text` escaped as Wine writes registry strings.
std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%04x", c);
      out += code;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void CheckPath(const std::string& text) {
  std::string error;
  const std::optional<gridmoor::DosPath> dos = gridmoor::ParseDosPath(text, error);
  if (!dos) {
    Require(!error.empty(), "a refused path says why");
    return;
  }
  Require(dos->drive >= 'a' && dos->drive <= 'z', "drive letter");
  for (const std::string& name : dos->folders) {
    Require(!name.empty() && name.find_first_not_of(". ") != std::string::npos, "no dot names");
    Require(name.find_first_of("\\/:") == std::string::npos, "one name per folder");
    for (unsigned char c : name) Require(c >= 0x20, "no control characters");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  // Any file: whatever is found is text without NUL, and its path is judged safely.
  const gridmoor::WineRegistryText found =
      gridmoor::FindWineRegistryText(input, kKey, "Directory");
  if (found.result == gridmoor::WineLookup::kFound) {
    Require(found.text.find('\0') == std::string::npos, "no NUL in a value");
  } else {
    Require(found.text.empty(), "no text without a value");
  }
  gridmoor::IsWin64Registry(input);
  CheckPath(input);
  CheckPath(found.text);

  // The input as a value, written the way Wine writes it, reads back exactly.
  if (input.find('\0') == std::string::npos) {
    const std::string reg = "WINE REGISTRY Version 2\n\n[Software\\\\Sierra OnLine\\\\Setup\\\\GPL] 1\n"
                            "\"directory\"=\"" + Escape(input) + "\"\n";
    const gridmoor::WineRegistryText back = gridmoor::FindWineRegistryText(reg, kKey, "Directory");
    Require(back.result == gridmoor::WineLookup::kFound, "a written value is found");
    Require(back.text == input, "a written value reads back as written");
  }
  return 0;
}
