// Loading the planet library and calling it with the view's instant and site.
#include "DynamicLibrary.h"
#include "SkyModel.h"

PlanetesCalculProc g_pPlanetesCalcul = nullptr;

bool CSkyModel::LoadPlanetLibrary() {
  // The library stays loaded for the whole run.
  HMODULE module = LoadLibrary((m_installFolder + "\\Orbicalc.DLL").c_str());
  PlanetesCalculProc entry = nullptr;
  if (module != nullptr) entry = reinterpret_cast<PlanetesCalculProc>(GetProcAddress(module, "PlanetesCalcul"));
  if (entry == nullptr) {
    if (module != nullptr) FreeLibrary(module);
    m_planetLibraryFailure = kPlanetLibraryFailureText;
    return false;
  }
  g_pPlanetesCalcul = entry;
  m_planetLibraryFailure.clear();
  return true;
}

PlanetLibraryResult* CSkyModel::CallPlanetLibrary(int mode, const PlanetLibraryElements& elements, double pressure) {
  if (g_pPlanetesCalcul == nullptr) return nullptr;
  return g_pPlanetesCalcul(m_julianDate, m_observerLongitude * 57.29577951308232, m_observerLatitude * 57.29577951308232,
                           m_observerElevation, m_temperature, pressure, mode, elements);
}
