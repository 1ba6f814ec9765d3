// pack as a track maker runs it: the example package made into a setup file and a zip that
// other zip tools and install read, still read once signed, refused once tampered with; and the
// packages and programs pack refuses.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliFixture.h"
#include "platform/TestZip.h"
#include "platform/ZipArchive.h"

namespace gridmoor::testing {
namespace {

namespace fs = std::filesystem;

// The tool's path, or "" when it is not installed.
std::string Tool(const std::string& name) {
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
    if (fs::exists(folder + name)) return folder + name;
  return {};
}

class CliPack : public ::testing::Test {
 protected:
  void SetUp() override {
    m_fixture.Folder().Write("gridmoor.exe", PeStub());
    fs::create_directories(m_fixture.Folder().Native("out"));
  }
  std::string Program() { return m_fixture.Folder().Native("gridmoor.exe").string(); }
  std::string Out(const std::string& name) {
    return m_fixture.Folder().Native("out/" + name).string();
  }
  CliResult Pack(const std::string& package, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"pack", package, "--program", Program()};
    args.insert(args.end(), more.begin(), more.end());
    return RunCli(args, {Out(""), "", {}});
  }

  CliFixture m_fixture;
};

TEST_F(CliPack, SetupFileIsReadByZipToolsAndInstallsTheTrack) {
  const std::string package = m_fixture.Package("kestrel");
  m_fixture.Folder().Write("pkg-kestrel/install.ini",
                           m_fixture.Folder().Read("pkg-kestrel/install.ini") + "version=1.2\n");
  const CliResult pack = Pack(package);
  ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
  EXPECT_NE(pack.out.find(package + ": 0 errors, 0 warnings\n"), std::string::npos) << pack.out;
  const std::string setup = Out("kestrel-1.2-setup.exe"), zip = Out("kestrel-1.2.zip");
  ASSERT_TRUE(fs::exists(setup) && fs::exists(zip)) << pack.out;
  EXPECT_EQ(m_fixture.Folder().Read("out/kestrel-1.2-setup.exe").substr(0, 512), PeStub());
  for (const auto& entry : fs::directory_iterator(Out("")))
    EXPECT_EQ(entry.path().string().find(".~"), std::string::npos) << entry.path();

  for (const std::string& file : {setup, zip}) {
    if (const std::string unzip = Tool("unzip"); unzip.empty()) {
      std::cout << "unzip is not installed: not tried\n";
    } else {
      const CliResult test = RunProgram(unzip, {"-t", file});
      EXPECT_EQ(test.status, 0) << test.out << test.err;
      EXPECT_NE(test.out.find("kestrel/screenshot.bmp"), std::string::npos) << test.out;
    }
    if (const std::string bsdtar = Tool("bsdtar"); bsdtar.empty()) {
      std::cout << "bsdtar is not installed: not tried\n";
    } else {
      const CliResult list = RunProgram(bsdtar, {"-tf", file});
      EXPECT_EQ(list.status, 0) << list.err;
      EXPECT_NE(list.out.find("kestrel/dat\n"), std::string::npos) << list.out;
    }
  }

  const CliResult install = RunCli({"install", setup, "--game", m_fixture.Game()});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  for (const char* file : {"race.lp", "track.ini", "record.ini"})
    EXPECT_EQ(m_fixture.Read(std::string("tracks/kestrel/") + file),
              m_fixture.Folder().Read(std::string("pkg-kestrel/") + file));
  EXPECT_EQ(m_fixture.Read("tracks/kestrel/kestrel.dat"), m_fixture.Folder().Read("pkg-kestrel/dat"));
  EXPECT_EQ(m_fixture.Read("replay/kestrel_wr.rpy"), m_fixture.Folder().Read("pkg-kestrel/rpy"));

  // Written again only with --force.
  const CliResult again = Pack(package);
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find("kestrel-1.2-setup.exe exists; --force replaces it"), std::string::npos)
      << again.err;
  EXPECT_EQ(Pack(package, {"--force"}).status, 0);
}

