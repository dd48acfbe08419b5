#pragma once
// A scripted driver object for tests: members with values, failures with an
// exception record, escaping faults, and a record of every call. The script
// outlives the objects made from it, so a test can read what was called
// after the client has released its object.
#include <map>

#include "Automation.h"

struct DriverScript {
  struct Member {
    VARIANT value;              // property value, or a method's result
    HRESULT failScode = 0;      // non-zero: Invoke fails with DISP_E_EXCEPTION and this scode
    std::string source, description;
    bool escapes = false;       // Invoke returns AUTOMATION_E_ESCAPED with failScode
  };
  struct Call {
    std::string name;
    WORD flags = 0;
    std::vector<VARIANT> args;  // in the order the caller meant (first argument first)
  };

  std::map<std::string, Member> members;
  std::vector<Call> calls;
  int liveObjects = 0;
  // Runs on each successful call (after a put has stored its value).
  std::function<void(DriverScript& script, const Call& call)> onCall;

  void Set(const std::string& name, VARIANT value) { members[name].value = std::move(value); }
  void Fail(const std::string& name, HRESULT scode, const std::string& source = "",
            const std::string& description = "") {
    Member& m = members[name];
    m.failScode = scode, m.source = source, m.description = description, m.escapes = false;
  }
  void Escape(const std::string& name, HRESULT code) {
    Member& m = members[name];
    m.failScode = code, m.escapes = true;
  }
  int CountCalls(const std::string& name) const;
};

class ScriptedDriver : public IDispatch {
 public:
  explicit ScriptedDriver(std::shared_ptr<DriverScript> script);
  ~ScriptedDriver() override;
  HRESULT GetIDsOfNames(const std::string& name, DISPID* id) override;
  HRESULT Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) override;

 private:
  std::shared_ptr<DriverScript> m_script;
  std::vector<std::string> m_names;  // DISPID - 1 -> member name
};

// Serves a set of ProgIDs, each from its own script.
class ScriptedDriverProvider : public IDriverClassProvider {
 public:
  void Add(const std::string& progId, std::shared_ptr<DriverScript> script) { m_scripts[progId] = std::move(script); }
  bool HasClass(const std::string& progId) override { return m_scripts.count(progId) != 0; }
  HRESULT CreateInstance(const std::string& progId, IDispatch** object) override;
  // A class that is registered but whose objects cannot be made.
  HRESULT m_createFailure = S_OK;

 private:
  std::map<std::string, std::shared_ptr<DriverScript>> m_scripts;
};
