// Operations of the view that other subsystems provide. Until they join,
// these keep the frame loop running: the device is taken as ready at the
// first update, the scene draws an empty (black) sky and shows the start-up
// windows as the loading state says, the GPS is not read and no tips box is
// shown. Each definition here goes away when its owner's code arrives.
#include <vector>

#include "Nuvarine2View.h"

void CNuvarine2View::OnInitialUpdate() {
  int width = 0, height = 0;
  GetClientSize(width, height);
  m_backBufferWidth = static_cast<float>(width);
  m_backBufferHeight = static_cast<float>(height);
  m_deviceReady = TRUE;
  CView::OnInitialUpdate();
}

bool CNuvarine2View::HasDevice() const { return m_deviceReady != 0; }

long CNuvarine2View::InitObjects() { return 0; }

long CNuvarine2View::ResetObjects(int width, int height) {
  m_backBufferWidth = static_cast<float>(width);
  m_backBufferHeight = static_cast<float>(height);
  return 0;
}

long CNuvarine2View::FrameMove(float) { return 0; }

long CNuvarine2View::Render() {
  ApplyLoadingWindowState();
  int width = 0, height = 0;
  GetClientSize(width, height);
  if (width > 0 && height > 0 && (width != m_presentedWidth || height != m_presentedHeight)) {
    std::vector<unsigned char> black(static_cast<size_t>(width) * height * 4, 0);
    for (size_t i = 3; i < black.size(); i += 4) black[i] = 255;
    PresentFrame(black.data(), width, height, width * 4);
    m_presentedWidth = width;
    m_presentedHeight = height;
  }
  return 0;
}

void CNuvarine2View::PollGpsReceiver() {}

int CNuvarine2View::RunStartupBox(const CString&, int& choice) {
  choice = 0;
  return IDOK;
}

