// Operations of the view that other subsystems provide. Until they join,
// these keep the frame loop running: the frame's sky and body passes draw
// nothing, the GPS is not read, no tips box, options dialog or system report
// is shown. Each definition here goes away when its owner's code arrives.
#include <algorithm>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

void CNuvarine2View::FrameMove(float) { BeginFrameTrail(); }

void CNuvarine2View::DrawSkyScene() {}

void CNuvarine2View::RenderBodiesFromEarth(D3DCOLOR) {}

void CNuvarine2View::RenderSolarSystem() {}

void CNuvarine2View::OnConfiguration() {}

void CNuvarine2View::OnSystemDiagnostic() {}

void CNuvarine2View::PollGpsReceiver() {}

int CNuvarine2View::RunStartupBox(const CString&, int& choice) {
  choice = 0;
  return IDOK;
}
