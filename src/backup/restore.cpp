#include "backup/restore.h"

#include <array>

#include "backup/backup.h"
#include "backup/folder_ops.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

// Swapped whole; "set\" is done file by file, since the run marker in it stays open.
constexpr std::array<std::string_view, 4> kSwappedFolders = {"note", "communication", "datum",
                                                             "xmlstyle"};
constexpr std::string_view kMarkerName = "run.ing.m";

// What the swap moves: each set file before and after, in the journal so a later start
// knows them too.
struct Journal {
  bool undo = false;
  std::vector<std::string> oldSet, newSet;
};

std::string JournalText(const Journal& j) {
  std::string text = std::string("pimbrel restore\r\nphase=") + (j.undo ? "undo" : "swap") + "\r\n";
  for (const std::string& n : j.oldSet) text += "old=" + n + "\r\n";
  for (const std::string& n : j.newSet) text += "new=" + n + "\r\n";
  return text + "end\r\n";
}

// A journal is written whole (atomically), so one without its last line is not ours.
bool ReadJournal(Journal& j) {
  std::string text;
  if (!ReadWholeFile(kRestoreJournal, text) || !text.starts_with("pimbrel restore\r\n") ||
      !text.ends_with("\r\nend\r\n"))
    return false;
  std::string_view rest(text);
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    if (line == "phase=undo") j.undo = true;
    if (line.starts_with("old=") && line.size() > 4) j.oldSet.emplace_back(line.substr(4));
    if (line.starts_with("new=") && line.size() > 4) j.newSet.emplace_back(line.substr(4));
  }
  return true;
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

// Each step looks at what is where, so running it again after a kill goes on from there.
bool Forward(const Move& m) {
  if (m.inOld && Exists(m.live) && !Exists(m.old) && !MovePath(m.live, m.old)) return false;
  if (m.inNew && Exists(m.fresh) && !Exists(m.live) && !MovePath(m.fresh, m.live)) return false;
  return true;
}

bool Undo(const Move& m) {
  bool ok = true;
  if (m.inNew && Exists(m.live) && !Exists(m.fresh) && (!m.inOld || Exists(m.old)))
    ok = MovePath(m.live, m.fresh);
  if (ok && m.inOld && Exists(m.old) && !Exists(m.live)) ok = MovePath(m.old, m.live);
  return ok;
}

bool UndoAll(const std::vector<Move>& moves) {
  bool ok = true;
  for (auto it = moves.rbegin(); it != moves.rend(); ++it) ok = Undo(*it) && ok;
  return ok;
}

void RemoveLeftovers() {
  RemoveTree(kRestoreNew);
  RemoveTree(kRestoreOld);
}

// The plain files of "set\" but the marker.
std::vector<std::string> SetFiles(std::string_view folder) {
  std::vector<std::string> names;
  for (const std::string& n : ListFolder(folder))
    if (n != kMarkerName && FileExists(JoinPath(folder, n))) names.push_back(n);
  return names;
}

bool Unpack(const ZipReader& reader, const RestorePlan& plan, std::string& failed) {
  if (!CreateFolder(kRestoreNew)) return false;
  for (std::string_view f : kDataFolders)
    if (!CreateFolder(JoinPath(kRestoreNew, f))) return false;
  std::string bytes;
  for (const RestorePlan::Item& item : plan.items) {
    failed = item.path;
    // Folders on the way first: an archive may list a file before its folder.
    for (size_t i = 0; i < item.path.size(); ++i) {
      if (IsGbkLeadByte(static_cast<unsigned char>(item.path[i]))) {
        ++i;
      } else if (item.path[i] == '\\' &&
                 !CreateFolder(JoinPath(kRestoreNew, item.path.substr(0, i)))) {
        return false;
      }
    }
    const std::string path = JoinPath(kRestoreNew, item.path);
    if (item.folder) {
      if (!CreateFolder(path)) return false;
      continue;
    }
    if (reader.Extract(reader.entries()[item.entry], bytes) != ZipStatus::Ok) return false;
    File file;
    if (!file.Open(path, File::Mode::CreateWrite)) return false;
    const bool written = file.Write(bytes);
    if (!file.Close() || !written) return false;
  }
  failed.clear();
  return true;
}

}  // namespace

RestoreResult RunRestore(const ZipReader& reader, const RestorePlan& plan, std::string_view version,
                         const LocalTime& now, std::string& failure) {
  failure.clear();
  RemoveLeftovers();
  CreateFolder(kBackupFolder);
  const std::string safety =
      JoinPath(kBackupFolder, Gb("恢复前 ") + Format("%04d-%02d-%02d %02d%02d.zip", now.year,
                                                     now.month, now.day, now.hour, now.minute));
  const BackupOutcome copy = WriteBackup(safety, version, now);
  if (!copy.ok) {
    failure = Gb("无法保存当前数据的备份 ") + safety + "\r\n" + copy.failure;
    return RestoreResult::SafetyCopyFailed;
  }

  std::string failed;
  bool ready = Unpack(reader, plan, failed);
  for (std::string_view f : kSwappedFolders) ready = ready && CreateFolder(f);
  ready = ready && CreateFolder(kRestoreOld) && CreateFolder(JoinPath(kRestoreOld, "set"));
  Journal journal;
  journal.oldSet = SetFiles("set");
  journal.newSet = SetFiles(JoinPath(kRestoreNew, "set"));
  if (!ready || !WriteFileAtomic(kRestoreJournal, JournalText(journal))) {
    failure = ready ? Gb("无法写入恢复记录 ") + std::string(kRestoreJournal)
                    : Gb("无法解压到 ") + JoinPath(kRestoreNew, failed);
    RemoveLeftovers();
    return RestoreResult::UnpackFailed;
  }

  // From here the journal says what to finish or undo, should the program die.
  const std::vector<Move> moves = Moves(journal);
  for (const Move& m : moves) {
    if (Forward(m)) continue;
    failure = Gb("无法替换 ") + m.live;
    journal.undo = true;
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
  RemoveFile(kRestoreJournal);
  RemoveLeftovers();
  return RestoreResult::Ok;
}

Recovery RecoverRestore() {
  if (!FileExists(kRestoreJournal)) {
    RemoveLeftovers();  // unpacked by a restore that never began its swap, or done with
    return Recovery::Nothing;
  }
  Journal journal;
  if (!ReadJournal(journal)) return Recovery::Failed;
  const std::vector<Move> moves = Moves(journal);
  if (!journal.undo) {
    bool done = true;
    for (const Move& m : moves) done = done && Forward(m);
    if (done && RemoveFile(kRestoreJournal)) {
      RemoveLeftovers();
      return Recovery::Finished;
    }
    journal.undo = true;
    if (!WriteFileAtomic(kRestoreJournal, JournalText(journal))) return Recovery::Failed;
  }
  if (!UndoAll(moves) || !RemoveFile(kRestoreJournal)) return Recovery::Failed;
  RemoveLeftovers();
  return Recovery::Undone;
}

}  // namespace pim
