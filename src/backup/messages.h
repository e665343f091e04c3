// What the backup and restore commands say to the user (GBK).
#pragma once

#include <string>
#include <string_view>

#include "backup/archive_check.h"
#include "backup/restore.h"
#include "base/gb18030.h"

namespace pim {

inline const std::string kBackupCaption = Gb("备份");
inline const std::string kRestoreCaption = Gb("恢复");
// The file dialogs' filter, "|"-separated.
inline const std::string kArchiveFilter = Gb("zip 压缩文件 (*.zip)|*.zip|所有文件 (*.*)|*.*|");

std::string BackupDoneText(std::string_view path, const BackupCounts& counts);
std::string BackupFailedText(std::string_view failure);
// Why an archive is refused; `detail` names the entry.
std::string RefusalText(std::string_view path, ArchiveCheck check, std::string_view detail);
// The question before a restore: what the archive holds and what it leaves out.
std::string RestoreQuestion(std::string_view path, const RestorePlan& plan);
std::string RestoreOutcomeText(RestoreResult result, std::string_view failure);
std::string DailyCopyFailedText(std::string_view failure);
// After a restore, when its safety copy could not be packed: the old data waits aside.
std::string SafetyCopyFailedText(std::string_view failure);
// At start, after a restore was interrupted; "" for nothing to say.
std::string RecoveryText(Recovery recovery);

}  // namespace pim
