#include "SplashDialogs.h"

#include "Resource.h"

void CSplashDialog::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, IDC_STATUS_TEXT, m_statusText); }

void ChargementDialog::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, IDC_STATUS_TEXT, m_statusText); }
