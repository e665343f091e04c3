#include "backup/messages.h"

#include <initializer_list>

#include "backup/backup.h"
#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

// Appends part by part: GCC 12 warns falsely (-Wrestrict) on chains of operator+ at -O3.
std::string Join(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text.append(part);
  return text;
}

std::string CountsText(const BackupCounts& c) {
  return Gb("记事 ") + Format("%d", c.notes) + Gb(" 篇，联系人 ") + Format("%d", c.contacts) +
         Gb(" 个，资料卡 ") + Format("%d", c.cards) + Gb(" 张。");
}

}  // namespace

std::string BackupDoneText(std::string_view path, const BackupCounts& counts) {
  return Join({Gb("备份完成：\n"), path, "\n\n", CountsText(counts)});
}

std::string BackupFailedText(std::string_view failure) {
  return Join({Gb("备份没有完成。\n"), failure});
}

std::string RefusalText(std::string_view path, ArchiveCheck check, std::string_view detail) {
  std::string why;
  switch (check) {
    case ArchiveCheck::Ok:
      return {};
    case ArchiveCheck::Unreadable:
      why = Gb("无法读取这个文件。");
      break;
    case ArchiveCheck::NotZip:
      why = Gb("这个文件不是 zip 压缩文件。");
      break;
    case ArchiveCheck::Damaged:
      why = Gb("这个压缩文件不完整或已损坏。");
      break;
    case ArchiveCheck::Unsupported:
      why = Gb("这个压缩文件加了密码，或者用了不支持的压缩方式。");
      break;
    case ArchiveCheck::BadData:
      why = Gb("压缩文件里的内容已损坏（校验不符）：");
      break;
    case ArchiveCheck::BadName:
      why = Gb("压缩文件里有不安全的文件名：");
      break;
    case ArchiveCheck::TooBig:
      why = Gb("压缩文件太大（超过 200,000 个文件、文件名共 16 MB 或解压后 4 GB）。");
      break;
    case ArchiveCheck::FileAsFolder:
      why = Gb("压缩文件里有一个文件占了文件夹的位置：");
      break;
    case ArchiveCheck::NoSettings:
      why = Gb("这不是 Pimbrel 的备份：里面没有 set\\sets.conf。");
      break;
  }
  if (!detail.empty()) {
    why += '\n';
    why += detail.substr(0, 200);
  }
  return Join({Gb("不能恢复这个文件：\n"), path, "\n\n", why});
}

std::string RestoreQuestion(std::string_view path, const RestorePlan& plan) {
  std::string text = Join({Gb("要用这个备份替换现在的数据吗？\n\n"), path, "\n"});
  const ManifestInfo manifest = ReadManifest(plan.manifest);
  if (manifest.known)
    text += Join({Gb("备份时间："), manifest.date, " (Pimbrel ", manifest.version, ")\n"});
  text += Join({CountsText(plan.counts), "\n"});
  if (!plan.ignored.empty()) {
    text += Gb("\n以下内容不属于 Pimbrel 的数据，不会恢复：\n");
    for (size_t i = 0; i < plan.ignored.size() && i < 10; ++i)
      text += Join({"  ", plan.ignored[i], "\n"});
    if (plan.ignored.size() > 10) text += "  ...\n";
  }
  text += Gb("\n现在的数据会先保存在 backup 文件夹里。");
  return text;
}

std::string RestoreOutcomeText(RestoreResult result, std::string_view failure) {
  switch (result) {
    case RestoreResult::Ok:
      return Gb("恢复完成。");
    case RestoreResult::Blocked:
    case RestoreResult::SafetyCopyFailed:
    case RestoreResult::UnpackFailed:
      return Join({Gb("恢复没有完成，现在的数据没有改动。\n"), failure});
    case RestoreResult::RolledBack:
    case RestoreResult::Stuck:
      break;
  }
  return Join({Gb("恢复没有完成。\n"), failure});
}

std::string DailyCopyFailedText(std::string_view failure) {
  return Join({Gb("每天自动备份没有完成。\n"), failure});
}

std::string SafetyCopyFailedText(std::string_view failure) {
  return Join({Gb("恢复前的数据没有保存成备份文件。\n"), failure,
               Gb("\n\n这些数据仍然保存在程序文件夹的 restore.old 里，下次启动时会再试。")});
}

std::string RecoveryText(Recovery recovery) {
  switch (recovery) {
    case Recovery::Nothing:
      return {};
    case Recovery::Finished:
      return Gb("上次恢复被中断，现在已经完成。");
    case Recovery::Undone:
      return Gb("上次恢复被中断，原来的数据已经放回。");
    case Recovery::Failed:
      break;
  }
  return Gb(
      "上次恢复被中断，数据无法整理好，Pimbrel 无法运行。请查看程序文件夹里的 restore.journal。");
}

}  // namespace pim
