// Operations of the view that other subsystems provide. Until they join,
// these keep the frame loop running: the frame's sky and body passes draw
// nothing, no tips box, options dialog or system report is shown; the camera
// turn only sets the orientation. Each definition here goes away when its
// owner's code arrives.
#include <algorithm>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

void CNuvarine2View::FrameMove(float) {
  BeginFrameTrail();
  FollowObjectWithTelescope();
  CloseIdleTelescopePort();
}

void CNuvarine2View::RenderBodiesFromEarth(D3DCOLOR) {}

void CNuvarine2View::RenderSolarSystem() {}

// The view's keys: so far only those of screenshots and movies.
void CNuvarine2View::OnKeyDown(UINT nChar, UINT, UINT) {
  AbortSlewOnEscape(nChar);
  HandleCaptureKey(nChar);
}

void CNuvarine2View::OnConfiguration() {}

void CNuvarine2View::OnSystemDiagnostic() {}

int CNuvarine2View::RunStartupBox(const CString&, int& choice) {
  choice = 0;
  return IDOK;
}

// Sky passes still to come: the Milky Way, the picture placement preview,
// deep-sky objects and survey tiles.
void CNuvarine2View::DrawMilkyWay() {}
void CNuvarine2View::DrawPicturePlacementPreview() {}
void CNuvarine2View::DrawDeepSkyObjects() {}
void CNuvarine2View::DrawSurveyTiles() {}

// Start-up and shutdown steps of subsystems still to come.
void CNuvarine2View::ReadRegistryDates() {}
void CNuvarine2View::LoadOpticsFile() {}
void CNuvarine2View::SaveOpticsFile() {}
void CNuvarine2View::ComputeStartupAlerts() {}
void CNuvarine2View::InitializeOle() {}
void CNuvarine2View::OnInfoEarth() { GoToBody(kBodyEarth, 0.0); }
void CNuvarine2View::StopDownloadThreads() {}
