#include "engine/SeasonFormats.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/SeasonRules.h"
#include "engine/SeasonText.h"
#include "engine/TrackRecords.h"

namespace gridmoor {
namespace {

using namespace std::string_literals;

// Hostile text for events: line ends and NUL inside values, header lines, 8-bit bytes, a
// byte-order mark, '=' signs, quotes, comments, white space at the ends.
class HostileText {
 public:
  explicit HostileText(unsigned seed) : m_random(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

  std::string Piece() {
    static const std::string kPieces[] = {
        "spa",        "Monza 1967", "\r",         "\n",           "\r\n",       "\0"s,
        "[Event3]",   "\r\n[Event3]\r\n", "[gp.ini Event1]", "[Season]", "=",  "a=b=c",
        "\xEF\xBB\xBF", "; comment", "\"quoted\"", " ",           "\t",         "]",
        "[",          "trackDirectory=", "[Gridmoor calendar]"};
    switch (Below(12)) {
      case 0: {  // bytes 0x80-0xFF
        std::string high;
        for (int n = 1 + Below(8); n > 0; --n) high += static_cast<char>(0x80 + Below(0x80));
        return high;
      }
      case 1:
        return std::string(Below(20) == 0 ? 70000 : 1 + Below(3000), 'x');  // long lines
      default:
        return kPieces[Below(static_cast<int>(std::size(kPieces)))];
    }
  }

  std::string Folder() {
    static const std::string kFolders[] = {
        "spa", "Kyal\xE4mi", "monza", "a\\b", "..", " lead", "x=y", "[Event3]", "we\nird",
        "nul\0x"s, "", std::string(99, 'f'), std::string(100, 'f'), "c:x"};
    return kFolders[Below(static_cast<int>(std::size(kFolders)))];
  }

  std::string Replay() {
    static const std::string kReplays[] = {"", "", "spa.rpy", "a/b.rpy", "\r", "wr \xE9t\xE9.rpy"};
    return kReplays[Below(static_cast<int>(std::size(kReplays)))];
  }

  std::string LineEnd() {
    static const char* const kEnds[] = {"\r\n", "\n", "\r", ""};
    return kEnds[Below(4)];
  }

  // Lines of values, hostile ones among them, and mostly a trackDirectory.
  std::string Body(const std::string& folder) {
    std::string body;
    for (int lines = Below(6); lines > 0; --lines) {
      body += "k" + std::to_string(lines) + "=";
      for (int pieces = Below(4); pieces > 0; --pieces) body += Piece();
      body += LineEnd();
    }
    if (Below(8) != 0) body += "trackDirectory=" + folder + LineEnd();
    if (Below(3) == 0) body += Piece();
    return body;
  }

  std::string SetName() {
    static const std::string kNames[] = {"League 67", "Ligue Fran\xE7" "aise", " League", "",
                                         "a\nb", "name=x", std::string(41, 'n'), "L"};
    return kNames[Below(static_cast<int>(std::size(kNames)))];
  }

 private:
  std::mt19937 m_random;
};

bool EndsWithLineEnd(const std::string& text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

template <class T, class Parse>
bool ReadsBackAs(const std::string& bytes, const T& value, Parse parse) {
  std::string error;
  const auto back = parse(bytes, error);
  return back && *back == value;
}

// What the engine writes to the library, a set and a calendar reads back equal: an entry or
// event the rules accept always does, one they name a fault in never gets written, so a file
// of ours is never left unreadable.
TEST(SeasonFormatsProperty, WhatIsWrittenReadsBackAndWhatCannotBeIsLeftOut) {
  HostileText random(1967);
  for (int round = 0; round < 1000; ++round) {
    std::vector<LibraryEntry> kept;
    Calendar calendar;
    calendar.name = random.SetName();
    SavedSet set;
    set.name = calendar.name;
    set.savedTime = random.Below(6) == 0 ? random.Piece() : "2024-05-07 13:45:00";
    for (int events = 1 + random.Below(6); events > 0; --events) {
      const std::string folder = random.Folder();
      const std::string body = random.Body(folder);
      SCOPED_TRACE("round " + std::to_string(round) + ", body \"" + body.substr(0, 200) + "\"");

      const LibraryEntry entry{folder, random.Replay(), body};
      const std::optional<std::string> libraryFault = LibraryEntryFault(entry);
      EXPECT_EQ(ReadsBackAs(SerializeLibrary({entry}), std::vector<LibraryEntry>{entry}, ParseLibrary),
                !libraryFault)
          << libraryFault.value_or("no fault");
      if (!libraryFault) kept.push_back(entry);

      CalendarEvent event{BodyValue(body, "trackDirectory").value_or(""), body};
      if (random.Below(10) == 0) event.trackDirectory = folder;
      const std::optional<std::string> calendarFault = CalendarEventFault(event);
      if (!EndsWithLineEnd(event.body)) event.body += "\r\n";  // as the calendar writes it
      Calendar alone{"L", {{event}, {}}};
      EXPECT_EQ(ReadsBackAs(SerializeCalendar(alone), alone, ParseCalendar), !calendarFault)
          << calendarFault.value_or("no fault");
      if (!calendarFault) calendar.events[random.Below(2)].push_back(event);

      const int file = random.Below(2);
      set.files[file] = set.files[file].value_or("[Season]\r\nnumEvents=0\r\n") + "[Event1]\r\n" + body;
    }

    const std::string library = SerializeLibrary(kept);
    std::size_t entryBytes = 0;
    for (const LibraryEntry& entry : kept) entryBytes += LibraryEntryBytes(entry);
    EXPECT_EQ(LibraryBytes(kept.size(), entryBytes), library.size());
    EXPECT_TRUE(ReadsBackAs(library, kept, ParseLibrary)) << "round " << round;

    const bool setKeepable = IsValidSetName(set.name) && !set.savedTime.empty() &&
                             set.savedTime.find('\n') == std::string::npos;
    EXPECT_EQ(ReadsBackAs(SerializeSet(set), set, ParseSet), setKeepable)
        << "round " << round << ", set \"" << set.name << "\" saved \"" << set.savedTime << "\"";

    const std::string written = SerializeCalendar(calendar);
    if (IsValidSetName(calendar.name) && written.size() <= kMaxCalendarBytes) {
      EXPECT_TRUE(ReadsBackAs(written, calendar, ParseCalendar)) << "round " << round;
    }
  }
}

TrackRecord CalderRecord() {
  TrackRecord record;
  record.trackDirectory = "calder";
  record.name = "Calder Point Grand Prix";
  record.version = "1.2";
  record.package = {"/home/p/Downloads/calder 1.2.zip", "archive", "calder 1.2.zip: calder"};
  record.installedTime = "2026-12-01 10:00:00";
  record.files = {{"tracks\\calder\\calder.dat", 123456, "0123456789abcdef"},
                  {"replay\\calder wr.rpy", 0, "cbf29ce484222325"}};
  return record;
}

// A track record reads back as written, and one that is cut, edited or names a file outside
// what the install writes is refused whole (verify would otherwise look outside the game).
TEST(TrackRecordFormat, ReadsBackAndRefusesADamagedOne) {
  const TrackRecord record = CalderRecord();
  const std::string bytes = SerializeTrackRecord(record);
  EXPECT_TRUE(ReadsBackAs(bytes, record, ParseTrackRecord)) << bytes;
  TrackRecord noFiles = record;
  noFiles.files.clear();
  noFiles.version.clear();
  EXPECT_TRUE(ReadsBackAs(SerializeTrackRecord(noFiles), noFiles, ParseTrackRecord));

  const auto replaced = [&bytes](const std::string& from, const std::string& to) {
    std::string edited = bytes;
    edited.replace(edited.find(from), from.size(), to);
    return edited;
  };
  const struct {
    const char* name;
    std::string bytes;
  } damaged[] = {
      {"cut in a file line", bytes.substr(0, bytes.size() - 5)},
      {"cut after a file", bytes.substr(0, bytes.find("replay\\"))},
      {"a file added", bytes + "1 0123456789abcdef tracks\\calder\\x\n"},
      {"other magic", replaced("record 1", "record 2")},
      {"a field missing", replaced("version=1.2\n", "")},
      {"a path out of the game", replaced("replay\\calder wr.rpy", "replay\\..\\..\\x")},
      {"another track's folder", replaced("tracks\\calder\\", "tracks\\brockhurst\\")},
      {"a bad digest", replaced("0123456789abcdef", "0123456789ABCDEF")},
      {"a size that is no number", replaced("123456", "12e4")},
      {"an unknown kind", replaced("kind=archive", "kind=url")},
      {"a folder that is no plain name", replaced("track=calder", "track=..")},
  };
  for (const auto& row : damaged) {
    std::string error;
    EXPECT_FALSE(ParseTrackRecord(row.bytes, error)) << row.name;
    EXPECT_FALSE(error.empty()) << row.name;
  }
  // What could not be read back is named before it is written.
  TrackRecord broken = record;
  broken.name = "two\nlines";
  EXPECT_TRUE(TrackRecordFault(broken));
  EXPECT_FALSE(TrackRecordFault(record));
}

TEST(SetNameTest, FollowsTheRule) {
  const struct {
    std::string name;
    bool valid;
  } rows[] = {
      {"Ligue Fran\xE7" "aise", true},
      {"League 67 - Historic_1.0", true},
      {" League", false},
      {"League ", false},
      {"", false},
      {std::string(40, 'a'), true},
      {std::string(41, 'a'), false},
      {"a/b", false},
      {"a\tb", false},
      {"\xD7", false},  // the multiplication sign is no letter
  };
  for (const auto& row : rows) EXPECT_EQ(IsValidSetName(row.name), row.valid) << row.name;
  // Sets are one file per name, letter case aside, accented capitals too.
  EXPECT_EQ(FoldedName("LIGUE FRAN\xC7" "AISE"), FoldedName("ligue fran\xE7" "aise"));
}

}  // namespace
}  // namespace gridmoor
