#include "engine/TrackRecords.h"

#include <cstdint>
#include <cstring>

#include <algorithm>
#include <exception>

#include "platform/FileSystem.h"
#include "engine/GameFiles.h"
#include "engine/ProfileValue.h"
#include "engine/SeasonFormats.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonPlanning.h"
#include "engine/SeasonRules.h"
#include "engine/SeasonText.h"
#include "engine/TrackFileCopy.h"
#include "platform/FileException.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {

namespace {

// A track file larger than this is no track file.
constexpr std::size_t kMaxTrackFileBytes = 1024u * 1024 * 1024;

// A track file's digest, taken as its bytes stream in: four lanes over 8-byte words, so the
// multiplies overlap (a track runs to tens of MiB, read once per install and per verify),
// folded with the size and the last bytes to 16 hex digits.
class TrackFileDigest {
 public:
  void Add(std::string_view part) {
    m_size += part.size();
    if (!m_tail.empty()) {
      const std::size_t take = std::min(kBlock - m_tail.size(), part.size());
      m_tail.append(part.substr(0, take));
      part.remove_prefix(take);
      if (m_tail.size() < kBlock) return;
      Mix(m_tail.data());
      m_tail.clear();
    }
    for (; part.size() >= kBlock; part.remove_prefix(kBlock)) Mix(part.data());
    m_tail.assign(part);
  }

  std::string Text() const {
    std::uint64_t hash = m_size;
    for (const std::uint64_t lane : m_lanes) hash = (hash ^ lane) * kPrime;
    for (const unsigned char c : m_tail) hash = (hash ^ c) * kPrime;
    hash ^= hash >> 33;
    static const char kHex[] = "0123456789abcdef";
    std::string digest(16, '0');
    for (int d = 15; d >= 0; --d, hash >>= 4) digest[d] = kHex[hash & 15];
    return digest;
  }

 private:
  static constexpr std::size_t kBlock = 32;
  static constexpr std::uint64_t kPrime = 0x100000001b3ull;

  void Mix(const char* block) {
    for (int k = 0; k < 4; ++k) {
      std::uint64_t word;
      std::memcpy(&word, block + 8 * k, 8);
      m_lanes[k] = (m_lanes[k] ^ word) * kPrime;
      m_lanes[k] ^= m_lanes[k] >> 29;
    }
  }

