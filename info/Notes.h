#pragma once
// User notes: one free text per object in "notes.ini" of the install folder,
// a section per kind of object, a key per object. Every read and save opens
// the file anew; a save goes through a temporary file renamed into place.
#include "CString.h"

enum NoteCategory {
  NOTE_DEEP_SKY = 0,
  NOTE_PLANETS = 1,
  NOTE_STARS = 2,
  NOTE_COMETS = 3,
  NOTE_ASTEROIDS = 4,
  NOTE_SETI = 5,
};

// "Deep Sky Objects", "Planets", "Stars", "Comets", "Asteroids", "Seti"; empty otherwise.
CString NoteSectionName(int category);
// "Note <name>" for a comet or asteroid with a name (from its record),
// otherwise "Note <number>".
CString ObjectNoteKey(int category, int objectNumber);
// Keys of stars outside the bright-star catalogue, which stay the same
// whatever tiles the display holds: "Note HD n", else "Note SAO n", else the
// tile and the record's rank inside it ("Note Sky2000 t-r", "Note Tycho2-1 t-r").
CString Sky2000NoteKey(int index);
CString Tycho2NoteKey(int half, int index);

// The stored form of a note: line breaks become "|r", tabs "|t".
CString EncodeNote(const CString& text);
// The stored form back to text (CR LF and tabs) or to rich text ("\par",
// "\tab", with the note's own "\", "{" and "}" escaped), the latter behind
// "\plain\f2\fs18 ".
CString DecodeNote(const CString& stored, bool rtf);

// Longest stored note, in bytes of its stored form.
constexpr size_t kNoteLimit = 1000000;

// Largest notes file read or written: room for a hundred notes of the
// longest kind.
constexpr size_t kNotesFileLimit = 128u * 1024 * 1024;

// Saves the note under its key; false when the file could not be written,
// when the note is longer than kNoteLimit, or when a notes file is there but
// cannot be read whole (saving would replace every other note with this
// one). The old file is then left as it was and `problem`, when given, says
// why in a sentence.
bool SaveObjectNoteByKey(const CString& installFolder, int category, const CString& key, const CString& text,
                         CString* problem = nullptr);
bool SaveObjectNote(const CString& installFolder, int category, int objectNumber, const CString& text);
// Reads a note (empty when the file, section or key is missing) into `text`,
// as text or as rich text. Always true.
bool AppendObjectNoteByKey(const CString& installFolder, int category, const CString& key, CString& text, bool rtf);
bool AppendObjectNote(const CString& installFolder, int category, int objectNumber, CString& text, bool rtf);
// The notes file of an install folder.
CString NotesFilePath(const CString& installFolder);
