#include "backup/folder_ops.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gbk.h"
#include "base/path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace pim {

namespace {
int killAt = 0;
bool refuseLinks = false;

bool MoveAllowed() {
  if (killAt > 0 && --killAt == 0) std::_Exit(9);
  return !WriteFaultHits();
}

bool MoveAcross(std::string_view from, std::string_view to);
}  // namespace

void ArmMoveKill(int k) { killAt = k; }

void ArmLinkRefusal(bool refuse) { refuseLinks = refuse; }

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && DataPathFolder(path).size() != path.size()) path += '\\';
  path += name;
  return path;
}

#ifdef _WIN32

bool MovePath(std::string_view from, std::string_view to) {
  if (!MoveAllowed()) return false;
  if (MoveFileExW(ToNativePath(from).c_str(), ToNativePath(to).c_str(), 0)) return true;
  return GetLastError() == ERROR_NOT_SAME_DEVICE && MoveAcross(from, to);
}

bool LinkFile(std::string_view from, std::string_view to) {
  return !refuseLinks &&
         CreateHardLinkW(ToNativePath(to).c_str(), ToNativePath(from).c_str(), nullptr) != 0;
}

bool CopyModifiedTime(std::string_view model, std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(ToNativePath(model).c_str(), GetFileExInfoStandard, &data))
    return false;
  HANDLE h = CreateFileW(ToNativePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(h, nullptr, nullptr, &data.ftLastWriteTime) != 0;
  return CloseHandle(h) != 0 && set;
}

namespace {

bool RemoveEmptyFolder(std::string_view folder) {
  return RemoveDirectoryW(ToNativePath(folder).c_str()) != 0;
}

bool RemoveOneFile(std::string_view path) {
  const std::wstring native = ToNativePath(path);
  // A read-only file would refuse deletion.
  SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(native.c_str()) != 0;
}

}  // namespace

bool ModifiedTime(std::string_view path, LocalTime& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(ToNativePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  FILETIME local;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &t))
    return false;
  time = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wDayOfWeek};
  return true;
}

#else

bool MovePath(std::string_view from, std::string_view to) {
  if (!MoveAllowed()) return false;
  const std::string source = ToNativePath(from), target = ToNativePath(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno == EXDEV) return MoveAcross(from, to);
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: looked at first, as rename would replace it.
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) return false;
  if (std::rename(source.c_str(), target.c_str()) == 0) return true;
  return errno == EXDEV && MoveAcross(from, to);
}

bool LinkFile(std::string_view from, std::string_view to) {
  return !refuseLinks && ::link(ToNativePath(from).c_str(), ToNativePath(to).c_str()) == 0;
}

bool CopyModifiedTime(std::string_view model, std::string_view path) {
  struct stat st {};
  if (::stat(ToNativePath(model).c_str(), &st) != 0) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  return ::utimensat(AT_FDCWD, ToNativePath(path).c_str(), times, 0) == 0;
}

namespace {

bool RemoveEmptyFolder(std::string_view folder) {
  return ::rmdir(ToNativePath(folder).c_str()) == 0;
}

bool RemoveOneFile(std::string_view path) { return RemoveFile(path); }

}  // namespace

bool ModifiedTime(std::string_view path, LocalTime& time) {
  struct stat st {};
  if (::stat(ToNativePath(path).c_str(), &st) != 0) return false;
  std::tm t{};
  if (!localtime_r(&st.st_mtime, &t)) return false;
  time = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_wday};
  return true;
}

#endif

bool CreateFolders(std::string_view folder) {
  // A drive or a root on the way is there already, and cannot be made.
  for (size_t i = 0; i < folder.size(); i += GbCharSize(folder, i))
    if (folder[i] == '\\' && i > 0 && !FolderExists(folder.substr(0, i)) &&
        !CreateFolder(folder.substr(0, i)))
      return false;
  return FolderExists(folder) || CreateFolder(folder);
}

bool RemoveTree(std::string_view folder) {
  if (!FolderExists(folder)) return !FileExists(folder) || RemoveOneFile(folder);
  for (const std::string& name : ListFolder(folder)) {
    const std::string path = JoinPath(folder, name);
    if (FolderExists(path)) {
      RemoveTree(path);
    } else {
      RemoveOneFile(path);
    }
  }
  return RemoveEmptyFolder(folder) || !FolderExists(folder);
}

