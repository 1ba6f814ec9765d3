// Archives given to install and check, made into package folders: hostile ones refused whole
// with nothing written outside the staging folder, which is gone afterwards; names and order.
// Zips built byte by byte run in both builds; archives from libarchive's writer on Linux only.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include "cli/TestArchive.h"
#endif

#include "cli/CliFixture.h"
#include "cli/Cli.h"
#include "cli/PackageList.h"
#include "platform/TestZip.h"

namespace gridmoor::testing {
namespace {

using cli::PackageList;
using cli::PackageSource;
using gridmoor::UnpackLimits;

// The system's temporary folder pointed at a folder of the test's own while it lives.
class OwnTemporaryFolder {
 public:
  OwnTemporaryFolder() {
    for (const char* name : kNames) {
      const char* old = std::getenv(name);
      m_old.push_back(old ? std::optional<std::string>(old) : std::nullopt);
      Set(name, m_folder.Folder().c_str());
    }
  }
  ~OwnTemporaryFolder() {
    for (std::size_t i = 0; i < std::size(kNames); ++i)
      Set(kNames[i], m_old[i] ? m_old[i]->c_str() : nullptr);
  }
  bool Empty() const { return std::filesystem::is_empty(m_folder.Root()); }
  const TestFolder& Folder() const { return m_folder; }

