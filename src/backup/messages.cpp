#include "backup/messages.h"

#include <initializer_list>

#include "backup/backup.h"
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
  return Format(
      "\xBC\xC7\xCA\xC2 %d \xC6\xAA\xA3\xAC\xC1\xAA\xCF\xB5\xC8\xCB %d \xB8\xF6\xA3\xAC"
      "\xD7\xCA\xC1\xCF\xBF\xA8 %d \xD5\xC5\xA1\xA3" /* 记事 %d 篇，联系人 %d 个，资料卡 %d 张。 */,
      c.notes, c.contacts, c.cards);
}

}  // namespace

std::string BackupDoneText(std::string_view path, const BackupCounts& counts) {
  return Join(
      {"\xB1\xB8\xB7\xDD\xCD\xEA\xB3\xC9\xA3\xBA" /* 备份完成： */ "\n", path, "\n\n",
       CountsText(counts)});
}

std::string BackupFailedText(std::string_view failure) {
  return Join(
      {"\xB1\xB8\xB7\xDD\xC3\xBB\xD3\xD0\xCD\xEA\xB3\xC9\xA1\xA3" /* 备份没有完成。 */ "\n",
       failure});
}

std::string RefusalText(std::string_view path, ArchiveCheck check, std::string_view detail) {
  std::string why;
  switch (check) {
    case ArchiveCheck::Ok:
      return {};
    case ArchiveCheck::Unreadable:
      why =
          "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xD5\xE2\xB8\xF6\xCE\xC4\xBC\xFE\xA1\xA3" /* 无法读取这个文件。
                                                                                      */
          ;
      break;
    case ArchiveCheck::NotZip:
      why =
          "\xD5\xE2\xB8\xF6\xCE\xC4\xBC\xFE\xB2\xBB\xCA\xC7 zip "
          "\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xA1\xA3" /* 这个文件不是 zip 压缩文件。 */;
      break;
    case ArchiveCheck::Damaged:
      why =
          "\xD5\xE2\xB8\xF6\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xB2\xBB\xCD\xEA\xD5\xFB\xBB\xF2\xD2\xD1"
          "\xCB\xF0\xBB\xB5\xA1\xA3" /* 这个压缩文件不完整或已损坏。 */;
      break;
    case ArchiveCheck::Unsupported:
      why =
          "\xD5\xE2\xB8\xF6\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xBC\xD3\xC1\xCB\xC3\xDC\xC2\xEB\xA3\xAC"
          "\xBB\xF2\xD5\xDF\xD3\xC3\xC1\xCB\xB2\xBB\xD6\xA7\xB3\xD6\xB5\xC4\xD1\xB9\xCB\xF5\xB7\xBD"
          "\xCA\xBD\xA1\xA3" /* 这个压缩文件加了密码，或者用了不支持的压缩方式。 */;
      break;
    case ArchiveCheck::BadData:
      why =
          "\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xC0\xEF\xB5\xC4\xC4\xDA\xC8\xDD\xD2\xD1\xCB\xF0\xBB\xB5"
          "\xA3\xA8\xD0\xA3\xD1\xE9\xB2\xBB\xB7\xFB\xA3\xA9\xA3\xBA" /* 压缩文件里的内容已损坏（校验不符）：
                                                                      */
          ;
      break;
    case ArchiveCheck::BadName:
      why =
          "\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xC0\xEF\xD3\xD0\xB2\xBB\xB0\xB2\xC8\xAB\xB5\xC4\xCE\xC4"
          "\xBC\xFE\xC3\xFB\xA3\xBA" /* 压缩文件里有不安全的文件名： */;
      break;
    case ArchiveCheck::TooBig:
      why =
          "\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xCC\xAB\xB4\xF3\xA3\xA8\xB3\xAC\xB9\xFD 200,000 "
          "\xB8\xF6\xCE\xC4\xBC\xFE\xBB\xF2 4 GB\xA3\xA9\xA1\xA3" /* 压缩文件太大（超过 200,000
                                                                     个文件或 4 GB）。 */
          ;
      break;
    case ArchiveCheck::FileAsFolder:
      why =
          "\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xC0\xEF\xD3\xD0\xD2\xBB\xB8\xF6\xCE\xC4\xBC\xFE\xD5\xBC"
          "\xC1\xCB\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4\xCE\xBB\xD6\xC3\xA3\xBA" /* 压缩文件里有一个文件占了文件夹的位置：
                                                                              */
          ;
      break;
    case ArchiveCheck::NoSettings:
      why =
          "\xD5\xE2\xB2\xBB\xCA\xC7 Pimbrel "
          "\xB5\xC4\xB1\xB8\xB7\xDD\xA3\xBA\xC0\xEF\xC3\xE6\xC3\xBB"
          "\xD3\xD0 set\\sets.conf\xA1\xA3" /* 这不是 Pimbrel 的备份：里面没有 set\sets.conf。 */;
      break;
  }
  if (!detail.empty()) {
    why += '\n';
    why += detail.substr(0, 200);
  }
  return Join(
      {"\xB2\xBB\xC4\xDC\xBB\xD6\xB8\xB4\xD5\xE2\xB8\xF6\xCE\xC4\xBC\xFE\xA3\xBA" /* 不能恢复这个文件：
                                                                                   */
       "\n",
       path, "\n\n", why});
}

