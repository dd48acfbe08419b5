#pragma once
// The mission-event table and the patched-conic trajectories built from it.
//
// Table lines (blank-separated; '#' starts a comment):
//   asteroid <name> <epoch JD> <a AU> <e> <i> <node> <peri> <M>   (degrees, J2000 ecliptic)
//   comet    <name> <perihelion JD> <q AU> <e> <i> <node> <peri>
//   mission  <file name>
//   event    <date> <body> launch|flyby
//   event    <date> <body> arrive <offset km>      (then follows the body)
//   escape   <right ascension deg> <declination deg> <speed km/s>
//   end      <date>
// Dates are Julian dates or YYYY-MM-DDTHH:MM (UT).
#include <string>
#include <vector>

#include "Ephemeris.h"

struct MissionEvent {
  double jd = 0;
  std::string body;
  std::string kind;      // launch, flyby, arrive
  double offsetKm = 0;   // arrive: distance kept from the body's centre, sunward
};

struct Mission {
  std::string file;
  std::vector<MissionEvent> events;
  bool escape = false;
  double escapeRa = 0, escapeDec = 0, escapeSpeed = 0;  // degrees, km/s
  double endJd = 0;
};

struct TrajectorySample {
  double jd;
  Vec3 position;  // AU
};

// Parses the table; false with a message on the first bad line.
bool ParseMissionTable(const std::string& text, BodyEphemeris& ephemeris, std::vector<Mission>& missions,
                       std::string& error);
// Julian date of "YYYY-MM-DDTHH:MM" or of a plain number; 0 when unreadable.
double ParseEventDate(const std::string& text);
// Samples from the first event to the end date, every event date included.
std::vector<TrajectorySample> BuildTrajectory(const Mission& mission, const BodyEphemeris& ephemeris);
// Where the craft is at an event (the body, or the body plus the arrival offset).
Vec3 EventPosition(const MissionEvent& event, const BodyEphemeris& ephemeris);
