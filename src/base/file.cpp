#include "base/file.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace pim {

namespace {
// Files are read and written on worker threads too.
std::atomic<int> faultStep = 0;  // the step that fails; 0 for none
std::atomic<int> stepsTaken = 0;
std::atomic<int> killStep = 0;
std::atomic<int> readFaultStep = 0;
std::atomic<int> readStepsTaken = 0;

// The step now taken. Counted in every run; it stops at the top instead of overflowing in a
// long one.
int Step(std::atomic<int>& steps) {
  int now = steps.load(std::memory_order_relaxed);
  while (now < std::numeric_limits<int>::max() &&
         !steps.compare_exchange_weak(now, now + 1, std::memory_order_relaxed)) {
  }
  return now < std::numeric_limits<int>::max() ? now + 1 : now;
}

// True when the read now taken is to fail.
bool ReadFaultHits() { return Step(readStepsTaken) == readFaultStep; }
}  // namespace

void ArmReadFault(int k) {
  readFaultStep = k;
  readStepsTaken = 0;
}

int ReadStepsTaken() { return readStepsTaken; }

void ArmWriteFault(int k) {
  faultStep = k;
  stepsTaken = 0;
}

void ArmWriteKill(int k) {
  killStep = k;
  stepsTaken = 0;
}

int WriteStepsTaken() { return stepsTaken; }

bool WriteFaultHits() {
  const int step = Step(stepsTaken);
  if (step == killStep) std::_Exit(9);
  return step == faultStep;
}

size_t MemorySource::Read(char* buffer, size_t size) {
  const size_t n = std::min(size, bytes_.size());
  if (n > 0) std::memcpy(buffer, bytes_.data(), n);
  bytes_.remove_prefix(n);
  return n;
}

File::~File() { Close(); }

#ifdef _WIN32

bool File::Open(std::string_view dataPath, Mode mode) {
  Close();
  failed_ = false;
  const std::wstring path = ToNativePath(dataPath);
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (mode == Mode::CreateWrite || mode == Mode::CreateNew) {
    access = GENERIC_WRITE;
    disposition = mode == Mode::CreateNew ? CREATE_NEW : CREATE_ALWAYS;
  } else if (mode == Mode::WriteExisting) {
    access = GENERIC_READ | GENERIC_WRITE;
  }
  // Share delete as well, so that an atomic replace of the file never fails on a reader.
  HANDLE h =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

bool File::IsOpen() const { return handle_ != nullptr; }

size_t File::Read(char* buffer, size_t size) {
  if (!handle_) return 0;
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
  if (ReadFaultHits() || !ReadFile(handle_, buffer, want, &got, nullptr)) {
    failed_ = true;
    return 0;
  }
  return got;
}

size_t File::ReadAt(uint64_t offset, char* buffer, size_t size) {
  if (!handle_) return 0;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
  if (ReadFaultHits()) {
    failed_ = true;
    return 0;
  }
  if (!ReadFile(handle_, buffer, want, &got, &at)) {
    // Reading at or past the end is the end, not a failure.
    if (GetLastError() != ERROR_HANDLE_EOF) failed_ = true;
    return 0;
  }
  return got;
}

bool File::Write(std::string_view bytes) {
  if (!handle_) return false;
  // An injected fault leaves half the bytes written, as a full disk would.
  const bool fault = WriteFaultHits();
  if (fault) bytes = bytes.substr(0, bytes.size() / 2);
  while (!bytes.empty()) {
    DWORD done = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(handle_, bytes.data(), want, &done, nullptr) || done == 0) return false;
    bytes.remove_prefix(done);
  }
  return !fault;
}

bool File::SeekFromEnd(int64_t offset) {
  if (!handle_ || offset > 0) return false;
  const int64_t size = Size();
  if (size < 0 || size + offset < 0) return false;
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return SetFilePointerEx(handle_, to, nullptr, FILE_END) != 0;
}

