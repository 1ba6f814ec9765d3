// The file system on POSIX. Windows paths arrive with backslashes and are mapped to '/'.
// Windows' sharing modes are imitated with flock(): an exclusive open holds LOCK_EX, and every
// read, copy or replace of ours takes LOCK_SH without waiting, so it is refused (sharing
// violation) while another handle holds the file exclusively, and the other way round.
// The read-only attribute is the owner's write bit; it is honoured here, not left to the OS,
// because as root the OS lets anyone write anything.

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/posix/PathCase.h"

namespace gridmoor {
namespace {

std::string ToPosixPath(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  // As the game sees its files under Wine: names in any letter case.
  return ResolvePathCase(out);
}

std::string ParentOf(std::string posixPath) {
  while (posixPath.size() > 1 && posixPath.back() == '/') posixPath.pop_back();
  const std::size_t slash = posixPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return posixPath.substr(0, slash);
}

std::string BaseNameOf(std::string posixPath) {
  while (posixPath.size() > 1 && posixPath.back() == '/') posixPath.pop_back();
  const std::size_t slash = posixPath.rfind('/');
  return slash == std::string::npos ? posixPath : posixPath.substr(slash + 1);
}

bool IsDirectory(const std::string& posixPath) {
  struct stat st;
  return ::stat(posixPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Maps errno to the cause codes users see. A missing file in an existing folder is "not
// found"; a missing folder on the way is a bad path, as Windows tells them apart.
int CauseFromErrno(int err, const std::string& posixPath) {
  switch (err) {
    case ENOENT:
      return IsDirectory(ParentOf(posixPath)) ? kCauseFileNotFound : kCauseBadPath;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
      return kCauseBadPath;
    case EMFILE:
    case ENFILE:
      return kCauseTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EEXIST:
      return kCauseAccessDenied;
    case EBADF:
      return kCauseInvalidFile;
    case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EBUSY:
      return kCauseSharingViolation;
    case EDEADLK:
    case ENOLCK:
      return kCauseLockViolation;
    case EIO:
      return kCauseHardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kCauseDiskFull;
    default:
      return kCauseGeneric;
  }
}

[[noreturn]] void ThrowErrno(int err, const std::string& posixPath, const std::string& name) {
  throw CFileException(CauseFromErrno(err, posixPath), name);
}

// An owned file descriptor; closing is the destructor's job.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      m_fd = other.m_fd;
      other.m_fd = -1;
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  // Closes now and answers errno of a failed close, or 0.
  int Close() {
    if (m_fd < 0) return 0;
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  void Reset() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }
  int m_fd = -1;
};

class PosixOpenFile : public OpenFile {
 public:
  explicit PosixOpenFile(UniqueFd fd) : m_fd(std::move(fd)) {}

 private:
  UniqueFd m_fd;  // holds the flock until closed
};

// Opens an existing regular file for reading and takes `lockKind` without waiting. Reading
// leaves the file's access time as it was where the system allows (O_NOATIME is the owner's
// and root's), so a dry run moves no file time.
UniqueFd OpenLocked(const std::string& path, int lockKind) {
  const std::string p = ToPosixPath(path);
  UniqueFd fd(::open(p.c_str(), O_RDONLY | O_NOATIME | O_CLOEXEC));
  if (!fd.Valid() && errno == EPERM) fd = UniqueFd(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) ThrowErrno(errno, p, path);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) ThrowErrno(errno, p, path);
  if (S_ISDIR(st.st_mode)) throw CFileException(kCauseAccessDenied, path);
  if (::flock(fd.Get(), lockKind | LOCK_NB) != 0) ThrowErrno(errno, p, path);
  return fd;
}

// Reads at most maxBytes; `truncated` tells whether more was there.
std::string ReadUpTo(int fd, std::size_t maxBytes, bool& truncated, const std::string& name) {
  std::string bytes;
  // Room for the whole file at once: a track's files run to tens of MiB.
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    bytes.reserve(std::min(static_cast<std::size_t>(st.st_size), maxBytes) + 1);
  char chunk[65536];
  truncated = false;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CFileException(CauseFromErrno(errno, ""), name);
    }
    if (n == 0) break;
    const std::size_t room = maxBytes - bytes.size();
    if (static_cast<std::size_t>(n) > room) {
      bytes.append(chunk, room);
      truncated = true;
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return bytes;
}

void WriteAll(int fd, const char* data, std::size_t size, const std::string& name) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CFileException(CauseFromErrno(errno, ""), name);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

// A temporary file beside the target, unlinked unless it was renamed into place.
class TempFile {
 public:
  TempFile(const std::string& folder, const std::string& baseName, mode_t mode,
           const std::string& name) {
    // Seeded once: opening the system's random source for every file costs more than the write.
    thread_local std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
      m_path = folder + "/" + baseName + TemporarySuffix(random());
      m_fd = UniqueFd(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
      if (m_fd.Valid()) return;
      if (errno != EEXIST) break;
    }
    const int err = errno;
    m_path.clear();
    throw CFileException(CauseFromErrno(err, folder + "/x"), name);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    m_fd.Close();
    if (!m_path.empty()) ::unlink(m_path.c_str());
  }

