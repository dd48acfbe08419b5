#include "ViewSettings.h"

bool g_dssEnabled = false;
BYTE g_dssServer = 3;
BYTE g_dssMode = 1;
BYTE g_dssOptions = 1;
std::atomic<bool> g_internetReachable{true};

CString g_telescopePort = "COM1";
int g_telescopeBaudRate = 9600;
char g_telescopeParity = 'N';
int g_telescopeDataBits = 8;
int g_telescopeStopBits = 1;

int g_displayedCometCount = 0;
CString g_displayedCometNames[kDisplayListSize];
int g_displayedCometIndices[kDisplayListSize] = {};
int g_displayedAsteroidCount = 0;
CString g_displayedAsteroidNames[kDisplayListSize];
int g_displayedAsteroidIndices[kDisplayListSize] = {};
