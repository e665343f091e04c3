#include "backup/backup.h"

#include <algorithm>
#include <utility>

#include "backup/folder_ops.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"
#include "config/config_file.h"
#include "settings/sys_settings.h"

namespace pim {

namespace {

const std::string kDailyPrefix = Gb("Pimbrel备份 ");

// A data path as the archive names it: UTF-8 with "/" (no UTF-8 character holds 0x5C).
bool ZipName(std::string_view dataPath, std::string& name) {
  if (!GbToUtf8Strict(dataPath, name)) return false;
  std::replace(name.begin(), name.end(), '\\', '/');
  return true;
}

LocalTime TimeOf(std::string_view path, const LocalTime& fallback) {
  LocalTime t;
  return ModifiedTime(path, t) ? t : fallback;
}

std::string Say(std::string_view what, std::string_view path) {
  return std::string(what) + std::string(path);
}

// What the archive will hold, listed before anything is written.
struct Contents {
  std::vector<std::string> folders, files;
};

// The data folders as they lie below `from` ("" for the data folder itself), named as in the
// data folder.
bool ListContents(std::string_view from, const std::vector<std::string>& skipEmpty, Contents& out,
                  std::string& failure) {
  for (std::string_view top : kDataFolders) {
    const std::string source = from.empty() ? std::string(top) : JoinPath(from, top);
    if (!FolderExists(source)) continue;
    TreeListing listing;
    if (!ListTree(source, listing)) {
      failure = Say(Gb("无法读取文件 "), top);
      return false;
    }
    if (listing.files.empty() && listing.folders.empty() &&
        std::find(skipEmpty.begin(), skipEmpty.end(), top) != skipEmpty.end())
      continue;
    out.folders.emplace_back(top);
    for (const std::string& f : listing.folders) out.folders.push_back(JoinPath(top, f));
    for (const std::string& f : listing.files) {
      // The marker belongs to the running program, not to the data.
      if (top == "set" && f == "run.ing.m") continue;
      out.files.push_back(JoinPath(top, f));
    }
  }
  return true;
}

// Every entry read back: as many as were written, each with its size and CRC.
bool Verify(std::string_view path, uint64_t count) {
  ZipReader reader;
  if (reader.Open(path, count) != ZipStatus::Ok || reader.entries().size() != count) return false;
  for (const ZipEntry& e : reader.entries())
    if (reader.Extract(e, [](std::string_view) { return true; }) != ZipStatus::Ok) return false;
  return true;
}

}  // namespace

std::string BackupFileName(const LocalTime& day) {
  return std::string(kDailyPrefix) + Format("%04d-%02d-%02d.zip", day.year, day.month, day.day);
}

std::string ManifestText(std::string_view version, const LocalTime& now, const BackupCounts& c) {
  return "Pimbrel backup\r\nversion=" + std::string(version) +
         Format("\r\ndate=%04d-%02d-%02d %02d:%02d\r\nnotes=%d\r\ncontacts=%d\r\ncards=%d\r\n",
                now.year, now.month, now.day, now.hour, now.minute, c.notes, c.contacts, c.cards);
}

ManifestInfo ReadManifest(std::string_view text) {
  ManifestInfo info;
  info.known = !text.empty();
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "version") info.version = std::string(value.substr(0, 40));
    if (key == "date") info.date = std::string(value.substr(0, 40));
    if (key == "notes") ScanInt(value, info.counts.notes);
    if (key == "contacts") ScanInt(value, info.counts.contacts);
    if (key == "cards") ScanInt(value, info.counts.cards);
  }
  return info;
}