int64_t File::Size() {
  LARGE_INTEGER size;
  if (!handle_ || !GetFileSizeEx(handle_, &size)) return -1;
  return size.QuadPart;
}

bool File::Flush() { return handle_ && !WriteFaultHits() && FlushFileBuffers(handle_) != 0; }

bool File::Close() {
  if (!handle_) return true;
  const bool ok = CloseHandle(handle_) != 0;
  handle_ = nullptr;
  return ok;
}

bool CreateFolder(std::string_view dataPath) {
  const std::wstring path = ToNativePath(dataPath);
  return CreateDirectoryW(path.c_str(), nullptr) || FolderExists(dataPath);
}

bool FolderExists(std::string_view dataPath) {
  const DWORD attributes = GetFileAttributesW(ToNativePath(dataPath).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(std::string_view dataPath) {
  const DWORD attributes = GetFileAttributesW(ToNativePath(dataPath).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(std::string_view dataPath) {
  return DeleteFileW(ToNativePath(dataPath).c_str()) != 0;
}

bool RemoveFolder(std::string_view dataPath) {
  return RemoveDirectoryW(ToNativePath(dataPath).c_str()) != 0;
}

bool RenamePath(std::string_view from, std::string_view to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing target refuses the move.
  return !WriteFaultHits() &&
         MoveFileExW(ToNativePath(from).c_str(), ToNativePath(to).c_str(), 0) != 0;
}

namespace {

FileStamp StampFrom(DWORD sizeHigh, DWORD sizeLow, FILETIME written) {
  const int64_t ticks =
      (static_cast<int64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  constexpr int64_t kTicksTo1970 = 116444736000000000;  // 100 ns steps from 1601
  return {static_cast<int64_t>((static_cast<uint64_t>(sizeHigh) << 32) | sizeLow),
          ticks - kTicksTo1970};
}

}  // namespace

FileStamp File::Stamp() {
  BY_HANDLE_FILE_INFORMATION info;
  if (!handle_ || !GetFileInformationByHandle(handle_, &info)) return {};
  return StampFrom(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
}

FileStamp StampOf(std::string_view dataPath) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(ToNativePath(dataPath).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return {};
  return StampFrom(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

std::vector<FolderEntry> ListFolderEntries(std::string_view dataPath, bool /*stamps*/) {
  std::vector<FolderEntry> entries;
  std::wstring pattern = ToNativePath(dataPath);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  // One search gives names and kinds; asking for each kind apart costs a call per file.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      entries.push_back(
          {FromNativeName(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
           StampFrom(found.nFileSizeHigh, found.nFileSizeLow, found.ftLastWriteTime)});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

#else

namespace {

FileStamp StampFrom(const struct stat& st) {
  return {static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100};
}

}  // namespace

bool File::Open(std::string_view dataPath, Mode mode) {
  Close();
  failed_ = false;
  const std::string path = ToNativePath(dataPath);
  int flags = O_RDONLY;
  if (mode == Mode::CreateWrite) flags = O_WRONLY | O_CREAT | O_TRUNC;
  if (mode == Mode::CreateNew) flags = O_WRONLY | O_CREAT | O_EXCL;
  if (mode == Mode::WriteExisting) flags = O_RDWR;
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  opened_ = StampFrom(st);
  return true;
}

bool File::IsOpen() const { return fd_ >= 0; }

FileStamp File::Stamp() { return fd_ >= 0 ? opened_ : FileStamp{}; }

size_t File::Read(char* buffer, size_t size) {
  if (fd_ < 0) return 0;
  if (ReadFaultHits()) {
    failed_ = true;
    return 0;
  }
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) {
      failed_ = true;
      return 0;
    }
  }
}

size_t File::ReadAt(uint64_t offset, char* buffer, size_t size) {
  if (fd_ < 0) return 0;
  if (ReadFaultHits()) {
    failed_ = true;
    return 0;
  }
  for (;;) {
    const ssize_t got = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) {
      failed_ = true;
      return 0;
    }
  }
}

bool File::Write(std::string_view bytes) {
  if (fd_ < 0) return false;
  // An injected fault leaves half the bytes written, as a full disk would.
  const bool fault = WriteFaultHits();
  if (fault) bytes = bytes.substr(0, bytes.size() / 2);
  while (!bytes.empty()) {
    const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(done));
  }
  return !fault;
}

bool File::SeekFromEnd(int64_t offset) {
  if (fd_ < 0 || offset > 0) return false;
  const int64_t size = Size();
  if (size < 0 || size + offset < 0) return false;
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_END) >= 0;
}

int64_t File::Size() {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool File::Flush() { return fd_ >= 0 && !WriteFaultHits() && ::fsync(fd_) == 0; }

bool File::Close() {
  if (fd_ < 0) return true;
  const bool ok = ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

bool CreateFolder(std::string_view dataPath) {
  const std::string path = ToNativePath(dataPath);
  return ::mkdir(path.c_str(), 0755) == 0 || FolderExists(dataPath);
}

bool FolderExists(std::string_view dataPath) {
  struct stat st {};
  return ::stat(ToNativePath(dataPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(std::string_view dataPath) {
  struct stat st {};
  return ::stat(ToNativePath(dataPath).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RemoveFile(std::string_view dataPath) { return ::unlink(ToNativePath(dataPath).c_str()) == 0; }

bool RemoveFolder(std::string_view dataPath) {
  return ::rmdir(ToNativePath(dataPath).c_str()) == 0;
}

bool RenamePath(std::string_view from, std::string_view to) {
  if (WriteFaultHits()) return false;
  // rename() would replace an empty folder or a file; a link of the target's name counts too.
  const std::string target = ToNativePath(to);
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) return false;
  return ::rename(ToNativePath(from).c_str(), target.c_str()) == 0;
}

FileStamp StampOf(std::string_view dataPath) {
  struct stat st {};
  if (::stat(ToNativePath(dataPath).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
  return StampFrom(st);
}

std::vector<FolderEntry> ListFolderEntries(std::string_view dataPath, bool stamps) {
  std::vector<FolderEntry> entries;
  const std::string path = dataPath.empty() ? "." : ToNativePath(dataPath);
  DIR* folder = ::opendir(path.c_str());
  if (!folder) return entries;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool isFolder = entry->d_type == DT_DIR;
    FileStamp stamp;
    if (stamps || entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st {};
      const bool found = ::stat((path + "/" + name).c_str(), &st) == 0;
      isFolder = found && S_ISDIR(st.st_mode);
      if (found && !isFolder) stamp = StampFrom(st);
    }
    entries.push_back({FromNativeName(name), isFolder, stamp});
  }
  ::closedir(folder);
  return entries;
}

#endif

std::vector<std::string> ListFolder(std::string_view dataPath) {
  std::vector<std::string> names;
  for (FolderEntry& entry : ListFolderEntries(dataPath)) names.push_back(std::move(entry.name));
  return names;
}

bool ReadWholeFile(std::string_view dataPath, std::string& bytes, size_t spare, FileStamp* stamp) {
  File file;
  bytes.clear();
  if (!file.Open(dataPath, File::Mode::Read)) return false;
  const FileStamp opened = file.Stamp();
  if (stamp) *stamp = opened;
  // One allocation, with room for what the caller adds: a large file grows no copies. A
  // read that returns all the bytes the file was opened with, and less than asked, is its
  // end: reading thousands of records, the read that says so is spared.
  const size_t expected = opened.size > 0 ? static_cast<size_t>(opened.size) : 0;
  bytes.reserve(expected + std::max<size_t>(spare, 1));
  bytes.resize(expected + 1);
  size_t have = file.Read(bytes.data(), bytes.size());
  if (have == expected && !file.Failed()) {
    bytes.resize(have);
    return true;
  }
  bytes.resize(have);
  char buffer[4096];
  for (size_t got; have > 0 && (got = file.Read(buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, got);
  return !file.Failed();
}

}  // namespace pim
