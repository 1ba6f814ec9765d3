#pragma once
// The file system as the engine and the profile service need it.
//
// Paths are Windows paths built by plain concatenation with backslashes ("C:\Games\GPL" +
// "\seasons\gp.ini"). The Win32 implementation hands them to the ANSI functions unchanged; the
// POSIX one turns every backslash into '/' first, so the same engine code runs in both builds.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gridmoor {

// File attribute bits, with the values of the Windows FILE_ATTRIBUTE_* constants.
constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeHidden = 0x02;
constexpr std::uint32_t kAttributeSystem = 0x04;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kAttributeNormal = 0x80;

// A file's status as read and written back by the write-access check. Times are whole
// seconds since 1970-01-01 UTC; 0 means "unknown, leave as it is" when written back.
struct FileStatus {
  std::uint32_t attributes = 0;
  std::int64_t creationTime = 0;
  std::int64_t lastAccessTime = 0;
  std::int64_t lastWriteTime = 0;
  std::uint64_t size = 0;  // bytes, as read (0 for a folder); SetStatus ignores it
};

// One entry of a folder listing.
struct FolderEntry {
  std::string name;       // as on disk, without the folder
  bool isFolder = false;  // a folder (a link to one counts as a folder where the system says so)
};

// One file of a ReplaceFilesInOrder batch: what ReplaceFileContents takes.
struct FileReplacement {
  std::string path;
  std::optional<std::string> expected;  // nullopt: only while the file does not exist
  std::string bytes;
};