BackupOutcome WriteBackup(std::string_view target, std::string_view version, const LocalTime& now,
                          bool replace, const BackupSource& source) {
  BackupOutcome outcome;
  Contents contents;
  if (!ListContents(source.from, source.skipEmpty, contents, outcome.failure)) return outcome;
  const auto at = [&](const std::string& path) {
    return source.from.empty() ? path : JoinPath(source.from, path);
  };
  for (const std::string& f : contents.files) CountRecord(f, outcome.counts);

  const std::string temporary = std::string(target) + ".tmp";
  RemoveFile(temporary);  // left by a run that died while writing
  const std::string cannotWrite = Say(Gb("无法写入备份文件 "), target);
  ZipWriter zip;
  if (!zip.Open(temporary)) {
    outcome.failure = cannotWrite;
    return outcome;
  }
  bool ok = zip.AddFile(kManifestName, ManifestText(version, now, outcome.counts), now);
  std::string name, bytes;
  for (const std::string& folder : contents.folders) {
    if (!ok) break;
    if (!ZipName(folder + "\\", name)) {
      outcome.failure = Say(Gb("无法读取文件 "), folder);
      break;
    }
    ok = zip.AddFolder(name, TimeOf(at(folder), now));
  }
  for (const std::string& file : contents.files) {
    if (!ok || !outcome.failure.empty()) break;
    if (!ZipName(file, name) || !ReadWholeFile(at(file), bytes)) {
      outcome.failure = Say(Gb("无法读取文件 "), file);
      break;
    }
    ok = zip.AddFile(name, std::move(bytes), TimeOf(at(file), now));
  }
  ok = zip.Finish() && ok && outcome.failure.empty();
  if (ok && !Verify(temporary, zip.count())) {
    outcome.failure = Say(Gb("备份文件写入后校验失败："), target);
    ok = false;
  }
  if (ok) {
    const Placed placed = PlaceFile(temporary, target, replace);
    outcome.taken = placed == Placed::Exists;
    if (placed != Placed::Done) {
      outcome.failure =
          Say(Gb(outcome.taken ? "已经有这个文件，没有替换它：" : "无法把备份文件改名为 "), target);
      ok = false;
    }
  }
  if (!ok) {
    if (outcome.failure.empty()) outcome.failure = cannotWrite;
    RemoveFile(temporary);
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

DailyCopy MakeDailyCopy(std::string_view version, const LocalTime& now, std::string& failure,
                        int keep) {
  if (!LoadSysSettings().autobackup) return DailyCopy::Off;
  CreateFolder(kBackupFolder);
  const std::string target = JoinPath(kBackupFolder, BackupFileName(now));
  DailyCopy result = DailyCopy::Exists;
  if (!FileExists(target)) {
    const BackupOutcome outcome = WriteBackup(target, version, now, false);
    result = outcome.ok ? DailyCopy::Made : outcome.taken ? DailyCopy::Exists : DailyCopy::Failed;
    if (result == DailyCopy::Failed) failure = outcome.failure;
  }
  // Only the daily copies count; whatever else the user keeps there stays.
  std::vector<std::string> copies;
  for (const std::string& n : ListFolder(kBackupFolder)) {
    const std::string_view date =
        std::string_view(n).substr(std::min(n.size(), kDailyPrefix.size()));
    const bool shaped = n.starts_with(kDailyPrefix) && date.size() == 14 &&
                        date.ends_with(".zip") &&
                        std::all_of(date.begin(), date.begin() + 10,
                                    [](char c) { return (c >= '0' && c <= '9') || c == '-'; }) &&
                        date[4] == '-' && date[7] == '-';
    if (shaped) copies.push_back(n);
  }
  std::sort(copies.rbegin(), copies.rend());
  for (size_t i = static_cast<size_t>(std::max(keep, 0)); i < copies.size(); ++i)
    RemoveFile(JoinPath(kBackupFolder, copies[i]));
  return result;
}

std::string LastBackupFolder() { return SysValue("backupdir"); }

void RememberBackupFolder(std::string_view folder) { SetSysValue("backupdir", folder); }

std::string SafetyCopyName(std::string_view prefix, const LocalTime& now, int n) {
  std::string name = std::string(prefix) + Format("%04d-%02d-%02d %02d%02d", now.year, now.month,
                                                  now.day, now.hour, now.minute);
  if (n > 1) name += Format(" (%d)", n);
  return JoinPath(kBackupFolder, name + ".zip");
}

bool SafetyCopyWhole(std::string_view path, std::string_view from,
                     const std::vector<std::string>& skipEmpty) {
  Contents contents;
  std::string failure;
  return ListContents(from, skipEmpty, contents, failure) &&
         Verify(path, 1 + contents.folders.size() + contents.files.size());
}

BackupOutcome WriteSafetyCopy(std::string_view prefix, std::string_view version,
                              const LocalTime& now, std::string& name) {
  CreateFolder(kBackupFolder);
  BackupOutcome copy;
  for (int n = 1; n <= 1000 && !copy.ok; ++n) {
    name = SafetyCopyName(prefix, now, n);
    if (FileExists(name) || FolderExists(name)) continue;
    copy = WriteBackup(name, version, now, false);
    if (!copy.ok && !copy.taken) break;
  }
  return copy;
}

}  // namespace pim
