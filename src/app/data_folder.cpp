#include "app/data_folder.h"

#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/held_file.h"
#include "base/path.h"
#include "settings/sys_settings.h"

namespace pim {

namespace {

HeldFile& Lock() {
  static HeldFile lock;
  return lock;
}

std::string& LockPath() {
  static std::string path;
  return path;
}

}  // namespace

// Every record file of ours, relative to the root ("note\n.3.xml"), and the folders.
bool ListRecords(std::string_view root, TreeListing& all) {
  for (std::string_view folder : kRecordFolders) {
    const std::string path = JoinPath(root, folder);
    if (!FolderExists(path)) continue;
    TreeListing listing;
    if (!ListTree(path, listing)) return false;
    all.folders.push_back(std::string(folder));
    for (const std::string& f : listing.folders) all.folders.push_back(JoinPath(folder, f));
    for (const std::string& f : listing.files) all.files.push_back(JoinPath(folder, f));
  }
  return true;
}

std::string LoadDataFolderSetting() { return SysValue("datadir"); }

LockResult LockDataFolder() {
  UnlockDataFolder();
  if (DataFolder().empty()) return LockResult::Held;
  const std::string path = JoinPath(DataFolder(), kDataLockName);
  switch (Lock().Hold(path)) {
    case HeldFile::Result::Held:
      LockPath() = path;
      return LockResult::Held;
    case HeldFile::Result::InUse:
      return LockResult::InUse;
    case HeldFile::Result::Failed:
      break;
  }
  return LockResult::Failed;
}

void UnlockDataFolder() {
  if (!Lock().held()) return;
  Lock().Close();
  RemoveFile(LockPath());
  LockPath().clear();
}

BackupCounts CountRecords(std::string_view root) {
  BackupCounts counts;
  TreeListing all;
  ListRecords(root.empty() ? RecordsRoot(DataFolder()) : root, all);
  for (const std::string& f : all.files) CountRecord(f, counts);
  return counts;
}

bool HoldsRecordFolders(std::string_view root) {
  for (std::string_view folder : kRecordFolders)
    if (FolderExists(JoinPath(root, folder))) return true;
  return false;
}

std::string DataFolderProblem(std::string_view target, std::string_view programFolder) {
  const std::string key = FolderKey(target);
  const std::string now = FolderKey(DataFolder().empty() ? programFolder : DataFolder());
  if (key.empty()) return Gb("请选择一个文件夹。");
  if (key == now) return Gb("这就是现在的数据文件夹。");
  for (const std::string& root : {FolderKey(programFolder), now})
    for (std::string_view folder : kRecordFolders) {
      const std::string inside = root + "\\" + std::string(folder);
      if (key == inside || key.starts_with(inside + "\\"))
        return Gb("数据文件夹不能放在 note、communication、datum 或 xmlstyle 文件夹里面。");
    }
  if (key.starts_with(FolderKey(programFolder) + "\\backup"))
    return Gb("数据文件夹不能放在 backup 文件夹里面。");
  return {};
}

}  // namespace pim
