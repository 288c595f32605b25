#pragma once
// Run-time classes: every serializable class registers its name, schema and
// factory so that an archive can create objects by the class name it stores.
#include <cstdint>
#include <string_view>

#include "hostlib/hostlib_export.h"

class CArchive;
class CObject;

// A schema or'ed with this flag lets a class read older schemas itself
// (through CArchive::GetObjectSchema) instead of failing with badSchema.
constexpr unsigned int VERSIONABLE_SCHEMA = 0x80000000u;
// Schema of classes that are dynamic but not serializable.
constexpr unsigned int kNoSchema = 0xFFFFu;

struct VEXHOST_EXPORT CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  unsigned int m_wSchema;
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  // Null for abstract classes or when allocation fails.
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  bool IsSerializable() const { return m_pfnCreateObject != nullptr && m_wSchema != kNoSchema; }

  // Looks a class up by name among the registered ones (those of the host,
  // the module and every loaded plug-in); null when none is known.
  static const CRuntimeClass* FromName(std::string_view name);

  // Class record of the archive: schema (WORD), name length (WORD), ASCII name.
  void Store(CArchive& ar) const;
  // Reads a class record; null when the name is unknown (schema still set).
  static const CRuntimeClass* Load(CArchive& ar, unsigned int* schema);
};

// Registers a class for creation by name while it is alive; modules that
// are unloaded unregister their classes with their static objects.
class VEXHOST_EXPORT CRuntimeClassRegistrar {
 public:
  explicit CRuntimeClassRegistrar(const CRuntimeClass* rtc);
  ~CRuntimeClassRegistrar();
  CRuntimeClassRegistrar(const CRuntimeClassRegistrar&) = delete;
  CRuntimeClassRegistrar& operator=(const CRuntimeClassRegistrar&) = delete;

 private:
  const CRuntimeClass* m_class;
};

class VEXHOST_EXPORT CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  // Default: stores nothing.
  virtual void Serialize(CArchive& ar);

  bool IsKindOf(const CRuntimeClass* rtc) const;
  bool IsSerializable() const { return GetRuntimeClass()->IsSerializable(); }

  static const CRuntimeClass classCObject;
  static const CRuntimeClass* GetThisClass() { return &classCObject; }

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                         \
 public:                                                                    \
  static const CRuntimeClass class##class_name;                             \
  static const CRuntimeClass* GetThisClass() { return &class##class_name; } \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define VEX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, factory) \
  const CRuntimeClass class_name::class##class_name = {                          \
      #class_name, static_cast<int>(sizeof(class_name)), schema, factory,        \
      RUNTIME_CLASS(base_class_name)};                                           \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  VEX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kNoSchema, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                       \
  CObject* class_name::CreateObject() { return new class_name; }                               \
  VEX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kNoSchema, class_name::CreateObject) \
  static const CRuntimeClassRegistrar vexRegistrar_##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                               \
  CObject* class_name::CreateObject() { return new class_name; }                             \
  VEX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
  static const CRuntimeClassRegistrar vexRegistrar_##class_name(RUNTIME_CLASS(class_name));
