#pragma once
// The application profile: integer and string entries under named sections,
// kept in the INI file "vex3d.ini" of the user preferences folder.
//
// Every call reads the file afresh, so a change of the preferences folder
// (VEX3D_CONFIG_DIR) or of the file by another process is seen at once, and
// every write rewrites the whole file atomically. A missing, truncated or
// damaged file never fails a read: lines that cannot be understood are
// skipped, missing entries give the caller's default, and the next write
// leaves a clean file holding every entry that could be read. Files larger
// than 1 MiB are not profiles and are read as empty. A file that exists but
// cannot be read at all (permissions) is never written over.
//
// Section and entry names compare ASCII case-insensitively; a name is
// refused (default returned, write fails) when it is empty, has leading or
// trailing blanks, control characters or invalid UTF-8, a section name holds
// ']' or an entry name '=' or starts with '[', ';' or '#'. String values are
// UTF-8 without line breaks or other control characters except tab; values
// with surrounding blanks or quotes are stored quoted and read back exactly.
//
// Integers are 32-bit signed. Colours and flag words are stored through
// their int value (a COLORREF keeps red in the low byte); a hand-written
// value up to 4294967295 or in hex ("0xC0C0C0") reads as the same bits.
// Anything else that is not a whole integer reads as the default.
//
// All profiles of the process share one lock, so concurrent writes from
// threads never lose each other's entries. Two processes writing at the
// same moment may: the last rename wins.
#include <string>
#include <utility>

#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CAppProfile {
 public:
  // The profile of the user preferences folder, looked up at every call.
  CAppProfile() = default;
  // A profile in a fixed file.
  explicit CAppProfile(std::string filePath) : m_filePath(std::move(filePath)) {}

  // The process-wide profile every part of the application uses.
  static CAppProfile& Get();

  std::string GetFilePath() const;

  int GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const;
  bool WriteProfileInt(const std::string& section, const std::string& entry, int value);
  std::string GetProfileString(const std::string& section, const std::string& entry,
                               const std::string& defaultValue = {}) const;
  bool WriteProfileString(const std::string& section, const std::string& entry,
                          const std::string& value);
  // True when the entry is gone afterwards (also when it never existed).
  // A section left without entries disappears.
  bool DeleteProfileEntry(const std::string& section, const std::string& entry);

 private:
  std::string m_filePath;  // empty: follow the preferences folder
};

// Shorthands for CAppProfile::Get().
VEXHOST_EXPORT int GetProfileInt(const std::string& section, const std::string& entry,
                                 int defaultValue);
VEXHOST_EXPORT bool WriteProfileInt(const std::string& section, const std::string& entry,
                                    int value);
VEXHOST_EXPORT std::string GetProfileString(const std::string& section, const std::string& entry,
                                            const std::string& defaultValue = {});
VEXHOST_EXPORT bool WriteProfileString(const std::string& section, const std::string& entry,
                                       const std::string& value);
