// The zip container: what backup writes and restore reads. Deflate and CRC-32 come from zlib;
// names are UTF-8 with the UTF-8 flag and "/" separators; ZIP64 where the archive needs it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/file.h"

namespace pim {

uint32_t Crc32(std::string_view bytes);

class PackPool;

// Writes an archive straight to a file, one entry after the other. The files' bytes are
// packed on worker threads a few entries ahead; the archive's bytes are the same however many.
class ZipWriter {
 public:
  ZipWriter();
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  bool Open(std::string_view dataPath);
  // `name` is UTF-8 with "/" separators; a folder's name ends with "/". An entry may be
  // written only by a later call, or by Finish; false once the archive cannot be written.
  bool AddFile(std::string_view name, std::string bytes, const LocalTime& time);
  bool AddFolder(std::string_view name, const LocalTime& time);
  // The entries still waiting, the central directory (and its ZIP64 records when needed),
  // then flushed and closed.
  bool Finish();
  uint64_t count() const { return count_; }

  // Entries at or beyond these counts and sizes take ZIP64 fields; tests lower them.
  uint64_t maxEntries16 = 0xFFFF;
  uint64_t maxSize32 = 0xFFFFFFFF;
  // Threads that pack, taken at the first entry; 0 packs each entry in the call that adds it.
  unsigned packThreads;

 private:
  struct Waiting {
    std::string name;
    uint32_t stamp;
    bool folder;
  };
  bool Add(std::string_view name, std::string bytes, bool folder, const LocalTime& time);
  bool WriteOldest();
  bool Emit(std::string_view bytes);
  bool Drain();

  File file_;
  std::unique_ptr<PackPool> pool_;
  std::deque<Waiting> waiting_;  // put to the pool, in the order added
  std::string pending_;          // bytes not yet handed to the file
  std::string central_;
  uint64_t offset_ = 0;
  uint64_t count_ = 0;
  bool ok_ = false;
};

struct ZipEntry {
  uint64_t packedSize = 0;
  uint64_t size = 0;
  uint64_t dataOffset = 0;
  uint32_t crc = 0;
  uint32_t nameAt = 0;  // where its name starts among the reader's names
  uint16_t nameSize = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  bool nameUtf8 = false;  // the name must be UTF-8: by its flag, or from the Unicode path field
};

enum class ZipStatus {
  Ok,
  Unreadable,   // the file cannot be opened, or a read of it failed
  NotZip,       // no end record: not an archive at all
  Damaged,      // the records point outside the file or contradict each other
  TooMany,      // more entries, or more bytes of names, than the caller allows
  Unsupported,  // encrypted, or packed by a method other than store and deflate
  BadData,      // an entry's bytes do not inflate to its size and CRC
  Stopped,      // the sink asked to stop
};

// Reads an archive from its file: memory holds the directory's entries and names, and an
// entry's bytes pass through a small buffer on their way to the caller. Every offset is
// checked against the file, and no two entries share bytes.
class ZipReader {
 public:
  ZipReader();
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens the archive and reads its directory: at most `maxEntries` entries, whose names
  // take at most `maxNameBytes` together. No entries unless the result is Ok.
  ZipStatus Open(std::string_view archivePath, uint64_t maxEntries,
                 uint64_t maxNameBytes = UINT64_MAX);
  const std::vector<ZipEntry>& entries() const { return entries_; }
  // The entry's name in GBK ("/" or "\" separators, as the archive has them): UTF-8 by its
  // flag, else the Info-ZIP Unicode path field when it belongs to this name, else UTF-8 when
  // it reads as such, else code page 936. False when it is empty or not valid in its encoding
  // (`name` then holds its bytes as they are).
  bool Name(const ZipEntry& entry, std::string& name) const;
  // The entry's bytes, piece by piece, to `sink`, then checked against the entry's size and
  // CRC. A stream that runs past its size stops there, so no claim makes us read on.
  using Sink = std::function<bool(std::string_view piece)>;
  ZipStatus Extract(const ZipEntry& entry, const Sink& sink) const;
  // Done with the bytes: the file is let go, so that its folder may be moved (Windows moves
  // no folder with an open file in it). The entries and names stay.
  void Close() const { file_.Close(); }

 private:
  struct Inflater;
  ZipStatus ReadArchive(std::string_view archivePath, uint64_t maxEntries, uint64_t maxNameBytes);
  ZipStatus ReadDirectory(uint64_t start, uint64_t size, uint64_t count, uint64_t maxNameBytes,
                          std::vector<uint64_t>& locals);
  ZipStatus FindData(const std::vector<uint64_t>& locals, uint64_t directoryStart);

  mutable File file_;
  uint64_t fileSize_ = 0;
  std::vector<ZipEntry> entries_;
  std::string names_;
  mutable std::string in_, out_;
  mutable std::unique_ptr<Inflater> inflater_;
};

}  // namespace pim
