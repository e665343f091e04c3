#include "backup/restore.h"

#include <array>
#include <cstdio>

#include "backup/backup.h"
#include "backup/folder_ops.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"

namespace pim {

namespace {

// The record folders are swapped whole; "set\" file by file, since the run marker in it stays
// open.
constexpr const auto& kSwappedFolders = kRecordFolders;
constexpr std::string_view kMarkerName = "run.ing.m";

// What the swap moves: each set file before and after, in the journal so a later start
// knows them too. Once the swap is done ("pack"), "restore.old" holds the only copy of the
// data as it was until the safety copy is packed from it, placed and checked.
struct Journal {
  enum class Phase { Swap, Undo, Pack } phase = Phase::Swap;
  std::vector<std::string> oldSet, newSet;
  std::vector<std::string> made;  // record folders made empty for the swap: not the old data's
  std::string copy, version;      // the safety copy's name and the manifest's version and date
  LocalTime date{};
};

std::string JournalText(const Journal& j) {
  using Phase = Journal::Phase;
  std::string text = std::string("pimbrel restore\r\nphase=") +
                     (j.phase == Phase::Undo   ? "undo"
                      : j.phase == Phase::Pack ? "pack"
                                               : "swap") +
                     "\r\ncopy=" + j.copy + "\r\nversion=" + j.version +
                     Format("\r\ndate=%04d-%02d-%02d %02d:%02d\r\n", j.date.year, j.date.month,
                            j.date.day, j.date.hour, j.date.minute);
  for (const std::string& n : j.made) text += "made=" + n + "\r\n";
  for (const std::string& n : j.oldSet) text += "old=" + n + "\r\n";
  for (const std::string& n : j.newSet) text += "new=" + n + "\r\n";
  return text + "end\r\n";
}

bool ReadJournal(Journal& j) {
  JournalLines lines;
  if (!ReadJournalLines(kRestoreJournal, "pimbrel restore", lines)) return false;
  for (const auto& [key, value] : lines) {
    if (key == "phase" && value == "undo") j.phase = Journal::Phase::Undo;
    if (key == "phase" && value == "pack") j.phase = Journal::Phase::Pack;
    if (key == "copy") j.copy = value;
    if (key == "version") j.version = value;
    if (key == "date")
      std::sscanf(value.c_str(), "%d-%d-%d %d:%d", &j.date.year, &j.date.month, &j.date.day,
                  &j.date.hour, &j.date.minute);
    if (key == "made" && !value.empty()) j.made.push_back(value);
    if (key == "old" && !value.empty()) j.oldSet.push_back(value);
    if (key == "new" && !value.empty()) j.newSet.push_back(value);
  }
  // A packing journal without its name would leave the old data nowhere to go.
  return j.phase != Journal::Phase::Pack || !j.copy.empty();
}

bool Exists(std::string_view path) { return FolderExists(path) || FileExists(path); }

struct Move {
  std::string live, old, fresh;
  bool inOld, inNew;
};

std::vector<Move> Moves(const Journal& j) {
  std::vector<Move> moves;
  for (std::string_view f : kSwappedFolders)
    moves.push_back(
        {std::string(f), JoinPath(kRestoreOld, f), JoinPath(kRestoreNew, f), true, true});
  auto add = [&](const std::string& name, bool inOld, bool inNew) {
    for (Move& m : moves)
      if (m.live == JoinPath("set", name)) {
        m.inOld = m.inOld || inOld;
        m.inNew = m.inNew || inNew;
        return;
      }
    const std::string set = JoinPath("set", name);
    moves.push_back({set, JoinPath(kRestoreOld, set), JoinPath(kRestoreNew, set), inOld, inNew});
  };
  for (const std::string& n : j.oldSet) add(n, true, false);
  for (const std::string& n : j.newSet) add(n, false, true);
  return moves;
}

// The old one aside, then the new one in. When the journal was written "restore.old" was
// empty, so only a run that goes on after a kill (`resume`) takes what it finds there for a
// step already taken; a fresh run takes every step itself or fails.
bool Forward(const Move& m, bool resume) {
  if (m.inOld) {
    // A move aside onto another volume killed between its copy and its removal; the new one
    // has not come, so the two are the old one.
    if (resume && Exists(m.fresh)) SettleHalfMove(m.old, m.live);
    if (!Exists(m.old)) {
      if (!Exists(m.live) || !MovePath(m.live, m.old)) return false;
    } else if (!resume) {
      return false;
    }
  }
  if (!m.inNew) return true;
  if (resume) SettleHalfMove(m.live, m.fresh);  // the new one came; its source had not gone
  if (Exists(m.fresh)) return !Exists(m.live) && MovePath(m.fresh, m.live);
  return resume && Exists(m.live);
}

// True when the old one is back in its place; a new one in that place goes back first.
bool Undo(const Move& m) {
  // A move onto another volume killed halfway leaves its two ends with the same bytes.
  if (m.inNew) SettleHalfMove(m.fresh, m.live);
  if (m.inOld) SettleHalfMove(m.live, m.old);
  if (m.inNew && Exists(m.live) && !Exists(m.fresh) && (!m.inOld || Exists(m.old)) &&
      !MovePath(m.live, m.fresh))
    return false;
  if (!m.inOld) return true;
  if (Exists(m.old) && (Exists(m.live) || !MovePath(m.old, m.live))) return false;
  return Exists(m.live);
}

bool UndoAll(const std::vector<Move>& moves) {
  bool ok = true;
  for (auto it = moves.rbegin(); it != moves.rend(); ++it) ok = Undo(*it) && ok;
  return ok;
}

// Something below `path` that is still there.
std::string StillThere(const std::string& path) {
  for (const std::string& name : ListFolder(path)) {
    const std::string inner = JoinPath(path, name);
    return FolderExists(inner) ? StillThere(inner) : inner;
  }
  return path;
}

// Removes the unpacked and the moved-aside folders; false with the first thing left in
// `left` when one of them stays. While a journal is there the moved-aside folders may be the
// only copy of the old data: they stay.
bool RemoveLeftovers(std::string* left = nullptr) {
  const bool journal = FileExists(kRestoreJournal);
  // What a kill leaves of a journal being written, and of a move onto another volume.
  RemoveFile(std::string(kRestoreJournal) + std::string(kTempSuffix));
  for (std::string_view f : kSwappedFolders) {
    RemoveTree(Beside(f, kTempSuffix));
    RemoveTree(Beside(f, kGoneSuffix));
  }
  for (std::string_view folder : {kRestoreNew, kRestoreOld}) {
    if ((journal && folder == kRestoreOld) || RemoveTree(folder)) continue;
    if (left) *left = StillThere(std::string(folder));
    return false;
  }
  return true;
}

// The plain files of "set\" but the marker.
std::vector<std::string> SetFiles(std::string_view folder) {
  std::vector<std::string> names;
  for (const std::string& n : ListFolder(folder))
    if (n != kMarkerName && FileExists(JoinPath(folder, n))) names.push_back(n);
  return names;
}

// Whether the file at `live` holds exactly the entry's bytes.
bool SameBytes(const ZipReader& reader, const ZipEntry& entry, const std::string& live) {
  if (StampOf(live).size != static_cast<int64_t>(entry.size)) return false;
  File file;
  if (!file.Open(live, File::Mode::Read)) return false;
  std::string mine;
  const ZipStatus s = reader.Extract(entry, [&](std::string_view piece) {
    mine.resize(piece.size());
    size_t have = 0;
    for (size_t got = 1; have < piece.size() && got > 0; have += got)
      got = file.Read(mine.data() + have, piece.size() - have);
    return have == piece.size() && std::string_view(mine) == piece;
  });
  char more;
  return s == ZipStatus::Ok && file.Read(&more, 1) == 0 && !file.Failed();
}

bool Unpack(const ZipReader& reader, const RestorePlan& plan, std::string& failed) {
  if (!CreateFolder(kRestoreNew)) return false;
  for (std::string_view f : kDataFolders)
    if (!CreateFolder(JoinPath(kRestoreNew, f))) return false;
  std::string made;  // the folder the last file went to
  for (const RestorePlan::Item& item : plan.items) {
    const std::string path = PlannedPath(reader, plan, item);
    failed = path;
    const std::string target = JoinPath(kRestoreNew, path);
    // Folders on the way first: an archive may list a file before its folder.
    const std::string_view folder = DataPathFolder(target);
    if (folder != made && !CreateFolders(folder.substr(0, folder.size() - 1))) return false;
    made = folder;
    if (item.folder) {
      if (!CreateFolder(target)) return false;
      continue;
    }
    const ZipEntry& entry = reader.entries()[item.entry];
    // A file the restore would not change stays the same file, so nothing takes it for
    // changed; where the disk has no second names, the copy gets its time.
    const bool same = SameBytes(reader, entry, path);
    if (same && LinkFile(path, target)) continue;
    File file;
    // Never over an existing file: one name Windows took for another's would lose one.
    if (!file.Open(target, File::Mode::CreateNew)) return false;
    const ZipStatus s =
        reader.Extract(entry, [&](std::string_view piece) { return file.Write(piece); });
    if (!file.Close() || s != ZipStatus::Ok) return false;
    if (same) CopyModifiedTime(path, target);
  }
  failed.clear();
  return true;
}

// The safety copy packed from the moved-aside folders: placed under the journal's name and read
// back whole, then the journal goes, and only then the folders. A copy already there whole is
// one a packing placed before it was stopped.
bool PackFromJournal(const Journal& journal, std::string& failure) {
  const std::string from(kRestoreOld);
  if (!FolderExists(from)) {
    failure = Gb("无法读取文件 ") + from;
    return false;
  }
  if (!FileExists(journal.copy) || !SafetyCopyWhole(journal.copy, from, journal.made)) {
    CreateFolder(kBackupFolder);
    const BackupOutcome copy =
        WriteBackup(journal.copy, journal.version, journal.date, false, {from, journal.made});
    if (!copy.ok) {
      failure = copy.failure;
      return false;
    }
  }
  // A step of the fault switch, so tests stop a packing between its copy and the journal.
  if (WriteFaultHits() || !RemoveFile(kRestoreJournal)) {
    failure = Gb("无法删除 ") + std::string(kRestoreJournal);
    return false;
  }
  RemoveLeftovers();  // what stays is removed by the next start, or named by the next restore
  return true;
}

}  // namespace

bool SafetyCopyPending() {
  Journal journal;
  return ReadJournal(journal) && journal.phase == Journal::Phase::Pack;
}

bool PackSafetyCopy(std::string& failure) {
  failure.clear();
  Journal journal;
  if (!ReadJournal(journal) || journal.phase != Journal::Phase::Pack) return true;
  if (PackFromJournal(journal, failure)) return true;
  failure = Gb("无法保存当前数据的备份 ") + journal.copy + "\r\n" + failure;
  return false;
}

RestoreResult RunRestore(const ZipReader& reader, const RestorePlan& plan, std::string_view version,
                         const LocalTime& now, std::string& failure) {
  failure.clear();
  // The safety copy of an earlier restore first: its folders stay until it is packed.
  if (SafetyCopyPending() && !PackSafetyCopy(failure)) return RestoreResult::Blocked;
  // A journal left by a swap that could not be undone holds the only old data: it is the
  // next start's to finish, never ours to clear.
  std::string left;
  if (FileExists(kRestoreJournal)) {
    failure = Gb("上次的恢复还没有整理好，请先重新启动 Pimbrel。");
    return RestoreResult::Blocked;
  }
  if (!RemoveLeftovers(&left)) {
    failure = Gb("上次恢复留下的 ") + left +
              Gb(" 无法删除。请关闭正在使用它的程序，或者自己删除它，然后再恢复。");
    return RestoreResult::Blocked;
  }
  // The data as it is goes aside whole and is packed once the restored data is in place:
  // its name is taken now, and the folder it goes to must be there.
  Journal journal;
  journal.version = std::string(version);
  journal.date = now;
  for (int n = 1; n <= 1000 && journal.copy.empty(); ++n) {
    const std::string name = SafetyCopyName(Gb("恢复前 "), now, n);
    if (!FileExists(name) && !FolderExists(name)) journal.copy = name;
  }
  if (journal.copy.empty() || (!FolderExists(kBackupFolder) && !CreateFolder(kBackupFolder))) {
    const std::string name =
        journal.copy.empty() ? SafetyCopyName(Gb("恢复前 "), now, 1000) : journal.copy;
    failure = Gb("无法保存当前数据的备份 ") + name + "\r\n" + Gb("无法写入备份文件 ") + name;
    return RestoreResult::SafetyCopyFailed;
  }

  std::string failed;
  bool ready = Unpack(reader, plan, failed);
  reader.Close();  // the archive may lie in a folder about to move
  for (std::string_view f : kSwappedFolders) {
    if (!ready || FolderExists(f)) continue;
    journal.made.emplace_back(f);
    ready = CreateFolder(f);
  }
  ready = ready && CreateFolder(kRestoreOld) && CreateFolder(JoinPath(kRestoreOld, "set"));
  journal.oldSet = SetFiles("set");
  journal.newSet = SetFiles(JoinPath(kRestoreNew, "set"));
  if (!ready || !WriteFileAtomic(kRestoreJournal, JournalText(journal))) {
    failure = ready ? Gb("无法写入恢复记录 ") + std::string(kRestoreJournal)
                    : Gb("无法解压到 ") + JoinPath(kRestoreNew, failed);
    RemoveLeftovers();
    return RestoreResult::UnpackFailed;
  }

  // From here the journal says what to finish or undo, should the program die. Once every
  // move is made it says that the old data waits in "restore.old" for PackSafetyCopy; a
  // journal that cannot say so undoes the swap as a move that failed would.
  const std::vector<Move> moves = Moves(journal);
  for (const Move& m : moves)
    if (!Forward(m, false)) {
      failure = Gb("无法替换 ") + m.live;
      break;
    }
  if (failure.empty()) {
    journal.phase = Journal::Phase::Pack;
    if (WriteFileAtomic(kRestoreJournal, JournalText(journal))) {
      RemoveTree(kRestoreNew);
      return RestoreResult::Ok;
    }
    failure = Gb("无法写入恢复记录 ") + std::string(kRestoreJournal);
  }
  journal.phase = Journal::Phase::Undo;
  WriteFileAtomic(kRestoreJournal, JournalText(journal));
  if (!UndoAll(moves)) {
    failure += Gb("，原来的数据也无法全部放回；下次启动时会再试。");
    return RestoreResult::Stuck;
  }
  failure += Gb("，原来的数据已经放回。");
  RemoveFile(kRestoreJournal);
  RemoveLeftovers();
  return RestoreResult::RolledBack;
}

Recovery RecoverRestore() {
  if (!FileExists(kRestoreJournal)) {
    RemoveLeftovers();  // unpacked by a restore that never began its swap, or done with
    return Recovery::Nothing;
  }
  Journal journal;
  if (!ReadJournal(journal)) return Recovery::Failed;
  // The restore was done and told; its safety copy is packed by PackSafetyCopy.
  if (journal.phase == Journal::Phase::Pack) return Recovery::Nothing;
  const std::vector<Move> moves = Moves(journal);
  if (journal.phase == Journal::Phase::Swap) {
    bool done = true;
    for (const Move& m : moves) done = done && Forward(m, true);
    journal.phase = done ? Journal::Phase::Pack : Journal::Phase::Undo;
    if (!WriteFileAtomic(kRestoreJournal, JournalText(journal))) return Recovery::Failed;
    if (done) {
      RemoveTree(kRestoreNew);
      return Recovery::Finished;
    }
  }
  if (!UndoAll(moves) || !RemoveFile(kRestoreJournal)) return Recovery::Failed;
  RemoveLeftovers();
  return Recovery::Undone;
}

void SafetyCopyPacker::Start(std::function<void()> done) {
  if (thread_.joinable() || !SafetyCopyPending()) return;
  thread_ = std::thread([this, done = std::move(done)] {
    failed_ = !PackSafetyCopy(failure_);
    if (done) done();
  });
}

bool SafetyCopyPacker::Wait(std::string* failure) {
  if (thread_.joinable()) thread_.join();
  if (failure) *failure = failure_;
  const bool ok = !failed_;
  failed_ = false;
  return ok;
}

}  // namespace pim
