// "What is that?", "where is it?" and "show me": the right double-click's
// pick and pop-up menu, the find command, and the body commands of the
// Observation menu. Each lands on an object, sets the target, turns,
// follows or locks the view, and shows the object's information.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "AjouterImage.h"
#include "Catalogues.h"
#include "ConstellationTables.h"
#include "FindDialogs.h"
#include "InfoDialogs.h"
#include "Menu.h"
#include "Notes.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"
#include "UiDefs.h"

namespace {

constexpr UINT kInformation = 235;
constexpr UINT kFollow = 236;
constexpr UINT kCenter = 284;
constexpr UINT kAddImage = 237;
constexpr UINT kCallDss = 287;
constexpr UINT kNotes = 32780;
constexpr UINT kInformation3D = 144;
constexpr UINT kLock = 181;
constexpr char kFindCaption[] = "Nuvarine\t2.0";

bool ValidIndex(int index, int count) { return index >= 0 && index < count; }

CString BodyName(int body) { return ValidIndex(body, kBodyNameCount) ? g_bodyNames[body] : CString(); }

int BodyObjectKind(int body, double diameterLimit) {
  if (body == kBodyMoon) return OBJECT_MOON;
  if (body == kBodySun) return OBJECT_SUN;
  if (ValidIndex(body, kBodyCount) && g_bodies[body].diameter < diameterLimit) return OBJECT_SPACECRAFT;
  return OBJECT_PLANET;
}

}  // namespace

// ---- Picking ----------------------------------------------------------------------------------------

PickResult CNuvarine2View::PickObjectAt(CPoint point) {
  UpdateSkyPositions();
  PrepareTycho2HorizontalPlaces(*this, m_tycho2Part2Loaded);
  float latitude = 0.0f, longitude = 0.0f;
  ScreenToSky(point.x, point.y, latitude, longitude);
  PickContext context;
  context.planetarium = m_planetariumMode;
  context.fieldOfView = m_fieldOfView;
  context.deepSkyLimitingMagnitude = m_deepSkyLimitingMagnitude;
  context.tycho2Part2Loaded = m_tycho2Part2Loaded;
  context.showSetiWorkUnits = m_showSetiWorkUnits;
  context.inViewCone = [this](float x, float y, float z, float halfAngle) { return IsInViewCone(x, y, z, halfAngle); };
  context.chooseStarOrDeepSky = [this](const CString& deepSkyLine, const CString& starLine) {
    CSelectObjectDialog dialog;
    dialog.m_deepSkyLine = deepSkyLine;
    dialog.m_starLine = starLine;
    RunDialog(dialog);
    return dialog.m_selection;
  };
  PickResult pick = ScanPickCandidates(*this, context, longitude, latitude);
  DecidePickWinner(*this, context, pick);
  return pick;
}

void CNuvarine2View::OnRButtonDblClk(UINT, CPoint point) {
  const PickResult pick = PickObjectAt(point);
  RunObjectMenu(pick);
  Default();
}

// ---- The pop-up menu ----------------------------------------------------------------------------------

CString CNuvarine2View::BuildObjectMenu(const PickResult& pick, CMenu& menu) {
  CString title;
  switch (pick.kind) {
    case PICK_DEEP_SKY:
      if (g_deepSkyObjects && ValidIndex(pick.deepSkyIndex, g_deepSkyCount))
        title = CString(g_deepSkyObjects[pick.deepSkyIndex].name);
      break;
    case PICK_BODY: title = BodyName(pick.bodyIndex); break;
    case PICK_STAR: title = StarTitle(pick); break;
    case PICK_COMET:
      if (g_comets && ValidIndex(pick.cometIndex, g_cometCount)) title = CString(g_comets[pick.cometIndex].name);
      break;
    case PICK_ASTEROID:
      if (g_asteroids && ValidIndex(pick.asteroidIndex, g_asteroidCount))
        title = CString(g_asteroids[pick.asteroidIndex].name);
      break;
    case PICK_WORK_UNIT: title = "Seti@Home"; break;
    default: break;
  }
  menu.LoadMenu(m_planetariumMode ? IDR_OBJECT_MENU : IDR_OBJECT_MENU_3D);
  CMenu* popup = menu.GetSubMenu(0);
  if (!popup) return title;
  const bool movable = pick.kind == PICK_BODY || pick.kind == PICK_COMET || pick.kind == PICK_ASTEROID;
  if (m_planetariumMode) {
    if (movable) {
      popup->DeleteMenu(kCallDss, MF_BYCOMMAND);
      popup->DeleteMenu(kAddImage, MF_BYCOMMAND);
    } else if (pick.kind == PICK_STAR) {
      popup->DeleteMenu(kAddImage, MF_BYCOMMAND);
    } else if (pick.kind == PICK_WORK_UNIT) {
      popup->ModifyMenu(kCallDss, MF_BYCOMMAND | MF_STRING, 0, nullptr);
      popup->DeleteMenu(kAddImage, MF_BYCOMMAND);
    }
  } else if (movable) {
    popup->ModifyMenu(kLock, MF_BYCOMMAND | MF_STRING, kLock, AfxString(pick.lockedIsPicked ? 3601 : 3600).GetString());
  } else if (pick.kind != PICK_NONE) {
    popup->DeleteMenu(kLock, MF_BYCOMMAND);
  }
  // The first separator becomes the title line (command 0).
  popup->ModifyMenu(0, MF_BYCOMMAND | MF_STRING, 0, title.GetString());
  return title;
}

