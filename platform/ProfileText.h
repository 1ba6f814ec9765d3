#pragma once
// The text of a profile (INI) file: finding values the way the Windows profile functions find
// them, and changing one entry while keeping every other byte. Pure functions on bytes; the
// file handling is ProfileStore's. docs/profile-files.md has the rules.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gridmoor {

// The value of `key` in the first section named `section` (names matched without regard to
// ASCII letter case, white space around them ignored), trimmed of white space and of one pair
// of matching outer quotes. nullopt when the section or the key is missing.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

// In one pass: for the first section of each name (in file order) that holds `key`, its name and
// the value FindProfileValue(text, name, key) answers.
std::vector<std::pair<std::string_view, std::string_view>> ProfileValuesOfKey(
    std::string_view text, std::string_view key);

// Every section header's name, in file order, duplicates included.
std::vector<std::string_view> ProfileSectionNames(std::string_view text);

// Where each section stands in the text, in file order, duplicates included: from its header
// line to the next header line (or the end). What comes before the first header is in none.
struct ProfileSectionSpan {
  std::size_t begin = 0;      // first byte of the header line
  std::size_t nameBegin = 0;  // the name inside the brackets, trimmed ([nameBegin, nameEnd))
  std::size_t nameEnd = 0;
  std::size_t bodyBegin = 0;  // first byte after the header line
  std::size_t end = 0;        // first byte of the next header line, or the text's size
};
std::vector<ProfileSectionSpan> ProfileSectionSpans(std::string_view text);

// The key names of the first section named `section`, in file order; nullopt when it is missing.
// Lines without '=' are not listed (a lookup of such a line still answers "").
std::optional<std::vector<std::string_view>> ProfileKeyNames(std::string_view text,
                                                             std::string_view section);

// Whether an entry with these names and value can be written so that it reads back as written:
// no line ends anywhere, no '=' in the key, no ']' in the section, and a key that does not
// start (after white space) with '[' or ';'. Pass value as "" when deleting.
bool IsWritableProfileEntry(std::string_view section, std::string_view key,
                            std::string_view value);

// `text` with `key` in `section` set to `value`: the value is replaced where the key stands
// (keeping the key as spelled in the file), else the key is added after the last key of the
// section, else the section is added at the end. New lines end in CR LF. Every other byte stays.
// A value that would not read back as itself (white space at an end, or wrapped in a pair of
// quotes) is stored inside one more pair of double quotes.
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// `text` without the first line of `key` in the first `section` (unchanged when missing).
std::string DeleteProfileKey(std::string_view text, std::string_view section,
                             std::string_view key);

// `text` with the first header named `from` renamed to `to`; the rest of the header line stays.
// nullopt when `from` is missing, or `to` could not be read back as written (line breaks, ']',
// white space around it).
std::optional<std::string> RenameProfileSection(std::string_view text, std::string_view from,
                                                std::string_view to);

// `text` without the first section named `section`: its header and every line up to the next
// header (unchanged when missing).
std::string DeleteProfileSection(std::string_view text, std::string_view section);

}  // namespace gridmoor