 private:
#ifdef _WIN32
  static constexpr const char* kNames[] = {"TMP", "TEMP"};
  static void Set(const char* name, const char* value) {
    SetEnvironmentVariableA(name, value);
    _putenv_s(name, value ? value : "");
  }
#else
  static constexpr const char* kNames[] = {"TMPDIR"};
  static void Set(const char* name, const char* value) {
    if (value) ::setenv(name, value, 1); else ::unsetenv(name);
  }
#endif
  TestFolder m_folder;
  std::vector<std::optional<std::string>> m_old;
};

std::string Random(std::size_t size) {
  std::mt19937 bits(7);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(bits());
  return bytes;
}

// The archive `write` makes (then `spoil`ed) is refused with one line saying `said`, and nothing
// is left of it anywhere.
void ExpectRefusedWhole(const std::function<bool(const std::filesystem::path&)>& write,
                        void (*spoil)(std::string&), const char* said,
                        const UnpackLimits& limits) {
  TestFolder work;  // made first: outside the test's temporary folder
  OwnTemporaryFolder temp;
  const std::filesystem::path archive = work.Native("download.zip");
  ASSERT_TRUE(write(archive));
  if (spoil) {
    std::string bytes = work.Read("download.zip");
    spoil(bytes);
    work.Write("download.zip", bytes);
  }
  const auto before = Snapshot(work.Root());
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  {
    const PackageList list(*files, {archive.string()}, limits);
    ASSERT_EQ(list.Items().size(), 1u);
    const PackageSource& refused = list.Items()[0];
    EXPECT_EQ(refused.folder, "");
    EXPECT_EQ(refused.status, cli::kExitInvalidPackage);
    EXPECT_EQ(refused.error.find(archive.string() + ": "), 0u) << refused.error;
    EXPECT_NE(refused.error.find(said), std::string::npos) << refused.error;
    EXPECT_EQ(refused.error.find('\n'), std::string::npos) << refused.error;
  }
  EXPECT_TRUE(temp.Empty()) << "the staging folder is left";
  EXPECT_TRUE(Snapshot(work.Root()) == before);
  EXPECT_FALSE(std::filesystem::exists(temp.Folder().Root().parent_path() / "evil.txt"));
}

const ZipItem kIniItem{"Pkg/install.ini", "[Install]\r\n"};

struct HostileZipCase {
  const char* name;
  std::vector<ZipItem> items;
  const char* said;
  void (*spoil)(std::string& bytes) = nullptr;
  UnpackLimits limits = {};
};

class HostileZip : public ::testing::TestWithParam<HostileZipCase> {};

TEST_P(HostileZip, IsRefusedWholeAndLeavesNothing) {
  const HostileZipCase& param = GetParam();
  ExpectRefusedWhole(
      [&](const std::filesystem::path& path) {
        std::ofstream(path, std::ios::binary) << ZipBytes(param.items);
        return std::filesystem::exists(path);
      },
      param.spoil, param.said, param.limits);
}

// Cut inside the central directory, so that the end record is gone.
void CutDirectory(std::string& bytes) { bytes.resize(bytes.size() - 30); }
void DirectoryPastTheEnd(std::string& bytes) { bytes[EndRecord(bytes) + kEndDirectoryOffset] += 9; }
void CountTooHigh(std::string& bytes) {
  ++bytes[EndRecord(bytes) + kEndCount];
  ++bytes[EndRecord(bytes) + kEndCount - 2];
}
void CountTooLow(std::string& bytes) {
  --bytes[EndRecord(bytes) + kEndCount];
  --bytes[EndRecord(bytes) + kEndCount - 2];
}

INSTANTIATE_TEST_SUITE_P(
    Zip, HostileZip,
    ::testing::Values(
        HostileZipCase{"slip", {kIniItem, {"Pkg/../../evil.txt", "x"}}, "\"..\" in its name"},
        HostileZipCase{"drive", {kIniItem, {"C:\\evil.txt", "x"}}, "a drive in its name"},
        HostileZipCase{"encrypted", {kIniItem, {"Pkg/track.ini", "x", false, kMadeByDos, 1}},
                       "password-protected"},
        HostileZipCase{"cut_directory", {kIniItem, {"Pkg/track.dat", Random(20000)}},
                       "truncated or damaged", CutDirectory},
        HostileZipCase{"directory_past_the_end", {kIniItem, {"Pkg/track.dat", "x"}},
                       "truncated or damaged", DirectoryPastTheEnd},
        HostileZipCase{"count_too_high", {kIniItem, {"Pkg/track.dat", "x"}},
                       "truncated or damaged", CountTooHigh},
        HostileZipCase{"count_too_low", {kIniItem, {"Pkg/track.dat", "x"}},
                       "truncated or damaged", CountTooLow},
        HostileZipCase{"wrong_crc_deflate",
                       {kIniItem, {"Pkg/track.dat", Random(20000), true, kMadeByDos, 0, "", 1234}},
                       "entry \"Pkg/track.dat\": truncated or damaged: its CRC-32 does not match"},
        // Stated small, unpacking to more than the limits: stopped at the stated size.
        HostileZipCase{"lying_size",
                       {kIniItem, {"Pkg/bomb.dat", std::string(3 << 20, '\0'), true, kMadeByDos,
                                   0, "", std::nullopt, 10}},
                       "entry \"Pkg/bomb.dat\": truncated or damaged: more bytes than its stated",
                       nullptr, {10000, 2 << 20, 200}},
        HostileZipCase{"too_large", {kIniItem, {"extras/big.dat", Random(3 << 20), false}},
                       "more than 2 MiB", nullptr, {10000, 2 << 20, 200}},
        HostileZipCase{"case_twins", {kIniItem, {"Pkg/Track.dat", "a"}, {"Pkg/track.DAT", "b"}},
                       "its name differs from entry \"Pkg/Track.dat\" only in letter case"}),
    [](const auto& info) { return std::string(info.param.name); });

// How each zip tool's names come out, unpacked.
struct ZipNameCase {
  const char* name;
  std::vector<ZipItem> items;  // after Pkg/install.ini
  const char* file;            // the file unpacked, in UTF-8, under Pkg/
  const char* bytes;
};

class ZipNames : public ::testing::TestWithParam<ZipNameCase> {};

TEST_P(ZipNames, AreUnpackedAsTheirMakerMeantThem) {
  TestFolder work;
  OwnTemporaryFolder temp;
  std::vector<ZipItem> items{kIniItem};
  items.insert(items.end(), GetParam().items.begin(), GetParam().items.end());
  work.Write("names.zip", ZipBytes(items));
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const PackageList list(*files, {work.Native("names.zip").string()});
  ASSERT_EQ(list.Items().size(), 1u);
  ASSERT_EQ(list.Items()[0].error, "");
  const std::filesystem::path file =
      std::filesystem::path(list.Items()[0].folder) / std::filesystem::u8path(GetParam().file);
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), GetParam().bytes) << file;
}

const std::string kUtf8 = "Pkg/N\xC3\xBCrburgring.dat";  // as Linux and Windows store it today
const std::string kDos = "Pkg/N\x81rburgring.dat";        // the DOS code page's u-umlaut
constexpr const char* kNurburgring = "N\xC3\xBCrburgring.dat";

