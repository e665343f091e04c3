#include "base/atomic_file.h"

#include <string>

#include "base/file.h"
#include "base/path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace pim {

namespace {

bool ReplaceFile(std::string_view from, std::string_view to) {
#ifdef _WIN32
  return MoveFileExW(ToNativePath(from).c_str(), ToNativePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  if (std::rename(ToNativePath(from).c_str(), ToNativePath(to).c_str()) != 0) return false;
  // Make the rename itself durable; a folder that cannot be synced still holds the file.
  std::string folder(DataPathFolder(to));
  const int fd = ::open(folder.empty() ? "." : ToNativePath(folder).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
#endif
}

}  // namespace

bool WriteFileAtomic(std::string_view dataPath, std::string_view bytes) {
  if (dataPath.empty()) return false;
  const std::string temp = std::string(dataPath) + "~pimtmp";
  File file;
  if (!file.Open(temp, File::Mode::CreateWrite)) return false;
  const bool written = file.Write(bytes) && file.Flush();
  const bool closed = file.Close();
  if (!written || !closed || WriteFaultHits() || !ReplaceFile(temp, dataPath)) {
    RemoveFile(temp);
    return false;
  }
  return true;
}

}  // namespace pim