void CNuvarine2View::RunObjectMenu(const PickResult& pick) {
  UINT command = 0;
  {
    CMenu menu;
    BuildObjectMenu(pick, menu);
    if (CMenu* popup = menu.GetSubMenu(0)) {
      POINT cursor{};
      GetCursorPos(&cursor);
      command = popup->TrackPopupMenu(TPM_NONOTIFY | TPM_RETURNCMD, cursor.x, cursor.y, this);
    }
  }
  if (command == 0) {
    // Dismissed (or the title chosen): the next mouse move must not drag the view.
    m_skipNextMouseMove = true;
    return;
  }
  SetTargetFromPick(pick);
  RunObjectCommand(command, pick);
}

// ---- Target and commands ---------------------------------------------------------------------------------

void CNuvarine2View::SetTargetFromPick(const PickResult& pick) {
  auto fromJ2000 = [this](double ra, double dec) {
    PrecessFromJ2000(ra, dec);
    m_targetRightAscension = ra;
    m_targetDeclination = dec;
    EquatorialToHorizontal(m_targetAzimuth, m_targetAltitude, m_localSiderealTime, ra, dec);
    m_targetMarked = true;
  };
  auto fromRecord = [this](double ra, double dec, double az, double alt) {
    m_targetRightAscension = ra;
    m_targetDeclination = dec;
    m_targetAzimuth = az;
    m_targetAltitude = alt;
  };
  switch (pick.kind) {
    case PICK_DEEP_SKY:
      if (g_deepSkyObjects && ValidIndex(pick.deepSkyIndex, g_deepSkyCount))
        fromJ2000(g_deepSkyObjects[pick.deepSkyIndex].rightAscension, g_deepSkyObjects[pick.deepSkyIndex].declination);
      break;
    case PICK_BODY:
      if (ValidIndex(pick.bodyIndex, kBodyCount)) {
        const BodyState& b = g_bodies[pick.bodyIndex];
        fromRecord(b.rightAscension, b.declination, b.azimuth, b.altitude);
        m_targetMarked = m_planetariumMode;
      }
      break;
    case PICK_STAR: {
      const int i = pick.starIndex;
      if (pick.starCatalogue == STAR_BRIGHT && g_brightStars && ValidIndex(i, g_brightStarCount))
        fromJ2000(g_brightStars[i].rightAscension, g_brightStars[i].declination);
      else if (pick.starCatalogue == STAR_SKY2000 && g_sky2000Stars && ValidIndex(i, g_sky2000StarCount))
        fromJ2000(g_sky2000Stars[i].rightAscension, g_sky2000Stars[i].declination);
      else if (pick.starCatalogue == STAR_TYCHO2 && g_tycho2Stars && ValidIndex(i, g_tycho2StarCount))
        fromJ2000(g_tycho2Stars[i].rightAscension, g_tycho2Stars[i].declination);
      else if (pick.starCatalogue == STAR_TYCHO2_PART2 && g_tycho2Part2Stars && ValidIndex(i, g_tycho2Part2StarCount))
        fromJ2000(g_tycho2Part2Stars[i].rightAscension, g_tycho2Part2Stars[i].declination);
      break;
    }
    case PICK_COMET:
      if (g_comets && ValidIndex(pick.cometIndex, g_cometCount)) {
        const CometRecord& c = g_comets[pick.cometIndex];
        fromRecord(c.rightAscension, c.declination, c.azimuth, c.altitude);
        m_targetMarked = true;
      }
      break;
    case PICK_ASTEROID:
      if (g_asteroids && ValidIndex(pick.asteroidIndex, g_asteroidCount)) {
        const AsteroidRecord& a = g_asteroids[pick.asteroidIndex];
        fromRecord(a.rightAscension, a.declination, a.azimuth, a.altitude);
        m_targetMarked = true;
      }
      break;
    case PICK_WORK_UNIT:
      fromRecord(m_setiStartRa, m_setiStartDec, m_setiAzimuth, m_setiAltitude);
      m_targetMarked = true;
      break;
    default: break;
  }
}

