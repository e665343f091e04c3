// Restore of a checked archive: unpacked beside the data folder, then swapped in under a
// journal, so that a failure or a kill leaves the old data or the new, never a mix.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <thread>

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

// Restores `plan` from the checked `reader`: all of it or nothing. The current data is moved
// aside whole, under the journal, into "restore.old", and stays there after an Ok until
// PackSafetyCopy has made it "backup\恢复前 YYYY-MM-DD HHMM.zip", or "… HHMM (2).zip" and on
// when that name is taken (the name is taken here). A file whose bytes the archive does not
// change stays the same file, with its time. `failure` says what went wrong, in GBK.
RestoreResult RunRestore(const ZipReader& reader, const RestorePlan& plan, std::string_view version,
                         const LocalTime& now, std::string& failure);

// Whether a restore's safety copy waits to be packed from "restore.old".
bool SafetyCopyPending();
// Packs it, checks it, and only then removes "restore.old" and the journal; true when nothing
// was pending. On failure the old data stays where it is for the next try.
bool PackSafetyCopy(std::string& failure);

// PackSafetyCopy on a thread of its own, so the restored data is in use at once; `done` runs
// on that thread at its end. Wait before anything else touches the journal or the folders.
class SafetyCopyPacker {
 public:
  SafetyCopyPacker() = default;
  SafetyCopyPacker(const SafetyCopyPacker&) = delete;
  SafetyCopyPacker& operator=(const SafetyCopyPacker&) = delete;
  ~SafetyCopyPacker() { Wait(); }
  // Nothing when nothing is pending or a packing is under way.
  void Start(std::function<void()> done);
  // Waits for the packing under way; false, with what failed, once for a packing that failed.
  bool Wait(std::string* failure = nullptr);

 private:
  std::thread thread_;
  bool failed_ = false;
  std::string failure_;
};

// At start, before the run marker is claimed: a journal left by a run that died in a
// restore is finished (or, when that fails, undone); stale unpacked folders are removed. A
// safety copy still to be packed is left to PackSafetyCopy.
enum class Recovery { Nothing, Finished, Undone, Failed };
Recovery RecoverRestore();

}  // namespace pim
