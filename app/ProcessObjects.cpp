// Every process-wide object in one place, so their construction order is
// the declaration order below.
#include "ProcessObjects.h"

#include "Nuvarine2App.h"

CNuvarine2App g_app;
CFile g_telescopeLog;
BOOL g_telescopeLogOpen = FALSE;

CString g_bodyNames[kBodyNameCount] = {
    "Sun", "Mercury", "Venus", "Earth", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto", "Moon",
    "Hubble", "ISS", "Io", "Europa", "Ganymede", "Callisto", "Galileo", "Phobos", "Deimos", "Mimas", "Titan",
    "Encelade", "Tethys", "Dione", "Rhea", "Hyperion", "Iapetus", "Phoebe", "Miranda", "Ariel", "Umbriel",
    "Titania", "Oberon", "Protee", "Triton", "Nereide", "Charon", "Voyager 2", "Spirit", "Cassini", "Voyager 1",
    "Pionner 10", "Rosetta", "Sedna", "Deep Impact", "Tempel 1", "New horizons", "Mars Express", "NOAA-10",
    "NOAA-11", "NOAA-12", "NOAA-14", "NOAA-15", "NOAA-16", "NOAA-17", "NOAA-18", "Venus Express", "Near",
    "Jason 1", "Envisat", "Cluster 5", "Cluster 6", "Cluster 7", "Cluster 8", "Calipso", "Demeter", "Spot 2",
    "Spot 4", "Spot 5", "Corot", "Huygens"};

CString g_weekdayNames[7] = {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};

CString g_monthNames[12] = {"january", "february", "march",     "april",   "may",      "june",
                            "july",    "august",   "september", "october", "november", "december"};

CString g_greekLetterNames[24] = {"Alpha", "Beta", "Gamma",   "Delta", "Epsilon", "Zeta",    "Eta",  "Theta",
                                  "Iota",  "Kappa", "Lambda", "Mu ",   "Nu ",     "Xi ",     "Omicron", "Pi ",
                                  "Rho ",  "Sigma", "Tau",    "Upsilon", "Phi",   "Khi",     "Psi",  "Omega"};

BOOL OpenTelescopeLog(const CString& installFolder) {
  CloseTelescopeLog();
  CString path = installFolder + "\\telescope.log";
  g_telescopeLogOpen = g_telescopeLog.Open(path.c_str(), CFile::modeWrite);
  if (!g_telescopeLogOpen) {
    g_telescopeLogOpen = g_telescopeLog.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate);
    if (g_telescopeLogOpen) g_telescopeLog.SeekToEnd();
  } else {
    g_telescopeLog.SeekToEnd();
  }
  if (g_telescopeLogOpen && g_telescopeLog.GetLength() > 10000) {
    g_telescopeLog.SetLength(0);
    // Emptying keeps the write position: go back to the start, or the next
    // piece would leave 10000 zero bytes in front of it.
    g_telescopeLog.SeekToBegin();
  }
  return g_telescopeLogOpen;
}

void WriteTelescopeLog(const char* piece) {
  if (!g_telescopeLogOpen || !piece) return;
  // The 10000-byte rule holds on every write, not only at start-up: a night
  // of following would otherwise grow the log by about a megabyte an hour.
  if (g_telescopeLog.GetLength() > 10000) {
    g_telescopeLog.SetLength(0);
    g_telescopeLog.SeekToBegin();
  }
  CString text = piece;
  g_telescopeLog.Write(text.data(), static_cast<UINT>(text.size()));
}

void CloseTelescopeLog() {
  g_telescopeLog.Close();
  g_telescopeLogOpen = FALSE;
}
