#include "Clock.h"

#include <chrono>
#include <thread>

double MillisecondClock() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

DWORD timeGetTime() {
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<DWORD>(static_cast<unsigned long long>(ms));
}

DWORD GetTickCount() { return timeGetTime(); }

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
