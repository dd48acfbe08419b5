#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "SkyModel.h"

namespace fs = std::filesystem;

namespace {

class SetiWorkUnit : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("nv_seti_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_ / "projects" / "setiathome.berkeley.edu");
  }
  void TearDown() override { fs::remove_all(root_); }

  void WriteState(const std::string& unitName) {
    std::ofstream(root_ / "client_state.xml")
        << "<client_state>\n<project>\n<master_url>http://other.example/</master_url>\n</project>\n"
        << "<project>\n<master_url>http://setiathome.berkeley.edu/</master_url>\n</project>\n"
        << "<workunit>\n    <name>" << unitName << "</name>\n    <app_name>setiathome</app_name>\n</workunit>\n";
  }
  void WriteUnit(const std::string& name, const std::string& body) {
    std::ofstream(root_ / "projects" / "setiathome.berkeley.edu" / name) << body;
  }
  CString StatePath() const { return CString((root_ / "client_state.xml").string()); }

  fs::path root_;
  CSkyModel m_;
};

}  // namespace

TEST_F(SetiWorkUnit, StandardUnit) {
  WriteState("wu_1");
  WriteUnit("wu_1",
            "<workunit_header>\n<name>01mr09aa.1234.wu_1</name>\n<start_ra>  6.5</start_ra>\n"
            "<start_dec>-12.25</start_dec>\n<end_ra>6.6</end_ra>\n<end_dec>-12.5</end_dec>\n"
            "<true_angle_range>0.42</true_angle_range>\n<subband_base>1</subband_base><base>1420000000</base>\n");
  ASSERT_TRUE(m_.LoadSetiWorkUnit(StatePath()));
  EXPECT_NEAR(m_.m_setiStartRa, 6.5 * kPi / 12, 1e-12);
  EXPECT_NEAR(m_.m_setiStartDec, -12.25 * kPi / 180, 1e-12);
  EXPECT_NEAR(m_.m_setiEndRa, 6.6 * kPi / 12, 1e-12);
  EXPECT_NEAR(m_.m_setiEndDec, -12.5 * kPi / 180, 1e-12);
  EXPECT_DOUBLE_EQ(m_.m_setiAngleRange, 0.42);
  EXPECT_DOUBLE_EQ(m_.m_setiBaseFrequency, 1420000000.0);
  EXPECT_EQ(m_.m_setiWorkUnitName, "01mr09aa.1234.wu_1");
}

TEST_F(SetiWorkUnit, AstropulseUnitTakesBothOccurrences) {
  WriteState("ap_7");
  WriteUnit("ap_7",
            "<astropulse_workunit>\n<name>ap_7</name>\n<coordinates><ra>1.5</ra><dec>20</dec>\n"
            "<ra>1.75</ra><dec>21</dec></coordinates>\n<base>99</base>\n");
  ASSERT_TRUE(m_.LoadSetiWorkUnit(StatePath()));
  EXPECT_NEAR(m_.m_setiStartRa, 1.5 * kPi / 12, 1e-12);
  EXPECT_NEAR(m_.m_setiEndRa, 1.75 * kPi / 12, 1e-12);
  EXPECT_NEAR(m_.m_setiStartDec, 20 * kPi / 180, 1e-12);
  EXPECT_NEAR(m_.m_setiEndDec, 21 * kPi / 180, 1e-12);
  EXPECT_EQ(m_.m_setiAngleRange, 0.0);
  EXPECT_EQ(m_.m_setiBaseFrequency, 0.0);
}

TEST_F(SetiWorkUnit, FailuresKeepTheStoredUnit) {
  m_.m_setiStartRa = 1.0;
  m_.m_setiWorkUnitName = "previous";
  // No "client_state.xml" in the configured path.
  EXPECT_FALSE(m_.LoadSetiWorkUnit(CString(root_.string())));
  // No client at all.
  EXPECT_FALSE(m_.LoadSetiWorkUnit(CString((root_ / "nowhere" / "client_state.xml").string())));
  // "<name>" directly followed by "<": the path ends with the project folder.
  WriteState("");
  EXPECT_FALSE(m_.LoadSetiWorkUnit(StatePath()));
  // A standard unit without its end declination; one without "<base>" is fine.
  WriteState("wu_2");
  WriteUnit("wu_2", "<name>wu_2</name><start_ra>1</start_ra><start_dec>2</start_dec><end_ra>3</end_ra>");
  EXPECT_FALSE(m_.LoadSetiWorkUnit(StatePath()));
  EXPECT_EQ(m_.m_setiStartRa, 1.0);
  EXPECT_EQ(m_.m_setiWorkUnitName, "previous");
  WriteUnit("wu_2", "<name>wu_2</name><start_ra>1</start_ra><start_dec>2</start_dec><end_ra>3</end_ra><end_dec>4</end_dec>");
  ASSERT_TRUE(m_.LoadSetiWorkUnit(StatePath()));
  EXPECT_EQ(m_.m_setiBaseFrequency, 0.0);
}

TEST_F(SetiWorkUnit, LongValuesAreBounded) {
  WriteState("wu_3");
  WriteUnit("wu_3", "<name>" + std::string(100000, 'x') +
                        "</name><start_ra>1</start_ra><start_dec>2</start_dec><end_ra>3</end_ra><end_dec>4</end_dec>");
  ASSERT_TRUE(m_.LoadSetiWorkUnit(StatePath()));
  EXPECT_LE(m_.m_setiWorkUnitName.size(), 256u);
}
