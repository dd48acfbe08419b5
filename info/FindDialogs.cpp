#include "FindDialogs.h"

#include "ConstellationTables.h"
#include "Resource.h"
#include "UiDefs.h"

namespace {

constexpr int kSelectList = 1093;
constexpr int kTabControl = 1039;
constexpr int kStarNameCombo = 1082;
constexpr int kSymbolCombo = 1023;
constexpr int kConstellationCombo = 1024;
constexpr int kHdEdit = 1019;
constexpr int kSaoEdit = 1020;
constexpr int kObjectNameEdit = 1039;
constexpr int kPlanetCombo = 1025;
constexpr int kCometCombo = 1087;
constexpr int kAsteroidCombo = 1091;
constexpr int kConstellationPageCombo = 1124;

// The field that takes the typing when a page is shown.
constexpr int kFirstField[4] = {kStarNameCombo, kObjectNameEdit, kPlanetCombo, kConstellationPageCombo};

// A drop-down's text: an empty text leaves the field empty instead of
// selecting the list's first entry.
void ExchangeComboText(CDataExchange* pDX, int id, CString& value) {
  if (!pDX->m_bSaveAndValidate && value.empty()) {
    if (pDX->m_pDlgWnd) pDX->m_pDlgWnd->SetDlgItemText(id, "");
    return;
  }
  DDX_CBString(pDX, id, value);
}

CString TextOf(CDialog* page, int id) {
  CString text;
  if (page) page->GetDlgItemText(id, text);
  return text;
}

}  // namespace

// ---- Select dialog ------------------------------------------------------------------------

CSelectObjectDialog::CSelectObjectDialog() : CDialog(IDD_SELECT_OBJECT) {
  MapNotify(kSelectList, LBN_DBLCLK, [this](int) { OnOK(); });
}

BOOL CSelectObjectDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  AfxAddListString(this, kSelectList, m_deepSkyLine.GetString());
  AfxAddListString(this, kSelectList, m_starLine.GetString());
  return TRUE;
}

void CSelectObjectDialog::OnOK() {
  m_selection = AfxGetListCurSel(this, kSelectList);
  EndDialog(IDOK);
}

// ---- Pages ----------------------------------------------------------------------------------

// Escape inside a page closes the find dialog that holds it.
void ForwardCancel(CDialog& page) {
  CWnd* tabs = page.GetParent();
  if (auto* owner = dynamic_cast<CDialog*>(tabs ? tabs->GetParent() : nullptr))
    owner->SendControlNotify(IDCANCEL, BN_CLICKED);
}

Recherche2::Recherche2() : CDialog(IDD_FIND_STAR) {}

BOOL Recherche2::OnInitDialog() {
  for (const char* letter : kFindSymbolList) AfxAddComboString(this, kSymbolCombo, letter);
  for (const ConstellationEntry& c : g_constellations) AfxAddComboString(this, kConstellationCombo, c.englishName);
  return CDialog::OnInitDialog();
}

void Recherche2::DoDataExchange(CDataExchange* pDX) {
  ExchangeComboText(pDX, kSymbolCombo, m_symbol);
  ExchangeComboText(pDX, kConstellationCombo, m_constellation);
  DDX_Text(pDX, kHdEdit, m_hdNumber);
  DDX_Text(pDX, kSaoEdit, m_saoNumber);
}

Recherche3::Recherche3() : CDialog(IDD_FIND_DEEP_SKY) {}

BOOL Recherche3::OnInitDialog() { return CDialog::OnInitDialog(); }

void Recherche3::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, kObjectNameEdit, m_objectName); }

Recherche4::Recherche4() : CDialog(IDD_FIND_SOLAR_SYSTEM) {}

BOOL Recherche4::OnInitDialog() {
  for (const char* body : kFindPlanetList) AfxAddComboString(this, kPlanetCombo, body);
  return CDialog::OnInitDialog();
}

void Recherche4::DoDataExchange(CDataExchange* pDX) { ExchangeComboText(pDX, kPlanetCombo, m_planet); }

Recherche5::Recherche5() : CDialog(IDD_FIND_CONSTELLATION) {}

BOOL Recherche5::OnInitDialog() {
  for (const ConstellationEntry& c : g_constellations)
    AfxAddComboString(this, kConstellationPageCombo, c.englishName);
  return CDialog::OnInitDialog();
}

// ---- Tab control ------------------------------------------------------------------------------

CFindTabCtrl::CFindTabCtrl() {
  m_pages[0] = new Recherche2;
  m_pages[1] = new Recherche3;
  m_pages[2] = new Recherche4;
  m_pages[3] = new Recherche5;
  m_pageCount = 4;
}

