// Entry point: the resources go to the window layer, then the application runs.
#include "App.h"
#include "Nuvarine2App.h"
#include "ProcessObjects.h"
#include "Resource.h"

int main(int argc, char** argv) {
  RegisterNuvarineResources();
  if (AfxGetApp() != reinterpret_cast<CWinApp*>(&g_app)) return 1;
  return AfxWinMain(argc, argv);
}
