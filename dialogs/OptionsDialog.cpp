// The configuration dialog itself: the tab control with its nine pages,
// "Apply", "By default", "Cancel" and "Help".
#include "OptionsDialog.h"

#include <cctype>

#include "App.h"
#include "Frame.h"

OptionsPage* CreateOptionsPage(int index);  // OptionsPages.cpp

namespace {

constexpr int kTabControl = 1113;
constexpr int kByDefault = 1164;
constexpr int kHelp = 1187;
// Tab texts in page order.
constexpr UINT kTabStrings[Options::kPageCount] = {560, 561, 562, 563, 564, 565, 569, 611, 612};
constexpr UINT kPageTemplates[Options::kPageCount] = {
    IDD_OPTIONS_CONSTELLATIONS, IDD_OPTIONS_STARS, IDD_OPTIONS_DEEP_SKY,  IDD_OPTIONS_PLANETS,    IDD_OPTIONS_COORDINATES,
    IDD_OPTIONS_PLANETARIUM,    IDD_OPTIONS_WORK_UNIT, IDD_OPTIONS_3D, IDD_OPTIONS_SATELLITES};

}  // namespace

bool PathHasExtension(const CString& path, const char* extension) {
  const std::string p = path.c_str();
  const size_t slash = p.find_last_of("/\\");
  const size_t dot = p.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string own = p.substr(dot);
  const std::string wanted = extension;
  if (own.size() != wanted.size()) return false;
  for (size_t i = 0; i < own.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(own[i])) != std::tolower(static_cast<unsigned char>(wanted[i])))
      return false;
  return true;
}

COptionsTabCtrl::COptionsTabCtrl() {
  for (int i = 0; i < kPageCount; ++i) m_pages[i] = CreateOptionsPage(i);
}

COptionsTabCtrl::~COptionsTabCtrl() {
  for (OptionsPage*& page : m_pages) {
    delete page;
    page = nullptr;
  }
}

void COptionsTabCtrl::Init() {
  if (m_currentPage < 0 || m_currentPage >= m_pageCount) m_currentPage = 0;
  for (int i = 0; i < m_pageCount; ++i) {
    m_pages[i]->Create(kPageTemplates[i], this);
    m_pages[i]->ShowWindow(SW_HIDE);
  }
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  SetRectangle();
}

void COptionsTabCtrl::SetRectangle() {
  RECT client{}, item{};
  GetClientRect(&client);
  GetItemRect(0, &item);
  const int x = item.left, y = item.bottom + 1;
  const int width = client.right - item.left - 3, height = client.bottom - y - 3;
  for (int i = 0; i < m_pageCount; ++i) {
    m_pages[i]->MoveWindow(x, y, width, height);
    m_pages[i]->ShowWindow(SW_HIDE);
  }
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  SetCurFocus(m_currentPage);
}

void COptionsTabCtrl::OnLButtonDown(UINT, CPoint) { ShowPage(GetCurFocus()); }

void COptionsTabCtrl::ShowPage(int index) {
  if (index < 0 || index >= m_pageCount) return;
  if (GetCurFocus() != index) SetCurFocus(index);
  if (index == m_currentPage) return;
  m_pages[m_currentPage]->ShowWindow(SW_HIDE);
  m_currentPage = index;
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  m_pages[m_currentPage]->SetFocus();
}

void OptionsPage::OnCancel() {
  CWnd* tabs = GetParent();
  if (auto* owner = dynamic_cast<CDialog*>(tabs ? tabs->GetParent() : nullptr))
    owner->SendControlNotify(IDCANCEL, BN_CLICKED);
}

void OptionsPage::OnOK() {
  CWnd* tabs = GetParent();
  if (auto* owner = dynamic_cast<CDialog*>(tabs ? tabs->GetParent() : nullptr))
    owner->SendControlNotify(IDOK, BN_CLICKED);
}

Options::Options() : CDialog(IDD_OPTIONS) {
  MapCommand(kByDefault, [this] {
    // The pages are not read: the values copied in stay as they were.
    m_restoreDefaults = true;
    CDialog::EndDialog(IDOK);
  });
  MapCommand(kHelp, [] {
    if (auto* frame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd())) frame->OnHelp();
  });
}

Options::~Options() = default;

void Options::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kTabControl, m_tabs); }

BOOL Options::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int i = 0; i < kPageCount; ++i) m_tabs.InsertItem(i, AfxString(kTabStrings[i]).c_str());
  m_tabs.m_currentPage = m_currentPage;
  for (OptionsPage* page : m_tabs.m_pages) page->m_runDialog = &m_runDialog;
  m_tabs.Init();
  for (OptionsPage* page : m_tabs.m_pages) page->Load(m_settings);
  return TRUE;
}

void Options::OnOK() {
  // Every page must pass before anything is taken: the first page whose
  // value fails is shown with its control focused, and the dialog stays.
  for (int i = 0; i < kPageCount; ++i) {
    OptionsPage* page = m_tabs.m_pages[i];
    CDataExchange dx(page, TRUE);
    page->DoDataExchange(&dx);
    if (dx.m_failed) {
      m_tabs.ShowPage(i);
      if (CWnd* control = page->GetDlgItem(dx.m_lastControl)) control->SetFocus();
      return;
    }
  }
  for (OptionsPage* page : m_tabs.m_pages) page->Store(m_settings);
  m_currentPage = m_tabs.m_currentPage;
  EndDialog(IDOK);
}

void Options::OnCancel() {
  m_currentPage = m_tabs.m_currentPage;
  EndDialog(IDCANCEL);
}
