// The driver-object telescope client against scripted drivers: the calls it
// makes, its error table and its modes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Registry.h"
#include "ScriptedDriver.h"
#include "TelescopeClient.h"

namespace {

std::shared_ptr<DriverScript> EquatorialMount() {
  auto s = std::make_shared<DriverScript>();
  s->Set("Connected", VARIANT::Bool(false));
  s->Set("Name", VARIANT::String("Scripted mount"));
  for (const char* can : {"CanSync", "CanSlew", "CanSlewAsync", "CanSetTracking"}) s->Set(can, VARIANT::Bool(true));
  for (const char* cannot : {"CanSyncAltAz", "CanSlewAltAz", "CanSlewAltAzAsync"}) s->Set(cannot, VARIANT::Bool(false));
  s->Set("Tracking", VARIANT::Bool(false));
  s->Set("RightAscension", VARIANT::Double(5.5));
  s->Set("Declination", VARIANT::Double(45.5));
  s->Set("Azimuth", VARIANT::Double(120.0));
  for (const char* name : {"SiteLatitude", "SiteLongitude", "SiteElevation"}) s->Set(name, VARIANT::Double(0.0));
  for (const char* method : {"AbortSlew", "SyncToCoordinates", "SlewToCoordinates", "SlewToCoordinatesAsync",
                             "SyncToAltAz", "SlewToAltAz", "SlewToAltAzAsync"})
    s->Set(method, VARIANT());
  return s;
}

class TelescopeClient : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / ("nvclient" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    SetRegistryStorePath((folder / "registry.ini").string());
    SetTelescopeClientHooks({[this](const char* text) { log += text; },
                             [this](const char* text) { boxes.push_back(text); }});
    provider = std::make_shared<ScriptedDriverProvider>();
    RegisterDriverClassProvider(provider);
    mount = EquatorialMount();
    provider->Add("Scripted.Telescope", mount);
  }
  void TearDown() override {
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
    UnregisterDriverClassProvider(provider);
    SetTelescopeClientHooks({});
    SetRegistryStorePath("");
    std::filesystem::remove_all(folder);
  }
  void Store(const std::string& progId) {
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kTelescopeDriverKey), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue(kTelescopeDriverValue, progId.c_str()), ERROR_SUCCESS);
  }
  std::string Stored() {
    CRegKey key;
    std::string value;
    if (key.Open(HKEY_CURRENT_USER, kTelescopeDriverKey) == ERROR_SUCCESS)
      key.QueryStringValue(kTelescopeDriverValue, value);
    return value;
  }
  void Connect() {
    Store("Scripted.Telescope");
    ASSERT_EQ(ConnectTelescope(), 0) << log;
    log.clear();
    mount->calls.clear();
  }
  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const auto& c : mount->calls) names.push_back(c.name);
    return names;
  }

  std::filesystem::path folder;
  std::shared_ptr<ScriptedDriverProvider> provider;
  std::shared_ptr<DriverScript> mount;
  std::string log;
  std::vector<std::string> boxes;
};

}  // namespace

