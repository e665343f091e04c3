#include "base/atomic_file.h"

#include <algorithm>
#include <string>

#include "base/file.h"
#include "base/path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace pim {

namespace {

#ifdef _WIN32
// How long a file that another program holds is waited for before the write is told failed.
constexpr ULONGLONG kHeldWaitMs = 3000;

// A sync client (OneDrive, Dropbox) reads a file it uploads without letting it be replaced,
// and so may a virus scanner: the replace fails with a sharing error until it lets go. A file
// made read-only, or a folder of the name, refuses for good.
bool HeldByAnother(DWORD error, const std::wstring& target) {
  if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION &&
      error != ERROR_LOCK_VIOLATION)
    return false;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}
#else
// Makes a rename durable; a folder that cannot be synced still holds the file.
void SyncFolderOf(std::string_view path) {
  std::string folder(DataPathFolder(path));
  const int fd = ::open(folder.empty() ? "." : ToNativePath(folder).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

Placed RenameNew(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return Placed::Done;
  if (errno == EEXIST) return Placed::Exists;
  // A file system without the flag: a second name, which is never made over an existing one.
  if (errno != EINVAL && errno != ENOSYS) return Placed::Failed;
  if (::link(from.c_str(), to.c_str()) != 0)
    return errno == EEXIST ? Placed::Exists : Placed::Failed;
  ::unlink(from.c_str());
  return Placed::Done;
}
#endif

Placed Written(std::string_view dataPath, const std::function<bool(File&)>& produce, bool replace) {
  if (dataPath.empty()) return Placed::Failed;
  const std::string temp = std::string(dataPath) + std::string(kTempSuffix);
  File file;
  if (!file.Open(temp, File::Mode::CreateWrite)) return Placed::Failed;
  const bool written = produce(file) && file.Flush();
  const bool closed = file.Close();
  const Placed placed = written && closed ? PlaceFile(temp, dataPath, replace) : Placed::Failed;
  if (placed != Placed::Done) RemoveFile(temp);
  return placed;
}

std::function<bool(File&)> Whole(std::string_view bytes) {
  return [bytes](File& out) { return out.Write(bytes); };
}

}  // namespace

Placed PlaceFile(std::string_view from, std::string_view to, bool replace) {
  if (WriteFaultHits()) return Placed::Failed;
#ifdef _WIN32
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  const std::wstring source = ToNativePath(from), target = ToNativePath(to);
  const ULONGLONG until = GetTickCount64() + kHeldWaitMs;
  for (DWORD pause = 25;; pause = std::min<DWORD>(pause * 2, 400)) {
    if (MoveFileExW(source.c_str(), target.c_str(), flags)) return Placed::Done;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Placed::Exists;
    if (!HeldByAnother(error, target) || GetTickCount64() >= until) return Placed::Failed;
    Sleep(pause);
  }
#else
  const std::string source = ToNativePath(from), target = ToNativePath(to);
  const Placed placed =
      replace ? (std::rename(source.c_str(), target.c_str()) == 0 ? Placed::Done : Placed::Failed)
              : RenameNew(source, target);
  if (placed == Placed::Done) SyncFolderOf(to);
  return placed;
#endif
}

bool WriteFileAtomic(std::string_view dataPath, std::string_view bytes) {
  return Written(dataPath, Whole(bytes), true) == Placed::Done;
}

bool WriteFileAtomic(std::string_view dataPath, const std::function<bool(File& out)>& produce) {
  return Written(dataPath, produce, true) == Placed::Done;
}

Placed CreateFileAtomic(std::string_view dataPath, std::string_view bytes) {
  return Written(dataPath, Whole(bytes), false);
}

}  // namespace pim
