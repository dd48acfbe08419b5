// make-catalogues <stellarium-root> <install-folder> [stamp-file]
#include <chrono>
#include <cstdio>
#include <string>

#include "Generator.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: make-catalogues <stellarium-data folder> <install folder> [stamp]\n"
                 "       make-catalogues --tables <stellarium-data folder> <output.cpp>\n");
    return 2;
  }
  if (std::string(argv[1]) == "--tables") {
    gen::StarSources stars;
    std::string error, report;
    if (argc < 4 || !gen::LoadStellariumStars(std::string(argv[2]) + "/stars/default", stars, error) ||
        !gen::WriteConstellationTables(argv[2], stars, argv[3], report)) {
      std::fprintf(stderr, "make-catalogues: %s%s\n", error.c_str(), report.c_str());
      return 1;
    }
    std::printf("%s", report.c_str());
    return 0;
  }
  const std::string st = argv[1], install = argv[2];
  auto t0 = std::chrono::steady_clock::now();
  gen::ConstellationFinder cons;
  if (!cons.Load(st + "/data/constellations_spans.dat")) {
    std::fprintf(stderr, "make-catalogues: cannot read %s/data/constellations_spans.dat\n", st.c_str());
    return 1;
  }
  gen::StarSources stars;
  std::string error, report;
  if (!gen::LoadStellariumStars(st + "/stars/default", stars, error)) {
    std::fprintf(stderr, "make-catalogues: %s\n", error.c_str());
    return 1;
  }
  if (!gen::MakeDirectory(install) || !gen::WriteStarFiles(st, install, stars, cons, report) ||
      !gen::WriteDeepSkyFiles(st, install, cons, report)) {
    std::fprintf(stderr, "make-catalogues: failed\n%s", report.c_str());
    return 1;
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%smake-catalogues: %zu source stars, done in %.1f s\n", report.c_str(), stars.stars.size(), secs);
  if (argc > 3 && !gen::WriteFile(argv[3], report)) return 1;
  return 0;
}
