#pragma once
// The root object of the class library and its run-time classes: a class
// declared with DECLARE_DYNCREATE can be named by RUNTIME_CLASS and created
// from that description without knowing its type (documents, frames, views,
// images). No GUI: usable from any layer.
class CObject;

struct CRuntimeClass {
  const char* m_lpszClassName;
  CObject* (*m_pfnCreateObject)();
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual CRuntimeClass* GetRuntimeClass() const { return nullptr; }
};

#define DECLARE_DYNCREATE(cls)                      \
 public:                                            \
  static CRuntimeClass class##cls;                  \
  static CObject* CreateObject();                   \
  CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNCREATE(cls)                                                 \
  CRuntimeClass cls::class##cls = {#cls, &cls::CreateObject};                    \
  CObject* cls::CreateObject() { return new cls; }                               \
  CRuntimeClass* cls::GetRuntimeClass() const { return &cls::class##cls; }

#define RUNTIME_CLASS(cls) (&cls::class##cls)