void CNuvarine2View::RunObjectCommand(UINT command, const PickResult& pick) {
  const bool picked = pick.kind != PICK_NONE;
  switch (command) {
    case kInformation:
    case kInformation3D:
      // With nothing picked there is nothing to describe.
      if (picked) ShowPickedInformation(pick);
      break;
    case kFollow:
      if (m_planetariumMode) FollowPickedObject(pick);
      break;
    case kCenter:
      if (m_planetariumMode) CenterOnTarget();
      break;
    case kLock:
      if (m_planetariumMode || !picked) break;
      if (pick.lockedIsPicked) m_lockedObject = -1;
      else if (pick.kind == PICK_BODY) LockOnObject(pick.bodyIndex);
      else if (pick.kind == PICK_COMET) LockOnObject(2000 + pick.cometIndex);
      else if (pick.kind == PICK_ASTEROID) LockOnObject(1000 + pick.asteroidIndex);
      break;
    case kAddImage:
      // Without a deep-sky candidate the index is only a default: the
      // picture of object 0 is not the user's choice.
      if (pick.distance[PICK_DEEP_SKY] < kNoCandidate) OnAddPictureForObject(pick.deepSkyIndex);
      break;
    case kCallDss: OnCallDssServer(); break;
    case kNotes: EditPickedNote(pick); break;
    default: break;
  }
}

void CNuvarine2View::ShowPickedInformation(const PickResult& pick) {
  int kind = OBJECT_STAR;
  CString text;
  switch (pick.kind) {
    case PICK_DEEP_SKY:
      kind = OBJECT_DEEP_SKY;
      text = BuildDeepSkyInfoRtf(pick.deepSkyIndex);
      break;
    case PICK_BODY:
      kind = BodyObjectKind(pick.bodyIndex, 0.1);
      text = BuildBodyInfoRtf(pick.bodyIndex);
      break;
    case PICK_STAR:
      kind = OBJECT_STAR;
      if (!m_planetariumMode || pick.starCatalogue == STAR_BRIGHT) text = BuildBrightStarInfoRtf(pick.starIndex);
      else if (pick.starCatalogue == STAR_SKY2000) text = BuildSky2000StarInfoRtf(pick.starIndex);
      else if (pick.starCatalogue == STAR_TYCHO2) text = BuildNamedTychoStarInfoRtf(pick.starIndex);
      else text = BuildTychoStarInfoRtf(pick.starIndex);
      break;
    case PICK_COMET:
      kind = OBJECT_COMET;
      text = BuildCometInfoRtf(pick.cometIndex);
      break;
    case PICK_ASTEROID:
      kind = OBJECT_ASTEROID;
      text = BuildAsteroidInfoRtf(pick.asteroidIndex);
      break;
    case PICK_WORK_UNIT:
      kind = OBJECT_SETI_WORK_UNIT;
      text = BuildSetiWorkUnitInfoRtf();
      break;
    default: return;
  }
  if (m_planetariumMode) {
    CObjectInfoDialog dialog;
    dialog.m_belowHorizon = false;
    dialog.m_objectKind = kind;
    dialog.m_rtfText = text;
    RunDialog(dialog);
    if (dialog.m_center) ResetAndRotateCamera(static_cast<float>(-m_targetAzimuth), static_cast<float>(m_targetAltitude));
    if (dialog.m_follow && pick.kind >= PICK_DEEP_SKY && pick.kind <= PICK_ASTEROID) FollowPickedObject(pick);
    return;
  }
  CObjectInfoDialog3D dialog;
  dialog.m_objectKind = kind;
  dialog.m_rtfText = text;
  RunDialog(dialog);
  if (!dialog.m_lock) return;
  if (pick.lockedIsPicked) m_lockedObject = -1;
  else if (pick.kind == PICK_BODY) LockOnObject(pick.bodyIndex);
  else if (pick.kind == PICK_COMET) LockOnObject(2000 + pick.cometIndex);
  else if (pick.kind == PICK_ASTEROID) LockOnObject(1000 + pick.asteroidIndex);
}

