// User notes: stored form, round trips, keys, failed saves and saves cut
// short by a killed process.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "Catalogues.h"
#include "Notes.h"
#include "RtfReader.h"
#include "SolarSystemTypes.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class NotesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nv_notes_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    // Readable by every user: the read-only test saves as another user.
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
  }
  void TearDown() override {
    fs::permissions(folder, fs::perms::owner_all);
    fs::remove_all(folder);
  }
  CString Folder() const { return CString(folder.string()); }
  fs::path folder;
};

TEST_F(NotesTest, RoundTrips) {
  struct Case {
    int category, number;
    const char* note;
    const char* stored;  // the line of the file
    const char* rtf;
  } cases[] = {
      {NOTE_PLANETS, 5, "First line\r\nSecond line", "Note 5=First line|rSecond line",
       "\\plain\\f2\\fs18 First line\\par\\plain\\f2\\fs18 Second line"},
      {NOTE_DEEP_SKY, 31, "a\tb", "Note 31=a|tb", "\\plain\\f2\\fs18 a\\tab\\plain\\f2\\fs18 b"},
      {NOTE_STARS, 7, "", "Note 7=", "\\plain\\f2\\fs18 "},
      {NOTE_SETI, 0, "brace } and \\ back", "Note 0=brace } and \\ back",
       "\\plain\\f2\\fs18 brace \\} and \\\\ back"},
      {NOTE_PLANETS, 6, "caf\xE9 12\xB0", "Note 6=caf\xE9 12\xB0", "\\plain\\f2\\fs18 caf\xE9 12\xB0"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SaveObjectNote(Folder(), c.category, c.number, c.note)) << c.note;
    CString text, rtf;
    EXPECT_TRUE(AppendObjectNote(Folder(), c.category, c.number, text, false));
    EXPECT_TRUE(AppendObjectNote(Folder(), c.category, c.number, rtf, true));
    EXPECT_EQ(text, c.note);
    EXPECT_EQ(rtf, c.rtf);
    EXPECT_NE(ReadFile(folder / "notes.ini").find(std::string(c.stored) + "\r\n"), std::string::npos) << c.stored;
  }
  const std::string file = ReadFile(folder / "notes.ini");
  for (const char* section : {"[Planets]", "[Deep Sky Objects]", "[Stars]", "[Seti]"})
    EXPECT_NE(file.find(section), std::string::npos) << section;
  // The RTF form of a note with braces and backslashes reads as typed.
  CString rtf;
  AppendObjectNote(Folder(), NOTE_SETI, 0, rtf, true);
  EXPECT_EQ(ReadRtf(std::string("{\\rtf1 ") + rtf + "}").PlainText(), "brace } and \\ back");
}

