// The built-in constellation, boundary, figure and star-name tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "ConstellationTables.h"
#include "NumberFormat.h"
#include "SkyMath.h"

namespace {

const char* NameOf(int bsc) {
  for (const StarName& s : g_starNames)
    if (s.bscNumber == bsc) return s.name;
  return nullptr;
}

std::string Lower(const char* s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace

TEST(ConstellationTables, ConstellationsAndStarNames) {
  EXPECT_STREQ(g_constellations[0].abbreviation, "And");
  EXPECT_STREQ(g_constellations[14].englishName, "Centaure");
  EXPECT_STREQ(g_constellations[87].latinName, "Vulpecula");
  EXPECT_DOUBLE_EQ(g_constellations[17].rightAscension, 10.51);
  EXPECT_DOUBLE_EQ(g_constellations[57].declination, -84.8);
  std::set<std::string> abbreviations;
  for (const ConstellationEntry& c : g_constellations) abbreviations.insert(Lower(c.abbreviation));
  EXPECT_EQ(abbreviations.size(), 88u);

  std::set<int> numbers;
  for (const StarName& s : g_starNames) numbers.insert(s.bscNumber);
  EXPECT_EQ(numbers.size(), 301u);
  EXPECT_EQ(g_starNames[kStarNameCount - 1].bscNumber, 5685);
  EXPECT_STREQ(g_starNames[kStarNameCount - 1].name, "Zuben Elschemali");
  EXPECT_STREQ(g_starNames[0].name, "ACAMAR");
  EXPECT_STREQ(NameOf(2948), "Markab");
  EXPECT_STREQ(NameOf(8781), "MARKAB");
  for (int bsc : {3323, 3391, 3403}) EXPECT_STREQ(NameOf(bsc), "Muscida");
  EXPECT_STREQ(NameOf(2422), "Plaskett's star");
  EXPECT_EQ(NameOf(1), nullptr);
}

TEST(ConstellationTables, StoredMinutesConversion) {
  struct Case {
    double stored, radians, scale;
  } cases[] = {
      {0.05, 0.02181661564992912, kPi / 12},
      {-0.3, -0.008726646259971648, kPi / 180},
      {5.56, 1.5533430342749535, kPi / 12},
      {-64.3, -1.1257373675363425, kPi / 180},
      {0.0, 0.0, kPi / 12},
  };
  for (const Case& c : cases) EXPECT_NEAR(HoursMinutesValue(c.stored) * c.scale, c.radians, 1e-13) << c.stored;
}

TEST(ConstellationTables, BoundariesPassThroughThePublishedPoints) {
  ASSERT_GT(g_borderPointCount, 683);
  ASSERT_GT(g_borderPairCount, 724);
  // Table points by place (hours, degrees), bucketed by right ascension.
  std::multimap<long long, std::pair<std::pair<double, double>, int>> byPlace;
  for (int i = 0; i < g_borderPointCount; ++i) {
    const BorderPoint& p = g_borderPoints[i];
    double fr = std::fabs(p.rightAscension - std::trunc(p.rightAscension));
    double fd = std::fabs(p.declination - std::trunc(p.declination));
    ASSERT_LT(fr, 0.6);
    ASSERT_LT(fd, 0.6);
    double h = HoursMinutesValue(p.rightAscension), d = HoursMinutesValue(p.declination);
    ASSERT_GE(h, 0.0);
    ASSERT_LT(h, 24.0);
    ASSERT_LE(std::fabs(d), 90.0);
    byPlace.insert({std::llround(h * 1e4), {{h, d}, i}});
  }
  std::set<std::pair<int, int>> edges;
  for (int e = 0; e < g_borderPairCount; ++e) {
    int a = g_borderPointPairs[e][0], b = g_borderPointPairs[e][1];
    ASSERT_TRUE(a >= 0 && a < g_borderPointCount && b >= 0 && b < g_borderPointCount) << e;
    edges.insert({a, b});
  }

  // The published J2000 boundary polylines: every point is a table point and
  // every step between two points is a table edge.
  std::ifstream in("/usr/share/stellarium/data/constellation_boundaries.dat");
  if (!in) GTEST_SKIP() << "stellarium-data not installed";
  int n, checkedPoints = 0, missing = 0;
  while (in >> n) {
    int previous = -1;
    for (int i = 0; i < n; ++i) {
      std::string a, b;
      in >> a >> b;
      const double h = AtofC(a.c_str()), d = AtofC(b.c_str());
      // The nearest table point, within a millionth of an hour or degree.
      int found = -1;
      double best = 1e-6;
      for (long long k = std::llround(h * 1e4) - 1; k <= std::llround(h * 1e4) + 1; ++k) {
        auto range = byPlace.equal_range(k);
        for (auto it = range.first; it != range.second; ++it) {
          double e = std::max(std::fabs(it->second.first.first - h), std::fabs(it->second.first.second - d));
          if (e <= best) {
            best = e;
            found = it->second.second;
          }
        }
      }
      if (found < 0) {
        ++missing;
        continue;
      }
      ++checkedPoints;
      if (previous >= 0 && previous != found) {
        EXPECT_TRUE(edges.count({previous, found})) << previous << " " << found;
      }
      previous = found;
    }
    int m;
    std::string label;
    in >> m;
    for (int i = 0; i < m; ++i) in >> label;
  }
  EXPECT_EQ(missing, 0);
  EXPECT_GT(checkedPoints, 7000);
}

TEST(ConstellationTables, FigureStrokes) {
  ASSERT_GT(g_figurePointCount, 600);
  EXPECT_EQ(g_figurePoints[0].penFlag, 0);
  int strokes = 0;
  bool betelgeuse = false, vegaToSheliak = false;
  const double betRa = (5 + 55 / 60.0 + 10.305 / 3600) * 15 * kDegToRad, betDec = (7 + 24 / 60.0 + 25.43 / 3600) * kDegToRad;
  const double vegaRa = (18 + 36 / 60.0 + 56.336 / 3600) * 15 * kDegToRad, vegaDec = (38 + 47 / 60.0 + 1.29 / 3600) * kDegToRad;
  for (int i = 0; i < g_figurePointCount; ++i) {
    const FigurePoint& p = g_figurePoints[i];
    ASSERT_TRUE(p.penFlag == 0 || p.penFlag == 1);
    ASSERT_GE(p.rightAscension, 0.0);
    ASSERT_LT(p.rightAscension, kTwoPi);
    strokes += p.penFlag == 0;
    if (AngularSeparation(p.rightAscension, betRa, p.declination, betDec) < 1.0 / 3600 * kDegToRad) betelgeuse = true;
    // A line leaves Vega for a star about 2 degrees away (the Lyra figure).
    if (i > 0 && p.penFlag == 1) {
      const FigurePoint& q = g_figurePoints[i - 1];
      double sep = AngularSeparation(q.rightAscension, p.rightAscension, q.declination, p.declination) / kDegToRad;
      EXPECT_LT(sep, 45.0) << i;  // figure lines join neighbouring stars
      if ((AngularSeparation(q.rightAscension, vegaRa, q.declination, vegaDec) < 5e-6 ||
           AngularSeparation(p.rightAscension, vegaRa, p.declination, vegaDec) < 5e-6) && sep > 1.5 && sep < 2.5)
        vegaToSheliak = true;
    }
  }
  EXPECT_GE(strokes, 88);
  EXPECT_TRUE(betelgeuse);
  EXPECT_TRUE(vegaToSheliak);
}