// An open file handle; closing is the destructor's job.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The process's current directory, or nullopt when it holds bufferSize characters or more
  // (it would not fit a buffer of bufferSize bytes with its terminating NUL).
  virtual std::optional<std::string> CurrentDirectory(std::size_t bufferSize) = 0;

  // Creates the last level of `path`. A folder that already exists is no failure.
  // Throws CFileException (cause and `path`) on any other failure.
  virtual void CreateDirectoryLevel(const std::string& path) = 0;

  // Copies `from` to `to`, overwriting an existing `to`. Throws CFileException on failure,
  // naming `from` when the source cannot be read and `to` otherwise.
  virtual void CopyFileOverwrite(const std::string& from, const std::string& to) = 0;

  // Opens an existing file for reading without sharing: the open fails while another handle
  // (of this or another process) holds the file, and others fail while this one is open.
  // Never creates the file. Throws CFileException naming `path`.
  virtual std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& path) = 0;

  // Throws CFileException naming `path`.
  virtual FileStatus GetStatus(const std::string& path) = 0;
  // Writes the attributes and the (non-zero) times back. Throws CFileException naming `path`.
  virtual void SetStatus(const std::string& path, const FileStatus& status) = 0;

  // The file's bytes, at most maxBytes of them (the rest is left unread), or nullopt when it
  // cannot be opened or read. `truncated`, when given, tells whether bytes were left unread.
  virtual std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                                   bool* truncated = nullptr) = 0;

  // The whole file for a change that must not lose it. Answers nullopt only when the file does
  // not exist in an existing folder. Throws CFileException naming `path` when it exists but
  // cannot be read whole (held open without sharing, larger than maxBytes, an I/O error) and
  // with cause kCauseBadPath when its folder is missing. The default builds on GetStatus and
  // ReadWholeFile; the native file systems answer from one open.
  virtual std::optional<std::string> ReadExistingFile(const std::string& path,
                                                      std::size_t maxBytes);

  // Replaces the file's content with `bytes` in one step: the bytes go to a temporary file in
  // the same folder, which then takes the file's place, so the file is either old or new and
  // never cut. Only while the file still holds `expected` (nullopt: while it does not exist), so
  // a change made by someone else since the caller read it is never overwritten. Attributes
  // other than read-only and the creation time survive. Answers false, leaving the file and the
  // folder as they were, when the file is marked read-only, the folder does not exist, the file
  // is not as expected, or any step fails. A missing file in an existing folder is created.
  virtual bool ReplaceFileContents(const std::string& path,
                                   const std::optional<std::string>& expected,
                                   const std::string& bytes) = 0;

  // Replaces the files of `groups` (distinct files) as ReplaceFileContents would, one after the
  // other (each file old or whole new, only while it holds what was expected), group by group:
  // no file of a group takes its place before every file of the earlier groups has, durably.
  // Answers how many files, counted in that order, were replaced; on a failure the files before
  // it stay replaced and it and those after it are left as they were. Never throws. The default
  // makes the calls one by one; the POSIX one writes all the temporaries first and flushes each
  // folder once per group, so the files of a group share one folder flush.
  virtual std::size_t ReplaceFilesInOrder(const std::vector<std::vector<FileReplacement>>& groups);

  // Deletes the file `path`. Answers true when it is gone, also when it did not exist; false,
  // leaving it, when it is marked read-only, is a folder, or cannot be deleted.
  virtual bool RemoveFile(const std::string& path) = 0;

  // Deletes the folder `path` and everything in it, read-only files included. A link (symbolic
  // link, junction) is deleted itself and never followed, so nothing outside `path` is touched.
  // Answers true when it is gone, also when it did not exist; false when anything could not be
  // deleted (what could be is gone).
  virtual bool RemoveFolderTree(const std::string& path) = 0;

  // Deletes the temporary files that a replace or copy of ours leaves in `folder` when the
  // process dies before it can (a name followed by ".~" and 8 hex digits), read-only or not, and
  // nothing else: no folder, link target or other name. Answers how many were deleted. Never
  // throws: a missing folder answers 0 and what cannot be deleted stays. A temporary file that a
  // running replace still holds is either kept (Windows) or its replace fails, keeping the old
  // file: never a cut one.
  virtual int RemoveStaleTemporaries(const std::string& folder) = 0;

  // The entries of folder `path` ("." and ".." left out), in no particular order; nullopt when
  // it is missing or cannot be listed. Never throws.
  virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) = 0;

  // Makes durable the names that copies have put in `folder`. CopyFileOverwrite flushes each
  // file's bytes before it takes the target's place, so a crash leaves the old file or the new
  // one whole; the folder's own entry is flushed here once for all the copies into it (on
  // Windows the copy has no such step and this does nothing). Never throws: a folder that cannot
  // be flushed is left to the system, as after any write.
  virtual void FlushFolder(const std::string& folder) = 0;

  // Moves the file `from` to `to`, which must not exist: a rename where both are on one volume,
  // else a durable copy and then the deletion of `from`. Answers false, leaving `from` in place,
  // when it cannot (a missing folder, `to` taken, no room). A read-only file moves as it is.
  // The default copies and deletes. Never throws.
  virtual bool MoveFile(const std::string& from, const std::string& to);

  // Hands the file's bytes to `sink` a piece at a time, in order (a large file is never held
  // whole); false when it cannot be opened or read, or the sink answers false. The default reads
  // it whole. Never throws.
  virtual bool ReadInPieces(const std::string& path,
                            const std::function<bool(std::string_view)>& sink);

  // A short text that changes whenever the file's content does, cheaply: on the native file
  // systems its size and last write time, by default its size and a digest of its bytes;
  // "missing" when there is no such file. Never throws ("unreadable" when it cannot be looked at).
  virtual std::string Fingerprint(const std::string& path);

  // `path` as the player can paste it on this system: on POSIX with '/' and each existing name
  // spelled as it is on disk. The default hands it back unchanged. Never throws.
  virtual std::string NativePath(const std::string& path) { return path; }

  // Why this process could not replace the file `path` (ReplaceFileContents), or could only by
  // making it this user's, found without writing anything: "" when nothing is known to stop it,
  // else one line naming the real cause (a folder this user may not write, a read-only mount,
  // a file owned by another user). The read-only mark is no such cause: the write-access check
  // offers to clear it. The default knows no cause. Never throws.
  virtual std::string ReplaceBlocker(const std::string& path) { (void)path; return {}; }
};

// A 64-bit digest of `bytes` as 16 lowercase hex digits (FNV-1a): what records and undo steps
// compare to tell whether a file still holds what was written.
std::string DigestText(std::string_view bytes);

// Whether `name` (a bare file name) is one of our temporary files: "<name>.~" and 8 lowercase
// hex digits.
bool IsTemporaryFileName(const std::string& name);
// What a temporary file of ours adds to its target's name: ".~" and `random` in 8 hex digits.
std::string TemporarySuffix(std::uint32_t random);

// Whether `path` names an existing folder; false when it is missing, a file, or cannot be
// looked at. Never throws.
bool IsFolder(FileSystem& files, const std::string& path);

// The implementation for the build's platform (Win32 or POSIX).
std::unique_ptr<FileSystem> MakeNativeFileSystem();

}  // namespace gridmoor
