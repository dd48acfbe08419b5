#include <gtest/gtest.h>

#include <clocale>

#include "CString.h"
#include "NumberFormat.h"

namespace {

// Runs the body under a decimal-comma locale when the machine has one.
class DecimalComma : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::setlocale(LC_ALL, nullptr);
    haveComma_ = std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  }
  void TearDown() override { std::setlocale(LC_ALL, previous_.c_str()); }
  std::string previous_;
  bool haveComma_ = false;
};

}  // namespace

TEST_F(DecimalComma, FormattingAlwaysUsesADot) {
  if (!haveComma_) GTEST_SKIP() << "fr_FR.UTF-8 locale not installed";
  char probe[32];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5") << "the locale under test should use a decimal comma";

  EXPECT_EQ(FormatC("%.10f", 48.8566), "48.8566000000");
  EXPECT_EQ(FormatC("%li|%3.1f|%s", 42L, -0.05, "x"), "42|-0.1|x");
  CString s;
  s.Format("%10.5f", 2451545.25);
  EXPECT_EQ(s, "2451545.25000");
  EXPECT_EQ(FormatC("%s", std::string(1000, 'a').c_str()).size(), 1000u);
}

TEST_F(DecimalComma, ParsingAlwaysReadsADot) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"3.25", 3.25}, {"  -1.5e3xyz", -1500.0}, {"2,5", 2.0}, {"", 0.0}, {"abc", 0.0}, {"+.5", 0.5},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(AtofC(c.text), c.value) << c.text;
  double a = 0, b = 0;
  EXPECT_EQ(SscanfC("1.5 2.25", "%lf %lf", &a, &b), 2);
  EXPECT_DOUBLE_EQ(a, 1.5);
  EXPECT_DOUBLE_EQ(b, 2.25);
  EXPECT_EQ(AtolC(" -17x"), -17);
  EXPECT_EQ(AtolC(nullptr), 0);
}
