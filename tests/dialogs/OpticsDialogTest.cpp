// The eyepiece and camera field dialog driven offscreen: its tab control
// switches the lists and clears the shared selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "OpticsDialogs.h"
#include "Resource.h"
#include "UiDefs.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "optics_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

TEST(OpticsDialog, ATabChangeShowsItsListAndForgetsTheSelection) {
  App();
  RegisterNuvarineResources();
  SelectOculaires dialog;
  dialog.m_lists.m_eyepieceCount = 2;
  dialog.m_lists.m_eyepieces[0][0] = 25.0f;
  dialog.m_lists.m_eyepieces[1][0] = 10.0f;
  SetOpticsDescription(dialog.m_lists.m_eyepieceDescriptions[0], "Plossl 25");
  SetOpticsDescription(dialog.m_lists.m_eyepieceDescriptions[1], "Plossl 10");
  dialog.m_lists.m_ccdCount = 1;
  SetOpticsDescription(dialog.m_lists.m_ccdDescriptions[0], "Camera");
  int firstTab = -1, selectedBefore = -2, selectedAfter = -2, tabAfter = -1, ccdRows = -1;
  bool eyepiecesShown = false, camerasShown = true, eyepiecesHidden = false, camerasNowShown = false;
  QTimer::singleShot(0, [&] {
    firstTab = AfxTabGetCurSel(&dialog, 1113);
    eyepiecesShown = dialog.GetDlgItem(1119)->IsWindowVisible();
    camerasShown = dialog.GetDlgItem(1120)->IsWindowVisible();
    AfxListViewSelectItem(&dialog, 1119, 1);
    selectedBefore = g_selectedOpticsItem;
    AfxTabSetCurSel(&dialog, 1113, 1);
    selectedAfter = g_selectedOpticsItem;
    tabAfter = dialog.m_currentTab;
    eyepiecesHidden = !dialog.GetDlgItem(1119)->IsWindowVisible();
    camerasNowShown = dialog.GetDlgItem(1120)->IsWindowVisible();
    ccdRows = AfxListViewGetItemCount(&dialog, 1120);
    dialog.SendControlNotify(IDCANCEL, BN_CLICKED);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(firstTab, 0);
  EXPECT_TRUE(eyepiecesShown);
  EXPECT_FALSE(camerasShown);
  EXPECT_EQ(selectedBefore, 1);
  EXPECT_EQ(selectedAfter, -1);
  EXPECT_EQ(tabAfter, 1);
  EXPECT_TRUE(eyepiecesHidden);
  EXPECT_TRUE(camerasNowShown);
  EXPECT_EQ(ccdRows, 1);
}

}  // namespace
