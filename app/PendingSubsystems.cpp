// Operations of the view that other subsystems provide. Until they join,
// these keep the frame loop running: the frame's sky and body passes draw
// nothing, no options dialog or system report is shown; the camera
// turn only sets the orientation. Each definition here goes away when its
// owner's code arrives.
#include <algorithm>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

// Dialogs and commands of subsystems still to come.

// Start-up and shutdown steps of subsystems still to come.
void CNuvarine2View::InitializeOle() {}