TEST_F(TelescopeClient, ConnectsThenSlewsEquatorially) {
  Store("Scripted.Telescope");
  ASSERT_EQ(ConnectTelescope(), 0);
  EXPECT_TRUE(g_telescopeDriverConnected);
  EXPECT_EQ(g_telescopeDriverName, "Scripted mount");
  EXPECT_TRUE(g_telescopeReportsEquatorial);
  ASSERT_FALSE(mount->calls.empty());
  const auto& connected = mount->calls[0];
  EXPECT_EQ(connected.name, "Connected");
  EXPECT_EQ(connected.flags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(connected.args.size(), 1u);
  EXPECT_EQ(connected.args[0].vt, VT_BOOL);
  EXPECT_EQ(connected.args[0].boolVal, VARIANT_TRUE);
  EXPECT_EQ(log, "");

  mount->calls.clear();
  EXPECT_EQ(SlewTelescope(5.5, 45.5), 0);
  EXPECT_EQ(CallNames(), (std::vector<std::string>{"CanSetTracking", "Tracking", "SlewToCoordinatesAsync"}));
  EXPECT_EQ(mount->calls[1].args[0].vt, VT_UI1);
  EXPECT_EQ(mount->calls[1].args[0].bVal, 1);
  ASSERT_EQ(mount->calls[2].args.size(), 2u);
  EXPECT_EQ(mount->calls[2].args[0].dblVal, 5.5);  // hours first
  EXPECT_EQ(mount->calls[2].args[1].dblVal, 45.5);
  EXPECT_EQ(log, "AD=82.500\xB0  Dec=45.500\xB0\r\n");

  PutSiteLongitude(-11.5);
  EXPECT_EQ(mount->members["SiteLongitude"].value.dblVal, -11.5);
  EXPECT_EQ(GetTelescopeRightAscension(), 5.5);
  DisconnectTelescope();
  EXPECT_EQ(mount->liveObjects, 0);
  EXPECT_EQ(mount->CountCalls("Connected"), 0);  // not switched off
}

TEST_F(TelescopeClient, ConnectionFailuresAreLoggedAndFail) {
  struct Case {
    std::function<void()> arrange;
    const char* line;
  } cases[] = {
      {[] {}, "You have not yet configured your telescope type and settings.\r\n"},
      {[this] { Store("indi:driver=nothing"); }, "Failed to find scope driver indi:driver=nothing.\r\n"},
      {[this] {
         Store("Scripted.Telescope");
         provider->m_createFailure = CO_E_SERVER_EXEC_FAILURE;
       },
       "Failed to create an instance of the scope driver Scripted.Telescope.\r\n"},
      {[this] {
         Store("Scripted.Telescope");
         mount->members.erase("Connected");
       },
       "The ASCOM scope driver is missing the Connected property.\r\n"},
      {[this] {
         Store("Scripted.Telescope");
         mount->Fail("Connected", E_FAIL);
       },
       "the Connect failed internally.\r\n"},
      {[this] {
         Store("Scripted.Telescope");
         mount->Fail("Connected", E_FAIL, "Simulator: ", "port busy");
       },
       "Simulator: port busy\r\n"},
  };
  for (const Case& c : cases) {
    mount = EquatorialMount();
    provider->Add("Scripted.Telescope", mount);
    provider->m_createFailure = S_OK;
    log.clear();
    c.arrange();
    EXPECT_EQ(ConnectTelescope(), -1);
    EXPECT_EQ(log, c.line);
    EXPECT_FALSE(g_telescopeDriverConnected);
    // The command releases whatever the attempt left, which may be nothing.
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
    EXPECT_EQ(g_pTelescopeDriver, nullptr);
    EXPECT_EQ(mount->liveObjects, 0);
  }
}

TEST_F(TelescopeClient, MissingMemberLogsItsLineAndDisconnects) {
  struct Case {
    const char* member;
    std::function<void()> call;
    const char* line;
  } cases[] = {
      {"Tracking", [] { SlewTelescope(1.0, 2.0); }, "The selected telescope driver is missing the Tracking property."},
      {"AbortSlew", [] { AbortTelescopeSlew(); }, "The ASCOM scope driver is missing the AbortSlew property."},
      {"SlewToCoordinatesAsync", [] { SlewTelescope(1.0, 2.0); },
       "AD=15.000\xB0  Dec=2.000\xB0\r\nThe ASCOM scope driver is missing the SlewToCoordinatesAsync method."},
      {"SyncToCoordinates", [] { SyncTelescope(1.0, 2.0); },
       "The ASCOM scope driver is missing the SyncToCoordinates method."},
      {"SiteElevation", [] { PutSiteElevation(500.0); },
       "The selected telescope driver is missing the SiteElevation property."},
      {"Declination", [] { GetTelescopeDeclination(); },
       "The selected telescope driver is missing the Declination property."},
  };
  for (const Case& c : cases) {
    mount = EquatorialMount();
    provider->Add("Scripted.Telescope", mount);
    Connect();
    mount->members.erase(c.member);
    c.call();
    EXPECT_EQ(log, std::string(c.line) + "\r\n") << c.member;
    EXPECT_FALSE(g_telescopeDriverConnected);
    EXPECT_EQ(g_pTelescopeDriver, nullptr);
    EXPECT_EQ(mount->liveObjects, 0);
    // Without a driver nothing is called: reads give 0, a slew 0, a sync -1.
    EXPECT_EQ(GetTelescopeRightAscension(), 0.0);
    EXPECT_EQ(SlewTelescope(1.0, 2.0), 0);
    EXPECT_EQ(SyncTelescope(1.0, 2.0), -1);
  }
}

TEST_F(TelescopeClient, NotImplementedIsSilentOtherFailuresAreReported) {
  mount->Fail("CanSlewAsync", SCODE_NOT_IMPLEMENTED, "Driver", "not implemented");
  Connect();
  EXPECT_FALSE(g_telescopeCanSlewAsync);
  EXPECT_EQ(SlewTelescope(5.0, 10.0), 0);
  EXPECT_EQ(mount->calls.back().name, "SlewToCoordinates");
  EXPECT_EQ(log, "AD=75.000\xB0  Dec=10.000\xB0\r\n");

  // A slew that fails is reported but keeps the driver.
  log.clear();
  mount->Fail("SlewToCoordinates", static_cast<HRESULT>(0x80040402u));
  EXPECT_EQ(SlewTelescope(5.0, 10.0), 0);
  EXPECT_EQ(log, "AD=75.000\xB0  Dec=10.000\xB0\r\nSlew to object failed internally.\r\n");
  EXPECT_TRUE(g_telescopeDriverConnected);

  // A property read that fails otherwise reports and disconnects.
  log.clear();
  mount->Fail("Declination", static_cast<HRESULT>(0x80040402u), "Mount: ", "lost");
  EXPECT_EQ(GetTelescopeDeclination(), 0.0);
  EXPECT_EQ(log, "Mount: lost\r\n");
  EXPECT_FALSE(g_telescopeDriverConnected);
}

TEST_F(TelescopeClient, AltAzimuthDriverSlewsInDegreesWithTrackingOff) {
  for (bool async : {true, false}) {
    mount = EquatorialMount();
    provider->Add("Scripted.Telescope", mount);
    for (const char* can : {"CanSync", "CanSlew", "CanSlewAsync"}) mount->Set(can, VARIANT::Bool(false));
    mount->Set("CanSlewAltAzAsync", VARIANT::Bool(async));
    mount->Set("CanSlewAltAz", VARIANT::Bool(true));
    Connect();
    EXPECT_FALSE(g_telescopeReportsEquatorial);
    EXPECT_EQ(SlewTelescope(120.0, 35.0), 0);
    EXPECT_EQ(CallNames(), (std::vector<std::string>{"CanSetTracking", "Tracking",
                                                     async ? "SlewToAltAzAsync" : "SlewToAltAz"}));
    EXPECT_EQ(mount->calls[1].args[0].bVal, 0);
    EXPECT_EQ(mount->calls[2].args[0].dblVal, 120.0);
    EXPECT_EQ(SyncTelescope(120.0, 35.0), 0);
    EXPECT_EQ(mount->calls.back().name, "SyncToAltAz");
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
  }
}

TEST_F(TelescopeClient, EscapedFaultsDecideTheModeOrFail) {
  // Right ascension escaping as "not implemented": alt-azimuth mode.
  mount->Escape("RightAscension", SCODE_NOT_IMPLEMENTED);
  Connect();
  EXPECT_FALSE(g_telescopeReportsEquatorial);
  EXPECT_TRUE(boxes.empty());
  g_telescopeDriverConnected = true;
  DisconnectTelescope();

  struct Case {
    const char* member;
    HRESULT code;
    const char* line;
    bool box;
  } cases[] = {
      {"RightAscension", static_cast<HRESULT>(0x80040405u), "Some real error, has been alerted.", false},
      {"Azimuth", SCODE_NOT_IMPLEMENTED,
       "The selected telescope does not support either RA/Dec or Alt/Az readout. Cannot continue.", true},
      {"Azimuth", static_cast<HRESULT>(0x80040405u),
       "The selected telescope does not support either RA/Dec or Alt/Az readout. Cannot continue.", false},
      {"CanSync", static_cast<HRESULT>(0x80040405u), "Erreur inconnue !", false},
  };
  for (const Case& c : cases) {
    mount = EquatorialMount();
    provider->Add("Scripted.Telescope", mount);
    mount->Escape("RightAscension", SCODE_NOT_IMPLEMENTED);
    mount->Escape(c.member, c.code);
    boxes.clear();
    log.clear();
    EXPECT_EQ(ConnectTelescope(), -1) << c.member;
    EXPECT_EQ(log, std::string(c.line) + "\r\n");
    EXPECT_EQ(boxes.size(), c.box ? 1u : 0u);
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
  }

  // A slew escaping returns -1 (the frame then syncs).
  mount = EquatorialMount();
  provider->Add("Scripted.Telescope", mount);
  mount->Escape("SlewToCoordinatesAsync", E_FAIL);
  Connect();
  EXPECT_EQ(SlewTelescope(1.0, 2.0), -1);
  EXPECT_EQ(SyncTelescope(1.0, 2.0), 0);
  EXPECT_EQ(mount->calls.back().name, "SyncToCoordinates");
}

TEST_F(TelescopeClient, ChooserStoresTheChoiceAndCancelKeepsThePrevious) {
  auto chooser = std::make_shared<DriverScript>();
  chooser->Set("Choose", VARIANT::String("Scripted.Telescope"));
  provider->Add("DriverHelper.Chooser", chooser);
  Store("Previous.Driver");
  EXPECT_EQ(ChooseTelescopeDriver(), 0);
  ASSERT_EQ(chooser->calls.size(), 1u);
  EXPECT_EQ(chooser->calls[0].args[0].bstrVal, "Previous.Driver");
  EXPECT_EQ(Stored(), "Scripted.Telescope");
  EXPECT_EQ(chooser->liveObjects, 0);

  chooser->Set("Choose", VARIANT::String(""));  // cancelled
  EXPECT_EQ(ChooseTelescopeDriver(), 0);
  EXPECT_EQ(Stored(), "Scripted.Telescope");

  chooser->Set("Choose", VARIANT::Double(3.0));
  EXPECT_EQ(ChooseTelescopeDriver(), 0);
  EXPECT_EQ(log, "The Chooser returned something other than a string.\r\n");
  EXPECT_EQ(Stored(), "Scripted.Telescope");
}

TEST_F(TelescopeClient, MissingChooserIsReported) {
  EXPECT_EQ(ChooseTelescopeDriver(), 0);
  EXPECT_EQ(log, "Failed to find the ASCOM Scope Chooser component. Is it installed?\r\n");
}