INSTANTIATE_TEST_SUITE_P(
    Zip, ZipNames,
    ::testing::ValuesIn([] {
      std::vector<ZipNameCase> cases{
          {"flagged_utf8", {{kUtf8, "1", true, kMadeByNtfs, 0x800}}, kNurburgring, "1"},
          {"unicode_path_field",
           {{kDos, "2", true, kMadeByDos, 0, UnicodePath(kDos, kUtf8)}}, kNurburgring, "2"},
          // A field for another name (its CRC is not the stored name's) is ignored.
          {"unicode_path_field_of_another_name",
           {{kDos, "3", true, kMadeByDos, 0, UnicodePath("Pkg/x", "Pkg/other.dat")}},
           kNurburgring, "3"},
          // Debian's zip marks nothing: made on Unix, the bytes are UTF-8.
          {"unix_unflagged_utf8", {{kUtf8, "4", true, kMadeByUnix}}, kNurburgring, "4"},
          {"unix_not_utf8", {{kDos, "5", true, kMadeByUnix}}, kNurburgring, "5"},
          {"dos_code_page", {{kDos, "6", false, kMadeByDos}}, kNurburgring, "6"},
          // The later of two entries of one name, even when the earlier is damaged.
          {"later_duplicate",
           {{"Pkg/track.dat", "old", true, kMadeByDos, 0, "", 1}, {"Pkg/track.dat", "new"}},
           "track.dat", "new"},
      };
#ifndef _WIN32
      // Windows' code pages lack the box-drawing letters these bytes are in the DOS one.
      cases.push_back({"dos_made_utf8_bytes", {{kUtf8, "7", true, kMadeByDos}},
                       "N\xE2\x94\x9C\xE2\x95\x9Drburgring.dat", "7"});
#endif
      return cases;
    }()),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32

const TestEntry kIni{"Pkg/install.ini", "[Install]\r\n"};

struct HostileCase {
  const char* name;
  std::vector<TestEntry> entries;
  TestArchiveOptions options;
  const char* said;
  // Spoils the written archive's bytes.
  void (*spoil)(std::string& bytes) = nullptr;
  UnpackLimits limits = {};
};

class HostileArchive : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileArchive, IsRefusedWholeAndLeavesNothing) {
  const HostileCase& param = GetParam();
  ExpectRefusedWhole(
      [&](const std::filesystem::path& path) {
        return WriteTestArchive(path, param.entries, param.options);
      },
      param.spoil, param.said, param.limits);
}

void FlipMarker(std::string& bytes) { bytes[bytes.find("MARKER")] = 'm'; }
void CutInHalf(std::string& bytes) { bytes.resize(bytes.size() / 2); }
// Every entry's method made one that no reader here knows (97, WavPack), in the local and the
// central headers alike: an archive of a kind not read, not a damaged one.
void UnknownMethod(std::string& bytes) {
  for (std::size_t at = bytes.find("PK\x03\x04"); at != std::string::npos;
       at = bytes.find("PK\x03\x04", at + 1))
    bytes[at + 8] = 97;
  for (std::size_t at = bytes.find("PK\x01\x02"); at != std::string::npos;
       at = bytes.find("PK\x01\x02", at + 1))
    bytes[at + 10] = 97;
}

