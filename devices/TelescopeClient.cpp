#include "TelescopeClient.h"
#include <algorithm>

#include "NumberFormat.h"
#include "Registry.h"

IDispatch* g_pTelescopeDriver = nullptr;
bool g_telescopeDriverConnected = false;
CString g_telescopeDriverName;
bool g_telescopeCanSync = false;
bool g_telescopeCanSlew = false;
bool g_telescopeCanSlewAsync = false;
bool g_telescopeCanSyncAltAz = false;
bool g_telescopeCanSlewAltAz = false;
bool g_telescopeCanSlewAltAzAsync = false;
bool g_telescopeReportsEquatorial = false;

const char* const kTelescopeDriverKey = "Software\\Nuvarine2\\Telescope";
const char* const kTelescopeDriverValue = "ASCOM Driver ID";

namespace {

TelescopeClientHooks g_hooks;
// The code of a fault that escaped the last driver call (0: none). Only the
// calls that guard against escaping faults look at it.
HRESULT g_escapedCode = 0;

void Log(const std::string& text) {
  if (g_hooks.log) g_hooks.log(text.c_str());
}

enum class CallResult { Ok, Missing, Failed, Escaped };

// One late-bound call: resolve the name anew, then invoke.
CallResult Call(IDispatch* object, const char* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                EXCEPINFO& exception) {
  DISPID id = 0;
  if (!object || FAILED(object->GetIDsOfNames(name, &id))) return CallResult::Missing;
  DISPPARAMS params;
  std::reverse(args.begin(), args.end());  // the last argument first
  DISPID named = DISPID_PROPERTYPUT;
  params.rgvarg = args.empty() ? nullptr : args.data();
  params.cArgs = static_cast<UINT>(args.size());
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  VARIANT ignored;
  const HRESULT hr = object->Invoke(id, flags, &params, result ? result : &ignored, &exception);
  if (hr == AUTOMATION_E_ESCAPED) {
    g_escapedCode = exception.scode ? exception.scode : E_FAIL;
    return CallResult::Escaped;
  }
  return FAILED(hr) ? CallResult::Failed : CallResult::Ok;
}

std::string Missing(const char* name) {
  return FormatC("The selected telescope driver is missing the %s property.", name);
}

// The generic property routines: a missing member reports with
// disconnection; a failed call reports unless the driver says the member
// is not implemented. An escaped fault is left to the guarded caller.
void PutProperty(const char* name, VARIANT value) {
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, name, DISPATCH_PROPERTYPUT, {std::move(value)}, nullptr, exception)) {
    case CallResult::Missing:
      ReportTelescopeError(nullptr, Missing(name).c_str(), true);
      break;
    case CallResult::Failed:
      if (exception.scode != SCODE_NOT_IMPLEMENTED)
        ReportTelescopeError(&exception, FormatC("Internal error writing to the %s property.", name).c_str(), true);
      break;
    default:
      break;
  }
}

bool GetProperty(const char* name, VARIANT& value) {
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, name, DISPATCH_PROPERTYGET, {}, &value, exception)) {
    case CallResult::Ok:
      return true;
    case CallResult::Missing:
      ReportTelescopeError(nullptr, Missing(name).c_str(), true);
      return false;
    case CallResult::Failed:
      if (exception.scode != SCODE_NOT_IMPLEMENTED)
        ReportTelescopeError(&exception, FormatC("Internal error reading from the %s property.", name).c_str(), true);
      return false;
    case CallResult::Escaped:
      return false;
  }
  return false;
}

bool ReadStoredDriverId(std::string& progId, LONG& openResult) {
  CRegKey key;
  openResult = key.Open(HKEY_CURRENT_USER, kTelescopeDriverKey);
  if (openResult != ERROR_SUCCESS) return false;
  char buffer[256] = {};
  unsigned long chars = sizeof buffer;
  if (key.QueryStringValue(kTelescopeDriverValue, buffer, &chars) != ERROR_SUCCESS) return false;
  progId = buffer;
  return true;
}

}  // namespace