void CNuvarine2View::FollowPickedObject(const PickResult& pick) {
  switch (pick.kind) {
    case PICK_DEEP_SKY:
    case PICK_STAR:
      m_followRightAscension = m_targetRightAscension;
      m_followDeclination = m_targetDeclination;
      m_lockedObject = -1;
      m_telescopeFollowTarget = true;
      break;
    case PICK_BODY: m_lockedObject = pick.bodyIndex; break;
    case PICK_COMET: m_lockedObject = 2000 + pick.cometIndex; break;
    case PICK_ASTEROID: m_lockedObject = 1000 + pick.asteroidIndex; break;
    default: break;
  }
}

void CNuvarine2View::CenterOnTarget() {
  m_lockedObject = -1;
  m_telescopeFollowTarget = false;
  if (m_targetAltitude >= 0.0)
    ResetAndRotateCamera(static_cast<float>(-m_targetAzimuth), static_cast<float>(m_targetAltitude));
}

void CNuvarine2View::EditPickedNote(const PickResult& pick) {
  // Stars outside the bright-star table are keyed by what identifies them
  // in their catalogue, never by their slot in the tile arrays.
  int category = -1;
  CString key;
  switch (pick.kind) {
    case PICK_DEEP_SKY: category = NOTE_DEEP_SKY, key = ObjectNoteKey(category, pick.deepSkyIndex); break;
    case PICK_BODY: category = NOTE_PLANETS, key = ObjectNoteKey(category, pick.bodyIndex); break;
    case PICK_STAR:
      category = NOTE_STARS;
      if (!m_planetariumMode || pick.starCatalogue == STAR_BRIGHT) key = ObjectNoteKey(category, pick.starIndex);
      else if (pick.starCatalogue == STAR_SKY2000) key = Sky2000NoteKey(pick.starIndex);
      else key = Tycho2NoteKey(pick.starCatalogue == STAR_TYCHO2 ? 1 : 2, pick.starIndex);
      break;
    case PICK_COMET: category = NOTE_COMETS, key = ObjectNoteKey(category, pick.cometIndex); break;
    case PICK_ASTEROID: category = NOTE_ASTEROIDS, key = ObjectNoteKey(category, pick.asteroidIndex); break;
    case PICK_WORK_UNIT: category = NOTE_SETI, key = ObjectNoteKey(category, 0); break;
    default: break;
  }
  Notes dialog;
  if (category >= 0) AppendObjectNoteByKey(m_installFolder, category, key, dialog.m_text, false);
  if (RunDialog(dialog) == IDOK && category >= 0) SaveObjectNoteByKey(category, key, dialog.m_text);
}

void CNuvarine2View::LockOnObject(int n) {
  // The look direction starts at the screen centre's sky direction.
  float latitude = 0.0f, longitude = 0.0f;
  ScreenToSky(static_cast<int>(m_halfBackBufferWidth), static_cast<int>(m_halfBackBufferHeight), latitude, longitude);
  m_flightLookDirection = SkyToScenePoint(false, latitude, longitude, 1.0f);
  m_flightTargetBody = n;
  m_lockedObject = n;
  Vector3d position{};
  if (n >= 0 && n < kBodyCount) position = g_bodies[n].position;
  else if (n >= 1000 && n < 2000 && g_asteroids && ValidIndex(n - 1000, g_asteroidCount)) position = g_asteroids[n - 1000].position;
  else if (n >= 2000 && g_comets && ValidIndex(n - 2000, g_cometCount)) position = g_comets[n - 2000].position;
  D3DXVECTOR3 v(static_cast<float>(position.x - m_cameraPosition.x), static_cast<float>(position.y - m_cameraPosition.y),
                static_cast<float>(position.z - m_cameraPosition.z));
  D3DXVec3Normalize(&v, &v);
  const float halfPi = 1.5707964f;
  m_centeringAngle2 = halfPi - std::acos(std::clamp(D3DXVec3Dot(&v, &m_cameraUp), -1.0f, 1.0f));
  m_centeringAngle1 = halfPi - std::acos(std::clamp(D3DXVec3Dot(&v, &m_cameraSide), -1.0f, 1.0f));
}

// ---- Find -------------------------------------------------------------------------------------------------

void CNuvarine2View::OnFindObject() {
  m_telescopeFollowTarget = false;
  m_lockedObject = -1;
  NouvRecherche dialog;
  for (int i = 0; i < kStarNameCount; ++i) dialog.m_starNames[i] = g_starNames[i].name ? g_starNames[i].name : "";
  std::vector<CString> comets, asteroids;
  for (int i = 0; g_comets && i < g_cometCount; ++i) comets.emplace_back(g_comets[i].name);
  for (int i = 0; g_asteroids && i < g_asteroidCount; ++i) asteroids.emplace_back(g_asteroids[i].name);
  dialog.m_cometNames = comets.data();
  dialog.m_cometCount = static_cast<int>(comets.size());
  dialog.m_asteroidNames = asteroids.data();
  dialog.m_asteroidCount = static_cast<int>(asteroids.size());
  dialog.m_page = m_lastFindPage;
  if (RunDialog(dialog) != IDOK) return;
  OnFindObjectFromDialog(dialog);
}

