#pragma once
// One profile (INI) file read once, edited in memory and written back in one safe replace.
// Lookups answer as ProfileStore's reads do (the Windows rules, docs/profile-files.md); each
// edit changes the text exactly as the same WritePrivateProfileStringA call would change the
// file, so a sequence of edits saved once leaves the bytes the calls one by one would leave.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor {

class ProfileDocument {
 public:
  // Reads `path` through `files` (not owned; it must outlive the document). A file that does
  // not exist in an existing folder gives an empty document (Existed() false). Throws
  // CFileException naming `path` when the folder is missing (kCauseBadPath) or the file exists
  // but cannot be read whole (held open without sharing, an I/O error, larger than 16 MiB):
  // an unreadable file is never taken for an empty one.
  static ProfileDocument Load(FileSystem& files, const std::string& path);
  // A document for `path` as if the file did not exist, for readers that take an unreadable
  // file for a missing one. Saving it never overwrites a file that does exist.
  static ProfileDocument Empty(FileSystem& files, const std::string& path);

  // A document holding `bytes` as if read from `path` (nullopt: the file was missing): for
  // bytes read once and planned on, or kept elsewhere (a saved set). Saving replaces `path`
  // only while it still holds `bytes`.
  static ProfileDocument FromBytes(FileSystem& files, const std::string& path,
                                   std::optional<std::string> bytes);

  const std::string& Path() const { return m_path; }
  // Whether the file existed when it was read.
  bool Existed() const { return m_original.has_value(); }
  // The bytes as read, and the bytes with the edits so far.
  const std::string& OriginalText() const;
  const std::string& Text() const { return m_text; }
  bool Changed() const { return m_text != OriginalText(); }

  // The value of `key` in the first section named `section`, as GetPrivateProfileStringA finds
  // it (names matched without regard to ASCII case, one pair of outer quotes removed), whole:
  // not cut to a buffer, but ending at an embedded NUL. nullopt when the section or key is
  // missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // For the first section of each name that holds `key`, the section's name and the value Get
  // answers for it, in file order: one pass instead of a lookup per section.
  std::vector<std::pair<std::string, std::string>> ValuesOfKey(std::string_view key) const;
  // Every section header's name in file order, duplicates included.
  std::vector<std::string> SectionNames() const;
  // The key names of the first section named `section` (lines with '=' only); nullopt when the
  // section is missing.
  std::optional<std::vector<std::string>> KeyNames(std::string_view section) const;

  // Edits. Each answers false and changes nothing where WritePrivateProfileStringA would refuse
  // the entry (line breaks, '=' in a key, ']' in a section, ...); deleting what is not there
  // answers true and changes nothing.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);
  // Renames the first section named `from` to `to`, keeping the rest of its header line.
  // False when `from` is missing or `to` is not a writable section name.
  bool RenameSection(std::string_view from, std::string_view to);

  // Writes Text() back in one safe replace (FileSystem::ReplaceFileContents). Answers true when
  // the file holds Text() afterwards: replaced, or nothing to write and the file not marked
  // read-only. Answers false, writing nothing, when the file is read-only, its folder is
  // missing, the file on disk is no longer the one that was read (created, deleted or changed
  // in between), or the replace fails. Never throws. After a successful save the saved text is
  // the new original.
  bool Save();

 private:
  ProfileDocument(FileSystem& files, std::string path, std::optional<std::string> original);

  FileSystem* m_files;  // not owned
  std::string m_path;
  std::optional<std::string> m_original;  // nullopt: the file did not exist
  std::string m_text;
};

}  // namespace gridmoor
