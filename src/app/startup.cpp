#include "app/startup.h"

#include "base/file.h"

namespace pim {

const char* const kAlreadyRunningText =
    "                Pimbrel \xD2\xD1\xBE\xAD\xD4\xDA\xD4\xCB\xD0\xD0\xD6\xD0,\xC7\xEB\xD3\xC3 "
    "Ctrl+G \xBC\xA4\xBB\xEE\xBD\xE7\xC3\xE6\xA1\xA3\n\n \xC8\xE7\xB9\xFB\xCA\xC7\xC4\xE3\xC9\xCF"
    "\xB4\xCE\xC3\xBB\xD3\xD0\xD5\xFD\xB3\xA3\xCD\xCB\xB3\xF6\xB3\xCC\xD0\xF2,\xC7\xEB\xC9\xBE\xB3"
    "\xFD set \xC4\xBF\xC2\xBC\xCF\xC2\xB5\xC4 run.ing.m \xCE\xC4\xBC\xFE\xA1\xA3";
/* "                Pimbrel 已经在运行中,请用 Ctrl+G 激活界面。\n\n 如果是你上次没有正常退出程序,
    请删除 set 目录下的 run.ing.m 文件。" */

const char* const kNoSetFolderText =
    "\xD5\xD2\xB2\xBB\xB5\xBD\xCE\xC4\xBC\xFE\xBC\xD0 set\xA3\xACPimbrel \xCE\xDE\xB7\xA8\xD4\xCB"
    "\xD0\xD0\xA1\xA3\xC7\xEB\xD6\xD8\xD0\xC2\xB0\xB2\xD7\xB0 Pimbrel\xA1\xA3";
/* 找不到文件夹 set，Pimbrel 无法运行。请重新安装 Pimbrel。 */

const char* const kMarkerUnwritableText =
    "\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xCE\xC4\xBC\xFE set\\run.ing.m\xA3\xACPimbrel "
    "\xCE\xDE\xB7\xA8\xD4\xCB\xD0\xD0\xA1\xA3\xC7\xEB\xC8\xB7\xC8\xCF\xB8\xC3\xCE"
    "\xC4\xBC\xFE\xB2\xBB\xCA\xC7\xD6\xBB\xB6\xC1\xB5\xC4\xA3\xAC\xB2\xA2\xC7\xD2"
    "\xB4\xC5\xC5\xCC\xBB\xB9\xD3\xD0\xBF\xD5\xBC\xE4\xA1\xA3";
/* 无法写入文件 set\run.ing.m，Pimbrel 无法运行。请确认该文件不是只读的，并且磁盘还有空间。 */

std::wstring FolderArgument(std::wstring_view tail) {
  if (tail.size() >= 2 && tail.front() == L'"' && tail.back() == L'"')
    tail = tail.substr(1, tail.size() - 2);
  return std::wstring(tail);
}

MarkerResult RunMarker::Claim() {
  if (!FolderExists("set")) return MarkerResult::NoSetFolder;
  switch (file_.Hold(kRunMarkerPath)) {
    case HeldFile::Result::InUse:
      return MarkerResult::AlreadyRunning;
    case HeldFile::Result::Failed:
      return MarkerResult::Unwritable;
    case HeldFile::Result::Held:
      break;
  }
  if (file_.WriteAtStart("runing")) return MarkerResult::Started;
  file_.Close();
  return MarkerResult::Unwritable;
}

bool RunMarker::Release() {
  const bool written = file_.WriteAtStart("      ");
  return file_.Close() && written;
}

}  // namespace pim
