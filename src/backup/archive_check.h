// Whether an archive may be restored, checked whole before anything is touched, and what
// it would put where.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backup/zip.h"

namespace pim {

inline constexpr uint64_t kMaxRestoreEntries = 200000;
inline constexpr uint64_t kMaxRestoreBytes = 4ull << 30;       // unpacked
inline constexpr uint64_t kMaxRestoreNameBytes = 16ull << 20;  // the names of all entries
inline constexpr std::string_view kManifestName = "pimbrel-backup.txt";

// The folders of the data folder an archive holds, in the order backup writes them.
inline constexpr std::array<std::string_view, 5> kDataFolders = {"set", "note", "communication",
                                                                 "datum", "xmlstyle"};

struct BackupCounts {
  int notes = 0;
  int contacts = 0;
  int cards = 0;
};

struct RestorePlan {
  struct Item {
    uint32_t entry;  // index into the reader's entries
    bool folder;
  };
  std::vector<Item> items;
  std::vector<std::string> ignored;  // names outside the five folders, as the archive has them;
                                     // the first 11 in name order
  std::string manifest;              // "" when the archive has none
  BackupCounts counts;               // of the entries that would be restored
  uint64_t bytes = 0;
  bool stepInto = false;  // every name lies in one folder, which is left out
};

enum class ArchiveCheck {
  Ok,
  Unreadable,  // the file cannot be read
  NotZip,
  Damaged,       // cut, or its records contradict each other
  Unsupported,   // encrypted, or a packing method we do not read
  BadData,       // an entry's CRC or size is wrong
  BadName,       // a name Windows would take for another (see windows_name.h), or a duplicate
  TooBig,        // over 200,000 entries, 16 MB of names or 4 GB unpacked
  FileAsFolder,  // a file where the archive also has a folder of the same name
  NoSettings,    // neither a manifest nor "set\sets.conf"
};

// Reads and checks the archive at `archivePath` (every entry inflated and its CRC checked).
// Names are checked as Windows will see them: converted first, then split and checked.
// `reader` stays open for the unpacking; `detail` names the offending entry.
ArchiveCheck CheckArchive(std::string_view archivePath, ZipReader& reader, RestorePlan& plan,
                          std::string& detail);

// Where an item of a checked plan goes: a data path below the data folder ("datum\未分类"),
// exactly the Windows name that was checked.
std::string PlannedPath(const ZipReader& reader, const RestorePlan& plan,
                        const RestorePlan::Item& item);

// Counts notes ("note\n.*.xml"), contacts ("communication\com.*.xml") and cards (".xml"
// files in a category folder of "datum\") among data paths.
void CountRecord(std::string_view dataPath, BackupCounts& counts);

}  // namespace pim
