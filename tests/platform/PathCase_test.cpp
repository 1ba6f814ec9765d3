#include "platform/posix/PathCase.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::TestFolder;

class PathCase : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(m_folder.Native("Game/Seasons"));
    std::filesystem::create_directories(m_folder.Native("Game/TRACKS/AB"));
    std::filesystem::create_directories(m_folder.Native("Game/TRACKS/Ab"));
    m_folder.Write("Game/Seasons/67Season.ini", "old");
  }
  std::string Root() const { return m_folder.Root().string(); }
  TestFolder m_folder;
};

TEST_F(PathCase, FindsEachComponentInAnyCaseAndKeepsNewNames) {
  const std::string root = Root();
  const struct {
    std::string asked;
    std::string found;
  } cases[] = {
      {root + "/Game/Seasons/67Season.ini", root + "/Game/Seasons/67Season.ini"},
      {root + "/game/SEASONS/67season.ini", root + "/Game/Seasons/67Season.ini"},
      {root + "/game/seasons/gp.ini", root + "/Game/Seasons/gp.ini"},
      {root + "/game/tracks/new/x.dat", root + "/Game/TRACKS/new/x.dat"},
      {root + "/game/tracks/ab", root + "/Game/TRACKS/AB"},  // the first in byte order
      {root + "/game/tracks/", root + "/Game/TRACKS/"},
      {root + "/missing/seasons", root + "/missing/seasons"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolvePathCase(c.asked), c.found) << c.asked;
}

TEST_F(PathCase, TheFileSystemWritesTheFileThatIsThere) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::string path = Root() + "\\GAME\\seasons\\67SEASON.INI";
  EXPECT_EQ(files->ReadWholeFile(path, 100), "old");
  EXPECT_TRUE(files->ReplaceFileContents(path, std::string("old"), "new"));
  EXPECT_EQ(m_folder.Read("Game/Seasons/67Season.ini"), "new");
  files->CreateDirectoryLevel(Root() + "\\game\\tracks\\Kestrel");
  EXPECT_TRUE(std::filesystem::is_directory(m_folder.Native("Game/TRACKS/Kestrel")));
  EXPECT_EQ(m_folder.Listing(), "Game;");
}

}  // namespace
}  // namespace gridmoor