TEST_F(NotesTest, MissingFileAndTypedCodes) {
  CString text = "old", rtf;
  EXPECT_TRUE(AppendObjectNote(Folder(), NOTE_PLANETS, 3, text, false));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(AppendObjectNote(Folder(), NOTE_PLANETS, 3, rtf, true));
  EXPECT_EQ(rtf, "\\plain\\f2\\fs18 ");
  // "|r" typed by the user reads as a line break; a lone line end is kept
  // inside the note instead of ending the value.
  ASSERT_TRUE(SaveObjectNote(Folder(), NOTE_PLANETS, 3, "a|rb\nc\rd"));
  AppendObjectNote(Folder(), NOTE_PLANETS, 3, text, false);
  EXPECT_EQ(text, "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(NoteSectionName(9), "");
}

TEST_F(NotesTest, CometsAreKeyedByName) {
  CometRecord comets[3] = {};
  std::strcpy(comets[0].name, "C/1995 O1 (Hale-Bopp)");
  std::strcpy(comets[1].name, "2P/Encke");
  CometRecord* saved = g_comets;
  const int savedCount = g_cometCount;
  g_comets = comets;
  g_cometCount = 3;
  EXPECT_EQ(ObjectNoteKey(NOTE_COMETS, 1), "Note 2P/Encke");
  EXPECT_EQ(ObjectNoteKey(NOTE_COMETS, 2), "Note 2");  // no name: the index
  EXPECT_EQ(ObjectNoteKey(NOTE_DEEP_SKY, 2), "Note 2");
  ASSERT_TRUE(SaveObjectNote(Folder(), NOTE_COMETS, 1, "periodic"));
  std::swap(comets[0], comets[1]);  // a new element file in another order
  CString text;
  AppendObjectNote(Folder(), NOTE_COMETS, 0, text, false);
  EXPECT_EQ(text, "periodic");
  AppendObjectNote(Folder(), NOTE_COMETS, 1, text, false);
  EXPECT_EQ(text, "");
  g_comets = saved;
  g_cometCount = savedCount;
}

// A note of several pages is kept whole.
TEST_F(NotesTest, LongNoteIsKeptWhole) {
  std::string note;
  for (int i = 0; i < 400; ++i) note += "Line " + std::to_string(i) + " of a long observing log\r\n";
  ASSERT_GT(note.size(), 10000u);
  ASSERT_TRUE(SaveObjectNote(Folder(), NOTE_DEEP_SKY, 42, note.c_str()));
  CString text;
  AppendObjectNote(Folder(), NOTE_DEEP_SKY, 42, text, false);
  EXPECT_EQ(text, note);
}

// Star keys outside the bright stars follow the star, not its array slot.
TEST_F(NotesTest, StarKeysFollowTheStar) {
  Sky2000Star sky[3] = {};
  sky[0].hdNumber = 172167;
  sky[1].saoNumber = 67174;
  sky[2].tile = 12;
  Sky2000Star* savedSky = g_sky2000Stars;
  const int savedSkyCount = g_sky2000StarCount;
  g_sky2000Stars = sky;
  g_sky2000StarCount = 3;
  EXPECT_EQ(Sky2000NoteKey(0), "Note HD 172167");
  EXPECT_EQ(Sky2000NoteKey(1), "Note SAO 67174");
  EXPECT_EQ(Sky2000NoteKey(2), "Note Sky2000 12-0");
  g_sky2000Stars = savedSky;
  g_sky2000StarCount = savedSkyCount;

  Tycho2Star tycho[4] = {};
  tycho[0].tile = 5;
  tycho[1].tile = 7;
  tycho[2].tile = 7;
  tycho[3].tile = 7;
  Tycho2Star* savedTycho = g_tycho2Part2Stars;
  const int savedTychoCount = g_tycho2Part2StarCount;
  g_tycho2Part2Stars = tycho;
  g_tycho2Part2StarCount = 4;
  EXPECT_EQ(Tycho2NoteKey(2, 2), "Note Tycho2-2 7-1");
  // The same star at another slot, after other tiles were loaded first.
  g_tycho2Part2Stars = tycho + 1;
  g_tycho2Part2StarCount = 3;
  EXPECT_EQ(Tycho2NoteKey(2, 1), "Note Tycho2-2 7-1");
  g_tycho2Part2Stars = savedTycho;
  g_tycho2Part2StarCount = savedTychoCount;

  ASSERT_TRUE(SaveObjectNoteByKey(Folder(), NOTE_STARS, "Note HD 172167", "Vega"));
  CString text;
  AppendObjectNoteByKey(Folder(), NOTE_STARS, "Note HD 172167", text, false);
  EXPECT_EQ(text, "Vega");
}

TEST_F(NotesTest, UnwritableFolderReportsAndKeepsTheOldFile) {
  ASSERT_TRUE(SaveObjectNote(Folder(), NOTE_PLANETS, 4, "red"));
  const std::string before = ReadFile(folder / "notes.ini");
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  // The save runs in a child process; as root it gives up its rights first,
  // since root writes into read-only folders.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    _exit(SaveObjectNote(Folder(), NOTE_PLANETS, 4, "blue") ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
  EXPECT_EQ(ReadFile(folder / "notes.ini"), before);
  CString text;
  AppendObjectNote(Folder(), NOTE_PLANETS, 4, text, false);
  EXPECT_EQ(text, "red");
}

// Twenty notes of the longest kind make a file larger than a settings file
// may be: it is still read and saved whole. A notes file that cannot be read
// (larger than any the program writes, or not a file) is never replaced: the
// save is refused with the reason and the file stays as it was.
TEST_F(NotesTest, LargeFileKeptAndUnreadableFileNeverReplaced) {
  const std::string note(kNoteLimit - 10, 'n');
  {
    std::ofstream out(folder / "notes.ini", std::ios::binary);
    out << "[Planets]\r\n";
    for (int i = 0; i < 20; ++i) out << "Note " << i << "=" << i << note << "\r\n";
  }
  ASSERT_GT(fs::file_size(folder / "notes.ini"), 16u * 1024 * 1024);
  CString problem;
  ASSERT_TRUE(SaveObjectNoteByKey(Folder(), NOTE_PLANETS, "Note 20", "new", &problem)) << problem;
  for (int i : {0, 19}) {
    CString text;
    AppendObjectNote(Folder(), NOTE_PLANETS, i, text, false);
    EXPECT_EQ(text, std::to_string(i) + note) << i;
  }
  CString added;
  AppendObjectNote(Folder(), NOTE_PLANETS, 20, added, false);
  EXPECT_EQ(added, "new");

  struct Case {
    const char* what;
    void (*make)(const fs::path& file);
    const char* reason;
  } cases[] = {
      {"larger than the limit",
       [](const fs::path& file) {
         { std::ofstream(file, std::ios::binary) << "[Planets]\r\nNote 1=kept\r\n"; }
         fs::resize_file(file, kNotesFileLimit + 1);  // sparse: no disk space used
       },
       "larger than 128 MB"},
      {"a folder", [](const fs::path& file) { fs::create_directory(file); }, "not a regular file"},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder / "notes.ini");
    c.make(folder / "notes.ini");
    const auto size = fs::is_regular_file(folder / "notes.ini") ? fs::file_size(folder / "notes.ini") : 0;
    auto head = [&] {
      std::string text(64, '\0');
      std::ifstream(folder / "notes.ini", std::ios::binary).read(text.data(), 64);
      return text;
    };
    const std::string before = size ? head() : "";
    problem.Empty();
    EXPECT_FALSE(SaveObjectNoteByKey(Folder(), NOTE_PLANETS, "Note 2", "lost?", &problem)) << c.what;
    EXPECT_NE(problem.find(c.reason), std::string::npos) << c.what << ": " << problem;
    EXPECT_NE(problem.find("left as it is"), std::string::npos) << c.what << ": " << problem;
    if (size) {
      EXPECT_EQ(fs::file_size(folder / "notes.ini"), size) << c.what;
      EXPECT_EQ(head(), before) << c.what;
    } else {
      EXPECT_TRUE(fs::is_directory(folder / "notes.ini")) << c.what;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << c.what;
  }
  fs::remove_all(folder / "notes.ini");
}

// A process killed while it saves leaves the old or the new file, whole.
TEST_F(NotesTest, KilledSaveLeavesAWholeFile) {
  const std::string oldNote(60000, 'o');
  const std::string newNote(90000, 'n');
  ASSERT_TRUE(SaveObjectNote(Folder(), NOTE_PLANETS, 1, newNote.c_str()));
  const std::string newFile = ReadFile(folder / "notes.ini");
  ASSERT_TRUE(SaveObjectNote(Folder(), NOTE_PLANETS, 1, oldNote.c_str()));
  const std::string oldFile = ReadFile(folder / "notes.ini");
  std::mt19937 random(20);
  std::uniform_int_distribution<int> delay(0, 15000);
  int sawNew = 0;
  for (int round = 0; round < 25; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) SaveObjectNote(Folder(), NOTE_PLANETS, 1, (i % 2 ? oldNote : newNote).c_str());
    }
    usleep(static_cast<useconds_t>(delay(random)));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string file = ReadFile(folder / "notes.ini");
    EXPECT_TRUE(file == oldFile || file == newFile) << "round " << round << ": " << file.size() << " bytes";
    if (file == newFile) ++sawNew;
  }
  RecordProperty("new", sawNew);
}

}  // namespace