std::string RestoreQuestion(std::string_view path, const RestorePlan& plan) {
  std::string text = Join(
      {"\xD2\xAA\xD3\xC3\xD5\xE2\xB8\xF6\xB1\xB8\xB7\xDD\xCC\xE6\xBB\xBB\xCF"
       "\xD6\xD4\xDA\xB5\xC4\xCA\xFD\xBE\xDD\xC2\xF0\xA3\xBF" /* 要用这个备份替换现在的数据吗？ */
       "\n\n",
       path, "\n"});
  const ManifestInfo manifest = ReadManifest(plan.manifest);
  if (manifest.known)
    text += Join({"\xB1\xB8\xB7\xDD\xCA\xB1\xBC\xE4\xA3\xBA" /* 备份时间： */, manifest.date,
                  " (Pimbrel ", manifest.version, ")\n"});
  text += Join({CountsText(plan.counts), "\n"});
  if (!plan.ignored.empty()) {
    text +=
        "\n\xD2\xD4\xCF\xC2\xC4\xDA\xC8\xDD\xB2\xBB\xCA\xF4\xD3\xDA Pimbrel "
        "\xB5\xC4\xCA\xFD\xBE\xDD\xA3\xAC\xB2\xBB\xBB\xE1\xBB\xD6\xB8\xB4\xA3\xBA" /* 以下内容不属于
                                                                                      Pimbrel
                                                                                      的数据，不会恢复：
                                                                                    */
        "\n";
    for (size_t i = 0; i < plan.ignored.size() && i < 10; ++i)
      text += Join({"  ", plan.ignored[i], "\n"});
    if (plan.ignored.size() > 10) text += "  ...\n";
  }
  text +=
      "\n\xCF\xD6\xD4\xDA\xB5\xC4\xCA\xFD\xBE\xDD\xBB\xE1\xCF\xC8\xB1\xA3\xB4\xE6\xD4\xDA backup "
      "\xCE\xC4\xBC\xFE\xBC\xD0\xC0\xEF\xA1\xA3" /* 现在的数据会先保存在 backup 文件夹里。 */;
  return text;
}

std::string RestoreOutcomeText(RestoreResult result, std::string_view failure) {
  if (result == RestoreResult::Ok)
    return "\xBB\xD6\xB8\xB4\xCD\xEA\xB3\xC9\xA1\xA3" /* 恢复完成。 */;
  return Join(
      {"\xBB\xD6\xB8\xB4\xC3\xBB\xD3\xD0\xCD\xEA\xB3\xC9\xA1\xA3" /* 恢复没有完成。 */ "\n",
       failure});
}

std::string DailyCopyFailedText(std::string_view failure) {
  return Join(
      {"\xC3\xBF\xCC\xEC\xD7\xD4\xB6\xAF\xB1\xB8\xB7\xDD\xC3\xBB\xD3\xD0\xCD\xEA\xB3\xC9"
       "\xA1\xA3" /* 每天自动备份没有完成。 */ "\n",
       failure});
}

std::string RecoveryText(Recovery recovery) {
  switch (recovery) {
    case Recovery::Nothing:
      return {};
    case Recovery::Finished:
      return "\xC9\xCF\xB4\xCE\xBB\xD6\xB8\xB4\xB1\xBB\xD6\xD0\xB6\xCF\xA3\xAC\xCF\xD6\xD4\xDA\xD2"
             "\xD1"
             "\xBE\xAD\xCD\xEA\xB3\xC9\xA1\xA3" /* 上次恢复被中断，现在已经完成。 */;
    case Recovery::Undone:
      return "\xC9\xCF\xB4\xCE\xBB\xD6\xB8\xB4\xB1\xBB\xD6\xD0\xB6\xCF\xA3\xAC\xD4\xAD\xC0\xB4\xB5"
             "\xC4"
             "\xCA\xFD\xBE\xDD\xD2\xD1\xBE\xAD\xB7\xC5\xBB\xD8\xA1\xA3" /* 上次恢复被中断，原来的数据已经放回。
                                                                         */
          ;
    case Recovery::Failed:
      break;
  }
  return "\xC9\xCF\xB4\xCE\xBB\xD6\xB8\xB4\xB1\xBB\xD6\xD0\xB6\xCF\xA3\xAC\xCA\xFD\xBE\xDD\xCE\xDE"
         "\xB7"
         "\xA8\xD5\xFB\xC0\xED\xBA\xC3\xA3\xACPimbrel "
         "\xCE\xDE\xB7\xA8\xD4\xCB\xD0\xD0\xA1\xA3\xC7\xEB"
         "\xB2\xE9\xBF\xB4\xB3\xCC\xD0\xF2\xCE\xC4\xBC\xFE\xBC\xD0\xC0\xEF\xB5\xC4 "
         "restore.journal\xA1\xA3" /* 上次恢复被中断，数据无法整理好，Pimbrel
                                      无法运行。请查看程序文件夹里的 restore.journal。 */
      ;
}

}  // namespace pim
