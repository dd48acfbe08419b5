#include "Missions.h"

#include <cmath>
#include <sstream>

#include "NumberFormat.h"
#include "SkyModel.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180;
constexpr double kKmPerSecToAuPerDay = 86400.0 / kKmPerAu;

bool ReadNumbers(std::istringstream& in, double* out, int n) {
  for (int i = 0; i < n; ++i) {
    std::string token;
    if (!(in >> token)) return false;
    char* end = nullptr;
    out[i] = StrtodC(token.c_str(), &end);
    if (!end || *end != '\0') return false;
  }
  return true;
}

// Sunward unit vector from a body at position p.
Vec3 Sunward(Vec3 p) {
  const double n = Norm(p);
  return n > 0 ? (-1.0 / n) * p : Vec3{};
}

}  // namespace

double ParseEventDate(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  if (text.find('-', 1) != std::string::npos) {
    if (SscanfC(text.c_str(), "%d-%d-%dT%d:%d", &y, &mo, &d, &h, &mi) < 3) return 0.0;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59) return 0.0;
    return JulianDayOfCivilDate(y, mo, d + (h + mi / 60.0) / 24.0);
  }
  char* end = nullptr;
  const double jd = StrtodC(text.c_str(), &end);
  return (end && *end == '\0' && jd > 0) ? jd : 0.0;
}

bool ParseMissionTable(const std::string& text, BodyEphemeris& ephemeris, std::vector<Mission>& missions,
                       std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) continue;
    if (word == "asteroid" || word == "comet") {
      std::string name;
      double v[7];
      const int count = word == "asteroid" ? 7 : 6;
      if (!(in >> name) || !ReadNumbers(in, v, count)) return fail("bad elements");
      SmallBody b;
      b.comet = word == "comet";
      b.epoch = v[0], b.a = v[1], b.e = v[2], b.i = v[3], b.node = v[4], b.peri = v[5];
      b.meanAnomaly = b.comet ? 0.0 : v[6];
      if (!(b.a > 0) || !(b.e >= 0 && b.e < 1)) return fail("orbit must be an ellipse");
      ephemeris.AddSmallBody(name, b);
    } else if (word == "mission") {
      Mission m;
      if (!(in >> m.file)) return fail("no file name");
      missions.push_back(m);
    } else if (missions.empty()) {
      return fail("'" + word + "' before any mission");
    } else if (word == "event") {
      MissionEvent e;
      std::string date;
      if (!(in >> date >> e.body >> e.kind)) return fail("incomplete event");
      e.jd = ParseEventDate(date);
      if (e.jd == 0) return fail("bad date " + date);
      if (!ephemeris.Knows(e.body)) return fail("unknown body " + e.body);
      if (e.kind == "arrive") {
        if (!ReadNumbers(in, &e.offsetKm, 1)) return fail("arrive needs an offset in km");
      } else if (e.kind != "launch" && e.kind != "flyby") {
        return fail("unknown event kind " + e.kind);
      }
      auto& events = missions.back().events;
      if (!events.empty() && !(e.jd > events.back().jd)) return fail("events out of order");
      events.push_back(e);
    } else if (word == "escape") {
      Mission& m = missions.back();
      double v[3];
      if (!ReadNumbers(in, v, 3)) return fail("escape needs right ascension, declination and speed");
      m.escape = true, m.escapeRa = v[0], m.escapeDec = v[1], m.escapeSpeed = v[2];
    } else if (word == "end") {
      std::string date;
      if (!(in >> date) || (missions.back().endJd = ParseEventDate(date)) == 0) return fail("bad end date");
    } else {
      return fail("unknown keyword " + word);
    }
  }
  for (const Mission& m : missions) {
    if (m.events.empty()) return fail(m.file + ": no events");
    if (!(m.endJd > m.events.back().jd)) return fail(m.file + ": end date before the last event");
  }
  return true;
}

Vec3 EventPosition(const MissionEvent& event, const BodyEphemeris& ephemeris) {
  const Vec3 p = ephemeris.Position(event.body, event.jd);
  return p + (event.offsetKm / kKmPerAu) * Sunward(p);
}

