// The change of data folder: a copy, a merge or a switch, under a journal that the next start
// finishes or undoes.
#include <map>
#include <optional>
#include <vector>

#include "app/data_folder.h"
#include "backup/backup.h"
#include "backup/folder_ops.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/path.h"
#include "base/prompter.h"
#include "records/record_events.h"
#include "reminders/birthdays.h"
#include "settings/sys_settings.h"
#include "sync/conflicts.h"
#include "sync/list_merge.h"

namespace pim {

namespace {

// Beside the records in the new folder while they are copied; renamed away when whole.
constexpr std::string_view kStaging = "pimbrel.copying";
// Inserted before ".xml": no record's name and no sync service's copy of one, so a merge that
// a kill left halfway shows what it had not yet added as strays, never as a record.
constexpr std::string_view kMergedMark = ".merged";

struct Journal {
  std::string computer, mode, phase, from, to;
  std::vector<std::string> made;  // folders a merge makes in the new folder, outermost first
};

std::string JournalText(const Journal& j) {
  std::string text = "pimbrel data folder\r\ncomputer=" + j.computer + "\r\nmode=" + j.mode +
                     "\r\nphase=" + j.phase + "\r\nfrom=" + j.from + "\r\nto=" + j.to + "\r\n";
  for (const std::string& folder : j.made) text += "made=" + folder + "\r\n";
  return text + "end\r\n";
}

bool ReadJournal(Journal& j) {
  JournalLines lines;
  if (!ReadJournalLines(kDataFolderJournal, "pimbrel data folder", lines)) return false;
  for (const auto& [key, value] : lines) {
    if (key == "computer") j.computer = value;
    if (key == "mode") j.mode = value;
    if (key == "phase") j.phase = value;
    if (key == "from") j.from = value;
    if (key == "to") j.to = value;
    if (key == "made") j.made.push_back(value);
  }
  return !j.to.empty() && (j.mode == "copy" || j.mode == "merge");
}

// The setting names the folder, or "" for the program folder.
bool SaveSetting(std::string_view folder) { return SetSysValue("datadir", folder); }

std::string StoredFolder(const FolderChange& change) {
  return FolderKey(change.target) == FolderKey(change.programFolder) ? "" : change.target;
}

// A record folder's kind for a file below it, or none for lists and the DTD.
std::optional<RecordFolder> KindOf(std::string_view relative) {
  const std::string_view folder = DataPathFolder(relative);
  if (!relative.ends_with(".xml") && !relative.ends_with(".XML")) return std::nullopt;
  if (folder == "note\\") return RecordFolder::Notes;
  if (folder == "communication\\") return RecordFolder::Contacts;
  if (folder.starts_with("datum\\") && folder.size() > 6) return RecordFolder::Category;
  return std::nullopt;
}

std::string MergedName(std::string_view relative) {
  return std::string(relative.substr(0, relative.size() - 4)) + std::string(kMergedMark) +
         std::string(relative.substr(relative.size() - 4));
}

bool CopyChecked(const std::string& from, const std::string& to) {
  std::string bytes, back;
  return ReadWholeFile(from, bytes) && WriteFileAtomic(to, bytes) && ReadWholeFile(to, back) &&
         back == bytes;
}

// The staged folders renamed into the new folder; true when all four are there.
bool PlaceStaged(const std::string& target) {
  const std::string staging = JoinPath(target, kStaging);
  for (std::string_view folder : kRecordFolders) {
    const std::string from = JoinPath(staging, folder), to = JoinPath(target, folder);
    if (FolderExists(from) && (FolderExists(to) || !RenamePath(from, to))) return false;
    if (!FolderExists(to)) return false;
  }
  return true;
}

// The switch itself: the setting, then the folder in use.
bool Switch(const FolderChange& change, std::string& failure) {
  if (!SaveSetting(StoredFolder(change))) {
    failure = Gb("无法保存设置文件 set\\sets.conf。");
    return false;
  }
  SetDataFolder(StoredFolder(change));
  return true;
}

bool RenumberReminderMarks(const std::map<int, int>& numbers) {
  BirthdayReminders reminders;
  reminders.Load();
  return reminders.Renumber(numbers);
}

// Records a contact's new number as the merge hands it out.
class NumberSink final : public RecordListener {
 public:
  void OnRecordChange(const RecordChange& c) override {
    if (c.what == RecordChange::What::Written && c.kind == RecordKind::Contact) last = c.number;
  }
  int last = -1;
};

// The second half of a merge, with the new folder set: every stray of ours made a record.
// Contacts' old numbers and new ones go to `numbers`; false when one could not be added (it
// stays a stray, which the conflict window offers).
bool AdoptStrays(const TreeListing& ours, Prompter& prompter, std::map<int, int>& numbers) {
  bool all = true;
  RecordEvents events;
  NumberSink sink;
  events.Subscribe(sink);
  for (const std::string& file : ours.files) {
    const std::optional<RecordFolder> kind = KindOf(file);
    if (!kind) continue;
    const std::string stray = MergedName(file);
    if (!FileExists(stray)) continue;
    sink.last = -1;
    // Its own name as the original, for a card's title; a record there is left alone.
    const Decided d = Decide({*kind, file, stray}, ConflictChoice::KeepBoth, prompter, &events);
    all = all && d != Decided::Failed;
    const std::string name = file.substr(DataPathFolder(file).size());
    if (*kind == RecordFolder::Contacts && sink.last >= 0)
      numbers[RecordNumberOf(name, "com.")] = sink.last;
  }
  events.Unsubscribe(sink);
  return all;
}

// Undoes the first half of a merge: the strays, a half-written one, the folders it made.
void RemoveStrays(const Journal& journal, const TreeListing& ours) {
  for (const std::string& file : ours.files) {
    if (!KindOf(file)) continue;
    const std::string stray = JoinPath(journal.to, MergedName(file));
    RemoveFile(stray);
    RemoveFile(stray + std::string(kTempSuffix));
  }
  for (auto it = journal.made.rbegin(); it != journal.made.rend(); ++it)
    RemoveFolder(JoinPath(journal.to, *it));
}

}  // namespace

bool CopyDataTo(const FolderChange& change, std::string& failure) {
  const std::string staging = JoinPath(change.target, kStaging);
  Journal journal{change.computer, "copy", "copy", DataFolder(), change.target, {}};
  if (!WriteFileAtomic(kDataFolderJournal, JournalText(journal))) {
    failure = Gb("无法写入 ") + std::string(kDataFolderJournal) + Gb("。");
    return false;
  }
  const auto fail = [&](const std::string& why) {
    RemoveTree(staging);
    RemoveFile(kDataFolderJournal);
    failure = why;
    return false;
  };
  TreeListing ours;
  if (!RemoveTree(staging) || !CreateFolders(staging) ||
      !ListRecords(RecordsRoot(DataFolder()), ours))
    return fail(Gb("无法在 ") + change.target + Gb(" 中建立文件夹。"));
  for (std::string_view folder : kRecordFolders)
    if (!CreateFolder(JoinPath(staging, folder)))
      return fail(Gb("无法在 ") + change.target + Gb(" 中建立文件夹。"));
  for (const std::string& folder : ours.folders)
    if (!CreateFolder(JoinPath(staging, folder)))
      return fail(Gb("无法建立文件夹 ") + JoinPath(change.target, folder) + Gb("。"));
  for (const std::string& file : ours.files)
    if (!CopyChecked(file, JoinPath(staging, file)))
      return fail(Gb("无法复制 ") + file + Gb("，或复制后的内容与原文件不同。"));
  journal.phase = "place";
  if (!WriteFileAtomic(kDataFolderJournal, JournalText(journal)))
    return fail(Gb("无法写入 ") + std::string(kDataFolderJournal) + Gb("。"));
  if (!PlaceStaged(change.target)) {
    // Only what came from the staging folder goes back; the old folder is still in use.
    for (std::string_view folder : kRecordFolders)
      RenamePath(JoinPath(change.target, folder), JoinPath(staging, folder));
    return fail(Gb("无法把复制好的数据放到 ") + change.target + Gb(" 中。"));
  }
  if (!Switch(change, failure)) return false;  // the journal finishes it at the next start
  RemoveFile(kDataFolderJournal);
  RemoveTree(staging);
  return true;
}

bool MergeDataInto(const FolderChange& change, Prompter& prompter, std::string& failure) {
  const std::string old = DataFolder();
  TreeListing ours;
  if (!ListRecords(RecordsRoot(old), ours)) {
    failure = Gb("无法读取现在的数据文件夹。");
    return false;
  }
  Journal journal{change.computer, "merge", "copy", old, change.target, {}};
  for (const std::string& folder : ours.folders)
    if (!FolderExists(JoinPath(change.target, folder))) journal.made.push_back(folder);
  if (!WriteFileAtomic(kDataFolderJournal, JournalText(journal))) {
    failure = Gb("无法写入 ") + std::string(kDataFolderJournal) + Gb("。");
    return false;
  }
  const auto fail = [&](const std::string& why) {
    RemoveStrays(journal, ours);
    RemoveFile(kDataFolderJournal);
    failure = why;
    return false;
  };
  // The lists first: a join past 100 names is refused before any record is written.
  for (std::string_view list : {"class.list", "source.list"}) {
    const std::string mine = JoinPath("datum", list), theirs = JoinPath(change.target, mine);
    if (!FileExists(mine)) continue;
    if (!CreateFolders(JoinPath(change.target, "datum")))
      return fail(Gb("无法建立文件夹 ") + JoinPath(change.target, "datum") + Gb("。"));
    if (!FileExists(theirs)) {
      if (!CopyChecked(mine, theirs)) return fail(Gb("无法复制 ") + mine + Gb("。"));
      continue;
    }
    const ListMerge merged = MergeList(list, theirs, mine);
    if (merged == ListMerge::Refused)
      return fail(Gb("两边的类别或来源合起来超过 100 个，无法合并。"));
    if (merged != ListMerge::Merged) return fail(Gb("无法合并 ") + mine + Gb("。"));
  }
  for (const std::string& folder : ours.folders)
    if (!CreateFolders(JoinPath(change.target, folder)))
      return fail(Gb("无法建立文件夹 ") + JoinPath(change.target, folder) + Gb("。"));
  for (const std::string& file : ours.files) {
    const std::string theirs = JoinPath(change.target, file);
    if (KindOf(file)) {
      if (!CopyChecked(file, JoinPath(change.target, MergedName(file))))
        return fail(Gb("无法复制 ") + file + Gb("。"));
    } else if (file.starts_with("xmlstyle\\") && !FileExists(theirs) &&
               !CopyChecked(file, theirs)) {
      return fail(Gb("无法复制 ") + file + Gb("。"));
    }
  }
  journal.phase = "adopt";
  if (!WriteFileAtomic(kDataFolderJournal, JournalText(journal)))
    return fail(Gb("无法写入 ") + std::string(kDataFolderJournal) + Gb("。"));

  // From here on the journal finishes the merge should the program die.
  SetDataFolder(StoredFolder(change));
  std::map<int, int> numbers;
  const bool all = AdoptStrays(ours, prompter, numbers);
  RenumberReminderMarks(numbers);
  if (!Switch(change, failure)) {
    SetDataFolder(old);
    return false;
  }
  RemoveFile(kDataFolderJournal);
  if (!all) failure = Gb("有些记录没有加入，它们留在新文件夹中，会作为冲突列出，可以在那里保留。");
  return true;
}

bool UseDataFolder(const FolderChange& change, std::string_view version, const LocalTime& now,
                   std::string& failure) {
  std::string name;
  const BackupOutcome copy = WriteSafetyCopy(Gb("更换数据文件夹前 "), version, now, name);
  if (!copy.ok) {
    failure = Gb("无法保存现在数据的备份 ") + name + "\r\n" + copy.failure;
    return false;
  }
  // The marks name this computer's contacts by number, which are others' in that folder.
  if (!RenumberReminderMarks({})) {
    failure = Gb("无法写入 ") + std::string(kAwokePath) + Gb("。");
    return false;
  }
  return Switch(change, failure);
}

FolderRecovery RecoverDataFolderChange(std::string_view computer, std::string_view programFolder,
                                       Prompter& prompter) {
  if (!FileExists(kDataFolderJournal)) return FolderRecovery::Nothing;
  Journal journal;
  if (!ReadJournal(journal) || journal.computer != computer) return FolderRecovery::Nothing;
  const FolderChange change{journal.to, std::string(programFolder), std::string(computer)};
  if (journal.mode == "copy") {
    const std::string staging = JoinPath(journal.to, kStaging);
    if (journal.phase == "place" && PlaceStaged(journal.to) && SaveSetting(StoredFolder(change))) {
      RemoveFile(kDataFolderJournal);
      RemoveTree(staging);
      return FolderRecovery::Finished;
    }
    if (journal.phase == "place") return FolderRecovery::Failed;  // left for the user to see
    RemoveTree(staging);
    return RemoveFile(kDataFolderJournal) ? FolderRecovery::Undone : FolderRecovery::Failed;
  }
  TreeListing ours;
  SetDataFolder(journal.from);
  if (!ListRecords(RecordsRoot(journal.from), ours)) return FolderRecovery::Failed;
  if (journal.phase != "adopt") {
    RemoveStrays(journal, ours);
    return RemoveFile(kDataFolderJournal) ? FolderRecovery::Undone : FolderRecovery::Failed;
  }
  SetDataFolder(StoredFolder(change));
  std::map<int, int> numbers;
  AdoptStrays(ours, prompter, numbers);  // one left a stray is offered as a conflict
  RenumberReminderMarks(numbers);
  if (!SaveSetting(StoredFolder(change))) return FolderRecovery::Failed;
  return RemoveFile(kDataFolderJournal) ? FolderRecovery::Finished : FolderRecovery::Failed;
}

std::string FolderRecoveryText(FolderRecovery recovery) {
  switch (recovery) {
    case FolderRecovery::Finished:
      return Gb("上次更换数据文件夹时程序中断了，现在已经完成。");
    case FolderRecovery::Undone:
      return Gb("上次更换数据文件夹时程序中断了，数据文件夹没有更换，数据都在原来的地方。");
    case FolderRecovery::Failed:
      return Gb(
          "上次更换数据文件夹时程序中断了，无法完成；数据文件夹没有更换，数据都在原来的地方。");
    case FolderRecovery::Nothing:
      break;
  }
  return {};
}

}  // namespace pim
