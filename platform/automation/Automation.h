#pragma once
// Late-bound driver objects shaped like automation's IDispatch: a member is
// found by name (GetIDsOfNames), then got, put or called (Invoke) with
// variants; a failure inside the driver comes back as DISP_E_EXCEPTION with
// an exception record (scode, source, description). A fault the driver
// could not turn into an exception record comes back as the distinct result
// AUTOMATION_E_ESCAPED (the record's scode holds its code): callers that
// guard a call against it see it, the others treat it as a failure.
//
// Classes are found by their ProgID among the registered class providers
// (a backend: INDI, or a scripted double in tests). No COM runtime here.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WinTypes.h"


using DISPID = LONG;
using VARIANT_BOOL = short;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT CO_E_SERVER_EXEC_FAILURE = static_cast<HRESULT>(0x80080005u);
// ASCOM's "not implemented": the member exists in the interface, the device lacks it.
constexpr HRESULT SCODE_NOT_IMPLEMENTED = static_cast<HRESULT>(0x80040400u);
// A fault escaped the driver's own handling (see the header comment).
constexpr HRESULT AUTOMATION_E_ESCAPED = static_cast<HRESULT>(0x8004FFF0u);

enum VARENUM : WORD { VT_EMPTY = 0, VT_I4 = 3, VT_R8 = 5, VT_BSTR = 8, VT_BOOL = 11, VT_UI1 = 17 };

struct VARIANT {
  WORD vt = VT_EMPTY;
  double dblVal = 0.0;
  VARIANT_BOOL boolVal = VARIANT_FALSE;
  unsigned char bVal = 0;
  LONG lVal = 0;
  std::string bstrVal;

  static VARIANT Double(double v) {
    VARIANT r;
    r.vt = VT_R8, r.dblVal = v;
    return r;
  }
  static VARIANT Bool(bool v) {
    VARIANT r;
    r.vt = VT_BOOL, r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
  }
  static VARIANT Byte(unsigned char v) {
    VARIANT r;
    r.vt = VT_UI1, r.bVal = v;
    return r;
  }
  static VARIANT String(const std::string& v) {
    VARIANT r;
    r.vt = VT_BSTR, r.bstrVal = v;
    return r;
  }
};

struct EXCEPINFO {
  HRESULT scode = 0;
  std::string bstrSource;
  std::string bstrDescription;
};

constexpr WORD DISPATCH_METHOD = 1;
constexpr WORD DISPATCH_PROPERTYGET = 2;
constexpr WORD DISPATCH_PROPERTYPUT = 4;
constexpr DISPID DISPID_PROPERTYPUT = -3;

// Arguments of a call, the last argument first (as automation stores them).
struct DISPPARAMS {
  VARIANT* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

class IDispatch {
 public:
  virtual ~IDispatch() = default;
  unsigned long AddRef() { return ++m_references; }
  unsigned long Release() {
    const unsigned long left = --m_references;
    if (left == 0) delete this;
    return left;
  }
  virtual HRESULT GetIDsOfNames(const std::string& name, DISPID* id) = 0;
  virtual HRESULT Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) = 0;

 private:
  unsigned long m_references = 1;
};

// The class behind a ProgID.
struct CLSID {
  std::string progId;
};

// A class provider: says which ProgIDs it serves and makes their objects.
class IDriverClassProvider {
 public:
  virtual ~IDriverClassProvider() = default;
  virtual bool HasClass(const std::string& progId) = 0;
  // A new object (reference count 1) or a failure result.
  virtual HRESULT CreateInstance(const std::string& progId, IDispatch** object) = 0;
};

// Providers are asked in the order they were registered; the last one
// registered for a ProgID prefix wins ties (tests put doubles in front).
void RegisterDriverClassProvider(std::shared_ptr<IDriverClassProvider> provider);
void UnregisterDriverClassProvider(const std::shared_ptr<IDriverClassProvider>& provider);

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid);
// Makes the object of a class found by CLSIDFromProgID.
HRESULT CoCreateInstance(const CLSID& clsid, IDispatch** object);
