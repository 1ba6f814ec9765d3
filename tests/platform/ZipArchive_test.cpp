// The zip reader on bytes in memory: the layouts the archive tests do not make (zip64, a stub in
// front, a comment behind), directories that do not fit, and the caller's bound on an entry.

#include "platform/ZipArchive.h"
#include "platform/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "platform/TestFolder.h"
#include "platform/TestZip.h"

namespace gridmoor::testing {
namespace {

const std::vector<ZipItem> kItems{{"a/one.txt", "one", false}, {"a/two.dat", std::string(70000, 'x')}};

struct LayoutCase {
  const char* name;
  std::function<std::string()> bytes;
  ZipStatus status;
  std::uint64_t maxEntries = UINT64_MAX;
};

class ZipLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ZipLayout, ReadsWhatFitsTheFileAndRefusesTheRest) {
  const std::string bytes = GetParam().bytes();
  MemoryByteSource source(bytes);
  const ZipDirectory directory = ReadZipDirectory(source, GetParam().maxEntries);
  ASSERT_EQ(directory.status, GetParam().status) << directory.error;
  if (directory.status != ZipStatus::kOk) {
    EXPECT_FALSE(directory.error.empty());
    return;
  }
  ASSERT_EQ(directory.entries.size(), kItems.size());
  for (std::size_t i = 0; i < kItems.size(); ++i) {
    EXPECT_EQ(directory.entries[i].name, kItems[i].name);
    std::string out;
    const ZipRead read =
        ReadZipEntry(source, directory.entries[i], UINT64_MAX, [&](const char* p, std::size_t n) {
          out.append(p, n);
          return true;
        });
    EXPECT_EQ(read.status, ZipStatus::kOk) << read.error;
    EXPECT_EQ(out, kItems[i].bytes);
  }
}

std::string WithStub(std::string zip) { return "MZ" + std::string(1000, '\x90') + zip; }

std::string WithComment(std::string zip) {
  const std::string comment = "PK\x05\x06 is no end record here";
  zip[EndRecord(zip) + 20] = static_cast<char>(comment.size());
  return zip + comment;
}

// The directory's first entry states its compressed size as a zip64 one, with no zip64 field.
std::string Zip64FieldMissing() {
  std::string zip = ZipBytes(kItems);
  const std::size_t central = zip.find("PK\x01\x02");
  for (int i = 0; i < 4; ++i) zip[central + 20 + i] = '\xFF';
  return zip;
}

// The first entry's header placed after the directory's start.
std::string EntryOutsideTheData() {
  std::string zip = ZipBytes(kItems);
  const std::size_t central = zip.find("PK\x01\x02");
  zip[central + 42] = static_cast<char>(0x70);
  zip[central + 43] = static_cast<char>(0x11);
  return zip;
}

std::string Split() {
  std::string zip = ZipBytes(kItems);
  zip[EndRecord(zip) + 4] = 1;
  return zip;
}

INSTANTIATE_TEST_SUITE_P(
    Zip, ZipLayout,
    ::testing::Values(
        LayoutCase{"plain", [] { return ZipBytes(kItems); }, ZipStatus::kOk},
        LayoutCase{"zip64", [] { return ZipBytes(kItems, true); }, ZipStatus::kOk},
        LayoutCase{"stub_in_front", [] { return WithStub(ZipBytes(kItems)); }, ZipStatus::kOk},
        LayoutCase{"stub_in_front_of_zip64", [] { return WithStub(ZipBytes(kItems, true)); },
                   ZipStatus::kOk},
        LayoutCase{"comment_behind", [] { return WithComment(ZipBytes(kItems)); },
                   ZipStatus::kOk},
        // A signed setup file: the zip ends where the certificate table (here larger than the
        // 64 KiB an end record is searched in) starts, but for the signer's padding.
        LayoutCase{"signed_setup", [] { return SignedSetup(WithComment(ZipBytes(kItems)), 70000); },
                   ZipStatus::kOk},
        LayoutCase{"junk_before_the_certificate_table",
                   [] { return SignedSetup(ZipBytes(kItems), 70000, "junk"); },
                   ZipStatus::kNotZip},
        LayoutCase{"junk_behind_the_zip", [] { return PeStub() + ZipBytes(kItems) + std::string(70000, 'j'); },
                   ZipStatus::kNotZip},
        LayoutCase{"no_end_record", [] { return std::string("PK\x03\x04 and no more"); },
                   ZipStatus::kNotZip},
        LayoutCase{"zip64_field_missing", Zip64FieldMissing, ZipStatus::kDamaged},
        LayoutCase{"entry_outside_the_data", EntryOutsideTheData, ZipStatus::kDamaged},
        LayoutCase{"split", Split, ZipStatus::kUnsupported},
        // Refused from the end record alone, before any entry is read.
        LayoutCase{"too_many", [] { return ZipBytes(kItems); }, ZipStatus::kTooMany, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A setup file tells what it carries from where the program's own bytes end: a cut or spoilt
// payload is still a payload, and a plain program carries nothing.
TEST(ProgramImage, EndsWhereWhatItCarriesBegins) {
  const std::string stub = PeStub();
  MemoryByteSource plain(stub);
  EXPECT_EQ(ProgramImageEnd(plain), stub.size());
  const std::string cut = stub + ZipBytes(kItems).substr(0, 100);
  MemoryByteSource setup(cut);
  EXPECT_EQ(ProgramImageEnd(setup), stub.size());
  const std::string zip = ZipBytes(kItems);
  MemoryByteSource notProgram(zip);
  EXPECT_EQ(ProgramImageEnd(notProgram), 0u);
}

TEST(ZipEntryRead, StopsAtTheCallersBoundAndWhenTheSinkFails) {
  const std::string zip = ZipBytes({{"big.dat", std::string(1 << 20, 'z')}});
  MemoryByteSource source(zip);
  const ZipDirectory directory = ReadZipDirectory(source);
  ASSERT_EQ(directory.status, ZipStatus::kOk);
  std::uint64_t given = 0;
  const ZipRead bounded = ReadZipEntry(source, directory.entries[0], 1000,
                                       [&](const char*, std::size_t n) {
                                         given += n;
                                         return true;
                                       });
  EXPECT_EQ(bounded.status, ZipStatus::kOverLimit);
  EXPECT_LE(given, 1000u);
  const ZipRead refused = ReadZipEntry(source, directory.entries[0], UINT64_MAX,
                                       [](const char*, std::size_t) { return false; });
  EXPECT_EQ(refused.status, ZipStatus::kSinkFailed);
}

// What pack writes reads back whole: UTF-8 names with their flag, an empty file, bytes deflate
// cannot shrink (stored), bytes it can; and the same entries behind a program, offsets moved.
TEST(ZipWriterRoundTrip, ReadsBackEachEntryAndItsMethod) {
  std::string noise(100000, '\0');
  std::uint32_t seed = 1;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  const std::vector<std::pair<std::string, std::string>> files{
      {"kestrel/Grüße/piste.txt", std::string(50000, 'a')},
      {"kestrel/empty", ""},
      {"kestrel/noise.bin", noise},
      {"kestrel/\xE6\x97\xA5.lp", "short"}};
  TestFolder folder;
  const std::string path = folder.Native("out.zip").string();
  std::string error;
  std::unique_ptr<ZipWriter> writer = ZipWriter::Create(path, error);
  ASSERT_TRUE(writer) << error;
  for (const auto& [name, bytes] : files) {
    MemoryByteSource source(bytes);
    ASSERT_TRUE(writer->Add(name, source, 1700000000, error)) << error;
  }
  ASSERT_TRUE(writer->Finish(error)) << error;
  const std::string zip = folder.Read("out.zip");
  const std::string setup = PeStub() + zip.substr(0, writer->DirectoryOffset()) +
                            writer->DirectoryBytes(PeStub().size());
  for (const std::string* bytes : {&zip, &setup}) {
    MemoryByteSource source(*bytes);
    const ZipDirectory directory = ReadZipDirectory(source);
    ASSERT_EQ(directory.status, ZipStatus::kOk) << directory.error;
    ASSERT_EQ(directory.entries.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      const ZipEntry& entry = directory.entries[i];
      EXPECT_EQ(entry.name, files[i].first);
      EXPECT_TRUE(entry.flags & (1u << 11));
      EXPECT_EQ(entry.modified, 1700000000);
      // Stored exactly where deflate does not shrink the bytes.
      EXPECT_EQ(entry.method, files[i].second.size() > 100 && i != 2 ? 8 : 0) << entry.name;
      std::string out;
      const ZipRead read = ReadZipEntry(source, entry, UINT64_MAX, [&](const char* p, std::size_t n) {
        out.append(p, n);
        return true;
      });
      EXPECT_EQ(read.status, ZipStatus::kOk) << read.error;
      EXPECT_EQ(out, files[i].second);
    }
  }
  // The last entry's stored bytes end where the directory starts: nothing left of the deflated
  // attempt, and the file ends with the end record.
  EXPECT_EQ(zip.size(), writer->DirectoryOffset() + writer->DirectoryBytes(0).size());
}

// Unpacked files keep their dates: the extended timestamp (UTC) over the DOS date and time.
TEST(ZipEntryTime, IsTheExtendedTimestampElseTheDosDate) {
  std::string stamp;
  Put16(stamp, 0x5455);
  Put16(stamp, 5);
  stamp += '\x01';
  Put32(stamp, 1700000000);
  const std::string zip = ZipBytes({{"stamped", "a", true, kMadeByUnix, 0, stamp}, {"dos", "b"}});
  MemoryByteSource source(zip);
  const ZipDirectory directory = ReadZipDirectory(source);
  ASSERT_EQ(directory.entries.size(), 2u);
  EXPECT_EQ(directory.entries[0].modified, 1700000000);
  // TestZip's DOS date is 0, read as 1 January 1980 (local): within a day of 315532800.
  EXPECT_NEAR(static_cast<double>(directory.entries[1].modified), 315532800.0, 86400.0);
}

}  // namespace
}  // namespace gridmoor::testing
