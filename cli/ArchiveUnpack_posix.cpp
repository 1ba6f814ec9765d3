// Linux: archives read with libarchive, streaming, into the staging folder.

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "cli/ArchiveEntry.h"
#include "cli/ArchiveRules.h"
#include "cli/ArchiveUnpack.h"
#include "cli/ZipUnpack.h"

namespace gridmoor::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStagingPrefix = "gridmoor-unpack-";
// Rar names without the UTF-8 mark are in the DOS code page that Windows shows them in (a zip
// inside a program's stub too; plain zips go through our own reader).
constexpr const char* kLegacyNames = "zip:hdrcharset=CP437,rar:hdrcharset=CP437";
constexpr std::size_t kBlock = 256 * 1024;

// libarchive converts names into the current locale's character set; the program's locale is
// "C", so conversions run in a UTF-8 one for this thread only.
class Utf8Names {
 public:
  Utf8Names() : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
    if (m_locale) m_previous = uselocale(m_locale);
  }
  ~Utf8Names() {
    if (!m_locale) return;
    uselocale(m_previous);
    freelocale(m_locale);
  }
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t m_locale;
  locale_t m_previous = LC_GLOBAL_LOCALE;
};

class Reader {
 public:
  Reader() : m_archive(archive_read_new()) {
    archive_read_support_format_zip(m_archive);
    archive_read_support_format_7zip(m_archive);
    archive_read_support_format_rar(m_archive);
    archive_read_support_format_rar5(m_archive);
    archive_read_support_format_tar(m_archive);
    archive_read_support_filter_gzip(m_archive);
    archive_read_support_filter_xz(m_archive);
    archive_read_support_filter_bzip2(m_archive);
    archive_read_set_options(m_archive, kLegacyNames);
  }
  ~Reader() { archive_read_free(m_archive); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  archive* get() const { return m_archive; }
  std::string Error() const {
    const char* text = archive_error_string(m_archive);
    return text ? text : "unreadable";
  }

 private:
  archive* m_archive;
};

class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  int Release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

std::string EntryName(archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  return name ? name : "(unnamed entry)";
}

bool ProcessGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

fs::path TemporaryFolder() {
  std::error_code failed;
  fs::path temp = fs::temp_directory_path(failed);
  return failed ? fs::path("/tmp") : temp;
}

// Staging folders of runs that ended without removing them (their watcher was killed too).
void RemoveStaleStaging(const fs::path& temp) {
  std::error_code failed;
  for (fs::directory_iterator it(temp, failed), end; !failed && it != end; it.increment(failed)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(kStagingPrefix, 0) != 0) continue;
    const std::string rest = name.substr(std::strlen(kStagingPrefix));
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash > 9 || dash == std::string::npos ||
        rest.find_first_not_of("0123456789") != dash)
      continue;
    struct stat info;
    if (::lstat(it->path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid())
      continue;
    if (!ProcessGone(static_cast<pid_t>(std::stoll(rest.substr(0, dash))))) continue;
    std::error_code ignored;
    fs::remove_all(it->path(), ignored);
  }
}

// A child process that removes `folder` once this process's end closes the pipe, however it
// ends. It ignores the terminal's signals, which reach the whole process group.
pid_t StartWatcher(const std::string& folder, int& writeEnd) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(ends[0]);
    ::close(ends[1]);
    return -1;
  }
  if (pid == 0) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::signal(sig, SIG_IGN);
    // Holding the parent's output open would keep a reader of it waiting.
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
    const int readEnd = ends[0];
    for (int fd = 3; fd < 1024; ++fd)
      if (fd != readEnd) ::close(fd);
    for (;;) {
      char byte;
      const ssize_t got = ::read(readEnd, &byte, 1);
      if (got == 0 || (got < 0 && errno != EINTR)) break;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    ::_exit(0);
  }
  ::close(ends[0]);
  writeEnd = ends[1];
  return pid;
}

