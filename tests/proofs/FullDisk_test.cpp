// The full disk: the game folder on a small tmpfs, filled so that exactly K bytes are free, for
// every K from none up to what a whole run needs (unit by unit: a page on tmpfs). Each
// run leaves the season and track files old or whole new, reports only what it completed, and
// leaves no temporary file behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/InstallProof.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

// A tmpfs mounted on a folder for the life of the object.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& at) : m_at(at) {
    if (::geteuid() != 0) {
      m_error = "not run as root";
    } else if (::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=2m") != 0) {
      m_error = std::strerror(errno);
    } else {
      m_mounted = true;
    }
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() {
    if (m_mounted) ::umount2(m_at.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return m_mounted; }
  const std::string& Error() const { return m_error; }

  // The unit in which the file system hands out space (a memory page on tmpfs).
  std::uint64_t Unit() const {
    struct statvfs st {};
    ::statvfs(m_at.c_str(), &st);
    return st.f_frsize;
  }
  std::uint64_t Free() const {
    struct statvfs st {};
    ::statvfs(m_at.c_str(), &st);
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  }
  // Fills the disk with one file so that exactly `bytes` stay free.
  bool LeaveFree(std::uint64_t bytes) {
    const std::uint64_t now = Free();
    if (now < bytes) return false;
    const int fd = ::open((m_at / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    const bool ok = now == bytes || ::posix_fallocate(fd, 0, now - bytes) == 0;
    ::close(fd);
    return ok && Free() == bytes;
  }
  void Empty() {
    for (const auto& entry : fs::directory_iterator(m_at)) {
      std::error_code ignored;
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
      fs::remove_all(entry.path());
    }
  }

 private:
  fs::path m_at;
  bool m_mounted = false;
  std::string m_error;
};

// `text` with a comment line put first so that it ends 60 bytes short of a unit: the new event
// then needs one unit more than the old file, so the disk can fill in the middle of the event.
std::string ShortOfAUnit(const std::string& text, std::uint64_t unit) {
  const std::uint64_t target = (text.size() / unit + 1) * unit - 60;
  return "; " + std::string(target - text.size() - 4, 'x') + "\r\n" + text;
}

TEST(FullDisk, EveryPointOfAFullDiskLeavesOldOrWholeNewAndNoTemporary) {
  TempFolder package;
  MakePackage(package.Path());
  TempFolder mountPoint;
  SmallDisk disk(mountPoint.Path());
  if (!disk.Mounted()) {
    GTEST_SKIP() << "the full-disk proof mounts a small tmpfs and could not ("
                 << disk.Error() << "); run the tests as root where mounting is allowed";
  }
  const std::uint64_t unit = disk.Unit();
  // A data file of several units, so the disk also fills in the middle of a copy.
  WriteBytes(package / "dat", std::string(5 * unit + 100, 'd'));
  const TrackPackage track = PackageFor(package);
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const fs::path game = mountPoint.Path() / "game";

  Tally tally{"full disk"};
  for (Scene scene : Scenes()) {
    scene.season.before = ShortOfAUnit(scene.season.before, unit);
    scene.championship.before = ShortOfAUnit(scene.championship.before, unit);
    const CleanAfter after = CleanRun(scene, package);
    bool completed = false;
    for (std::uint64_t free = 0; !completed && free <= 64 * unit; free += unit) {
      disk.Empty();
      Arrange(*files, game, scene);
      ASSERT_TRUE(disk.LeaveFree(free)) << "could not leave " << free << " bytes free";

      YesHost host;
      host.gameFolder = game.string();
      host.championshipChecked = scene.championshipChosen;
      host.replayChecked = scene.replayChosen;
      const InstallOutcome outcome = OnInstallTrack(host, *files, track);
      completed = outcome == InstallOutcome::kDone;

      Inspection found = Inspect(game, package.Path(), scene, after, track);
      CheckSummary(host.Summary(), scene, found, found.faults);
      if (found.temporaries != 0) found.faults.push_back("temporary files left");
      tally.Add(found);
      tally.Count("points");
      if (!completed) tally.Count("runs that met the full disk");
      for (const std::string& fault : found.faults)
        ADD_FAILURE() << scene.name << " with " << free << " bytes free: " << fault;
    }
    EXPECT_TRUE(completed) << scene.name << ": no point had room for a whole run";
  }
  tally.Print();
}

}  // namespace
}  // namespace gridmoor
