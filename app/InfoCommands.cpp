// The view's information texts and notes: the texts are built from the view's
// sky model, name tables and camera; a note that cannot be saved is reported.
#include "InfoTexts.h"
#include "Notes.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "UiDefs.h"

namespace {

CInfoTextBuilder Builder(CNuvarine2View& view) {
  InfoNameTables names;
  names.bodyNames = g_bodyNames;
  names.bodyNameCount = kBodyNameCount;
  names.monthNames = g_monthNames;
  names.greekLetters = g_greekLetterNames;
  return CInfoTextBuilder(view, names, view.m_cameraPosition);
}

}  // namespace

CString CNuvarine2View::BuildBodyInfoRtf(int body) { return Builder(*this).BuildBodyInfoRtf(body); }
CString CNuvarine2View::BuildCometInfoRtf(int index) { return Builder(*this).BuildCometInfoRtf(index); }
CString CNuvarine2View::BuildAsteroidInfoRtf(int index) { return Builder(*this).BuildAsteroidInfoRtf(index); }
CString CNuvarine2View::BuildDeepSkyInfoRtf(int index) { return Builder(*this).BuildDeepSkyInfoRtf(index); }
CString CNuvarine2View::BuildBrightStarInfoRtf(int index) { return Builder(*this).BuildBrightStarInfoRtf(index); }
CString CNuvarine2View::BuildSetiWorkUnitInfoRtf() { return Builder(*this).BuildSetiWorkUnitInfoRtf(); }
CString CNuvarine2View::BuildTychoStarInfoRtf(int index) { return Builder(*this).BuildTychoStarInfoRtf(index); }
CString CNuvarine2View::BuildNamedTychoStarInfoRtf(int index) {
  return Builder(*this).BuildNamedTychoStarInfoRtf(index);
}
CString CNuvarine2View::BuildSky2000StarInfoRtf(int index) { return Builder(*this).BuildSky2000StarInfoRtf(index); }
CString CNuvarine2View::BuildSpacecraftInfoRtf(int body) { return Builder(*this).BuildSpacecraftInfoRtf(body); }

bool CNuvarine2View::SaveObjectNoteByKey(int category, const CString& key, const CString& text) {
  CString problem;
  if (::SaveObjectNoteByKey(m_installFolder, category, key, text, &problem)) return true;
  const CString message =
      CString("The note could not be saved in the file:\r\n") + NotesFilePath(m_installFolder) + "\r\n" + problem;
  ::MessageBox(GetSafeHwnd(), message.GetString(), "Nuvarine 2.0", MB_OK);
  return false;
}

bool CNuvarine2View::SaveObjectNote(int category, int objectNumber, const CString& text) {
  return SaveObjectNoteByKey(category, ObjectNoteKey(category, objectNumber), text);
}