void SetTelescopeClientHooks(TelescopeClientHooks hooks) { g_hooks = std::move(hooks); }

bool InitializeOle() { return true; }

void ReportTelescopeError(const EXCEPINFO* exception, const char* message, bool disconnect) {
  if (exception && (!exception->bstrSource.empty() || !exception->bstrDescription.empty()))
    Log(exception->bstrSource + exception->bstrDescription + "\r\n");
  else
    Log(std::string(message ? message : "") + "\r\n");
  if (disconnect) DisconnectTelescope();
}

int ChooseTelescopeDriver() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID("DriverHelper.Chooser", &clsid))) {
    ReportTelescopeError(nullptr, "Failed to find the ASCOM Scope Chooser component. Is it installed?", true);
    return 0;
  }
  IDispatch* chooser = nullptr;
  const HRESULT created = CoCreateInstance(clsid, &chooser);
  if (FAILED(created)) {
    ReportTelescopeError(nullptr, "Failed to create an instance of the ASCOM Scope Chooser. Is it installed?", true);
    return 0;
  }
  if (!chooser) {
    ReportTelescopeError(nullptr, "pChsrDsp error.", true);
    return 0;
  }
  DISPID id = 0;
  if (FAILED(chooser->GetIDsOfNames("Choose", &id))) {
    chooser->Release();
    ReportTelescopeError(nullptr, "The ASCOM Scope Chooser is missing the Choose method.", true);
    return 0;
  }
  std::string previous;
  LONG opened = 0;
  if (!ReadStoredDriverId(previous, opened)) previous.clear();
  if (previous.size() > 255) previous.resize(255);

  VARIANT argument = VARIANT::String(previous), result;
  DISPPARAMS params;
  params.rgvarg = &argument;
  params.cArgs = 1;
  EXCEPINFO exception;
  const HRESULT hr = chooser->Invoke(id, DISPATCH_METHOD, &params, &result, &exception);
  if (hr == AUTOMATION_E_ESCAPED) {
    chooser->Release();
    return -1;
  }
  if (FAILED(hr)) {
    chooser->Release();
    ReportTelescopeError(&exception, "The Choose() method failed internally.", true);
    return 0;
  }
  if (result.vt != VT_BSTR) {
    chooser->Release();
    ReportTelescopeError(nullptr, "The Chooser returned something other than a string.", true);
    return 0;
  }
  chooser->Release();
  if (result.bstrVal.empty()) return 0;  // cancelled: nothing stored
  CRegKey key;
  if (key.Create(HKEY_CURRENT_USER, kTelescopeDriverKey) != ERROR_SUCCESS) {
    ReportTelescopeError(nullptr, "Failed to create or open the plug-in's registry area.", true);
    return 0;
  }
  std::string chosen = result.bstrVal;
  if (chosen.size() > 255) chosen.resize(255);
  if (key.SetStringValue(kTelescopeDriverValue, chosen.c_str()) != ERROR_SUCCESS)
    ReportTelescopeError(nullptr, "Failed to store the driver name into the registry.", true);
  return 0;
}

