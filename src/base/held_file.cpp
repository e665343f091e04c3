#include "base/held_file.h"

#include "base/file.h"
#include "base/path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace pim {

#ifdef _WIN32

HeldFile::Result HeldFile::Hold(std::string_view dataPath) {
  Close();
  // Read sharing only: a second copy's open for writing fails with a sharing violation.
  HANDLE h = CreateFileW(ToNativePath(dataPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_SHARING_VIOLATION ? Result::InUse : Result::Failed;
  handle_ = h;
  return Result::Held;
}

bool HeldFile::WriteAtStart(std::string_view bytes) {
  if (!handle_ || WriteFaultHits()) return false;
  LARGE_INTEGER start{};
  DWORD done = 0;
  return SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) &&
         WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
         done == bytes.size() && FlushFileBuffers(handle_);
}

bool HeldFile::Close() {
  if (!handle_) return true;
  const bool ok = CloseHandle(handle_) != 0;
  handle_ = nullptr;
  return ok;
}

bool HeldFile::held() const { return handle_ != nullptr; }

#else

HeldFile::Result HeldFile::Hold(std::string_view dataPath) {
  Close();
  const int fd = ::open(ToNativePath(dataPath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Result::Failed;
  // The lock stands in for Windows' sharing mode; it belongs to this open, so a second
  // holder in the same process is refused too.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Result::InUse : Result::Failed;
  }
  fd_ = fd;
  return Result::Held;
}

bool HeldFile::WriteAtStart(std::string_view bytes) {
  if (fd_ < 0 || WriteFaultHits()) return false;
  const ssize_t done = ::pwrite(fd_, bytes.data(), bytes.size(), 0);
  return done == static_cast<ssize_t>(bytes.size()) && ::fsync(fd_) == 0;
}

bool HeldFile::Close() {
  if (fd_ < 0) return true;
  const bool ok = ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

bool HeldFile::held() const { return fd_ >= 0; }

#endif

}  // namespace pim