namespace {

// One stretch of the flight between two dates.
struct Leg {
  double t0, t1;
  enum { kConic, kFollow } kind;
  Vec3 r0, v0;            // conic: state at t0
  std::string body;       // follow
  double offsetKm = 0;
};

Vec3 LegPosition(const Leg& leg, const BodyEphemeris& eph, double t) {
  if (leg.kind == Leg::kFollow) {
    const Vec3 p = eph.Position(leg.body, t);
    return p + (leg.offsetKm / kKmPerAu) * Sunward(p);
  }
  return PropagateKepler(leg.r0, leg.v0, t - leg.t0);
}

// The conic from r1 at t1 to r2 at t2 that needs the smallest speed changes
// relative to the bodies met at either end.
bool BestArc(Vec3 r1, Vec3 r2, double t1, double t2, Vec3 w1, Vec3 w2, Vec3& v1, double* costOut = nullptr) {
  Vec3 v1s[9], v2s[9];
  const int n = SolveLambert(r1, r2, t2 - t1, 4, v1s, v2s);
  double best = 1e300;
  for (int i = 0; i < n; ++i) {
    // Check that the arc really ends where it should.
    if (Norm(PropagateKepler(r1, v1s[i], t2 - t1) - r2) > 1e-6) continue;
    const double cost = Norm(v1s[i] - w1) + Norm(v2s[i] - w2);
    if (cost < best) best = cost, v1 = v1s[i];
  }
  if (costOut) *costOut = best;
  return best < 1e300;
}

// Between two encounters with the same body the body's own orbit would be
// the cheapest conic, and an exact resonance leaves Lambert's problem without
// a well-defined answer. The craft leaves instead at a few km/s along or
// against the body's motion, or across it, and a manoeuvre half-way puts it
// on the conic that meets the body again; the cheapest such plan is kept.
bool ResonantLegs(Vec3 r0, Vec3 r1, double t0, double t1, Vec3 w0, Vec3 w1, Vec3& v0, Vec3& rm, Vec3& vm) {
  const double tm = 0.5 * (t0 + t1);
  const Vec3 along = (1.0 / Norm(w0)) * w0;
  const Vec3 out = (1.0 / Norm(r0)) * r0;
  const Vec3 dirs[4] = {along, -1.0 * along, out, -1.0 * out};
  double best = 1e300;
  for (double speed : {3.0, 4.0, 5.0, 6.0}) {
    for (const Vec3& dir : dirs) {
      const Vec3 v = w0 + (speed * kKmPerSecToAuPerDay) * dir;
      Vec3 vAtMid;
      const Vec3 p = PropagateKepler(r0, v, tm - t0, &vAtMid);
      Vec3 vb;
      double cost = 0;
      if (!BestArc(p, r1, tm, t1, vAtMid, w1, vb, &cost)) continue;
      cost += speed * kKmPerSecToAuPerDay;
      if (cost < best) best = cost, v0 = v, rm = p, vm = vb;
    }
  }
  return best < 1e300;
}

}  // namespace

