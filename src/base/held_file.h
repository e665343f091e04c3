// A file kept open for as long as the program runs, which no one else may write meanwhile:
// the run marker. A second holder of the same file, however it names the folder, is
// refused; the system closes the handle of a crashed process, so nothing stale remains.
#pragma once

#include <string_view>

namespace pim {

class HeldFile {
 public:
  enum class Result { Held, InUse, Failed };

  HeldFile() = default;
  ~HeldFile() { Close(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Opens the file for reading and writing, creating it when missing. Others may still
  // read it. InUse when another holder has it open.
  Result Hold(std::string_view dataPath);
  // Writes `bytes` over the start of the file, leaving what follows, and flushes it.
  bool WriteAtStart(std::string_view bytes);
  bool Close();
  bool held() const;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace pim
