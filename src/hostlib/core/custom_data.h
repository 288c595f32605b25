#pragma once
// Parameter record: typed values under four-character keys, carried by
// scenes, nodes, objects, faces, points and commands.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

class CArchive;

class VEXHOST_EXPORT CCustomData {
 public:
  enum ValueType : std::uint32_t {
    typeNone = 0,
    typeUInt = 1,
    typeULong = 2,
    typeBool = 3,
    typeString = 4,
    typeStringArray = 5,
    typeBinary = 6,
    typePtr = 7,
    typeCustomData = 8,
  };

  CCustomData();
  CCustomData(const CCustomData& other);
  CCustomData(CCustomData&& other) noexcept;
  CCustomData& operator=(const CCustomData& other);
  CCustomData& operator=(CCustomData&& other) noexcept;
  ~CCustomData();

  // Same keys in the same order with equal values.
  bool operator==(const CCustomData& other) const;

  // Setting a key replaces its value, whatever its type was; keys keep the
  // order in which they were first set.
  void SetUInt(std::uint32_t key, std::uint32_t value);
  void SetULong(std::uint32_t key, std::uint64_t value);
  void SetBool(std::uint32_t key, bool value);
  void SetString(std::uint32_t key, const std::string& value);
  void SetStringArray(std::uint32_t key, const std::vector<std::string>& value);
  void SetBinary(std::uint32_t key, const void* data, std::size_t size);
  void SetPtr(std::uint32_t key, void* value);
  void SetCustomData(std::uint32_t key, const CCustomData& value);

  // Getters return the default (or false / null) when the key is missing or
  // holds another type.
  std::uint32_t GetUInt(std::uint32_t key, std::uint32_t def = 0) const;
  std::uint64_t GetULong(std::uint32_t key, std::uint64_t def = 0) const;
  bool GetBool(std::uint32_t key, bool def = false) const;
  std::string GetString(std::uint32_t key, const std::string& def = {}) const;
  bool GetString(std::uint32_t key, std::string& out) const;
  bool GetStringArray(std::uint32_t key, std::vector<std::string>& out) const;
  const std::vector<std::uint8_t>* GetBinary(std::uint32_t key) const;
  void* GetPtr(std::uint32_t key, void* def = nullptr) const;
  const CCustomData* GetCustomData(std::uint32_t key) const;
  // With create, a missing (or differently typed) entry becomes an empty record.
  CCustomData* GetCustomData(std::uint32_t key, bool create);

  bool HasKey(std::uint32_t key) const;
  ValueType GetType(std::uint32_t key) const;
  bool RemoveKey(std::uint32_t key);
  void RemoveAll();
  std::size_t GetCount() const;
  bool IsEmpty() const { return GetCount() == 0; }
  std::vector<std::uint32_t> GetKeys() const;
  // Copies every entry of `other` over this record's.
  void Merge(const CCustomData& other);

  void Serialize(CArchive& ar);

  // Raw form: the archive bytes of Serialize, for exchange between processes.
  std::vector<std::uint8_t> GetData() const;
  // False on malformed bytes; the record is then left unchanged.
  bool SetData(const void* data, std::size_t size);

  // Preferences files hold several records by (section, entry). Saving
  // rewrites the file atomically and keeps its other records; a missing or
  // corrupt file loads as an empty record (and Load answers false).
  bool SaveToPrefs(const std::string& file, std::uint32_t section, std::uint32_t entry) const;
  bool LoadFromPrefs(const std::string& file, std::uint32_t section, std::uint32_t entry);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
