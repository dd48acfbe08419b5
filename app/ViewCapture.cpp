// Screenshots and movie capture of the main view: the command "Take a screen
// shot" (241), "Capture movie..." (32779), the F8 and S keys, and the
// recording's end with the view.
//
// Both take our own presented frames, placed in view coordinates; other
// windows over the view do not appear in the picture.
#include <algorithm>
#include <string>

#include "AviCapture.h"
#include "Image.h"
#include "MainFrame.h"
#include "Nuvarine2View.h"
#include "Resource.h"

namespace {

// printf patterns must not read a folder's '%' as a conversion.
std::string EscapePercent(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

void CNuvarine2View::MapCaptureCommands() {
  MapCommand(kCommandTakeScreenShot, [this] { OnTakeScreenShot(); });
  MapCommand(kCommandCaptureMovie, [this] { OnCaptureMovie(); });
}

void CNuvarine2View::CreateMovieCapture() {
  if (!m_pAviCapture) m_pAviCapture = new CAviCapture;
}

void CNuvarine2View::EndMovieCapture() {
  if (m_capturing && m_pAviCapture) m_pAviCapture->Close();
  m_capturing = false;
}

void CNuvarine2View::DeleteMovieCapture() {
  EndMovieCapture();
  delete m_pAviCapture;
  m_pAviCapture = nullptr;
}

void CNuvarine2View::AddCapturedFrame() {
  // A failed write has closed the movie: stop asking for frames.
  if (m_capturing && m_pAviCapture && !m_pAviCapture->AddFrame()) m_capturing = false;
}

CString CNuvarine2View::SaveScreenshot() {
  const CString name = NextFreeNumberedName("Screenshot%i.bmp", 0);
  return SaveViewPicture(name) ? name : CString();
}

bool CNuvarine2View::SaveViewPicture(const CString& name) {
  PumpMessages();
  if (!m_pd3dDevice) return false;
  // The picture is the frame the user sees: the device keeps a copy of it as
  // it is presented (a window's shown buffer cannot be read back), so one
  // frame is drawn now.
  m_pd3dDevice->KeepNextPresentedFrameForLayer();
  Invalidate();
  UpdateWindow();
  D3DDISPLAYMODE mode{};
  if (FAILED(m_pd3dDevice->GetDisplayMode(0, &mode))) return false;
  int width = 0, height = 0;
  GetClientSize(width, height);
  if (width <= 4 || height <= 4) return false;
  // The surface covers the display and the view, whichever is larger.
  const UINT surfaceWidth = std::max<UINT>(mode.Width, static_cast<UINT>(std::max(width, 0)));
  const UINT surfaceHeight = std::max<UINT>(mode.Height, static_cast<UINT>(std::max(height, 0)));
  IDirect3DSurface9* surface = nullptr;
  if (FAILED(m_pd3dDevice->CreateOffscreenPlainSurface(surfaceWidth, surfaceHeight, D3DFMT_A8R8G8B8,
                                                       D3DPOOL_SYSTEMMEM, &surface, nullptr)))
    return false;
  bool saved = false;
  D3DLOCKED_RECT locked;
  if (SUCCEEDED(m_pd3dDevice->GetFrontBufferData(0, surface)) &&
      SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    // The view less 2 pixels on every side.
    const int w = width - 4, h = height - 4;
    std::vector<uint8_t> dib = imaging::NewDib(w, h, 24, 0);
    if (!dib.empty()) {
      const size_t stride = imaging::StrideOf(24, w);
      for (int y = 0; y < h; ++y) {
        const auto* in = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y + 2) * locked.Pitch + 8;
        uint8_t* out = dib.data() + 40 + static_cast<size_t>(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
          out[3 * x] = in[4 * x];
          out[3 * x + 1] = in[4 * x + 1];
          out[3 * x + 2] = in[4 * x + 2];
        }
      }
      CImage image;
      saved = image.Attach(std::move(dib), CImage::kColor24Bit) && image.Save(name.c_str(), CImage::kFormatBmp);
    }
    surface->UnlockRect();
  }
  surface->Release();
  return saved;
}

void CNuvarine2View::OnTakeScreenShot() {
  const CString name = SaveScreenshot();
  if (name.IsEmpty()) {
    MessageBox("The screen shot could not be saved.", "Nuvarine 2", MB_OK);
    return;
  }
  CString text = AfxString(IDS_SCREENSHOT_ADDED);
  text.Replace("%s", name.c_str());
  MessageBox(text.c_str(), "Nuvarine 2", MB_OK);
}

bool CNuvarine2View::HandleCaptureKey(UINT nChar) {
  constexpr UINT kKeyF8 = 119;
  if (nChar == kKeyF8) {
    EndMovieCapture();
    return true;
  }
  if (nChar != 'S' || GetKeyState(VK_CONTROL) < 0) return false;
  // A held key repeats: one screenshot at a time.
  static int running = 0;
  if (running) return true;
  ++running;
  const CString name = SaveScreenshot();
  CString text = name.IsEmpty() ? CString("The screen shot could not be saved.") : AfxString(IDS_SCREENSHOT_ADDED);
  text.Replace("%s", name.c_str());
  // The status bar keeps one line.
  text.Replace("\n", " ");
  SetStatusText(0, text.c_str());
  --running;
  return true;
}

void CNuvarine2View::OnCaptureMovie() {
  CreateMovieCapture();
  EndMovieCapture();
  const CString name = NextFreeNumberedName((EscapePercent(std::string(m_installFolder.c_str())) + "/video%i.avi").c_str(), 1);
  PumpMessages();
  int width = 0, height = 0;
  GetClientSize(width, height);
  const RECT r = MovieCaptureRectangle(width, height);
  const bool opened = m_pAviCapture->Open(name.c_str(), r.left, r.top, r.right, r.bottom, 25.0f);
  m_pAviCapture->SetUserData(m_pd3dDevice);
  m_capturing = opened;
}
