#pragma once
// CFaceGraphHelper: caller-owned scratch space for the adjacency queries of
// a face list. A query fills the working set, copies it into the helper's
// array and returns that array, so a loop of queries through one helper
// allocates only while the array is still growing. The array is
// overwritten by the next query.
#include <memory>
#include <vector>

#include "hostlib/containers/hash_table.h"
#include "vex3d_export.h"

class VEX3D_EXPORT CFaceGraphHelper {
 public:
  CFaceGraphHelper();
  ~CFaceGraphHelper();
  CFaceGraphHelper(const CFaceGraphHelper&) = delete;
  CFaceGraphHelper& operator=(const CFaceGraphHelper&) = delete;

  // Room for at least n values; reallocated only when n reaches the
  // current capacity.
  int* GetArray(int n);
  int GetArrayCapacity() const { return m_capacity; }

  // The working set, emptied for a new query.
  CHashTable<int>& StartSet();
  CHashTable<int>& GetSet() { return m_set; }
  // Copies the working set's members into the array; n is their number.
  const int* SetToArray(int& n);
  // Two more lists for queries that combine intermediate results; they keep
  // their room between queries.
  std::vector<int>& Scratch(int which) { return m_scratch[which & 1]; }

 private:
  CHashTable<int> m_set;
  std::unique_ptr<int[]> m_array;
  int m_capacity = 0;
  std::vector<int> m_scratch[2];
};