short ConnectTelescope() {
  g_telescopeDriverConnected = false;
  g_escapedCode = 0;
  std::string progId;
  LONG opened = 0;
  if (!ReadStoredDriverId(progId, opened)) {
    ReportTelescopeError(nullptr,
                         opened != ERROR_SUCCESS ? "You have not yet configured your telescope type and settings."
                                                 : "Failed to read the driver ID from the registry.",
                         true);
    return -1;
  }
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) {
    ReportTelescopeError(nullptr, FormatC("Failed to find scope driver %s.", progId.c_str()).c_str(), true);
    return -1;
  }
  if (g_pTelescopeDriver) {  // a driver left by an earlier attempt
    g_pTelescopeDriver->Release();
    g_pTelescopeDriver = nullptr;
  }
  if (FAILED(CoCreateInstance(clsid, &g_pTelescopeDriver)) || !g_pTelescopeDriver) {
    g_pTelescopeDriver = nullptr;
    ReportTelescopeError(nullptr, FormatC("Failed to create an instance of the scope driver %s.", progId.c_str()).c_str(),
                         true);
    return -1;
  }
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, "Connected", DISPATCH_PROPERTYPUT, {VARIANT::Bool(true)}, nullptr, exception)) {
    case CallResult::Ok:
      break;
    case CallResult::Missing:
      ReportTelescopeError(nullptr, "The ASCOM scope driver is missing the Connected property.", true);
      return -1;
    case CallResult::Failed:
      ReportTelescopeError(&exception, "the Connect failed internally.", true);
      return -1;
    case CallResult::Escaped:
      ReportTelescopeError(nullptr, "Erreur inconnue !", true);
      return -1;
  }

  g_telescopeDriverName = GetTelescopeName();
  g_telescopeCanSync = GetCanSync();
  g_telescopeCanSlew = GetCanSlew();
  g_telescopeCanSlewAsync = GetCanSlewAsync();
  g_telescopeCanSyncAltAz = GetCanSyncAltAz();
  g_telescopeCanSlewAltAz = GetCanSlewAltAz();
  g_telescopeCanSlewAltAzAsync = GetCanSlewAltAzAsync();
  if (g_escapedCode != 0) {
    ReportTelescopeError(nullptr, "Erreur inconnue !", true);
    return -1;
  }

  // Mode test: a driver that cannot give right ascension works in azimuth
  // and altitude.
  g_telescopeReportsEquatorial = false;
  GetTelescopeRightAscension();
  if (g_escapedCode == 0) {
    g_telescopeReportsEquatorial = true;
  } else if (g_escapedCode != SCODE_NOT_IMPLEMENTED) {
    ReportTelescopeError(nullptr, "Some real error, has been alerted.", true);
    return -1;
  }
  g_escapedCode = 0;
  if (!g_telescopeCanSync && !g_telescopeCanSlew && !g_telescopeCanSlewAsync) g_telescopeReportsEquatorial = false;
  if (!g_telescopeReportsEquatorial) {
    GetTelescopeAzimuth();
    if (g_escapedCode != 0) {
      const char* text = "The selected telescope does not support either RA/Dec or Alt/Az readout. Cannot continue.";
      if (g_escapedCode == SCODE_NOT_IMPLEMENTED && g_hooks.messageBox) g_hooks.messageBox(text);
      ReportTelescopeError(nullptr, text, true);
      g_escapedCode = 0;
      return -1;
    }
  }
  // A report on the way may have dropped the driver: not connected then.
  if (!g_pTelescopeDriver) return -1;
  g_telescopeDriverConnected = true;
  return 0;
}

void DisconnectTelescope() {
  if (!g_telescopeDriverConnected) return;
  if (g_pTelescopeDriver) g_pTelescopeDriver->Release();
  g_pTelescopeDriver = nullptr;
  g_telescopeDriverName.Empty();
  g_telescopeDriverConnected = false;
}

void PutDriverBoolProperty(const char* name, bool value) { PutProperty(name, VARIANT::Byte(value ? 1 : 0)); }

bool GetDriverBoolProperty(const char* name) {
  VARIANT value;
  return GetProperty(name, value) && value.boolVal == VARIANT_TRUE;
}

void PutDriverDoubleProperty(const char* name, double value) { PutProperty(name, VARIANT::Double(value)); }

double GetDriverDoubleProperty(const char* name) {
  VARIANT value;
  return GetProperty(name, value) ? value.dblVal : 0.0;
}

CString GetTelescopeName() {
  VARIANT value;
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, "Name", DISPATCH_PROPERTYGET, {}, &value, exception)) {
    case CallResult::Ok:
      return CString(value.bstrVal);
    case CallResult::Missing:
      ReportTelescopeError(nullptr, "The ASCOM scope driver is missing the Name property.", true);
      break;
    case CallResult::Failed:
      ReportTelescopeError(&exception, "Internal error getting Name property.", true);
      break;
    case CallResult::Escaped:
      break;
  }
  return CString();
}

