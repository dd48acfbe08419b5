#include "ScriptedDriver.h"

int DriverScript::CountCalls(const std::string& name) const {
  int n = 0;
  for (const Call& c : calls) n += c.name == name;
  return n;
}

ScriptedDriver::ScriptedDriver(std::shared_ptr<DriverScript> script) : m_script(std::move(script)) {
  ++m_script->liveObjects;
}

ScriptedDriver::~ScriptedDriver() { --m_script->liveObjects; }

HRESULT ScriptedDriver::GetIDsOfNames(const std::string& name, DISPID* id) {
  if (!id) return E_FAIL;
  if (!m_script->members.count(name)) return DISP_E_UNKNOWNNAME;
  for (size_t i = 0; i < m_names.size(); ++i)
    if (m_names[i] == name) return *id = static_cast<DISPID>(i + 1), S_OK;
  m_names.push_back(name);
  *id = static_cast<DISPID>(m_names.size());
  return S_OK;
}

HRESULT ScriptedDriver::Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) {
  if (id < 1 || static_cast<size_t>(id) > m_names.size()) return DISP_E_MEMBERNOTFOUND;
  const std::string& name = m_names[id - 1];
  DriverScript::Member& member = m_script->members[name];
  DriverScript::Call call{name, flags, {}};
  if (params)
    for (UINT i = params->cArgs; i > 0; --i) call.args.push_back(params->rgvarg[i - 1]);
  m_script->calls.push_back(call);
  if (member.failScode != 0) {
    if (exception) {
      exception->scode = member.failScode;
      exception->bstrSource = member.source;
      exception->bstrDescription = member.description;
    }
    return member.escapes ? AUTOMATION_E_ESCAPED : DISP_E_EXCEPTION;
  }
  if ((flags & DISPATCH_PROPERTYPUT) && !call.args.empty()) member.value = call.args[0];
  if (result && !(flags & DISPATCH_PROPERTYPUT)) *result = member.value;
  if (m_script->onCall) m_script->onCall(*m_script, call);
  return S_OK;
}

HRESULT ScriptedDriverProvider::CreateInstance(const std::string& progId, IDispatch** object) {
  auto it = m_scripts.find(progId);
  if (it == m_scripts.end()) return REGDB_E_CLASSNOTREG;
  if (FAILED(m_createFailure)) return m_createFailure;
  *object = new ScriptedDriver(it->second);
  return S_OK;
}