INSTANTIATE_TEST_SUITE_P(
    Archive, HostileArchive,
    ::testing::Values(
        HostileCase{"zip_slip", {kIni, {"Pkg/../../../evil.txt", "x"}}, {}, "\"..\" in its name"},
        HostileCase{"absolute", {kIni, {"/evil.txt", "x"}}, {}, "an absolute name"},
        HostileCase{"drive", {kIni, {"C:\\evil.txt", "x"}}, {}, "a drive in its name"},
        HostileCase{"link_out", {kIni, {"Pkg/dat", "", AE_IFLNK, "/etc"}}, {},
                    "entry \"Pkg/dat\": a link"},
        HostileCase{"control_character", {kIni, {"Pkg/a\x1b[2Jb.dat", "x"}}, {},
                    "a control character"},
        HostileCase{"encrypted", {kIni, {"Pkg/track.ini", "x"}}, {false, false, true},
                    "password-protected"},
        HostileCase{"unknown_method", {kIni, {"Pkg/track.ini", "x"}}, {false, true},
                    "made in a way this program cannot read", UnknownMethod},
        // Folders of the game are case-blind: one file would overwrite the other.
        HostileCase{"case_twins", {kIni, {"Pkg/Track.dat", "a"}, {"Pkg/track.DAT", "b"}}, {},
                    "entry \"Pkg/track.DAT\": its name differs from entry \"Pkg/Track.dat\" only"},
        HostileCase{"case_twins_accented",
                    {kIni, {"Pkg/\xC3\x89t\xC3\xA9.dat", "a"}, {"Pkg/\xC3\xA9t\xC3\xA9.dat", "b"}},
                    {false, false, false, "none"}, "only in letter case"},
        // Entries outside the packages are never unpacked, but still count.
        HostileCase{"bomb_outside_the_package",
                    {kIni, {"extras/bomb.dat", std::string(64 << 20, '\0')}}, {},
                    "more than 200 times the archive's size"},
        HostileCase{"too_large_outside_the_package",
                    {kIni, {"extras/big.dat", Random(3 << 20)}}, {false, false, false, "gzip"},
                    "more than 2 MiB", nullptr, {10000, 2 << 20, 200}},
        HostileCase{"too_many_entries",
                    [] {
                      std::vector<TestEntry> many{kIni};
                      for (int i = 0; i < 10000; ++i) many.push_back({"Pkg/" + std::to_string(i), ""});
                      return many;
                    }(),
                    {false, true}, "more than 10,000 entries"},
        HostileCase{"too_large", {kIni, {"Pkg/big.dat", Random(3 << 20)}}, {}, "more than 2 MiB",
                    nullptr, {10000, 2 << 20, 200}},
        HostileCase{"bomb", {kIni, {"Pkg/bomb.dat", std::string(64 << 20, '\0')}}, {},
                    "more than 200 times the archive's size"},
        HostileCase{"cut", {kIni, {"Pkg/track.dat", Random(200000)}}, {}, "truncated or damaged",
                    CutInHalf},
        HostileCase{"wrong_crc", {kIni, {"Pkg/track.ini", "MARKER"}}, {false, true}, "damaged",
                    FlipMarker},
        // Tars keep the same rules and limits, whatever compresses them.
        HostileCase{"tar_slip", {kIni, {"Pkg/../../evil.txt", "x"}}, {false, false, false, "none"},
                    "\"..\" in its name"},
        HostileCase{"tar_gz_link_out", {kIni, {"Pkg/dat", "", AE_IFLNK, "/etc"}},
                    {false, false, false, "gzip"}, "entry \"Pkg/dat\": a link"},
        HostileCase{"tar_gz_hard_link", {kIni, {"Pkg/dat", "", AE_IFREG, "/etc/passwd"}},
                    {false, false, false, "gzip"}, "entry \"Pkg/dat\": a link"},
        HostileCase{"tar_xz_too_large", {kIni, {"Pkg/big.dat", Random(3 << 20)}},
                    {false, false, false, "xz"}, "more than 2 MiB", nullptr, {10000, 2 << 20, 200}},
        HostileCase{"tar_bz2_bomb", {kIni, {"Pkg/bomb.dat", std::string(64 << 20, '\0')}},
                    {false, false, false, "bzip2"}, "more than 200 times the archive's size"},
        HostileCase{"tar_gz_cut", {kIni, {"Pkg/track.dat", Random(200000)}},
                    {false, false, false, "gzip"}, "truncated or damaged", CutInHalf}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Archive, PackagesInPathOrderWithOnlyTheirEntriesAndLegacyNamesAsWindowsShowsThem) {
  TestFolder work;
  OwnTemporaryFolder temp;
  const std::filesystem::path archive = work.Native("two.zip");
  // 0x82 is e-acute in the DOS code page; the zip marks no name as UTF-8.
  ASSERT_TRUE(WriteTestArchive(archive, {{"readme-outside.txt", "x"},
                                         {"b/Second/INSTALL.INI", "2"},
                                         {"a/First/install.ini", "1"},
                                         {"a/First/caf\x82.txt", "menu"},
                                         {"a/First/twice.txt", "old"},
                                         {"a/First/twice.txt", "new"}}));
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const PackageList list(*files, {archive.string()});
  ASSERT_EQ(list.Items().size(), 2u);
  EXPECT_EQ(list.Items()[0].shown, archive.string() + ": a/First");
  EXPECT_EQ(list.Items()[1].shown, archive.string() + ": b/Second");
  const std::filesystem::path first = list.Items()[0].folder;
  EXPECT_TRUE(std::filesystem::exists(first / "caf\xc3\xa9.txt"));
  // The same name twice is one file, its later entry kept.
  std::ifstream twice(first / "twice.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(twice), {}), "new");
  const std::filesystem::path unpacked = first.parent_path().parent_path();
  EXPECT_FALSE(std::filesystem::exists(unpacked / "readme-outside.txt"));
  EXPECT_EQ(std::filesystem::status(list.StagingFolder()).permissions(),
            std::filesystem::perms::owner_all);
}

TEST(Archive, AStagingFolderOfAGoneRunIsRemoved) {
  TestFolder work;
  OwnTemporaryFolder temp;
  // A process id that is free: a child that has ended and been waited for.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = "gridmoor-unpack-" + std::to_string(gone) + "-abcdef";
  const std::string alive = "gridmoor-unpack-" + std::to_string(::getpid()) + "-abcdef";
  for (const std::string& name : {stale, alive})
    std::filesystem::create_directories(temp.Folder().Native(name + "/1/Pkg"));
  ASSERT_TRUE(WriteTestArchive(work.Native("a.zip"), {kIni}));
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const PackageList list(*files, {work.Native("a.zip").string()});
  EXPECT_FALSE(temp.Folder().Exists(stale));
  EXPECT_TRUE(temp.Folder().Exists(alive));
}

#endif  // _WIN32

}  // namespace
}  // namespace gridmoor::testing
