#include "Notes.h"

#include "Catalogues.h"
#include "IniFile.h"
#include "InstallPath.h"
#include "RtfReader.h"
#include "SolarSystemTypes.h"

#include <string>

namespace {

CString ReplaceAll(CString text, const char* from, const char* to) {
  text.Replace(from, to);
  return text;
}

// Rank of a record inside its tile: records of one tile lie together.
template <typename Star>
int RankInTile(const Star* stars, int index) {
  int first = index;
  while (first > 0 && stars[first - 1].tile == stars[index].tile) --first;
  return index - first;
}

}  // namespace

CString NoteSectionName(int category) {
  switch (category) {
    case NOTE_DEEP_SKY: return "Deep Sky Objects";
    case NOTE_PLANETS: return "Planets";
    case NOTE_STARS: return "Stars";
    case NOTE_COMETS: return "Comets";
    case NOTE_ASTEROIDS: return "Asteroids";
    case NOTE_SETI: return "Seti";
    default: return "";
  }
}

CString ObjectNoteKey(int category, int objectNumber) {
  CString name;
  if (category == NOTE_COMETS && g_comets && objectNumber >= 0 && objectNumber < g_cometCount)
    name = CString(g_comets[objectNumber].name, strnlen(g_comets[objectNumber].name, sizeof(CometRecord::name)));
  if (category == NOTE_ASTEROIDS && g_asteroids && objectNumber >= 0 && objectNumber < g_asteroidCount)
    name = CString(g_asteroids[objectNumber].name,
                   strnlen(g_asteroids[objectNumber].name, sizeof(AsteroidRecord::name)));
  CString key;
  if (!name.IsEmpty())
    key.Format("Note %s", name.GetString());
  else
    key.Format("Note %i", objectNumber);
  return key;
}

CString Sky2000NoteKey(int index) {
  CString key;
  if (!g_sky2000Stars || index < 0 || index >= g_sky2000StarCount) {
    key.Format("Note Sky2000 %i", index);
    return key;
  }
  const Sky2000Star& s = g_sky2000Stars[index];
  if (s.hdNumber)
    key.Format("Note HD %i", s.hdNumber);
  else if (s.saoNumber)
    key.Format("Note SAO %i", s.saoNumber);
  else
    key.Format("Note Sky2000 %i-%i", s.tile, RankInTile(g_sky2000Stars, index));
  return key;
}

CString Tycho2NoteKey(int half, int index) {
  const Tycho2Star* stars = half == 2 ? g_tycho2Part2Stars : g_tycho2Stars;
  const int count = half == 2 ? g_tycho2Part2StarCount : g_tycho2StarCount;
  CString key;
  if (!stars || index < 0 || index >= count)
    key.Format("Note Tycho2-%i %i", half, index);
  else
    key.Format("Note Tycho2-%i %i-%i", half, stars[index].tile, RankInTile(stars, index));
  return key;
}

CString EncodeNote(const CString& text) {
  CString stored = ReplaceAll(text, "\r\n", "|r");
  // A lone line end would end the INI value and lose the rest of the note.
  stored = ReplaceAll(stored, "\r", "|r");
  stored = ReplaceAll(stored, "\n", "|r");
  return ReplaceAll(stored, "\t", "|t");
}

CString DecodeNote(const CString& stored, bool rtf) {
  if (!rtf) return ReplaceAll(ReplaceAll(stored, "|r", "\r\n"), "|t", "\t");
  CString text(EscapeRtfText(stored));
  text = ReplaceAll(text, "|r", "\\par\\plain\\f2\\fs18 ");
  text = ReplaceAll(text, "|t", "\\tab\\plain\\f2\\fs18 ");
  return CString("\\plain\\f2\\fs18 ") + text;
}

CString NotesFilePath(const CString& installFolder) {
  return CString(ResolveInstallPath(installFolder, "\\notes.ini"));
}

bool SaveObjectNoteByKey(const CString& installFolder, int category, const CString& key, const CString& text,
                         CString* problem) {
  const CString path = NotesFilePath(installFolder);
  auto fail = [problem](const CString& why) {
    if (problem) *problem = why;
    return false;
  };
  CIniFile ini;
  ini.SetSizeLimit(kNotesFileLimit);
  // A missing file starts an empty one; a file that is there but cannot be
  // read is never replaced, since the save would drop every other note.
  if (!ini.Load(path.GetString()) && !ini.LoadFoundNoFile())
    return fail("The notes file cannot be read (" + ini.GetProblem() +
                "). It is left as it is, so that the notes it holds are not lost.");
  const CString stored = EncodeNote(text);
  // A note is never cut: one longer than the bound is refused whole.
  if (static_cast<size_t>(stored.GetLength()) > kNoteLimit)
    return fail("The note is longer than the " + std::to_string(kNoteLimit) + " characters a note may hold.");
  ini.SetLongString(key.GetString(), stored.GetString(), NoteSectionName(category).GetString(), kNoteLimit);
  if (ini.Save(path.GetString())) return true;
  return fail("The notes file cannot be written (" + ini.GetProblem() + ").");
}

bool SaveObjectNote(const CString& installFolder, int category, int objectNumber, const CString& text) {
  return SaveObjectNoteByKey(installFolder, category, ObjectNoteKey(category, objectNumber), text);
}

bool AppendObjectNoteByKey(const CString& installFolder, int category, const CString& key, CString& text, bool rtf) {
  CIniFile ini;
  ini.SetSizeLimit(kNotesFileLimit);
  ini.Load(NotesFilePath(installFolder).GetString());
  const CString stored = ini.GetLongValue(key.GetString(), NoteSectionName(category).GetString(), kNoteLimit);
  ini.Close();
  text = DecodeNote(stored, rtf);
  return true;
}

bool AppendObjectNote(const CString& installFolder, int category, int objectNumber, CString& text, bool rtf) {
  return AppendObjectNoteByKey(installFolder, category, ObjectNoteKey(category, objectNumber), text, rtf);
}
