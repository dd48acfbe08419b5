// The frame loop: every paint message of the view is one frame.
#include <algorithm>

#include "Nuvarine2View.h"
#include "Resource.h"

double g_previousFrameTime = 0.0;
float g_frameRate = 0.0f;
float g_previousFrameRate = 0.0f;
bool g_firstPaint = true;

void ResetFrameLoopGlobals() {
  g_previousFrameTime = 0.0;
  g_frameRate = 0.0f;
  g_previousFrameRate = 0.0f;
  g_firstPaint = true;
}

void CNuvarine2View::OnDraw(CDC* pDC) {
  // Routines that pump messages while they work could bring a paint here
  // in the middle of a frame: that paint is skipped.
  if (m_inOnDraw) return;
  m_inOnDraw = true;

  if (!m_frameClockStarted) {
    g_previousFrameTime = m_millisecondClock();
    m_frameClockStarted = true;
  }

  if (m_deviceReady && !m_sceneReady && g_firstPaint) {
    g_firstPaint = false;
    ShowLoadingMessage(1, IDS_INITIALIZING_3D, "");
    if (pDC) {
      // The rectangle overfills the back buffer; a device made before the
      // window reached its size has a smaller one, so the client area sets
      // the least size: the whole view is grey, not a corner of it.
      int clientWidth = 0, clientHeight = 0;
      GetClientSize(clientWidth, clientHeight);
      const int width = std::max(static_cast<int>(m_backBufferWidth), clientWidth) + 50;
      const int height = std::max(static_cast<int>(m_backBufferHeight), clientHeight) + 100;
      pDC->SetBrushColor(RGB(100, 100, 100));
      pDC->SetPenColor(RGB(0, 0, 0));
      pDC->Rectangle(0, 0, width, height);
    }
  }

  // The clock is read in double milliseconds: a float would lose whole
  // milliseconds after a few hours and give frames of 0 or 1 second.
  const double now = m_millisecondClock();
  float frameTime = static_cast<float>((now - g_previousFrameTime) * 0.001);
  m_longestFrameMs = std::max(m_longestFrameMs, now - g_previousFrameTime);
  if (frameTime == 0.0f) frameTime = 1.0f;

  float rate = 1.0f / frameTime;
  if (g_previousFrameRate != 0.0f) rate = (rate - g_previousFrameRate) * 0.1f + g_previousFrameRate;
  g_frameRate = rate;
  g_previousFrameRate = rate;
  if (rate > m_framesPerSecondMax) m_framesPerSecondMax = rate;

  ++m_frameCounter;

  // The scene is made at the fifth frame, or at the first one after it that
  // has a device (a device made late must not leave the splash up for ever);
  // the count then goes on from 5 so the frames after it keep their order.
  if (HasDevice() && !m_sceneReady && m_frameCounter >= 5) {
    InitObjects();
    m_sceneReady = TRUE;
    m_frameCounter = 5;
  }

  if (HasDevice() && m_sceneReady) {
    if (m_frameCounter == 6) m_loadingWindow = 0;
    if (m_frameCounter == 7 && m_startupBoxPending) {
      m_startupBoxPending = false;
      int choice = 0;
      if (!m_lastEphemerisText.IsEmpty()) {
        CString text = m_lastEphemerisText;
        for (char& c : text)
          if (c == '\t') c = ' ';
        int result = RunStartupBox(text, choice);
        if (result == IDCANCEL && choice == 1) m_showAlertsAtStartup = false;
        m_lastEphemerisText.Empty();
      } else if (m_showTipsAtStartup) {
        int result = RunStartupBox(CString(), choice);
        if (result == IDCANCEL && choice == 1) m_showTipsAtStartup = false;
      }
    }
  }

  FrameMove(frameTime);

  if (m_sceneReady) {
    if (m_gpsActive == 1 && m_frameCounter % 5 == 0) PollGpsReceiver();
    Render();
  }

  g_previousFrameTime = now;
  m_inOnDraw = false;
}