void CNuvarine2View::ReleaseStarTiles() {
  g_sky2000StarCount = 0;
  g_tycho2StarCount = 0;
  g_tycho2Part2StarCount = 0;
  std::fill(std::begin(m_sky2000TileSlots), std::end(m_sky2000TileSlots), 0);
  std::fill(std::begin(m_tycho2TileSlots), std::end(m_tycho2TileSlots), 0);
}

namespace {

// Shows a found comet or asteroid in its displayed list, which holds at
// most kMaxDisplayedObjects - 1 entries (a full list is left as it is).
void AddToDisplayedList(int index, const char* name, int* indices, CString* names, int& count) {
  count = std::clamp(count, 0, kMaxDisplayedObjects - 1);
  for (int j = 0; j < count; ++j)
    if (indices[j] == index) return;
  if (count >= kMaxDisplayedObjects - 1) return;
  indices[count] = index;
  names[count] = name;
  ++count;
}

}  // namespace

void CNuvarine2View::OnFindObjectFromDialog(NouvRecherche& dialog) {
  m_lastFindPage = dialog.m_page;
  UpdateTimeContext();
  FindQuery query;
  query.symbol = dialog.m_symbol;
  query.constellation = dialog.m_constellation;
  query.starName = dialog.m_starName;
  query.hdNumber = dialog.m_hdNumber;
  query.saoNumber = dialog.m_saoNumber;
  query.objectName = dialog.m_objectName;
  query.planet = dialog.m_planet;
  query.comet = dialog.m_comet;
  query.asteroid = dialog.m_asteroid;
  query.constellationName = dialog.m_constellationName;
  FindContext context;
  context.planetarium = m_planetariumMode;
  context.showSetiWorkUnits = m_showSetiWorkUnits;
  context.useSky2000 = m_useSky2000;
  context.installFolder = m_installFolder;
  context.bodyNames = g_bodyNames;
  context.bodyNameCount = kBodyNameCount;
  const FindResult found = FindObject(*this, query, context);

  if (found.kind == FOUND_COMET && g_comets) {
    AddToDisplayedList(found.index, g_comets[found.index].name, g_displayedCometIndices, g_displayedCometNames,
                       g_displayedCometCount);
    if (!m_showComets) {
      m_showComets = true;
      UpdateSkyPositions();
    }
  }
  if (found.kind == FOUND_ASTEROID && g_asteroids) {
    AddToDisplayedList(found.index, g_asteroids[found.index].name, g_displayedAsteroidIndices,
                       g_displayedAsteroidNames, g_displayedAsteroidCount);
    if (!m_showAsteroids) {
      m_showAsteroids = true;
      UpdateSkyPositions();
    }
  }

  if (found.kind == FOUND_NONE) {
    if (found.sky2000TilesScanned) ReleaseStarTiles();
    ::MessageBox(GetSafeHwnd(), AfxString(1039).GetString(), kFindCaption, MB_OK);
    return;
  }
  if (found.kind == FOUND_CONSTELLATION) {
    const ConstellationEntry& c = g_constellations[found.index];
    double azimuth = 0.0, altitude = 0.0;
    EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, c.rightAscension, c.declination);
    if (altitude >= 0.0) {
      m_targetRightAscension = c.rightAscension;
      m_targetDeclination = c.declination;
      m_targetAzimuth = azimuth;
      m_targetAltitude = altitude;
      m_targetMarked = true;
      ResetAndRotateCamera(static_cast<float>(-azimuth), static_cast<float>(altitude));
    } else {
      ::MessageBox(GetSafeHwnd(), AfxString(1036).GetString(), kFindCaption, MB_OK);
    }
    return;
  }
  if (m_planetariumMode) ShowFoundObject(found);
  else ShowFoundObject3D(found);
  if (found.sky2000TilesScanned) ReleaseStarTiles();
}