namespace {

bool ListInto(const std::string& root, const std::string& relative, TreeListing& listing) {
  const std::string folder = relative.empty() ? root : JoinPath(root, relative);
  bool ok = FolderExists(folder);
  std::vector<FolderEntry> entries = ListFolderEntries(folder);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  for (const auto& [name, isFolder, stamp] : entries) {
    const std::string path = relative.empty() ? name : JoinPath(relative, name);
    if (isFolder) {
      listing.folders.push_back(path);
      ok = ListInto(root, path, listing) && ok;
    } else {
      listing.files.push_back(path);
    }
  }
  return ok;
}

}  // namespace

bool ListTree(std::string_view folder, TreeListing& listing) {
  return ListInto(std::string(folder), "", listing);
}

namespace {

// A file or a tree copied to `to`, which must not exist, each file with its time.
bool CopyTree(std::string_view from, std::string_view to) {
  std::string bytes;
  if (!FolderExists(from))
    return ReadWholeFile(from, bytes) && WriteFileAtomic(to, bytes) && CopyModifiedTime(from, to);
  TreeListing listing;
  if (!ListTree(from, listing) || !CreateFolder(to)) return false;
  for (const std::string& f : listing.folders)
    if (!CreateFolder(JoinPath(to, f))) return false;
  for (const std::string& f : listing.files)
    if (!CopyTree(JoinPath(from, f), JoinPath(to, f))) return false;
  return true;
}

// Where no rename reaches (another volume): a copy beside `to` renamed into place, then `from`
// renamed aside and removed. A kill leaves `from` whole, or `to` whole beside a whole `from`
// (the same bytes: see SettleHalfMove) or beside what is left of the source set aside.
bool MoveAcross(std::string_view from, std::string_view to) {
  const std::string copy = Beside(to, kTempSuffix), gone = Beside(from, kGoneSuffix);
  if (!RemoveTree(copy) || !RemoveTree(gone)) return false;
  if (!CopyTree(from, copy) || !RenamePath(copy, to)) {
    RemoveTree(copy);
    return false;
  }
  if (!RenamePath(from, gone)) {
    RemoveTree(to);  // not moved after all: `from` is still the one
    return false;
  }
  RemoveTree(gone);
  return true;
}

}  // namespace

std::string Beside(std::string_view path, std::string_view suffix) {
  const std::string named = std::string(path) + std::string(suffix);
  // "note~pimtmp" is no record folder's path, so it would not go to the data folder by itself.
  if (!DataFolder().empty() && InDataFolder(path) && !InDataFolder(named))
    return JoinPath(DataFolder(), named);
  return named;
}

bool ReadJournalLines(std::string_view path, std::string_view head, JournalLines& lines) {
  std::string text;
  const std::string first = std::string(head) + "\r\n";
  if (!ReadWholeFile(path, text) || !text.starts_with(first) || !text.ends_with("\r\nend\r\n"))
    return false;
  std::string_view rest = std::string_view(text).substr(first.size());
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    if (const size_t eq = line.find('='); eq != std::string_view::npos)
      lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return true;
}

bool SameTree(std::string_view a, std::string_view b) {
  if (FolderExists(a) != FolderExists(b)) return false;
  if (!FolderExists(a)) {
    std::string x, y;
    return ReadWholeFile(a, x) && ReadWholeFile(b, y) && x == y;
  }
  TreeListing left, right;
  if (!ListTree(a, left) || !ListTree(b, right) || left.folders != right.folders ||
      left.files != right.files)
    return false;
  for (const std::string& f : left.files)
    if (!SameTree(JoinPath(a, f), JoinPath(b, f))) return false;
  return true;
}

bool SettleHalfMove(std::string_view kept, std::string_view dropped) {
  const bool both =
      (FolderExists(kept) || FileExists(kept)) && (FolderExists(dropped) || FileExists(dropped));
  return both && SameTree(kept, dropped) && RemoveTree(dropped);
}

}  // namespace pim
