#pragma once
// The telescope client over a late-bound driver object: choosing the driver,
// connecting, the property and method calls with their error reports, sync
// and slew. Free functions over process-wide state, user-interface thread
// only. Errors go to the telescope log; nothing here shows a window except
// through the message hook (one readout message).
#include <functional>

#include "Automation.h"
#include "CString.h"

extern IDispatch* g_pTelescopeDriver;
extern bool g_telescopeDriverConnected;
extern CString g_telescopeDriverName;
extern bool g_telescopeCanSync;
extern bool g_telescopeCanSlew;
extern bool g_telescopeCanSlewAsync;
extern bool g_telescopeCanSyncAltAz;
extern bool g_telescopeCanSlewAltAz;
extern bool g_telescopeCanSlewAltAzAsync;
extern bool g_telescopeReportsEquatorial;

// Where the client writes (the telescope log; empty: log closed) and how it
// shows its one message box. The view sets both at start-up.
struct TelescopeClientHooks {
  std::function<void(const char* text)> log;
  std::function<void(const char* text)> messageBox;
};
void SetTelescopeClientHooks(TelescopeClientHooks hooks);

// Our per-user store key and value of the chosen driver's ProgID.
extern const char* const kTelescopeDriverKey;
extern const char* const kTelescopeDriverValue;  // "ASCOM Driver ID"

bool InitializeOle();
void ReportTelescopeError(const EXCEPINFO* exception, const char* message, bool disconnect);
int ChooseTelescopeDriver();
short ConnectTelescope();
void DisconnectTelescope();

void PutDriverBoolProperty(const char* name, bool value);
bool GetDriverBoolProperty(const char* name);
void PutDriverDoubleProperty(const char* name, double value);
double GetDriverDoubleProperty(const char* name);

CString GetTelescopeName();
void AbortTelescopeSlew();
void SetTelescopeTracking(bool on);
// Coordinates: right ascension in hours or azimuth in degrees, then
// declination or altitude in degrees. 0, or -1 on failure.
short SyncTelescope(double first, double second);
short SlewTelescope(double first, double second);

bool GetCanSync();
bool GetCanSlew();
bool GetCanSlewAsync();
bool GetCanSyncAltAz();
bool GetCanSlewAltAz();
bool GetCanSlewAltAzAsync();
bool GetCanSetTracking();
double GetTelescopeRightAscension();
double GetTelescopeDeclination();
double GetTelescopeAzimuth();
void PutSiteLatitude(double degrees);
void PutSiteLongitude(double degrees);
void PutSiteElevation(double metres);