void CNuvarine2View::ShowFoundObject(const FindResult& found) {
  const int i = found.index;
  double ra = 0.0, dec = 0.0, azimuth = 0.0, altitude = 0.0;
  int kind = OBJECT_STAR;
  CString text;
  auto horizontal = [&] { EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, ra, dec); };
  auto j2000 = [&](double r, double d) {
    ra = r, dec = d;
    PrecessFromJ2000(ra, dec);
    horizontal();
  };
  switch (found.kind) {
    case FOUND_BRIGHT_STAR:
      j2000(g_brightStars[i].rightAscension, g_brightStars[i].declination);
      text = BuildBrightStarInfoRtf(i);
      break;
    case FOUND_SKY2000_STAR:
      j2000(g_sky2000Stars[i].rightAscension, g_sky2000Stars[i].declination);
      text = BuildSky2000StarInfoRtf(i);
      break;
    case FOUND_DEEP_SKY:
      j2000(g_deepSkyObjects[i].rightAscension, g_deepSkyObjects[i].declination);
      kind = OBJECT_DEEP_SKY;
      text = BuildDeepSkyInfoRtf(i);
      break;
    case FOUND_COMET:
      ra = g_comets[i].rightAscension, dec = g_comets[i].declination;
      horizontal();
      kind = OBJECT_COMET;
      text = BuildCometInfoRtf(i);
      break;
    case FOUND_ASTEROID:
      ra = g_asteroids[i].rightAscension, dec = g_asteroids[i].declination;
      horizontal();
      kind = OBJECT_ASTEROID;
      text = BuildAsteroidInfoRtf(i);
      break;
    case FOUND_WORK_UNIT:
      ra = m_setiStartRa, dec = m_setiStartDec;
      horizontal();
      kind = OBJECT_SETI_WORK_UNIT;
      text = BuildSetiWorkUnitInfoRtf();
      break;
    case FOUND_PLANET: {
      const BodyState& b = g_bodies[i];
      ra = b.rightAscension, dec = b.declination, azimuth = b.azimuth, altitude = b.altitude;
      kind = BodyObjectKind(i, -1.0);
      text = BuildBodyInfoRtf(i);
      break;
    }
    default: return;
  }
  if (altitude >= 0.0) {
    m_targetRightAscension = ra;
    m_targetDeclination = dec;
    m_targetAzimuth = azimuth;
    m_targetAltitude = altitude;
    m_targetMarked = true;
    if (found.kind == FOUND_PLANET) m_lockedObject = i;
    ResetAndRotateCamera(static_cast<float>(-azimuth), static_cast<float>(altitude));
  } else {
    ::MessageBox(GetSafeHwnd(), AfxString(1037).GetString(), kFindCaption, MB_OK);
  }
  CObjectInfoDialog dialog;
  dialog.m_objectKind = kind;
  dialog.m_rtfText = text;
  dialog.m_belowHorizon = altitude < 0.0;
  RunDialog(dialog);
  if (!dialog.m_follow) {
    m_telescopeFollowTarget = false;
    m_lockedObject = -1;
    return;
  }
  m_followRightAscension = m_targetRightAscension;
  m_followDeclination = m_targetDeclination;
  if (found.kind == FOUND_COMET) m_lockedObject = 2000 + i;
  if (found.kind == FOUND_ASTEROID) m_lockedObject = 1000 + i;
  m_telescopeFollowTarget = true;
  EquatorialToHorizontal(m_followAzimuth, m_followAltitude, m_localSiderealTime, m_followRightAscension,
                         m_followDeclination);
  if (m_followAltitude >= 0.0) {
    ResetAndRotateCamera(static_cast<float>(-m_followAzimuth), static_cast<float>(m_followAltitude));
  } else {
    m_telescopeFollowTarget = false;
    m_lockedObject = -1;
    ::MessageBox(GetSafeHwnd(), AfxString(1038).GetString(), kFindCaption, MB_OK);
  }
}

void CNuvarine2View::ShowFoundObject3D(const FindResult& found) {
  const int i = found.index;
  if (found.kind == FOUND_WORK_UNIT) {
    CObjectInfoDialog dialog;
    dialog.m_belowHorizon = false;
    dialog.m_objectKind = OBJECT_SETI_WORK_UNIT;
    dialog.m_rtfText = BuildSetiWorkUnitInfoRtf();
    RunDialog(dialog);
    return;
  }
  CObjectInfoDialog3D dialog;
  switch (found.kind) {
    case FOUND_BRIGHT_STAR:
      dialog.m_objectKind = OBJECT_STAR;
      dialog.m_rtfText = BuildBrightStarInfoRtf(i);
      break;
    case FOUND_DEEP_SKY:
      dialog.m_objectKind = OBJECT_DEEP_SKY;
      dialog.m_rtfText = BuildDeepSkyInfoRtf(i);
      break;
    case FOUND_COMET:
      dialog.m_objectKind = OBJECT_COMET;
      dialog.m_rtfText = BuildCometInfoRtf(i);
      break;
    case FOUND_ASTEROID:
      dialog.m_objectKind = OBJECT_ASTEROID;
      dialog.m_rtfText = BuildAsteroidInfoRtf(i);
      break;
    case FOUND_PLANET:
      dialog.m_objectKind = BodyObjectKind(i, -1.0);
      dialog.m_rtfText = BuildBodyInfoRtf(i);
      break;
    default: return;  // the tile steps do not run in this mode
  }
  RunDialog(dialog);
  if (!dialog.m_lock) return;
  if (found.kind == FOUND_COMET) m_flightTargetBody = m_lockedObject = 2000 + i;
  if (found.kind == FOUND_ASTEROID) m_flightTargetBody = m_lockedObject = 1000 + i;
  if (found.kind == FOUND_PLANET) LockOnObject(i);
}

