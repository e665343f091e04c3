// The zip container: what backup writes and restore reads. Deflate and CRC-32 come from zlib;
// names are UTF-8 with the UTF-8 flag and "/" separators; ZIP64 where the archive needs it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/file.h"

namespace pim {

uint32_t Crc32(std::string_view bytes);

// Writes an archive straight to a file, one entry after the other.
class ZipWriter {
 public:
  bool Open(std::string_view dataPath);
  // `name` is UTF-8 with "/" separators; a folder's name ends with "/".
  bool AddFile(std::string_view name, std::string_view bytes, const LocalTime& time);
  bool AddFolder(std::string_view name, const LocalTime& time);
  // The central directory (and its ZIP64 records when needed), then flushed and closed.
  bool Finish();
  uint64_t count() const { return count_; }

  // Entries at or beyond these counts and sizes take ZIP64 fields; tests lower them.
  uint64_t maxEntries16 = 0xFFFF;
  uint64_t maxSize32 = 0xFFFFFFFF;

 private:
  bool Add(std::string_view name, std::string_view bytes, bool folder, const LocalTime& time);
  bool Emit(std::string_view bytes);
  bool Drain();

  File file_;
  std::string pending_;  // bytes not yet handed to the file
  std::string central_;
  uint64_t offset_ = 0;
  uint64_t count_ = 0;
  bool ok_ = false;
};

struct ZipEntry {
  std::string name;  // GBK, as the archive named it ("/" or "\" separators); "" when unusable
  bool nameValid = false;
  bool folder = false;  // the name ends with a separator
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t packedSize = 0;
  uint64_t size = 0;
  uint64_t dataOffset = 0;
};

enum class ZipStatus {
  Ok,
  NotZip,       // no end record: not an archive at all
  Damaged,      // the records point outside the file or contradict each other
  TooMany,      // more entries than the caller allows
  Unsupported,  // encrypted, or packed by a method other than store and deflate
  BadData,      // an entry's bytes do not inflate to its size and CRC
};

// Reads an archive held in memory; every offset is checked against the bytes.
class ZipReader {
 public:
  // Takes the archive's bytes and reads its directory; at most `maxEntries` entries.
  ZipStatus Open(std::string bytes, uint64_t maxEntries);
  const std::vector<ZipEntry>& entries() const { return entries_; }
  // The entry's bytes, checked against its size and CRC.
  ZipStatus Extract(const ZipEntry& entry, std::string& out) const;

 private:
  ZipStatus ReadEntry(size_t& at, uint64_t end);

  std::string bytes_;
  std::vector<ZipEntry> entries_;
};

}  // namespace pim
