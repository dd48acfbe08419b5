#pragma once
// Lines of the comet and asteroid element files of the install folder
// ("\donnees\cometes.dat", "\donnees\asteroides.dat", "\donnees\asteroides2.dat"),
// in the fixed columns the program's loaders read. Angles in degrees.
#include <string>

struct CometElementsLine {
  std::string name;        // at most 39 characters are kept
  double perihelionJd;     // time of perihelion passage, Julian date
  double q, e;             // perihelion distance (AU), eccentricity
  double peri, node, incl; // argument of perihelion, ascending node, inclination
  double h, slope;         // absolute magnitude and slope
};

struct AsteroidElementsLine {
  std::string name;        // at most 20 characters are kept
  double epochJd;
  double e, a;             // eccentricity, semi-major axis (AU)
  double incl, node, peri, meanAnomaly;
  double h, g;
};

// Packed date YYYYMMDD.dddd (Gregorian calendar) of a Julian date.
double PackedDateOfJulianDay(double jd);

// False when a value does not fit its columns (the object is then left out).
bool FormatCometLine(const CometElementsLine& c, std::string& line);
bool FormatAsteroidLine(const AsteroidElementsLine& a, std::string& line);
