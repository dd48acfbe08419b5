// The refreshes the frame loop runs on the computer's own date: the weekly
// offer of fresh orbital elements and the real-time cloud map. Their last
// runs are kept in the per-user registry so that the intervals count across
// runs of the program.
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "Registry.h"
#include "RunStatus.h"
#include "Schedules.h"

namespace {

void StoreRefreshDate(const char* valueName, double julianDate) {
  CRegKey key;
  if (key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2") != ERROR_SUCCESS) return;
  char text[32];
  FormatRefreshDate(text, julianDate);
  key.SetStringValue(valueName, text);
}

}  // namespace

void CNuvarine2View::RunAutomaticRefreshes(double computerJulianDate) {
  RunElementRefresh(computerJulianDate);
  RunCloudMapRefresh(computerJulianDate);
}

void CNuvarine2View::RunElementRefresh(double jd) {
  if (!ElementPromptDue(m_autoUpdateElements, static_cast<long>(m_frameCounter), jd, m_lastElementsUpdateDate)) return;
  // Stored at once: declining postpones the question by a week.
  m_lastElementsUpdateDate = jd;
  // Unattended runs have nobody to answer the question: it counts as No.
  if (RunningUnattended()) return;
  bool disableAutomatic = false;
  if (AskElementUpdate(m_installFolder, disableAutomatic)) {
    if (m_autoUpdateComets) DownloadCometElements(true);
    if (m_autoUpdateAsteroids) DownloadAsteroidElements(true);
    if (m_autoUpdateSatellites) DownloadSatelliteElements(true);
    StoreRefreshDate("ActualisationPO", jd);
  }
  if (disableAutomatic) m_autoUpdateElements = false;
}

void CNuvarine2View::RunCloudMapRefresh(double jd) {
  if (!CloudMapDue(m_planetariumMode, m_realTimeCloudMap, m_showAtmospheres, static_cast<long>(m_frameCounter), jd,
                   m_lastCloudMapDate, m_animationRunning, m_realTime))
    return;
  // The attempt counts whatever its outcome: the next one comes three hours later.
  m_lastCloudMapDate = jd;
  DownloadCloudMap();
  StoreRefreshDate("ChargementNuages", jd);
  // Only a cloud texture in use is replaced by the new picture (the shipped
  // clouds stay while no map has arrived).
  IDirect3DTexture9** clouds = &m_bodyTextures[2];
  if (m_showAtmospheres && *clouds) {
    (*clouds)->Release();
    *clouds = nullptr;
    LoadEarthCloudTexture(true, false);
  }
}
