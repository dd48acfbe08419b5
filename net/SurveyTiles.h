#pragma once
// Sky-survey tiles: the request of one download slot, the cache names the sky
// scene reads, the three server queries, and the slot downloads that fetch a
// tile into the cache folder and convert it to JPEG. At most three slots run,
// each on a thread of its own below normal priority.
#include <atomic>
#include <chrono>
#include <string>

#include "Download.h"

struct DssTileRequest {
  double rightAscension = 0.0;  // degrees, J2000
  double declination = 0.0;     // degrees, J2000
  char server = 3;
  char imageType = 1;
  char option = 1;
  bool go = true;
  std::string installFolder;  // any length
  bool useProxy = false;
  // Copies taken when the request is filled, so the thread races nothing.
  std::string proxyName;
  std::string host;
};

// Slot flags (1 = free), the shutdown's stop flag and whether the internet
// answered the last connection test of a tile.
extern std::atomic<bool> g_dssThreadFree[3];
extern std::atomic<bool> g_stopDownloadThreads;
extern std::atomic<bool> g_dssInternetAvailable;

// "15000-1200-3-1-1": the tile's name in the cache without folder or extension.
std::string DssTileName(double rightAscension, double declination, int server, int imageType, int option);
// The address of a tile on a server of kind 1 to 3 ("" for another kind).
std::string DssTileUrl(const std::string& host, int server, double rightAscension, double declination,
                       int imageType, int option);

// Host and port of the connection test; tests point it at their own server.
struct ConnectionTestTarget {
  std::string host = "www.minorplanetcenter.net";
  INTERNET_PORT port = 80;
};
void SetDssConnectionTest(const ConnectionTestTarget& target);
// Limits of the tile transfers; tests shorten them.
void SetDssLimits(const InternetLimits& limits);

// Tiles and servers that answer badly (no answer, an error status, a cut
// body, a redirect loop, bytes that are no picture) are not asked again
// before a pause that starts at `first` and doubles with each failure in a
// row, up to `cap`: per tile, and per server for every tile. A good tile
// ends its server's pause. Tests shorten the pauses; 0 turns them off.
void SetDssBackoff(int firstMilliseconds, int capMilliseconds);
// The clock the pauses are measured on; tests pass their own, so that what
// is asked and when does not depend on the machine's speed (nullptr: the
// steady clock).
void SetDssClock(std::chrono::steady_clock::time_point (*now)());
// Once per server and run, after three failures in a row: true, with the
// server's host, so that the user is told once that it answers badly.
bool TakeDssServerComplaint(std::string& host);

// Runs one slot's download on the calling thread: clears the slot's flag at
// its start and sets it on every way out.
void DownloadDssTile(int slot, DssTileRequest request);
// Starts the slot's thread with a copy of the request; false (and the slot
// freed) when the thread cannot start.
bool StartDssTileThread(int slot, const DssTileRequest& request);
// The shutdown: sets the stop flag, then polls the three slots every 100 ms
// up to 30 times and pauses 100 ms more (0.2 to 3.1 s in all). `sleep`
// (milliseconds) stands for the real pause in tests.
bool StopDssTileThreads(void (*sleep)(int milliseconds) = nullptr);
