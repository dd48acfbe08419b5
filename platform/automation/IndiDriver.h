#pragma once
// The INDI backend of the driver objects: a telescope device of an INDI
// server behind the telescope members (coordinates of date, sync and slew,
// abort, tracking, site, capabilities). No call waits on the network: reads
// take the latest values the server sent, sends are queued to a worker.
//
// Reaching a server sets LC_NUMERIC to "C" for the process: the INDI
// library formats and parses numbers with the C library on its own threads.
//
// ProgID: "indi:driver=<executable>;device=<device name>;server=<host>:<port>"
// (at most 255 bytes). The class exists when the server offers the device or
// INDI's driver list has the driver; for a local address with no server
// running, creating the object starts indiserver with the driver, stopped
// when the object goes and at exit.
#include <string>
#include <vector>

#include "Automation.h"

struct IndiDriverId {
  std::string driver;
  std::string device;
  std::string host = "localhost";
  int port = 7624;
};
bool ParseIndiProgId(const std::string& progId, IndiDriverId& id);
std::string MakeIndiProgId(const IndiDriverId& id);

// One entry of the "Telescopes" group of INDI's driver list.
struct IndiDriverEntry {
  std::string label;   // "Telescope Simulator"
  std::string driver;  // "indi_simulator_telescope"
};
std::vector<IndiDriverEntry> ReadIndiTelescopeDrivers(const std::string& listPath = "/usr/share/indi/drivers.xml");
// Telescope devices a running server offers (bounded waits; empty when none answers).
std::vector<std::string> ListIndiTelescopes(const std::string& host, int port, int timeoutMs = 2000);

// Registers the INDI class provider (once).
void RegisterIndiDriverClasses();
// Stops every server this process started (also run at exit).
void StopStartedIndiServers();

// How long the backend waits, in ms: connecting to a server, a started
// server coming up, a device's properties after connecting.
struct IndiTimeouts {
  int connectMs = 2000;
  int serverStartMs = 8000;
  int propertiesMs = 8000;
};
void SetIndiTimeouts(const IndiTimeouts& timeouts);