  int Fd() const { return m_fd.Get(); }
  const std::string& Path() const { return m_path; }
  int Close() { return m_fd.Close(); }
  void Committed() { m_path.clear(); }

 private:
  std::string m_path;
  UniqueFd m_fd;
};

void SyncFolder(const std::string& folder) {
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // The rename has happened; a folder that cannot be synced leaves it to the kernel's own time.
  if (dir.Valid()) ::fsync(dir.Get());
}

// Whether the file open at `fd` holds exactly `expected`.
bool HoldsBytes(int fd, const std::string& expected, const std::string& name) {
  if (::lseek(fd, 0, SEEK_SET) != 0) ThrowErrno(errno, "", name);
  bool cut = false;
  const std::string bytes = ReadUpTo(fd, expected.size(), cut, name);
  return !cut && bytes == expected;
}

// Renames `from` to `to` only when `to` does not exist, in one step.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: a hard link fails the same way on an existing name.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

// A replace made ready by PrepareReplace: the target held (and found as expected), the new bytes
// in a temporary file beside it, not yet flushed.
struct PreparedReplace {
  std::string path;    // as the caller named it
  std::string target;  // the POSIX path
  std::string folder;
  bool createOnly = false;  // the target must still not exist when the temporary takes its place
  UniqueFd held;            // the target, locked until it is replaced
  const std::string* expected = nullptr;  // what the held target was found to hold, if checked
  std::unique_ptr<TempFile> temp;
};

// Whether the file open at `held` is still the one at `target` and holds exactly `expected`.
bool StillAsExpected(int held, const std::string& target, const std::string& expected,
                     const std::string& name) {
  struct stat now, st;
  // Another writer may have renamed a new file into place since.
  return ::fstat(held, &now) == 0 && ::stat(target.c_str(), &st) == 0 && now.st_ino == st.st_ino &&
         now.st_dev == st.st_dev && HoldsBytes(held, expected, name);
}

// The first half of a replace of `path`: a temporary file in the same folder gets the bytes
// from `fill`. An existing target keeps its mode bits and owner; a new one gets `newMode` (less
// the umask). Refuses a read-only target and one held exclusively elsewhere. With `expected`,
// refuses unless the target still holds those bytes (nullopt: unless it still does not exist);
// the target is then held exclusively from the comparison to the rename, so two such writers
// cannot both win. Throws CFileException naming `path`; the temporary file never outlives a
// failure.
PreparedReplace PrepareReplace(const std::string& path, mode_t newMode,
                               const std::optional<std::string>* expected,
                               const std::function<void(int fd)>& fill) {
  PreparedReplace ready;
  ready.path = path;
  ready.target = ToPosixPath(path);
  const std::string& p = ready.target;
  ready.folder = ParentOf(p);
  const std::string& folder = ready.folder;
  if (!IsDirectory(folder)) throw CFileException(kCauseBadPath, path);

  struct stat st;
  const bool exists = ::stat(p.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) ThrowErrno(errno, p, path);
  if (expected && exists != expected->has_value()) {
    throw CFileException(kCauseSharingViolation, path);
  }
  ready.createOnly = !exists && expected;
  if (exists) {
    if (!S_ISREG(st.st_mode)) throw CFileException(kCauseAccessDenied, path);
    if (!(st.st_mode & S_IWUSR)) throw CFileException(kCauseAccessDenied, path);
    // Held until the rename so no exclusive open slips in between.
    ready.held = OpenLocked(path, expected ? LOCK_EX : LOCK_SH);
    if (expected) {
      if (!StillAsExpected(ready.held.Get(), p, **expected, path))
        throw CFileException(kCauseSharingViolation, path);
      ready.expected = &**expected;
    }
  }

  ready.temp = std::make_unique<TempFile>(folder, BaseNameOf(p), exists ? 0600 : newMode, path);
  const int fd = ready.temp->Fd();
  if (exists) {
    if (::fchmod(fd, st.st_mode & 07777) != 0) ThrowErrno(errno, folder, path);
    // The new file is ours until given to the old one's owner; only root may do that. A replace
    // that would silently make another user's file ours is refused. A group that cannot be
    // kept is no reason to refuse: the file stays its owner's.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0 &&
        (st.st_uid != ::geteuid() || ::fchown(fd, st.st_uid, static_cast<gid_t>(-1)) != 0)) {
      throw CFileException(kCauseAccessDenied, path);
    }
  }
  fill(fd);
  return ready;
}

// The second half: the temporary's bytes are flushed to disk and it takes the target's place.
// With `checkAgain` the target is compared once more right before (for a replace made ready
// long before, while other files went in). The folder's entry is the caller's to flush. Throws
// CFileException naming the path.
void FinishReplace(PreparedReplace& ready, bool checkAgain) {
  TempFile& temp = *ready.temp;
  if (::fsync(temp.Fd()) != 0) ThrowErrno(errno, ready.folder, ready.path);
  // The lock keeps out writers who take it; this keeps the window for those who do not as short
  // as a single replace's.
  if (checkAgain && ready.expected &&
      !StillAsExpected(ready.held.Get(), ready.target, *ready.expected, ready.path))
    throw CFileException(kCauseSharingViolation, ready.path);
  if (const int err = temp.Close()) ThrowErrno(err, ready.folder, ready.path);
  if (ready.createOnly) {
    if (const int err = RenameNoReplace(temp.Path(), ready.target)) {
      const int cause = err == EEXIST ? kCauseSharingViolation : CauseFromErrno(err, ready.target);
      throw CFileException(cause, ready.path);
    }
  } else if (::rename(temp.Path().c_str(), ready.target.c_str()) != 0) {
    ThrowErrno(errno, ready.target, ready.path);
  }
  temp.Committed();
  ready.held.Close();
}

// Puts new content at `path` in one step (PrepareReplace, then FinishReplace); with
// `syncFolder` the folder's entry is flushed too, else the caller flushes the folder once after
// several such writes.
void WriteFileAtomically(const std::string& path, mode_t newMode,
                         const std::optional<std::string>* expected, bool syncFolder,
                         const std::function<void(int fd)>& fill) {
  PreparedReplace ready = PrepareReplace(path, newMode, expected, fill);
  FinishReplace(ready, false);
  if (syncFolder) SyncFolder(ready.folder);
}

// Moves the rest of `source` to the end of `target` by read and write.
void CopyByReadWrite(int source, int target, const std::string& from, const std::string& to) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(source, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CFileException(CauseFromErrno(errno, ""), from);
    }
    if (n == 0) return;
    WriteAll(target, chunk, static_cast<std::size_t>(n), to);
  }
}

