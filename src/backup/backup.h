// The backup archive of the data folder, and the daily copies kept in "backup\".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "backup/archive_check.h"
#include "base/clock.h"

namespace pim {

inline constexpr std::string_view kBackupFolder = "backup";

struct BackupOutcome {
  bool ok = false;
  bool taken = false;   // `target` existed and, not to be replaced, was left as it was
  std::string failure;  // GBK, for the user: what went wrong and with which file
  BackupCounts counts;
};

// Where a backup reads the data folders: below `from` when they were moved there (the old
// data a restore set aside), named as in the data folder all the same; a folder of
// `skipEmpty` that is empty is left out (made only for the move).
struct BackupSource {
  std::string from;
  std::vector<std::string> skipEmpty;
};

// Writes the data folder ("set\" without the run marker, "note\", "communication\",
// "datum\" with its category folders, "xmlstyle\") as a zip at `target`: first to a
// temporary file beside it, read back and checked, then renamed into place; a copy made
// without asking passes `replace` false and never replaces a file. On failure nothing is
// left at `target` that was not there before.
BackupOutcome WriteBackup(std::string_view target, std::string_view version, const LocalTime& now,
                          bool replace = true, const BackupSource& source = {});

// A copy of the data as it is, before something replaces it: "backup\<prefix>YYYY-MM-DD
// HHMM.zip", or "… (2).zip" and on when that name is taken; never replaces a file. `name`
// gets the name tried last.
BackupOutcome WriteSafetyCopy(std::string_view prefix, std::string_view version,
                              const LocalTime& now, std::string& name);

// The n-th name WriteSafetyCopy tries (n from 1).
std::string SafetyCopyName(std::string_view prefix, const LocalTime& now, int n);
// Whether the archive at `path` reads back whole with one entry for each thing of `from`'s data
// folders and the manifest: the copy a packing placed before it was stopped.
bool SafetyCopyWhole(std::string_view path, std::string_view from,
                     const std::vector<std::string>& skipEmpty);

// The manifest at the top of every archive.
std::string ManifestText(std::string_view version, const LocalTime& now,
                         const BackupCounts& counts);
// Its values, as the restore question shows them ("" or 0 for what it lacks).
struct ManifestInfo {
  std::string version, date;
  BackupCounts counts;
  bool known = false;  // the archive had a manifest
};
ManifestInfo ReadManifest(std::string_view text);

// "Pimbrel备份 YYYY-MM-DD.zip"
std::string BackupFileName(const LocalTime& day);

// The daily copy: made at the first exit of a day unless "autobackup" is "false". Of the
// files named as BackupFileName makes them, the newest `keep` stay.
enum class DailyCopy { Made, Exists, Off, Failed };
DailyCopy MakeDailyCopy(std::string_view version, const LocalTime& now, std::string& failure,
                        int keep = 7);

// Key "backupdir" of [SYS]: the folder the save dialog opened in last; "" for none.
std::string LastBackupFolder();
void RememberBackupFolder(std::string_view folder);

}  // namespace pim
