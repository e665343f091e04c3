// The data folder of the user's choosing (key "datadir" of [SYS]; none or "" is the program
// folder), its lock, and the change to another folder: the records copied and checked, or
// merged into a folder that another computer already keeps, under a journal in the program
// folder, so that a failure or a kill leaves the program on the old folder with nothing lost.
#pragma once

#include <string>
#include <string_view>

#include "backup/archive_check.h"
#include "backup/folder_ops.h"
#include "base/clock.h"

namespace pim {

class Prompter;

inline constexpr std::string_view kDataFolderJournal = "datafolder.journal";
// Held open in the data folder while the program runs; a sync service must not carry it.
inline constexpr std::string_view kDataLockName = "pimbrel.lock";

std::string LoadDataFolderSetting();

// What the change and the counts share: the records below a folder ("" for the data folder in
// use is the working folder, "."), and every file and folder of them relative to it
// ("note\n.3.xml").
inline std::string RecordsRoot(std::string_view folder) {
  return folder.empty() ? "." : std::string(folder);
}
bool ListRecords(std::string_view root, TreeListing& all);

// The lock in the data folder now set; none is taken in the program folder, which the run
// marker guards. InUse: another copy of the program works on the folder (over a share).
enum class LockResult { Held, InUse, Failed };
LockResult LockDataFolder();
// Closes and deletes the lock.
void UnlockDataFolder();

// The records below `root` ("" for the data folder now set).
BackupCounts CountRecords(std::string_view root);
// Whether `root` holds a record folder (note, communication, datum or xmlstyle).
bool HoldsRecordFolders(std::string_view root);

// Why `target` cannot be the data folder, in GBK, or "". `programFolder` is the working
// folder's full path; both are full paths.
std::string DataFolderProblem(std::string_view target, std::string_view programFolder);

// What a change does with the records of this computer. Each makes `target` the data folder
// when it succeeds (SetDataFolder and the setting) and leaves the old one set when it fails,
// with `failure` saying why. `computer` names this computer in the journal.
struct FolderChange {
  std::string target;
  std::string programFolder;
  std::string computer;
};
// Into a folder without records: copied, each file checked against its original.
bool CopyDataTo(const FolderChange& change, std::string& failure);
// Into a folder that holds records: each of ours added as a new record with a new number,
// the categories and sources joined, the reminder marks renumbered with the contacts.
bool MergeDataInto(const FolderChange& change, Prompter& prompter, std::string& failure);
// The folder's records as they are; ours kept first in "backup\更换数据文件夹前 … .zip".
bool UseDataFolder(const FolderChange& change, std::string_view version, const LocalTime& now,
                   std::string& failure);

// At start, before the data folder is read: a change that a kill interrupted is finished
// (when its copy was whole) or undone. A journal another computer wrote is left alone.
enum class FolderRecovery { Nothing, Finished, Undone, Failed };
FolderRecovery RecoverDataFolderChange(std::string_view computer, std::string_view programFolder,
                                       Prompter& prompter);
std::string FolderRecoveryText(FolderRecovery recovery);

}  // namespace pim