// Whether copy_file_range refused the pair of files as such (another file system, a kernel or
// file system without it, a special file), so read and write must do the copy instead.
bool CopyRangeRefused(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == ENOTSUP ||
         err == EBADF || err == EPERM || err == ETXTBSY;
}

// Copies the rest of `source` to `target`, in the kernel where it can (no bytes through user
// space, and reflinks or server-side copies where the file system has them).
void CopyContents(int source, int target, const std::string& from, const std::string& to) {
  for (;;) {
    const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0);
    if (n > 0) continue;
    if (n == 0) return;
    if (errno == EINTR) continue;
    // Both offsets have moved past what was copied, so read and write go on from there.
    if (CopyRangeRefused(errno)) return CopyByReadWrite(source, target, from, to);
    throw CFileException(CauseFromErrno(errno, ""), to);
  }
}

std::string UserName(uid_t uid) {
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    return found->pw_name;
  return "uid " + std::to_string(uid);
}

// The user this process acts as, for the reasons below.
std::string ThisUser() { return UserName(::geteuid()); }

class PosixFileSystem : public FileSystem {
 public:
  std::string NativePath(const std::string& path) override { return ToPosixPath(path); }

  std::string ReplaceBlocker(const std::string& path) override {
    const std::string p = ToPosixPath(path);
    const std::string folder = ParentOf(p);
    struct stat folderStat;
    // A missing folder is told by the replace itself.
    if (::stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) return {};
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
      if (errno == EROFS) return p + ": the file system is mounted read-only";
      if (errno == EACCES) {
        return p + ": its folder " + folder + " belongs to " + UserName(folderStat.st_uid) +
               " and this user (" + ThisUser() + ") may not write in it";
      }
    }
    struct stat st;
    if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    if (st.st_uid != ::geteuid() && ::geteuid() != 0) {
      return p + ": it belongs to " + UserName(st.st_uid) + ", not to this user (" + ThisUser() +
             "); replacing it would make it " + ThisUser() + "'s";
    }
    return {};
  }

  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override {
    std::vector<char> buffer(PATH_MAX + 1);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return std::nullopt;
      buffer.resize(buffer.size() * 2);
    }
    std::string dir(buffer.data());
    if (dir.size() >= bufferSize) return std::nullopt;
    return dir;
  }

  void CreateDirectoryLevel(const std::string& path) override {
    const std::string p = ToPosixPath(path);
    if (::mkdir(p.c_str(), 0777) == 0 || errno == EEXIST) return;
    ThrowErrno(errno, p, path);
  }

  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    UniqueFd source = OpenLocked(from, LOCK_SH);
    struct stat sourceStat;
    if (::fstat(source.Get(), &sourceStat) != 0) ThrowErrno(errno, ToPosixPath(from), from);

    struct stat targetStat;
    if (::stat(ToPosixPath(to).c_str(), &targetStat) == 0 &&
        targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
      // Copying a file onto itself would empty it; Windows refuses it as a sharing violation.
      throw CFileException(kCauseSharingViolation, to);
    }

    // The copy takes the source's mode (read-only included) and last write time, as on Windows.
    // The folder's entry is left to FlushFolder, once for all the copies into it.
    WriteFileAtomically(to, sourceStat.st_mode & 07777, nullptr, false, [&](int fd) {
      CopyContents(source.Get(), fd, from, to);
      if (::fchmod(fd, sourceStat.st_mode & 07777) != 0) ThrowErrno(errno, "", to);
      const struct timespec times[2] = {{0, UTIME_NOW}, sourceStat.st_mtim};
      ::futimens(fd, times);
    });
  }

  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& path) override {
    return std::make_unique<PosixOpenFile>(OpenLocked(path, LOCK_EX));
  }

  FileStatus GetStatus(const std::string& path) override {
    const std::string p = ToPosixPath(path);
    struct statx stx;
    if (::statx(AT_FDCWD, p.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &stx) != 0) {
      ThrowErrno(errno, p, path);
    }
    FileStatus status;
    if (S_ISDIR(stx.stx_mode)) status.attributes |= kAttributeDirectory;
    if (!(stx.stx_mode & S_IWUSR)) status.attributes |= kAttributeReadOnly;
    if (status.attributes == 0) status.attributes = kAttributeNormal;
    // No birth time on this file system: 0, which SetStatus leaves alone.
    if (stx.stx_mask & STATX_BTIME) status.creationTime = stx.stx_btime.tv_sec;
    status.lastAccessTime = stx.stx_atime.tv_sec;
    status.lastWriteTime = stx.stx_mtime.tv_sec;
    if (!S_ISDIR(stx.stx_mode)) status.size = stx.stx_size;
    return status;
  }

  // The creation time and the attributes other than read-only have no POSIX counterpart and are
  // left as they are.
  void SetStatus(const std::string& path, const FileStatus& status) override {
    const std::string p = ToPosixPath(path);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) ThrowErrno(errno, p, path);
    const struct timespec times[2] = {
        {status.lastAccessTime, status.lastAccessTime != 0 ? 0 : UTIME_OMIT},
        {status.lastWriteTime, status.lastWriteTime != 0 ? 0 : UTIME_OMIT}};
    if (::utimensat(AT_FDCWD, p.c_str(), times, 0) != 0) ThrowErrno(errno, p, path);
    mode_t mode = st.st_mode & 07777;
    if (status.attributes & kAttributeReadOnly) {
      mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
      mode |= S_IWUSR;
    }
    if (mode != (st.st_mode & 07777) && ::chmod(p.c_str(), mode) != 0) {
      ThrowErrno(errno, p, path);
    }
  }

  std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                           bool* truncated) override {
    try {
      UniqueFd fd = OpenLocked(path, LOCK_SH);
      bool cut = false;
      std::string bytes = ReadUpTo(fd.Get(), maxBytes, cut, path);
      if (truncated) *truncated = cut;
      return bytes;
    } catch (const CFileException&) {
      return std::nullopt;
    }
  }

  std::optional<std::string> ReadExistingFile(const std::string& path,
                                              std::size_t maxBytes) override {
    UniqueFd fd;
    try {
      fd = OpenLocked(path, LOCK_SH);
    } catch (const CFileException& e) {
      if (e.Cause() == kCauseFileNotFound) return std::nullopt;
      throw;
    }
    bool cut = false;
    std::string bytes = ReadUpTo(fd.Get(), maxBytes, cut, path);
    if (cut) throw CFileException(kCauseGeneric, path);
    return bytes;
  }

  bool ReplaceFileContents(const std::string& path, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    try {
      WriteFileAtomically(path, 0666, &expected, true,
                          [&](int fd) { WriteAll(fd, bytes.data(), bytes.size(), path); });
      return true;
    } catch (const CFileException&) {
      return false;
    }
  }

  // All the temporaries are written (and their writing to disk started) before the first takes
  // its place, so the disk works on them together; each group's folders are flushed once.
  std::size_t ReplaceFilesInOrder(
      const std::vector<std::vector<FileReplacement>>& groups) override {
    std::vector<std::vector<PreparedReplace>> ready;
    try {
      for (const std::vector<FileReplacement>& group : groups) {
        ready.emplace_back();
        for (const FileReplacement& file : group) {
          PreparedReplace one = PrepareReplace(file.path, 0666, &file.expected, [&](int fd) {
            WriteAll(fd, file.bytes.data(), file.bytes.size(), file.path);
          });
          // Only a start: FinishReplace waits for it and flushes what it did not cover.
          ::sync_file_range(one.temp->Fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
          ready.back().push_back(std::move(one));
        }
      }
    } catch (const std::exception&) {
      // The files made ready before the refused one still go in, as one by one they would have.
    }
    std::size_t done = 0;
    for (std::vector<PreparedReplace>& group : ready) {
      std::vector<std::string> folders;
      bool failed = false;
      for (PreparedReplace& one : group) {
        try {
          FinishReplace(one, true);
        } catch (const std::exception&) {
          failed = true;
          break;
        }
        ++done;
        if (std::find(folders.begin(), folders.end(), one.folder) == folders.end())
          folders.push_back(one.folder);
      }
      for (const std::string& folder : folders) SyncFolder(folder);
      if (failed) break;
    }
    return done;
  }

  bool RemoveFile(const std::string& path) override {
    const std::string p = ToPosixPath(path);
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) return false;
    // The owner's write bit is the read-only mark (see the top of this file).
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return false;
    return ::unlink(p.c_str()) == 0 || errno == ENOENT;
  }

  bool MoveFile(const std::string& from, const std::string& to) override {
    const std::string source = ToPosixPath(from);
    const std::string target = ToPosixPath(to);
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 || errno != ENOENT) return false;
    if (::rename(source.c_str(), target.c_str()) == 0) return true;
    // Another volume: the default's durable copy, then the deletion.
    return errno == EXDEV && FileSystem::MoveFile(from, to);
  }

  bool ReadInPieces(const std::string& path,
                    const std::function<bool(std::string_view)>& sink) override {
    UniqueFd fd(::open(ToPosixPath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return false;
    std::string piece(std::size_t{1} << 20, '\0');
    for (;;) {
      const ssize_t n = ::read(fd.Get(), piece.data(), piece.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!sink(std::string_view(piece.data(), static_cast<std::size_t>(n)))) return false;
    }
  }

  std::string Fingerprint(const std::string& path) override {
    struct stat st;
    if (::stat(ToPosixPath(path).c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? "missing" : "unreadable";
    return std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
  }

  bool RemoveFolderTree(const std::string& path) override {
    // remove_all deletes a symbolic link itself and never descends through one.
    std::error_code error;
    std::filesystem::remove_all(ToPosixPath(path), error);
    return !error;
  }

  int RemoveStaleTemporaries(const std::string& folder) override {
    const std::string p = ToPosixPath(folder);
    DIR* dir = ::opendir(p.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const struct dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (!IsTemporaryFileName(name)) continue;
      // Only files: a folder or a link of that name is someone else's.
      struct stat st;
      if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          !S_ISREG(st.st_mode)) {
        continue;
      }
      if (::unlinkat(::dirfd(dir), name.c_str(), 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
  }

  std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
    DIR* dir = ::opendir(ToPosixPath(path).c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<FolderEntry> entries;
    while (const struct dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      // The listing's own type spares a look-up for each entry; a link is followed.
      bool folder = entry->d_type == DT_DIR;
      if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
        struct stat st;
        folder = ::fstatat(::dirfd(dir), name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
      }
      entries.push_back({name, folder});
    }
    ::closedir(dir);
    return entries;
  }

  void FlushFolder(const std::string& folder) override { SyncFolder(ToPosixPath(folder)); }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace gridmoor