TEST_F(CliPack, ASignedSetupFileStillReadsAndATamperedOneIsRefused) {
  const std::string openssl = Tool("openssl"), signer = Tool("osslsigncode");
  ASSERT_EQ(Pack(m_fixture.Package("kestrel"), {"-o", Out("k.exe")}).status, 0);
  ASSERT_TRUE(fs::exists(Out("k.zip")));
  if (openssl.empty() || signer.empty()) {
    std::cout << "openssl or osslsigncode is not installed: signing not tried\n";
  } else {
    const CliResult key = RunProgram(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                               "-subj", "/CN=Test Track Maker", "-days", "2",
                                               "-keyout", Out("key.pem"), "-out", Out("cert.pem")});
    ASSERT_EQ(key.status, 0) << key.err;
    const CliResult sign = RunProgram(signer, {"sign", "-certs", Out("cert.pem"), "-key",
                                               Out("key.pem"), "-in", Out("k.exe"), "-out",
                                               Out("k-signed.exe")});
    ASSERT_EQ(sign.status, 0) << sign.out << sign.err;
    const std::string signedFile = m_fixture.Folder().Read("out/k-signed.exe");
    MemoryByteSource signedSource(signedFile);
    ASSERT_NE(CertificateTableStart(signedSource), 0u);
    const CliResult check = RunCli({"check", Out("k-signed.exe")});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    const CliResult install = RunCli({"install", Out("k-signed.exe"), "--game", m_fixture.Game()});
    EXPECT_EQ(install.status, 0) << install.out << install.err;
    EXPECT_EQ(m_fixture.Read("tracks/kestrel/race.lp"), m_fixture.Folder().Read("pkg-kestrel/race.lp"));
  }

  // One byte of a stored entry changed after packing: its CRC-32 no longer matches.
  std::string tampered = m_fixture.Folder().Read("out/k.exe");
  MemoryByteSource source(tampered);
  const ZipDirectory directory = ReadZipDirectory(source);
  ASSERT_EQ(directory.status, ZipStatus::kOk);
  const auto stored = std::find_if(directory.entries.begin(), directory.entries.end(),
                                   [](const ZipEntry& e) { return e.method == 0 && e.size > 0; });
  ASSERT_NE(stored, directory.entries.end());
  const std::size_t data = stored->localHeader + 30 + stored->name.size() + 9;
  tampered[data] = static_cast<char>(tampered[data] ^ 0x20);
  m_fixture.Folder().Write("out/tampered.exe", tampered);
  CliFixture fresh;
  const auto before = Snapshot(fresh.GamePath(""));
  const CliResult install = RunCli({"install", Out("tampered.exe"), "--game", fresh.Game()});
  EXPECT_EQ(install.status, 3) << install.out << install.err;
  EXPECT_NE(install.err.find("its CRC-32 does not match"), std::string::npos) << install.err;
  // Every file as it was (a folder's time aside: the history's lock comes and goes).
  const auto after = Snapshot(fresh.GamePath(""));
  for (const auto& [path, file] : after) {
    if (fs::is_directory(path)) continue;
    EXPECT_TRUE(before.count(path) && before.at(path) == file) << path;
  }
  for (const auto& [path, file] : before) EXPECT_TRUE(after.count(path)) << path;
}

struct RefusalCase {
  const char* name;
  std::function<void(TestFolder&, std::vector<std::string>&)> arrange;
  int status;
  const char* says;
};

class CliPackRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliPackRefuses, WritesNothing) {
  CliFixture fixture;
  TestFolder& folder = fixture.Folder();
  folder.Write("gridmoor.exe", PeStub());
  fs::create_directories(folder.Native("out"));
  std::vector<std::string> args{"pack", fixture.Package("kestrel"), "--program",
                                folder.Native("gridmoor.exe").string()};
  GetParam().arrange(folder, args);
  const CliResult pack = RunCli(args, {folder.Native("out").string(), "", {}});
  EXPECT_EQ(pack.status, GetParam().status) << pack.out << pack.err;
  EXPECT_NE((pack.out + pack.err).find(GetParam().says), std::string::npos) << pack.out << pack.err;
  EXPECT_FALSE(fs::exists(folder.Native("out/kestrel-setup.exe")));
  EXPECT_FALSE(fs::exists(folder.Native("out/kestrel.zip")));
}

INSTANTIATE_TEST_SUITE_P(
    Pack, CliPackRefuses,
    ::testing::Values(
        RefusalCase{"check_errors",
                    [](TestFolder& f, auto&) { fs::remove(f.Native("pkg-kestrel/race.lp")); }, 3,
                    "not packed: the check found errors"},
        RefusalCase{"warnings_under_strict",
                    [](TestFolder& f, auto& args) {
                      f.Write("pkg-kestrel/grass.mip", "not installed");
                      args.push_back("--strict");
                    },
                    3, "not packed: the check found warnings (--strict)"},
        RefusalCase{"program_missing",
                    [](TestFolder& f, auto& args) { args[3] = f.Native("none.exe").string(); }, 2,
                    "none.exe is not there"},
        RefusalCase{"program_not_pe",
                    [](TestFolder& f, auto&) { f.Write("gridmoor.exe", "MZ" + std::string(510, 'x')); },
                    2, "is not a Windows program (no PE header)"},
        RefusalCase{"program_signed",
                    [](TestFolder& f, auto&) { f.Write("gridmoor.exe", PeStub(512, 8) + "12345678"); },
                    2, "is signed"},
        RefusalCase{"version_no_file_name",
                    [](TestFolder& f, auto&) {
                      f.Write("pkg-kestrel/install.ini",
                              f.Read("pkg-kestrel/install.ini") + "version=1/2\n");
                    },
                    3, "version \"1/2\" holds a letter a file name cannot (/)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gridmoor::testing