// Creates the folders of the safe entry path `relative` under `base`, each private.
bool MakeFolders(const std::string& base, const std::string& relative) {
  std::string path = base;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    path += '/';
    path.append(relative, start, end - start);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    start = end + 1;
  }
  return true;
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

bool CanUnpack(ArchiveKind) { return true; }

struct ArchiveStaging::Impl {
  UnpackLimits limits;
  std::string folder;
  pid_t watcher = -1;
  int watcherPipe = -1;
  int archives = 0;

  bool Create(std::string& error) {
    if (!folder.empty()) return true;
    const fs::path temp = TemporaryFolder();
    std::string name = (temp / (kStagingPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {  // mode 0700
      error = "no staging folder can be made in " + temp.string() + ": " + std::strerror(errno);
      return false;
    }
    folder = buffer.data();
    watcher = StartWatcher(folder, watcherPipe);
    return true;
  }

  ~Impl() {
    if (folder.empty()) return;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (watcher > 0) {
      ::close(watcherPipe);
      int status;
      while (::waitpid(watcher, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
};

ArchiveStaging::ArchiveStaging(UnpackLimits limits) : m_impl(std::make_unique<Impl>()) {
  m_impl->limits = limits;
  RemoveStaleStaging(TemporaryFolder());
}
ArchiveStaging::~ArchiveStaging() = default;

std::string ArchiveStaging::Folder() const { return m_impl->folder; }

namespace {

EntryType TypeOf(archive_entry* entry) {
  if (archive_entry_hardlink(entry)) return EntryType::kLink;
  switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
      return EntryType::kFile;
    case AE_IFDIR:
      return EntryType::kFolder;
    case AE_IFLNK:
      return EntryType::kLink;
    default:
      return EntryType::kSpecial;
  }
}

std::string Unwritable() {
  return std::string("cannot be unpacked into the staging folder: ") + std::strerror(errno);
}

// Tar, 7z and rar (and programs holding one), read with libarchive.
class Unpacker {
 public:
  Unpacker(const std::string& path, const UnpackLimits& limits)
      : m_path(path), m_rules(path, limits, FileSize(path)) {}

  // The archive's file entries, each name checked; a refusal when any entry is unsafe.
  std::optional<Refusal> List(std::vector<std::string>& files) {
    Reader reader;
    if (archive_read_open_filename(reader.get(), m_path.c_str(), kBlock) != ARCHIVE_OK)
      return Encrypted(reader, false) ? Damaged(reader, false)
                                      : Refusal{m_rules.Line(reader.Error()), true};
    archive_entry* entry = nullptr;
    std::vector<char> block;
    int read;
    while ((read = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK ||
           read == ARCHIVE_WARN) {
      const std::string name = EntryName(entry);
      std::string path;
      if (std::optional<Refusal> refused =
              m_rules.Entry(name, TypeOf(entry), archive_entry_is_encrypted(entry), path))
        return refused;
      if (TypeOf(entry) == EntryType::kFile) {
        // Every entry counts against the limits, also those outside the packages, which are
        // never unpacked: an archive is refused whole, before anything is written. A size the
        // entry does not declare is counted by reading its bytes.
        if (archive_entry_size_is_set(entry)) {
          const auto size = static_cast<std::uint64_t>(
              std::max<la_int64_t>(archive_entry_size(entry), 0));
          if (std::optional<Refusal> over = m_rules.Count(name, size)) return over;
        } else {
          block.resize(kBlock);
          for (la_ssize_t got;
               (got = archive_read_data(reader.get(), block.data(), kBlock)) != 0;) {
            if (got < 0) return Damaged(reader);
            if (std::optional<Refusal> over =
                    m_rules.Count(name, static_cast<std::uint64_t>(got)))
              return over;
          }
        }
      }
      m_last = name;
    }
    if (read != ARCHIVE_EOF) return Damaged(reader);
    files = m_rules.Files();
    return std::nullopt;
  }

  // Unpacks the entries inside `roots` into `into`.
  std::optional<Refusal> Extract(const std::vector<std::string>& roots, const std::string& into) {
    Reader reader;
    if (archive_read_open_filename(reader.get(), m_path.c_str(), kBlock) != ARCHIVE_OK)
      return Refusal{m_rules.Line(reader.Error())};
    std::vector<char> block(kBlock);
    std::uint64_t total = 0;
    archive_entry* entry = nullptr;
    int read;
    m_last.clear();
    while ((read = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK ||
           read == ARCHIVE_WARN) {
      const std::string name = EntryName(entry);
      m_last = name;
      // The same checks again: the file is read a second time.
      std::string why;
      const std::optional<std::string> path = SafeEntryPath(name, why);
      if (!path) return Refusal{m_rules.Line(name, why)};
      const EntryType type = TypeOf(entry);
      if (type == EntryType::kLink) return Refusal{m_rules.Line(name, "a link")};
      if (type == EntryType::kSpecial)
        return Refusal{m_rules.Line(name, "a device or special file")};
      if (archive_entry_is_encrypted(entry)) return m_rules.PasswordProtected(name);
      if (!InPackage(*path, roots)) continue;
      if (type == EntryType::kFolder) {
        if (!MakeFolders(into, *path)) return Refusal{m_rules.Line(name, Unwritable())};
        continue;
      }
      if (!MakeFolders(into, Parent(*path))) return Refusal{m_rules.Line(name, Unwritable())};
      const std::string target = into + "/" + *path;
      Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (out.get() < 0) return Refusal{m_rules.Line(name, Unwritable())};
      for (;;) {
        const la_ssize_t got = archive_read_data(reader.get(), block.data(), block.size());
        if (got == 0) break;
        if (got < 0) {
          if (Encrypted(reader) || Unsupported(reader)) return Damaged(reader);
          return Refusal{m_rules.Line(name, "damaged: " + reader.Error())};
        }
        total += static_cast<std::uint64_t>(got);
        if (std::optional<Refusal> over = m_rules.OverLimits(name, total)) return over;
        for (la_ssize_t done = 0; done < got;) {
          const ssize_t wrote = ::write(out.get(), block.data() + done, got - done);
          if (wrote < 0 && errno == EINTR) continue;
          if (wrote <= 0) return Refusal{m_rules.Line(name, Unwritable())};
          done += wrote;
        }
      }
      if (archive_entry_mtime_is_set(entry)) {
        const struct timespec times[2] = {
            {archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)},
            {archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)}};
        ::futimens(out.get(), times);
      }
      if (::close(out.Release()) != 0) return Refusal{m_rules.Line(name, Unwritable())};
    }
    if (read != ARCHIVE_EOF) return Damaged(reader);
    return std::nullopt;
  }

 private:
  static std::uint64_t FileSize(const std::string& path) {
    std::error_code failed;
    const std::uint64_t size = fs::file_size(path, failed);
    return failed ? 0 : size;
  }
  // libarchive stops at an encrypted header or an entry it needs a password for as it stops at
  // damage; only its own account tells them apart.
  // `opened`: libarchive answers for the format it chose, and has none before.
  static bool Encrypted(const Reader& reader, bool opened = true) {
    if (opened && archive_read_has_encrypted_entries(reader.get()) > 0) return true;
    const std::string error = reader.Error();
    return error.find("ncrypt") != std::string::npos ||
           error.find("assphrase") != std::string::npos;
  }
  static bool Unsupported(const Reader& reader) {
    return reader.Error().find("nsupported") != std::string::npos;
  }
  Refusal Damaged(const Reader& reader, bool opened = true) const {
    if (Encrypted(reader, opened))
      return Refusal{m_path + ": password-protected; unpack it with its password first"};
    // A compression method or format variant libarchive lacks is no damage of the download.
    if (Unsupported(reader))
      return Refusal{m_path + ": made in a way this program cannot read: " + reader.Error()};
    return Refusal{m_path + ": truncated or damaged" +
                   (m_last.empty() ? "" : " after entry \"" + m_last + "\"") + ": " +
                   reader.Error()};
  }

  std::string m_path;
  ArchiveRules m_rules;
  std::string m_last;
};

// The staging folder's files, written with the POSIX calls: private, never through a link.
class PosixTarget : public UnpackTarget {
 public:
  explicit PosixTarget(std::string into) : m_into(std::move(into)) {}
  bool MakeFolders(const std::string& path) override {
    const bool made = gridmoor::cli::MakeFolders(m_into, path);
    if (!made) m_errno = errno;
    return made;
  }
  std::unique_ptr<UnpackedFile> Create(const std::string& path) override {
    const std::string target = m_into + "/" + path;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    if (fd < 0) {
      m_errno = errno;
      return nullptr;
    }
    return std::make_unique<File>(fd, m_errno);
  }
  std::string Why() const override { return std::strerror(m_errno); }

 private:
  class File : public UnpackedFile {
   public:
    File(int fd, int& error) : m_fd(fd), m_error(error) {}
    bool Write(const char* bytes, std::size_t size) override {
      for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = ::write(m_fd.get(), bytes + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
          m_error = wrote < 0 ? errno : ENOSPC;
          return false;
        }
        done += static_cast<std::size_t>(wrote);
      }
      return true;
    }
    void SetModified(std::int64_t seconds) override {
      const struct timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                        {static_cast<time_t>(seconds), 0}};
      ::futimens(m_fd.get(), times);
    }
    bool Close() override {
      if (::close(m_fd.Release()) == 0) return true;
      m_error = errno;
      return false;
    }

   private:
    Fd m_fd;
    int& m_error;  // the target's
  };

  std::string m_into;
  int m_errno = 0;
};

}  // namespace

UnpackedArchive ArchiveStaging::Unpack(const std::string& path) {
  UnpackedArchive result;
  Utf8Names names;
  // Zips through our reader, which sees how each name was made; the rest through libarchive.
  // A program holding a zip (a setup file of ours, signed or not, or a self-extracting zip) is
  // a zip too; other self-extracting archives go to libarchive.
  const ArchiveKind kind = SniffArchive(path);
  bool zip = kind == ArchiveKind::kZip || kind == ArchiveKind::kProgram;
  Unpacker unpacker(path, m_impl->limits);
  ZipUnpacker zipUnpacker(path, m_impl->limits);
  std::vector<std::string> files;
  std::optional<Refusal> refusal = zip ? zipUnpacker.List(files) : unpacker.List(files);
  if (refusal && refusal->notAnArchive && kind == ArchiveKind::kProgram) {
    zip = false;
    files.clear();
    refusal = unpacker.List(files);
  }
  if (refusal) {
    result.error = refusal->text;
    result.notAnArchive = refusal->notAnArchive;
    return result;
  }
  result.roots = PackageRoots(files);
  if (result.roots.empty()) {
    result.error = path + ": no package in it (no folder holds an install.ini)";
    return result;
  }
  if (!m_impl->Create(result.error)) return result;
  const std::string into = m_impl->folder + "/" + std::to_string(++m_impl->archives);
  if (::mkdir(into.c_str(), 0700) != 0) {
    result.error = path + ": cannot be unpacked into the staging folder: " + std::strerror(errno);
    return result;
  }
  PosixTarget target(into);
  if (std::optional<Refusal> refusal = zip ? zipUnpacker.Extract(result.roots, target)
                                           : unpacker.Extract(result.roots, into)) {
    std::error_code ignored;
    fs::remove_all(into, ignored);
    result.error = refusal->text;
    result.roots.clear();
    return result;
  }
  for (const std::string& root : result.roots)
    result.folders.push_back(root.empty() ? into : into + "/" + root);
  result.unpackedInto = into;
  result.ok = true;
  return result;
}

}  // namespace gridmoor::cli
