#include "Nuvarine2View.h"

#include <unistd.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

#include "AjouterImage.h"
#include "Clock.h"
#include "Lx200Panel.h"
#include "NumberFormat.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "SplashDialogs.h"

IMPLEMENT_DYNCREATE(CNuvarine2View)


CNuvarine2View::CNuvarine2View() {
  // The settings base has set the install folder, the place, the atmosphere,
  // the serial and sky-survey globals, the constructor-only switches and the
  // defaults, and the sky model holds the built-in two-line elements.
  m_millisecondClock = [] { return MillisecondClock(); };
  OpenTelescopeLog(m_installFolder);

  // The date fields stay 0 until the start-up takes the computer clock.
  m_year = m_day = m_month = m_hour = m_minute = m_second = 0.0;
  m_localSiderealTime = m_julianDate = m_utFraction = 0.0;
  m_fieldOfView = 0.8f;

  m_programVersion.Empty();
  m_planetLibraryVersion.Empty();
  m_privateBuildText.Empty();
  m_specialBuildText.Empty();

  m_loadingWindow = 1;
  m_pSplashDialog = new CSplashDialog;
  m_pSplashDialog->Create(CSplashDialog::IDD, nullptr);
  m_pSplashDialog->ShowWindow(SW_SHOW);

  m_pLoadingDialog = new ChargementDialog;
  m_pLoadingDialog->Create(ChargementDialog::IDD, nullptr);
  m_pAddPictureDialog = new AjouterImage;
  m_pAddPictureDialog->m_currentPath.Empty();
  m_pAddPictureDialog->m_scale = 1.0f;
  m_pAddPictureDialog->m_raCorrection = 0.0f;
  m_pAddPictureDialog->m_decCorrection = 0.0f;
  m_pAddPictureDialog->m_rotation = 0.0f;
  m_pAddPictureDialog->Create(AjouterImage::IDD, nullptr);
  m_pLx200Panel = new LX200;
  m_pLx200Panel->Create(LX200::IDD, nullptr);

  // No body counts as near before the first update.
  for (int i = 0; i < kBodyCount; ++i) g_bodies[i].cameraDistance = 10000000.0;
  m_telescopeConnected = false;
  m_pAviCapture = nullptr;
  MapTelescopeCommands();
  MapCaptureCommands();
  MapInternetCommands();
}

CNuvarine2View::~CNuvarine2View() {
  DeleteMovieCapture();
  // The scene's resources go before the device, the device before the
  // Direct3D object.
  if (m_pd3dDevice) {
    ReleaseSceneResources();
    m_pd3dDevice->Release();
    m_pd3dDevice = nullptr;
  }
  if (m_pD3D) {
    m_pD3D->Release();
    m_pD3D = nullptr;
  }
  m_gpsSerialPort.Close();
  m_lx200SerialPort.Close();
  auto destroy = [](CDialog*& dialog) {
    if (!dialog) return;
    dialog->DestroyWindow();
    delete dialog;
    dialog = nullptr;
  };
  CDialog* windows[] = {m_pSplashDialog, m_pLoadingDialog, m_pAddPictureDialog, m_pLx200Panel};
  for (CDialog*& w : windows) destroy(w);
  m_pSplashDialog = nullptr;
  m_pLoadingDialog = nullptr;
  m_pAddPictureDialog = nullptr;
  m_pLx200Panel = nullptr;
  CloseTelescopeLog();
}

BOOL CNuvarine2View::PreCreateWindow(CREATESTRUCT& cs) {
  ShowLoadingMessage(1, IDS_INITIALIZING, "");
  // The computer clock, when no settings gave a date.
  if (m_year == 0 && m_day == 0 && m_month == 0 && m_hour == 0 && m_minute == 0 && m_second == 0) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) {
      m_year = local.tm_year + 1900;
      m_month = local.tm_mon + 1;
      m_day = local.tm_mday;
      m_hour = local.tm_hour;
      m_minute = local.tm_min;
      m_second = local.tm_sec;
    }
  }
  if (g_telescopeLogOpen)
    WriteTelescopeLog(FormatC("\r\n\r\n---------------\r\nVersion %s\r\n\r\n", m_programVersion.c_str()).c_str());
  CreateMovieCapture();
  return CView::PreCreateWindow(cs);
}

void CNuvarine2View::ShowLoadingMessage(int kind, UINT stringId, const char* argument) {
  if (kind != 1 && kind != 2) return;
  CString text = AfxString(stringId);
  text.Replace("%s", argument ? argument : "");
  if (kind == 1 && m_pSplashDialog && m_pSplashDialog->HasWindow()) {
    m_pSplashDialog->m_statusText = text;
    m_pSplashDialog->UpdateData(FALSE);
  } else if (kind == 2 && m_pLoadingDialog && m_pLoadingDialog->HasWindow()) {
    m_pLoadingDialog->m_statusText = text;
    m_pLoadingDialog->UpdateData(FALSE);
  }
  PumpMessages();
}

void CNuvarine2View::HideLoadingDialogs() {
  if (m_pSplashDialog) m_pSplashDialog->ShowWindow(SW_HIDE);
  if (m_pLoadingDialog) m_pLoadingDialog->ShowWindow(SW_HIDE);
  m_loadingWindow = 0;
}

void CNuvarine2View::ApplyLoadingWindowState() {
  if (m_pSplashDialog && (m_loadingWindow == 1) != static_cast<bool>(m_pSplashDialog->IsWindowVisible()))
    m_pSplashDialog->ShowWindow(m_loadingWindow == 1 ? SW_SHOW : SW_HIDE);
  if (m_pLoadingDialog && (m_loadingWindow == 2) != static_cast<bool>(m_pLoadingDialog->IsWindowVisible()))
    m_pLoadingDialog->ShowWindow(m_loadingWindow == 2 ? SW_SHOW : SW_HIDE);
}
