#include "TelescopeChooser.h"

#include "Automation.h"
#include "IndiDriver.h"
#include "NumberFormat.h"

namespace {

constexpr int IDC_CHOICES = 1001;
constexpr int IDC_ADDRESS = 1002;
constexpr int IDC_LOOK = 1003;

bool SplitAddress(const std::string& address, std::string& host, int& port) {
  const size_t colon = address.rfind(':');
  host = address.substr(0, colon);
  port = colon == std::string::npos ? 7624 : AtoiC(address.c_str() + colon + 1);
  return !host.empty() && port > 0 && port < 65536;
}

std::function<std::string(const std::string&)> g_runChooser;

// The chooser object: one method, Choose(previous ProgID) -> ProgID.
class ChooserObject : public IDispatch {
 public:
  HRESULT GetIDsOfNames(const std::string& name, DISPID* id) override {
    if (name != "Choose") return DISP_E_UNKNOWNNAME;
    *id = 1;
    return S_OK;
  }
  HRESULT Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) override {
    if (id != 1 || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    std::string previous;
    if (params && params->cArgs == 1 && params->rgvarg[0].vt == VT_BSTR) previous = params->rgvarg[0].bstrVal;
    std::string chosen;
    if (g_runChooser) {
      chosen = g_runChooser(previous);
    } else {
      CTelescopeChooserDialog dialog;
      dialog.m_previous = previous;
      if (dialog.DoModal() == IDOK) chosen = dialog.m_chosen;
    }
    if (result) *result = VARIANT::String(chosen);
    return S_OK;
  }
};

class ChooserProvider : public IDriverClassProvider {
 public:
  bool HasClass(const std::string& progId) override { return progId == "DriverHelper.Chooser"; }
  HRESULT CreateInstance(const std::string&, IDispatch** object) override {
    *object = new ChooserObject;
    return S_OK;
  }
};

}  // namespace

void RegisterTelescopeDriverClasses(std::function<std::string(const std::string&)> run) {
  g_runChooser = std::move(run);
  static bool registered = [] {
    RegisterIndiDriverClasses();
    RegisterDriverClassProvider(std::make_shared<ChooserProvider>());
    return true;
  }();
  (void)registered;
}

BOOL CTelescopeChooserDialog::OnInitDialog() {
  MapCommand(IDC_LOOK, [this]() { OnLookForDevices(); });
  IndiDriverId previous;
  if (ParseIndiProgId(m_previous, previous)) m_address = CString(previous.host + ":" + std::to_string(previous.port));
  std::string host;
  int port = 7624;
  SplitAddress(m_address, host, port);
  for (const IndiDriverEntry& e : ReadIndiTelescopeDrivers()) {
    IndiDriverId id;
    id.driver = e.driver, id.device = e.label, id.host = host, id.port = port;
    Add(e.label + " (" + e.driver + ")", MakeIndiProgId(id));
  }
  m_choice = 0;
  for (size_t i = 0; i < m_progIds.size(); ++i)
    if (m_progIds[i] == m_previous) m_choice = static_cast<int>(i);
  UpdateData(FALSE);
  return TRUE;
}

void CTelescopeChooserDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_CBIndex(pDX, IDC_CHOICES, m_choice);
  DDX_Text(pDX, IDC_ADDRESS, m_address);
}

void CTelescopeChooserDialog::Add(const std::string& label, const std::string& progId) {
  AfxAddComboString(this, IDC_CHOICES, label.c_str());
  m_progIds.push_back(progId);
}

void CTelescopeChooserDialog::OnLookForDevices() {
  if (!UpdateData(TRUE)) return;
  std::string host;
  int port = 0;
  if (!SplitAddress(m_address, host, port)) return;
  const size_t before = m_progIds.size();
  for (const std::string& device : ListIndiTelescopes(host, port, 1500)) {
    IndiDriverId id;
    id.device = device, id.host = host, id.port = port;
    Add(device + " @ " + host + ":" + std::to_string(port), MakeIndiProgId(id));
  }
  if (m_progIds.size() > before) m_choice = static_cast<int>(before);
  UpdateData(FALSE);
}

void CTelescopeChooserDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (m_choice >= 0 && static_cast<size_t>(m_choice) < m_progIds.size()) m_chosen = m_progIds[m_choice];
  EndDialog(IDOK);
}
