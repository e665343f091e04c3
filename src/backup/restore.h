// Restore of a checked archive: unpacked beside the data folder, then swapped in under a
// journal, so that a failure or a kill leaves the old data or the new, never a mix.
#pragma once

#include <string>
#include <string_view>

#include "backup/archive_check.h"
#include "base/clock.h"

namespace pim {

inline constexpr std::string_view kRestoreJournal = "restore.journal";
inline constexpr std::string_view kRestoreNew = "restore.new";
inline constexpr std::string_view kRestoreOld = "restore.old";

enum class RestoreResult {
  Ok,                // all four folders and the settings files are the archive's
  Blocked,           // a leftover of an earlier restore is in the way; nothing changed
  SafetyCopyFailed,  // the copy of the current data could not be made; nothing changed
  UnpackFailed,      // nothing changed
  RolledBack,        // the swap failed and the old data is back
  Stuck,             // the swap failed and could not be undone; the next start retries
};

// Restores `plan` from the checked `reader`: all of it or nothing. Before anything changes
// the current data goes to "backup\恢复前 YYYY-MM-DD HHMM.zip", or "… HHMM (2).zip" and on
// when that name is taken. A file whose bytes the archive does not change stays the same
// file, with its time. `failure` says what went wrong, in GBK.
RestoreResult RunRestore(const ZipReader& reader, const RestorePlan& plan, std::string_view version,
                         const LocalTime& now, std::string& failure);

// At start, before the run marker is claimed: a journal left by a run that died in a
// restore is finished (or, when that fails, undone); stale unpacked folders are removed.
enum class Recovery { Nothing, Finished, Undone, Failed };
Recovery RecoverRestore();

}  // namespace pim