// ---- Body commands ---------------------------------------------------------------------------------------

void CNuvarine2View::ShowBodyInformation(int body, int kind) {
  if (m_suppressObjectInfo || !ValidIndex(body, kBodyCount)) return;
  if (!m_planetariumMode) return ShowBodyInformation3D(body, kind);
  CObjectInfoDialog dialog;
  dialog.m_belowHorizon = false;
  dialog.m_objectKind = kind;
  if (body == kBodyMoon) dialog.m_objectKind = OBJECT_MOON;
  if (body == kBodySun) dialog.m_objectKind = OBJECT_SUN;
  const BodyState& b = g_bodies[body];
  if (b.diameter >= 1.0) {
    dialog.m_rtfText = BuildBodyInfoRtf(body);
  } else {
    dialog.m_objectKind = OBJECT_SPACECRAFT;
    dialog.m_rtfText = BuildSpacecraftInfoRtf(body);
  }
  // Elements too far from the instant: no place to mark, to turn to or to
  // call below the horizon; the text says why.
  if (SatelliteElementsOutOfDate(body)) {
    RunDialog(dialog);
    return;
  }
  if (b.altitude > 0.0 && body != kBodyEarth) {
    m_targetAzimuth = b.azimuth;
    m_targetAltitude = b.altitude;
    m_targetRightAscension = b.rightAscension;
    m_targetDeclination = b.declination;
    m_targetMarked = true;
    if (RunDialog(dialog) != IDOK) return;
    ResetAndRotateCamera(static_cast<float>(-m_targetAzimuth), static_cast<float>(m_targetAltitude));
    if (dialog.m_follow) m_lockedObject = body;
    if (dialog.m_center)
      ResetAndRotateCamera(static_cast<float>(-m_targetAzimuth), static_cast<float>(m_targetAltitude));
    return;
  }
  ::MessageBox(GetSafeHwnd(), AfxString(1037).GetString(), "Nuvarine 2", MB_OK);
  RunDialog(dialog);
}

void CNuvarine2View::ShowBodyInformation3D(int body, int kind) {
  CObjectInfoDialog3D dialog;
  dialog.m_objectKind = kind;
  if (body == kBodyMoon) dialog.m_objectKind = OBJECT_MOON;
  if (body == kBodySun) dialog.m_objectKind = OBJECT_SUN;
  const BodyState& b = g_bodies[body];
  if (b.diameter >= 1.0) {
    dialog.m_rtfText = BuildBodyInfoRtf(body);
  } else {
    dialog.m_objectKind = OBJECT_SPACECRAFT;
    dialog.m_rtfText = BuildSpacecraftInfoRtf(body);
  }
  if (SatelliteElementsOutOfDate(body)) {
    RunDialog(dialog);
    return;
  }
  m_lockedObject = body;
  m_targetAzimuth = b.azimuth;
  m_targetAltitude = b.altitude;
  m_targetRightAscension = b.rightAscension;
  m_targetDeclination = b.declination;
  RunDialog(dialog);
}

void CNuvarine2View::OnWorkUnitInfo() {
  if (!m_planetariumMode) {
    CObjectInfoDialog3D dialog;
    dialog.m_objectKind = OBJECT_SETI_WORK_UNIT;
    dialog.m_rtfText = BuildSetiWorkUnitInfoRtf();
    m_targetAzimuth = m_setiAzimuth;
    m_targetAltitude = m_setiAltitude;
    m_targetRightAscension = m_setiStartRa;
    m_targetDeclination = m_setiStartDec;
    m_targetMarked = true;
    RunDialog(dialog);
    return;
  }
  CObjectInfoDialog dialog;
  dialog.m_belowHorizon = false;
  dialog.m_objectKind = OBJECT_SETI_WORK_UNIT;
  dialog.m_rtfText = BuildSetiWorkUnitInfoRtf();
  if (m_setiAltitude > 0.0) {
    m_targetAzimuth = m_setiAzimuth;
    m_targetAltitude = m_setiAltitude;
    m_targetRightAscension = m_setiStartRa;
    m_targetDeclination = m_setiStartDec;
    m_targetMarked = true;
    if (RunDialog(dialog) != IDOK) return;
    ResetAndRotateCamera(static_cast<float>(-m_targetAzimuth), static_cast<float>(m_targetAltitude));
    if (dialog.m_center)
      ResetAndRotateCamera(static_cast<float>(-m_targetAzimuth), static_cast<float>(m_targetAltitude));
    return;
  }
  ::MessageBox(GetSafeHwnd(), AfxString(1037).GetString(), "Nuvarine 2", MB_OK);
  RunDialog(dialog);
}

