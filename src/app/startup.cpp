#include "app/startup.h"

#include <algorithm>
#include <string>

#include "base/atomic_file.h"
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

std::wstring FolderArgument(std::wstring_view tail) {
  if (tail.size() >= 2 && tail.front() == L'"' && tail.back() == L'"')
    tail = tail.substr(1, tail.size() - 2);
  return std::wstring(tail);
}

namespace {

bool WriteMarker(std::string_view six, bool mayCreate) {
  File file;
  if (!file.Open(kRunMarkerPath, File::Mode::WriteExisting) &&
      !(mayCreate && file.Open(kRunMarkerPath, File::Mode::CreateWrite)))
    return false;
  // The first six bytes change; later bytes, if any, stay. The copy replaces the marker
  // whole, so a failed write never leaves half a word behind.
  std::string bytes;
  char buffer[4096];
  for (size_t got; (got = file.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
  if (!file.Close()) return false;
  bytes.replace(0, std::min(bytes.size(), six.size()), six);
  return WriteFileAtomic(kRunMarkerPath, bytes);
}

}  // namespace

MarkerResult ClaimRunMarker(bool anotherCopyRuns) {
  // The mutex, not the marker, tells whether a copy runs: a crash leaves "runing" behind,
  // and two copies started together could both read blanks.
  if (anotherCopyRuns) return MarkerResult::AlreadyRunning;
  return WriteMarker("runing", true) ? MarkerResult::Started : MarkerResult::Unavailable;
}

bool ReleaseRunMarker() { return WriteMarker("      ", false); }

}  // namespace pim
