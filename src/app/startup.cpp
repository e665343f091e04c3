#include "app/startup.h"

#include "base/file.h"
#include "base/gb18030.h"

namespace pim {

const std::string kAlreadyRunningText =
    Gb("                Pimbrel 已经在运行中,请用 Ctrl+G 激活界面。\n\n "
       "如果是你上次没有正常退出程序,请删除 set 目录下的 run.ing.m 文件。");

const std::string kNoSetFolderText = Gb("找不到文件夹 set，Pimbrel 无法运行。请重新安装 Pimbrel。");

const std::string kMarkerUnwritableText =
    Gb("无法写入文件 set\\run.ing.m，Pimbrel 无法运行。请确认该文件不是只读的，并且磁盘还有空间。");

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
