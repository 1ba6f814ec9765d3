#pragma once
// Archives made by the tests with libarchive's own writer: zip, 7z or tar, entries given as names
// with bytes, folders, links; options for the stored method and encryption.

#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gridmoor::testing {

struct TestEntry {
  std::string name;
  std::string bytes;
  int type = AE_IFREG;   // AE_IFDIR, AE_IFLNK...
  std::string linkTo = {};  // for AE_IFLNK; for AE_IFREG a hard link (tar only)
};

struct TestArchiveOptions {
  bool sevenZip = false;
  bool stored = false;     // zip entries without compression (their bytes readable in the file)
  bool encrypted = false;  // zip entries encrypted with a password
  const char* tar = nullptr;  // a tar instead, compressed with this filter ("none", "gzip"...)
};

// Writes `entries` into the archive `path`; false when libarchive refuses.
inline bool WriteTestArchive(const std::filesystem::path& path,
                             const std::vector<TestEntry>& entries,
                             const TestArchiveOptions& options = {}) {
  archive* writer = archive_write_new();
  if (options.tar) {
    archive_write_set_format_pax_restricted(writer);
    // Names as their bytes are given, whatever the test's locale.
    archive_write_set_format_option(writer, "pax", "hdrcharset", "BINARY");
    if (std::string(options.tar) != "none") archive_write_add_filter_by_name(writer, options.tar);
  } else if (options.sevenZip) {
    archive_write_set_format_7zip(writer);
  } else {
    archive_write_set_format_zip(writer);
    if (options.stored) archive_write_set_format_option(writer, "zip", "compression", "store");
    if (options.encrypted) {
      archive_write_set_format_option(writer, "zip", "encryption", "zipcrypt");
      archive_write_set_passphrase(writer, "secret");
    }
  }
  bool ok = archive_write_open_filename(writer, path.c_str()) == ARCHIVE_OK;
  for (const TestEntry& item : entries) {
    if (!ok) break;
    archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname(entry, item.name.c_str());
    archive_entry_set_filetype(entry, item.type);
    archive_entry_set_perm(entry, item.type == AE_IFDIR ? 0755 : 0644);
    if (item.type == AE_IFLNK) archive_entry_copy_symlink(entry, item.linkTo.c_str());
    if (item.type == AE_IFREG && !item.linkTo.empty())
      archive_entry_copy_hardlink(entry, item.linkTo.c_str());
    if (item.type == AE_IFREG) archive_entry_set_size(entry, item.bytes.size());
    ok = archive_write_header(writer, entry) == ARCHIVE_OK;
    if (ok && item.type == AE_IFREG && !item.bytes.empty())
      ok = archive_write_data(writer, item.bytes.data(), item.bytes.size()) ==
           static_cast<la_ssize_t>(item.bytes.size());
    archive_entry_free(entry);
  }
  ok = archive_write_close(writer) == ARCHIVE_OK && ok;
  archive_write_free(writer);
  return ok;
}

// The files of the package folder `folder` as entries under `inside` ("Pkg/" or "").
inline std::vector<TestEntry> PackageEntries(const std::filesystem::path& folder,
                                             const std::string& inside) {
  std::vector<TestEntry> entries;
  for (const auto& file : std::filesystem::recursive_directory_iterator(folder)) {
    if (!file.is_regular_file()) continue;
    std::ifstream in(file.path(), std::ios::binary);
    entries.push_back({inside + std::filesystem::relative(file.path(), folder).generic_string(),
                       std::string(std::istreambuf_iterator<char>(in), {})});
  }
  return entries;
}

}  // namespace gridmoor::testing
