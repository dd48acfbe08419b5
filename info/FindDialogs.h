#pragma once
// The select dialog of picking (a deep-sky object or the star inside its
// outline) and the find dialog with its four tabbed pages. The dialogs only
// collect the user's choice; picking and the find command act on it.
#include <vector>

#include "Dialog.h"

// "Select an object :": the deep-sky line, then the star line.
class CSelectObjectDialog : public CDialog {
 public:
  CSelectObjectDialog();
  CString m_deepSkyLine;
  CString m_starLine;
  // The selected line after Select or a double-click, -1 for none.
  int m_selection = -1;

  BOOL OnInitDialog() override;
  void OnOK() override;
};

void ForwardCancel(CDialog& page);

// Star page: proper name, Greek letter and constellation, HD and SAO numbers.
class Recherche2 : public CDialog {
 public:
  Recherche2();
  CString m_symbol;
  CString m_constellation;
  UINT m_hdNumber = 0;
  UINT m_saoNumber = 0;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // Enter and Escape inside a page belong to the find dialog.
  void OnOK() override {}
  void OnCancel() override;
};

// Deep-sky page: an object name (or "Seti").
class Recherche3 : public CDialog {
 public:
  Recherche3();
  CString m_objectName;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override {}
  void OnCancel() override;
};

// Solar-system page: a body, a comet, an asteroid.
class Recherche4 : public CDialog {
 public:
  Recherche4();
  CString m_planet;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override {}
  void OnCancel() override;
};

// Constellation page.
class Recherche5 : public CDialog {
 public:
  Recherche5();
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override;
};

// The tab control of the find dialog and its four pages (owned). Pages
// change on mouse clicks only.
class CFindTabCtrl : public CTabCtrl {
 public:
  CFindTabCtrl();
  ~CFindTabCtrl() override;
  CDialog* m_pages[4] = {};
  int m_currentPage = 0;
  int m_pageCount = 4;

  void CreatePages();
  void LayoutPages();
  void OnLButtonDown(UINT flags, CPoint point) override;
};

class NouvRecherche : public CDialog {
 public:
  NouvRecherche();
  ~NouvRecherche() override;

  CFindTabCtrl m_tabs;
  CString m_symbol;
  CString m_constellation;
  CString m_starName;
  CString m_planet;
  CString m_objectName;
  UINT m_hdNumber = 0;
  UINT m_saoNumber = 0;
  CString m_starNames[401];
  const CString* m_cometNames = nullptr;
  const CString* m_asteroidNames = nullptr;
  CString m_comet;
  CString m_asteroid;
  int m_cometCount = 0;
  int m_asteroidCount = 0;
  CString m_constellationName;
  int m_page = 0;

  Recherche2& StarPage() { return *static_cast<Recherche2*>(m_tabs.m_pages[0]); }
  Recherche3& DeepSkyPage() { return *static_cast<Recherche3*>(m_tabs.m_pages[1]); }
  Recherche4& SolarSystemPage() { return *static_cast<Recherche4*>(m_tabs.m_pages[2]); }
  Recherche5& ConstellationPage() { return *static_cast<Recherche5*>(m_tabs.m_pages[3]); }

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void DoDataExchange(CDataExchange* pDX) override;
};
