#include "Automation.h"

#include <algorithm>
#include <mutex>

namespace {

std::mutex g_providersMutex;
std::vector<std::shared_ptr<IDriverClassProvider>>& Providers() {
  static std::vector<std::shared_ptr<IDriverClassProvider>> providers;
  return providers;
}

std::shared_ptr<IDriverClassProvider> FindProvider(const std::string& progId) {
  std::lock_guard<std::mutex> lock(g_providersMutex);
  auto& providers = Providers();
  for (auto it = providers.rbegin(); it != providers.rend(); ++it)
    if ((*it)->HasClass(progId)) return *it;
  return nullptr;
}

}  // namespace

void RegisterDriverClassProvider(std::shared_ptr<IDriverClassProvider> provider) {
  std::lock_guard<std::mutex> lock(g_providersMutex);
  Providers().push_back(std::move(provider));
}

void UnregisterDriverClassProvider(const std::shared_ptr<IDriverClassProvider>& provider) {
  std::lock_guard<std::mutex> lock(g_providersMutex);
  auto& providers = Providers();
  providers.erase(std::remove(providers.begin(), providers.end(), provider), providers.end());
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid) {
  if (!clsid || progId.empty()) return CO_E_CLASSSTRING;
  if (!FindProvider(progId)) return CO_E_CLASSSTRING;
  clsid->progId = progId;
  return S_OK;
}

HRESULT CoCreateInstance(const CLSID& clsid, IDispatch** object) {
  if (!object) return E_FAIL;
  *object = nullptr;
  std::shared_ptr<IDriverClassProvider> provider = FindProvider(clsid.progId);
  if (!provider) return REGDB_E_CLASSNOTREG;
  return provider->CreateInstance(clsid.progId, object);
}