void CNuvarine2View::OnInfoEarth() {
  if (!m_planetariumMode) GoToBody(kBodyEarth, 0.0);
  // The mode switch runs this twice with the counter at 0: no dialog then.
  if (m_frameCounter > 10) ShowBodyInformation(kBodyEarth, OBJECT_PLANET);
}

void CNuvarine2View::OnAddPictureForObject(int deepSkyIndex) {
  AjouterImage* window = m_pAddPictureDialog;
  if (!window || !g_deepSkyObjects || !ValidIndex(deepSkyIndex, g_deepSkyCount)) return;
  m_lockedObject = -1;
  m_telescopeFollowTarget = false;
  int i = 0;
  while (i < kDeepSkyPictureLimit && g_deepSkyPictures[i].objectNumber != deepSkyIndex &&
         g_deepSkyPictures[i].objectNumber != -1)
    ++i;
  const DeepSkyPicture& entry = g_deepSkyPictures[i];
  if (entry.objectNumber == deepSkyIndex) {
    window->m_currentPath = m_installFolder + "\\textures\\CP\\" + entry.fileName;
    window->m_scale = entry.scale;
    window->m_raCorrection = entry.raOffset;
    window->m_decCorrection = entry.decOffset;
    window->m_rotation = entry.rotation;
  } else {
    // A new picture starts from the plain values.
    window->m_currentPath.Empty();
    window->m_scale = 1.0f;
    window->m_raCorrection = 0.0f;
    window->m_decCorrection = 0.0f;
    window->m_rotation = 0.0f;
  }
  window->LoadEditFields();
  m_pictureTargetObject = deepSkyIndex;
  window->ShowWindow(SW_SHOWNORMAL);
}

void CNuvarine2View::MapObjectCommands() {
  struct BodyCommand {
    UINT command;
    int body;
    bool satellite;  // empties the loaded trajectory first
  };
  static const BodyCommand kCommands[] = {
      {32805, 0, false},    {32796, 1, false},    {32797, 2, false},    {32798, 4, false},    {183, 5, false},
      {32799, 5, false},    {193, 6, false},      {204, 7, false},      {210, 8, false},      {214, 9, false},
      {32804, 10, false},   {154, 11, true},      {155, 12, true},      {182, 13, false},     {184, 14, false},
      {185, 15, false},     {186, 16, false},     {189, 18, false},     {191, 19, false},     {192, 20, false},
      {194, 21, false},     {195, 22, false},     {1225, 23, false},    {197, 24, false},     {198, 25, false},
      {199, 26, false},     {202, 27, false},     {203, 28, false},     {205, 29, false},     {206, 30, false},
      {207, 31, false},     {208, 32, false},     {209, 33, false},     {211, 34, false},     {212, 35, false},
      {213, 36, false},     {215, 37, false},     {306, 44, false},     {42791, 49, true},    {42792, 50, true},
      {42793, 51, true},    {42794, 52, true},    {42795, 53, true},    {42796, 54, true},    {42797, 55, true},
      {42798, 56, true},    {10001, 59, true},    {10002, 60, true},    {10007, 61, true},    {10008, 62, true},
      {10009, 63, true},    {10010, 64, true},    {10006, 65, true},    {10003, 66, true},    {10011, 67, true},
      {10012, 68, true},    {10013, 69, true},    {10005, 70, true},
  };
  for (const BodyCommand& c : kCommands)
    MapCommand(c.command, [this, c] {
      if (c.satellite) std::memset(static_cast<void*>(g_trajectory), 0, sizeof g_trajectory);
      // A satellite without a place is not gone to: its text says why.
      if (!m_planetariumMode && !SatelliteElementsOutOfDate(c.body)) GoToBody(c.body, 0.0);
      ShowBodyInformation(c.body, OBJECT_PLANET);
    });
  MapCommand(134, [this] { OnInfoEarth(); });
  MapCommand(32783, [this] { OnWorkUnitInfo(); });
  MapCommand(32813, [this] { OnFindObject(); });
}