CFindTabCtrl::~CFindTabCtrl() {
  for (CDialog*& page : m_pages) {
    delete page;
    page = nullptr;
  }
}

void CFindTabCtrl::CreatePages() {
  if (m_currentPage < 0 || m_currentPage >= m_pageCount) m_currentPage = 0;
  static const UINT kTemplates[4] = {IDD_FIND_STAR, IDD_FIND_DEEP_SKY, IDD_FIND_SOLAR_SYSTEM, IDD_FIND_CONSTELLATION};
  for (int i = 0; i < m_pageCount; ++i) {
    m_pages[i]->Create(kTemplates[i], this);
    m_pages[i]->ShowWindow(SW_HIDE);
  }
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  LayoutPages();
  if (CWnd* field = m_pages[m_currentPage]->GetDlgItem(kFirstField[m_currentPage])) field->SetFocus();
}

void CFindTabCtrl::LayoutPages() {
  RECT r{}, t{};
  GetClientRect(&r);
  GetItemRect(0, &t);
  const int x = t.left, y = t.bottom + 1;
  const int width = r.right - t.left - 3, height = r.bottom - (t.bottom + 1) - 3;
  for (int i = 0; i < m_pageCount; ++i) {
    if (i == m_currentPage) continue;
    m_pages[i]->MoveWindow(x, y, width, height);
    m_pages[i]->ShowWindow(SW_HIDE);
  }
  m_pages[m_currentPage]->MoveWindow(x, y, width, height);
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  SetCurFocus(m_currentPage);
}

void CFindTabCtrl::OnLButtonDown(UINT, CPoint) {
  const int focused = GetCurFocus();
  if (focused < 0 || focused >= m_pageCount || focused == m_currentPage) return;
  m_pages[m_currentPage]->ShowWindow(SW_HIDE);
  m_currentPage = focused;
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  m_pages[m_currentPage]->SetFocus();
  if (CWnd* field = m_pages[m_currentPage]->GetDlgItem(kFirstField[m_currentPage])) field->SetFocus();
}

// ---- Find dialog ----------------------------------------------------------------------------------

NouvRecherche::NouvRecherche() : CDialog(IDD_FIND) {}

NouvRecherche::~NouvRecherche() = default;

void NouvRecherche::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kTabControl, m_tabs); }

BOOL NouvRecherche::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int i = 0; i < 4; ++i) m_tabs.InsertItem(i, AfxString(700 + i).GetString());
  m_tabs.m_currentPage = m_page;
  m_tabs.CreatePages();
  for (int i = 0; i < 301; ++i) AfxAddComboString(&StarPage(), kStarNameCombo, m_starNames[i].GetString());
  StarPage().UpdateData(FALSE);
  for (int i = 0; m_cometNames && i < m_cometCount; ++i)
    AfxAddComboString(&SolarSystemPage(), kCometCombo, m_cometNames[i].GetString());
  for (int i = 0; m_asteroidNames && i < m_asteroidCount; ++i)
    AfxAddComboString(&SolarSystemPage(), kAsteroidCombo, m_asteroidNames[i].GetString());
  SolarSystemPage().UpdateData(FALSE);
  return TRUE;
}

void NouvRecherche::OnOK() {
  // A number that does not read keeps the dialog open on its message, so
  // that no search runs with numbers the user did not type.
  for (CDialog* page : m_tabs.m_pages)
    if (!page->UpdateData(TRUE)) return;
  m_planet = SolarSystemPage().m_planet;
  m_starName = TextOf(&StarPage(), kStarNameCombo);
  m_comet = TextOf(&SolarSystemPage(), kCometCombo);
  m_asteroid = TextOf(&SolarSystemPage(), kAsteroidCombo);
  m_constellationName = TextOf(&ConstellationPage(), kConstellationPageCombo);
  m_symbol = StarPage().m_symbol;
  m_constellation = StarPage().m_constellation;
  m_objectName = DeepSkyPage().m_objectName;
  m_hdNumber = StarPage().m_hdNumber;
  m_saoNumber = StarPage().m_saoNumber;
  m_page = m_tabs.m_currentPage;
  EndDialog(IDOK);
}

void NouvRecherche::OnCancel() {
  m_page = m_tabs.m_currentPage;
  EndDialog(IDCANCEL);
}

void Recherche2::OnCancel() { ForwardCancel(*this); }
void Recherche3::OnCancel() { ForwardCancel(*this); }
void Recherche4::OnCancel() { ForwardCancel(*this); }
void Recherche5::OnCancel() { ForwardCancel(*this); }