std::vector<TrajectorySample> BuildTrajectory(const Mission& m, const BodyEphemeris& eph) {
  std::vector<Leg> legs;
  const auto& ev = m.events;
  Vec3 lastV{};  // velocity at the end of the last conic leg
  bool haveConic = false;
  for (size_t k = 0; k + 1 < ev.size(); ++k) {
    Leg leg;
    leg.t0 = ev[k].jd;
    leg.t1 = ev[k + 1].jd;
    if (ev[k].kind == "arrive") {
      // Still with the body: follow it until the next event if that is the
      // same body, otherwise leave from where we are.
      if (ev[k + 1].body == ev[k].body) {
        leg.kind = Leg::kFollow, leg.body = ev[k].body, leg.offsetKm = ev[k].offsetKm;
        legs.push_back(leg);
        continue;
      }
    }
    leg.kind = Leg::kConic;
    leg.r0 = EventPosition(ev[k], eph);
    const Vec3 r1 = EventPosition(ev[k + 1], eph);
    const Vec3 w0 = eph.Velocity(ev[k].body, leg.t0), w1 = eph.Velocity(ev[k + 1].body, leg.t1);
    const bool resonant = ev[k + 1].body == ev[k].body && ev[k + 1].kind != "arrive";
    if (resonant) {
      // A return to the same body: leave on a conic of our own, make one
      // manoeuvre half-way, then meet the body again.
      Leg second;
      if (ResonantLegs(leg.r0, r1, leg.t0, leg.t1, w0, w1, leg.v0, second.r0, second.v0)) {
        second.kind = Leg::kConic;
        second.t0 = 0.5 * (leg.t0 + leg.t1);
        second.t1 = leg.t1;
        leg.t1 = second.t0;
        legs.push_back(leg);
        legs.push_back(second);
        PropagateKepler(second.r0, second.v0, second.t1 - second.t0, &lastV);
        haveConic = true;
        continue;
      }
    }
    if (!BestArc(leg.r0, r1, leg.t0, leg.t1, w0, w1, leg.v0)) {
      // No conic found (should not happen): go straight, so the events still hold.
      leg.v0 = (1.0 / (leg.t1 - leg.t0)) * (r1 - leg.r0);
    }
    PropagateKepler(leg.r0, leg.v0, leg.t1 - leg.t0, &lastV);
    haveConic = true;
    legs.push_back(leg);
  }
  // After the last event.
  {
    const MissionEvent& last = ev.back();
    Leg leg;
    leg.t0 = last.jd;
    leg.t1 = m.endJd;
    if (last.kind == "arrive") {
      leg.kind = Leg::kFollow, leg.body = last.body, leg.offsetKm = last.offsetKm;
    } else {
      leg.kind = Leg::kConic;
      leg.r0 = EventPosition(last, eph);
      if (m.escape) {
        // The escape hyperbola: the conic reaching, a century later, the point
        // far out along the published asymptote.
        const double ra = m.escapeRa * kDeg, dec = m.escapeDec * kDeg, eps = 23.4392911 * kDeg;
        const Vec3 eq{std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
        const Vec3 dir{eq.x, eq.y * std::cos(eps) + eq.z * std::sin(eps), -eq.y * std::sin(eps) + eq.z * std::cos(eps)};
        const double span = 36525.0;
        const Vec3 far = leg.r0 + (m.escapeSpeed * kKmPerSecToAuPerDay * span) * dir;
        Vec3 v1s[1], v2s[1];
        if (SolveLambert(leg.r0, far, span, 0, v1s, v2s, true) == 1) leg.v0 = v1s[0];
        else leg.v0 = (m.escapeSpeed * kKmPerSecToAuPerDay) * dir;
      } else if (haveConic) {
        leg.v0 = lastV;  // coasting on after the last encounter
      } else {
        leg.v0 = eph.Velocity(last.body, last.jd);
      }
    }
    legs.push_back(leg);
  }

  // Samples: four a day within two days of an event, one a day near the
  // Sun, near events and while following a body, one every four days in the
  // outer cruise; every event date exactly.
  std::vector<TrajectorySample> out;
  for (const Leg& leg : legs) {
    double t = leg.t0;
    while (t < leg.t1 - 1e-9) {
      const Vec3 p = LegPosition(leg, eph, t);
      out.push_back({t, p});
      double step = 1.0;
      const bool closeToEvent = t - leg.t0 < 2.0 || leg.t1 - t < 2.0;
      const bool nearEvent = t - leg.t0 < 30.0 || leg.t1 - t < 30.0;
      if (leg.kind == Leg::kConic && !nearEvent && Norm(p) > 3.0) step = 4.0;
      double next = std::floor(t + step + 1e-9);  // whole days (midday) after the first
      if (next <= t + 1e-9) next = t + step;
      if (closeToEvent) next = std::floor((t + 0.25) * 4.0 + 1e-9) / 4.0;  // quarter days at encounters
      t = std::fmin(next, leg.t1);
    }
  }
  out.push_back({legs.back().t1, LegPosition(legs.back(), eph, legs.back().t1)});
  return out;
}
