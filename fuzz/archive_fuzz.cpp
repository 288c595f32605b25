// Feeds arbitrary bytes to the archive readers: parameter records, strings,
// counts and objects of every registered class. Any crash, leak or sanitizer
// report is a bug; CArchiveException is the expected way to refuse input.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/core/archive.h"
#include "hostlib/core/custom_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> input(data + 1, size - 1);
  switch (data[0] % 3) {
    case 0: {
      CCustomData record;
      record.SetData(input.data(), input.size());
      (void)record.GetData();
      break;
    }
    case 1: {
      CArchive ar(input);
      try {
        while (ar.Remaining() > 0) {
          std::unique_ptr<CObject> object(ar.ReadOwnedObject(nullptr));
        }
      } catch (const CArchiveException&) {
      }
      break;
    }
    default: {
      CArchive ar(input);
      try {
        while (ar.Remaining() > 0) {
          std::string s;
          ar >> s;
          (void)ar.ReadCount(1);
        }
      } catch (const CArchiveException&) {
      }
      break;
    }
  }
  return 0;
}