  std::uint64_t m_lanes[4] = {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull, 0x9e3779b97f4a7c15ull,
                              0xc2b2ae3d27d4eb4full};
  std::uint64_t m_size = 0;
  std::string m_tail;
};

// The size and digest of a file, read a piece at a time; nullopt when it cannot be read whole.
std::optional<std::pair<std::uint64_t, std::string>> DigestOfFile(FileSystem& files,
                                                                  const std::string& path) {
  TrackFileDigest digest;
  std::uint64_t size = 0;
  const bool read = files.ReadInPieces(path, [&](std::string_view piece) {
    size += piece.size();
    digest.Add(piece);
    return size <= kMaxTrackFileBytes;
  });
  if (!read) return std::nullopt;
  return std::make_pair(size, digest.Text());
}

constexpr std::string_view kRecordMagic = "gridmoor track record 1\n";
// How deep `tracks` looks into a track folder for its size.
constexpr int kMaxFolderDepth = 8;

bool IsOneLine(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

bool IsPlainName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxValueLength && IsOneLine(name) &&
         IsPlainFileName(std::string(name));
}

// Whether the install writes `path` for the track in `folder`: tracks\<folder>\<name> or
// replay\<name>, every name plain.
bool IsInstalledPath(std::string_view path, const std::string& folder) {
  const std::string tracks = std::string(kTracksFolder + 1) + folder + "\\";
  const std::string replay = kReplayFolder + 1;
  if (path.substr(0, tracks.size()) == tracks) return IsPlainName(path.substr(tracks.size()));
  if (path.substr(0, replay.size()) == replay) return IsPlainName(path.substr(replay.size()));
  return false;
}

// "key=value\n" at `pos`, advancing past it; nullopt when the line is not that key.
std::optional<std::string_view> TakeValue(std::string_view bytes, std::size_t& pos,
                                          std::string_view key) {
  const std::size_t end = bytes.find('\n', pos);
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view line = bytes.substr(pos, end - pos);
  if (line.size() < key.size() + 1 || line.substr(0, key.size()) != key || line[key.size()] != '=')
    return std::nullopt;
  pos = end + 1;
  return line.substr(key.size() + 1);
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

bool IsDigest(std::string_view text) {
  return text.size() == 16 &&
         text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The events of a season file's text naming `folder`, letter case aside (the game finds the
// folder so on Windows).
std::vector<int> EventsNamingFolder(std::string_view text, const std::string& folder) {
  std::vector<int> numbers;
  const int count = std::min(EventCountOf(text), kMaxSeasonEventNumber);
  const auto spans = EventSpans(text, count);
  for (int number = 1; number <= count; ++number) {
    if (!spans[number - 1]) continue;
    const auto& span = *spans[number - 1];
    const std::optional<std::string> value =
        BodyValue(text.substr(span.bodyBegin, span.end - span.bodyBegin), "trackDirectory");
    if (value && SameFoldedName(CutToValueLength(*value), folder)) numbers.push_back(number);
  }
  return numbers;
}

std::optional<std::string> ReadQuietly(FileSystem& files, const std::string& path,
                                       std::size_t maxBytes) {
  try {
    return files.ReadExistingFile(path, maxBytes);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The name the first event naming `folder` gives it, in 67season.ini then gp.ini; "" for none.
std::string EventName(const std::optional<std::string> (&season)[2], const std::string& folder) {
  for (const auto& text : season) {
    if (!text) continue;
    for (const int number : EventsNamingFolder(*text, folder)) {
      const std::string name = BodyValue(EventBody(*text, number).value_or(""), "name").value_or("");
      if (!name.empty()) return CutToValueLength(name);
    }
  }
  return {};
}

void AddFolderSize(FileSystem& files, const std::string& folder, int depth, InstalledTrack& track) {
  const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(folder);
  if (!entries) return;
  for (const FolderEntry& entry : *entries) {
    const std::string path = folder + "\\" + entry.name;
    if (entry.isFolder) {
      if (depth < kMaxFolderDepth) AddFolderSize(files, path, depth + 1, track);
      continue;
    }
    try {
      track.bytes += files.GetStatus(path).size;
      ++track.fileCount;
    } catch (const std::exception&) {
      // A file that vanished or cannot be looked at adds nothing.
    }
  }
}

}  // namespace

bool operator==(const RecordedFile& a, const RecordedFile& b) {
  return a.path == b.path && a.size == b.size && a.digest == b.digest;
}

bool operator==(const TrackRecord& a, const TrackRecord& b) {
  return a.trackDirectory == b.trackDirectory && a.name == b.name && a.version == b.version &&
         a.package.path == b.package.path && a.package.kind == b.package.kind &&
         a.package.name == b.package.name && a.installedTime == b.installedTime &&
         a.files == b.files;
}

std::string TrackRecordPath(const std::string& gameFolder, const std::string& trackDirectory) {
  return gameFolder + kTrackRecordsFolder + "\\" + trackDirectory;
}

std::optional<std::string> TrackRecordFault(const TrackRecord& record) {
  if (!IsPlainName(record.trackDirectory)) return "its track folder is not a plain name";
  for (const std::string* value : {&record.name, &record.version, &record.package.path,
                                   &record.package.name, &record.installedTime}) {
    if (!IsOneLine(*value)) return "a value holds a line break";
  }
  if (record.package.kind != "folder" && record.package.kind != "archive")
    return "the package is neither a folder nor an archive";
  for (const RecordedFile& file : record.files) {
    if (!IsInstalledPath(file.path, record.trackDirectory))
      return "it names a file the install does not write";
    if (!IsDigest(file.digest)) return "a file's digest is not 16 hex digits";
  }
  return std::nullopt;
}

std::string SerializeTrackRecord(const TrackRecord& record) {
  std::string out(kRecordMagic);
  out += "track=" + record.trackDirectory + "\n";
  out += "name=" + record.name + "\n";
  out += "version=" + record.version + "\n";
  out += "package=" + record.package.path + "\n";
  out += "kind=" + record.package.kind + "\n";
  out += "packageName=" + record.package.name + "\n";
  out += "installed=" + record.installedTime + "\n";
  // The count makes a record cut between two files tell itself from a shorter one.
  out += "files=" + std::to_string(record.files.size()) + "\n";
  for (const RecordedFile& file : record.files)
    out += std::to_string(file.size) + " " + file.digest + " " + file.path + "\n";
  return out;
}

std::optional<TrackRecord> ParseTrackRecord(std::string_view bytes, std::string& error) {
  if (bytes.size() > kMaxTrackRecordBytes) {
    error = "the track record is larger than one can be";
    return std::nullopt;
  }
  if (bytes.substr(0, kRecordMagic.size()) != kRecordMagic) {
    error = "the track record does not start as one";
    return std::nullopt;
  }
  std::size_t pos = kRecordMagic.size();
  TrackRecord record;
  const struct {
    const char* key;
    std::string* value;
  } fields[] = {{"track", &record.trackDirectory},   {"name", &record.name},
                {"version", &record.version},       {"package", &record.package.path},
                {"kind", &record.package.kind},     {"packageName", &record.package.name},
                {"installed", &record.installedTime}};
  for (const auto& field : fields) {
    const std::optional<std::string_view> value = TakeValue(bytes, pos, field.key);
    if (!value) {
      error = std::string("the track record is cut or damaged at \"") + field.key + "\"";
      return std::nullopt;
    }
    *field.value = std::string(*value);
  }
  const std::optional<std::string_view> countText = TakeValue(bytes, pos, "files");
  const std::optional<std::uint64_t> count = countText ? ParseNumber(*countText) : std::nullopt;
  if (!count) {
    error = "the track record's count of files is damaged";
    return std::nullopt;
  }
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find('\n', pos);
    const std::string_view line =
        bytes.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    const std::size_t space1 = line.find(' ');
    const std::size_t space2 = space1 == std::string_view::npos ? space1 : line.find(' ', space1 + 1);
    const std::optional<std::uint64_t> size =
        space2 == std::string_view::npos ? std::nullopt : ParseNumber(line.substr(0, space1));
    if (end == std::string_view::npos || !size) {
      error = "the track record is cut or damaged after " + std::to_string(record.files.size()) +
              " files";
      return std::nullopt;
    }
    record.files.push_back({std::string(line.substr(space2 + 1)), *size,
                            std::string(line.substr(space1 + 1, space2 - space1 - 1))});
    pos = end + 1;
  }
  if (record.files.size() != *count) {
    error = "the track record is cut: it holds " + std::to_string(record.files.size()) + " of " +
            std::to_string(*count) + " files";
    return std::nullopt;
  }
  if (const std::optional<std::string> fault = TrackRecordFault(record)) {
    error = "the track record is not one the install writes: " + *fault;
    return std::nullopt;
  }
  return record;
}

RecordRead ReadTrackRecord(FileSystem& files, const std::string& gameFolder,
                           const std::string& trackDirectory) {
  RecordRead read;
  if (!IsPlainName(trackDirectory)) return read;
  const std::string path = TrackRecordPath(gameFolder, trackDirectory);
  std::optional<std::string> bytes;
  try {
    bytes = ReadOwnFile(files, path, kMaxTrackRecordBytes);
  } catch (const CFileException&) {
    read.problem = "the track record cannot be read whole";
    return read;
  } catch (const std::exception&) {
    read.problem = "the track record cannot be read";
    return read;
  }
  if (!bytes) return read;
  std::string error;
  read.record = ParseTrackRecord(*bytes, error);
  // A record of another folder (copied by hand) says nothing about this one.
  if (read.record && read.record->trackDirectory != trackDirectory) {
    read.record.reset();
    error = "the track record is of another folder";
  }
  if (!read.record) read.problem = error;
  return read;
}

std::string ReadPackageVersion(FileSystem& files, const std::string& packageFolder) {
  try {
    const ProfileDocument ini = ProfileDocument::Load(files, packageFolder + "\\install.ini");
    const std::string version = ReadProfileValue(ini, "installinfo", "version");
    return version == kMissingValue || !IsOneLine(version) ? std::string() : version;
  } catch (const std::exception&) {
    return {};
  }
}

namespace {

// One dotted part of a version: its leading digits (without leading zeros) and the rest.
struct VersionPart {
  std::string_view number;
  std::string_view rest;
};

VersionPart NextVersionPart(std::string_view& version) {
  const std::size_t dot = version.find('.');
  std::string_view part = version.substr(0, dot);
  version = dot == std::string_view::npos ? std::string_view() : version.substr(dot + 1);
  std::size_t digits = 0;
  while (digits < part.size() && part[digits] >= '0' && part[digits] <= '9') ++digits;
  std::size_t zeros = 0;
  while (zeros < digits && part[zeros] == '0') ++zeros;
  return {part.substr(zeros, digits - zeros), part.substr(digits)};
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) {
  while (!a.empty() || !b.empty()) {
    const VersionPart x = NextVersionPart(a);
    const VersionPart y = NextVersionPart(b);
    // Digits without leading zeros: the longer is the larger number, whatever its size.
    if (x.number.size() != y.number.size()) return x.number.size() < y.number.size() ? -1 : 1;
    if (const int c = x.number.compare(y.number)) return c < 0 ? -1 : 1;
    if (const int c = x.rest.compare(y.rest)) return c < 0 ? -1 : 1;
  }
  return 0;
}

bool WriteTrackRecord(FileSystem& files, const std::string& gameFolder,
                      const TrackPackage& package, const PackageOrigin& origin, bool replayCopied) {
  if (!IsPlainName(package.trackDirectory)) return false;
  const std::string path = TrackRecordPath(gameFolder, package.trackDirectory);
  try {
    TrackRecord record;
    record.trackDirectory = package.trackDirectory;
    record.name = package.name;
    record.version = ReadPackageVersion(files, package.packageFolder);
    record.package = origin;
    record.installedTime = LocalTimeText();
    bool whole = true;
    for (const std::string& relative : InstalledFiles(package, replayCopied)) {
      const auto digest = DigestOfFile(files, gameFolder + "\\" + relative);
      if (!digest) {
        whole = false;
        break;
      }
      record.files.push_back({relative, digest->first, digest->second});
    }
    const std::string bytes = SerializeTrackRecord(record);
    std::string error;
    if (whole && ReadsBack(bytes, record, ParseTrackRecord, error)) {
      files.CreateDirectoryLevel(gameFolder + kTrackRecordsFolder);
      const std::optional<std::string> old = ReadOwnFile(files, path, kMaxTrackRecordBytes);
      if (files.ReplaceFileContents(path, old, bytes)) return true;
    }
  } catch (const std::exception&) {
    // Falls through: the old record must not outlive the files it names.
  }
  try {
    files.RemoveFile(path);
  } catch (const std::exception&) {
  }
  return false;
}

std::vector<FileCheck> CheckRecordedFiles(FileSystem& files, const std::string& gameFolder,
                                          const TrackRecord& record) {
  std::vector<FileCheck> checks;
  for (const RecordedFile& file : record.files) {
    const std::string path = gameFolder + "\\" + file.path;
    FileCheck check{file.path, FileState::kUnchanged};
    try {
      const FileStatus status = files.GetStatus(path);
      if (status.attributes & kAttributeDirectory) {
        check.state = FileState::kMissing;
      } else if (status.size != file.size) {
        check.state = FileState::kChanged;
      } else {
        const auto digest = DigestOfFile(files, path);
        if (!digest || digest->second != file.digest)
          check.state = FileState::kChanged;
      }
    } catch (const CFileException&) {
      check.state = FileState::kMissing;
    }
    checks.push_back(std::move(check));
  }
  return checks;
}

FolderSize TrackFolderSize(FileSystem& files, const std::string& gameFolder,
                           const std::string& trackDirectory) {
  InstalledTrack track;
  try {
    AddFolderSize(files, gameFolder + "\\tracks\\" + trackDirectory, 1, track);
  } catch (const std::exception&) {
    // A folder that cannot be listed counts as empty, as in ListInstalledTracks.
  }
  return {track.bytes, track.fileCount};
}

std::vector<InstalledTrack> ListInstalledTracks(FileSystem& files, const std::string& gameFolder) {
  std::vector<InstalledTrack> tracks;
  const std::optional<std::vector<FolderEntry>> entries =
      files.ListFolder(gameFolder + "\\tracks");
  if (!entries) return tracks;

  std::optional<std::string> season[2];
  for (const SeasonFileId file : kBothSeasonFiles) {
    season[IndexOf(file)] =
        ReadQuietly(files, SeasonFilePath(gameFolder, SeasonFileNameOf(file)), kMaxSeasonFileBytes);
  }
  std::vector<SavedSet> sets;
  if (const auto setFiles = files.ListFolder(gameFolder + kSetsFolder)) {
    for (const FolderEntry& entry : *setFiles) {
      if (entry.isFolder || entry.name.compare(0, 4, "set-") != 0) continue;
      const std::optional<std::string> bytes =
          ReadQuietly(files, gameFolder + kSetsFolder + "\\" + entry.name, kMaxSetBytes);
      std::string error;
      std::optional<SavedSet> set = bytes ? ParseSet(*bytes, error) : std::nullopt;
      if (set) sets.push_back(std::move(*set));
    }
  }
  std::sort(sets.begin(), sets.end(), [](const SavedSet& a, const SavedSet& b) {
    return FoldedName(a.name) < FoldedName(b.name);
  });

  for (const FolderEntry& entry : *entries) {
    if (!entry.isFolder) continue;
    InstalledTrack track;
    track.folder = entry.name;
    track.record = ReadTrackRecord(files, gameFolder, entry.name);
    for (const SeasonFileId file : kBothSeasonFiles) {
      if (!season[IndexOf(file)]) continue;
      for (const int number : EventsNamingFolder(*season[IndexOf(file)], entry.name))
        track.events.push_back({SeasonFileNameOf(file), number});
    }
    track.name = track.record.record ? track.record.record->name : EventName(season, entry.name);
    for (const SavedSet& set : sets) {
      const bool names = std::any_of(std::begin(set.files), std::end(set.files),
                                     [&entry](const std::optional<std::string>& text) {
                                       return text && !EventsNamingFolder(*text, entry.name).empty();
                                     });
      if (names) track.sets.push_back(set.name);
    }
    AddFolderSize(files, gameFolder + "\\tracks\\" + entry.name, 1, track);
    tracks.push_back(std::move(track));
  }
  std::sort(tracks.begin(), tracks.end(), [](const InstalledTrack& a, const InstalledTrack& b) {
    return FoldedName(a.folder) < FoldedName(b.folder);
  });
  return tracks;
}

std::optional<FolderHolder> OtherTrackInFolder(FileSystem& files, const std::string& gameFolder,
                                               const TrackPackage& package) {
  try {
    if (!IsPlainName(package.trackDirectory)) return std::nullopt;
    FolderHolder holder;
    holder.folder = gameFolder + kTracksFolder + package.trackDirectory;
    if (!IsFolder(files, holder.folder)) return std::nullopt;
    const RecordRead read = ReadTrackRecord(files, gameFolder, package.trackDirectory);
    if (read.record) {
      holder.name = read.record->name;
      holder.installedTime = read.record->installedTime;
    } else {
      std::optional<std::string> season[2];
      for (const SeasonFileId file : kBothSeasonFiles) {
        season[IndexOf(file)] = ReadQuietly(
            files, SeasonFilePath(gameFolder, SeasonFileNameOf(file)), kMaxSeasonFileBytes);
      }
      holder.name = EventName(season, package.trackDirectory);
    }
    if (holder.name.empty() || SameFoldedName(holder.name, CutToValueLength(package.name)))
      return std::nullopt;
    for (const std::string& relative : InstalledFiles(package, false)) {
      try {
        files.GetStatus(gameFolder + "\\" + relative);
        ++holder.filesReplaced;
      } catch (const CFileException&) {
      }
    }
    return holder;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace gridmoor