void AbortTelescopeSlew() {
  if (!g_pTelescopeDriver) return;
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, "AbortSlew", DISPATCH_METHOD, {}, nullptr, exception)) {
    case CallResult::Missing:
      ReportTelescopeError(nullptr, "The ASCOM scope driver is missing the AbortSlew property.", true);
      break;
    case CallResult::Failed:
      ReportTelescopeError(&exception, "AbortSlew failed internally.", true);
      break;
    default:
      break;
  }
}

void SetTelescopeTracking(bool on) {
  if (GetCanSetTracking()) PutDriverBoolProperty("Tracking", on);
}

short SyncTelescope(double first, double second) {
  if (!g_pTelescopeDriver || !g_telescopeDriverConnected) return -1;
  const char* method = g_telescopeReportsEquatorial ? "SyncToCoordinates" : "SyncToAltAz";
  SetTelescopeTracking(g_telescopeReportsEquatorial);
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, method, DISPATCH_METHOD, {VARIANT::Double(first), VARIANT::Double(second)},
               nullptr, exception)) {
    case CallResult::Missing:
      ReportTelescopeError(nullptr, "The ASCOM scope driver is missing the SyncToCoordinates method.", true);
      break;
    case CallResult::Failed:
      ReportTelescopeError(&exception, "Sync to coordinates failed internally.", true);
      break;
    case CallResult::Escaped:
      g_escapedCode = 0;
      return -1;
    case CallResult::Ok:
      break;
  }
  return 0;
}

short SlewTelescope(double first, double second) {
  if (!g_pTelescopeDriver) return 0;
  if (!g_telescopeDriverConnected) return -1;
  const char* method = g_telescopeReportsEquatorial
                           ? (g_telescopeCanSlewAsync ? "SlewToCoordinatesAsync" : "SlewToCoordinates")
                           : (g_telescopeCanSlewAltAzAsync ? "SlewToAltAzAsync" : "SlewToAltAz");
  SetTelescopeTracking(g_telescopeReportsEquatorial);
  // The tracking put may have reported and dropped the driver.
  if (!g_pTelescopeDriver) return 0;
  Log(FormatC("AD=%3.3f\xB0  Dec=%3.3f\xB0", first * 15.0, second) + "\r\n");
  EXCEPINFO exception;
  switch (Call(g_pTelescopeDriver, method, DISPATCH_METHOD, {VARIANT::Double(first), VARIANT::Double(second)},
               nullptr, exception)) {
    case CallResult::Missing:
      ReportTelescopeError(nullptr, FormatC("The ASCOM scope driver is missing the %s method.", method).c_str(), true);
      break;
    case CallResult::Failed:
      ReportTelescopeError(&exception, "Slew to object failed internally.", false);
      break;
    case CallResult::Escaped:
      g_escapedCode = 0;
      return -1;
    case CallResult::Ok:
      break;
  }
  return 0;
}

bool GetCanSync() { return GetDriverBoolProperty("CanSync"); }
bool GetCanSlew() { return GetDriverBoolProperty("CanSlew"); }
bool GetCanSlewAsync() { return GetDriverBoolProperty("CanSlewAsync"); }
bool GetCanSyncAltAz() { return GetDriverBoolProperty("CanSyncAltAz"); }
bool GetCanSlewAltAz() { return GetDriverBoolProperty("CanSlewAltAz"); }
bool GetCanSlewAltAzAsync() { return GetDriverBoolProperty("CanSlewAltAzAsync"); }
bool GetCanSetTracking() { return GetDriverBoolProperty("CanSetTracking"); }
double GetTelescopeRightAscension() { return GetDriverDoubleProperty("RightAscension"); }
double GetTelescopeDeclination() { return GetDriverDoubleProperty("Declination"); }
double GetTelescopeAzimuth() { return GetDriverDoubleProperty("Azimuth"); }
void PutSiteLatitude(double degrees) { PutDriverDoubleProperty("SiteLatitude", degrees); }
void PutSiteLongitude(double degrees) { PutDriverDoubleProperty("SiteLongitude", degrees); }
void PutSiteElevation(double metres) { PutDriverDoubleProperty("SiteElevation", metres); }
