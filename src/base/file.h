// A file of the data folder, opened in one of the three ways the program needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pim {

// Anything the line reader can pull bytes from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `buffer`; 0 at the end, or when a read failed.
  virtual size_t Read(char* buffer, size_t size) = 0;
  // Whether a read failed: the 0 it returned was then no end of the bytes.
  virtual bool Failed() const { return false; }
};

// Bytes already in memory.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t Read(char* buffer, size_t size) override;

 private:
  std::string_view bytes_;
};

// What tells a changed file from the one read before: its size and last write time.
struct FileStamp {
  int64_t size = -1;
  int64_t time = 0;  // 100 ns steps since 1970
  bool operator==(const FileStamp&) const = default;
};
class File final : public ByteSource {
 public:
  enum class Mode {
    Read,           // an existing file, read only
    CreateWrite,    // created, or emptied when it exists
    WriteExisting,  // an existing file, written in place; never created or emptied
    CreateNew,      // created; fails when the name is taken, so nothing is ever emptied
  };

  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Fails for a folder, a missing file (except CreateWrite) or a file without access.
  bool Open(std::string_view dataPath, Mode mode);
  bool IsOpen() const;

  size_t Read(char* buffer, size_t size) override;
  // Up to `size` bytes from `offset` on, leaving the position of Read alone on Linux; 0 at
  // the end, or when the read failed (Failed() then says so).
  size_t ReadAt(uint64_t offset, char* buffer, size_t size);
  bool Failed() const override { return failed_; }
  // All bytes, or false.
  bool Write(std::string_view bytes);
  // Moves to `offset` bytes from the end (offset <= 0); false when that is before the start.
  bool SeekFromEnd(int64_t offset);
  // The size in bytes, or -1.
  int64_t Size();
  // Size and last write time, as the file was when it was opened for reading.
  FileStamp Stamp();
  // Pushes the written bytes to the disk.
  bool Flush();
  // False when the file could not be closed cleanly (the last writes may be lost).
  bool Close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
  FileStamp opened_;
#endif
  bool failed_ = false;
};

// Test-only fault injection: once armed with k > 0, the k-th fallible write step from then
// on fails (File::Write after writing half its bytes, File::Flush, the replace of
// WriteFileAtomic); 0 disarms. Steps are counted either way. Never armed by the program.
void ArmWriteFault(int k);
int WriteStepsTaken();
// The same, but the k-th step ends the process before it is taken, as a kill would.
void ArmWriteKill(int k);
// True when the step now taken is to fail; called by the steps themselves.
bool WriteFaultHits();
// The same for reads: the k-th File::Read from then on fails as a disk error would.
void ArmReadFault(int k);
int ReadStepsTaken();

// Every byte of a file; false when it cannot be opened or a read failed (`bytes` then holds
// what was read, which must never be taken for the file).
// `stamp`, when given, gets the file's stamp as it was read.
bool ReadWholeFile(std::string_view dataPath, std::string& bytes, size_t spare = 0,
                   FileStamp* stamp = nullptr);

// Creates one folder level; true when it exists afterwards.
bool CreateFolder(std::string_view dataPath);
bool FolderExists(std::string_view dataPath);
bool FileExists(std::string_view dataPath);
bool RemoveFile(std::string_view dataPath);
// Removes an empty folder.
bool RemoveFolder(std::string_view dataPath);
// Renames a file or a folder, never over anything that exists. A write step of the fault
// switch (ArmWriteFault).
bool RenamePath(std::string_view from, std::string_view to);
// The names of the entries of a folder (GBK; "." and ".." left out); empty when it cannot
// be read. Names that GBK cannot hold come back with "?" in their place.
std::vector<std::string> ListFolder(std::string_view dataPath);
// The stamp of a file; a size of -1 when there is none.
FileStamp StampOf(std::string_view dataPath);

// The same with each entry's kind, and with `stamps` each file's stamp.
struct FolderEntry {
  std::string name;
  bool folder = false;
  FileStamp stamp;
};
std::vector<FolderEntry> ListFolderEntries(std::string_view dataPath, bool stamps = false);

}  // namespace pim
