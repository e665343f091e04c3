#include <zlib.h>

#include <algorithm>

#include "backup/zip.h"
#include "backup/zip_packer.h"
#include "base/threads.h"

namespace pim {

namespace {

constexpr uint16_t kUtf8Flag = 0x0800;
constexpr size_t kDrainAt = 1 << 20;

void Put16(std::string& out, uint64_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint64_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, (v >> 16) & 0xFFFF);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, v & 0xFFFFFFFF);
  Put32(out, v >> 32);
}

// MS-DOS date and time; the format starts in 1980 and counts seconds in twos.
uint32_t DosDateTime(const LocalTime& t) {
  if (t.year < 1980) return (1u << 21) | (1u << 16);  // 1980-01-01 00:00
  const auto year = static_cast<uint32_t>(std::min(t.year, 2107) - 1980);
  const uint32_t date =
      (year << 9) | (static_cast<uint32_t>(t.month) << 5) | static_cast<uint32_t>(t.day);
  const uint32_t time =
      (static_cast<uint32_t>(t.hour) << 11) | (static_cast<uint32_t>(t.minute) << 5);
  return (date << 16) | time;
}

// What the local header and the central record of an entry say, written by one function so
// the two always agree.
struct EntryFields {
  std::string_view name;
  uint16_t method;
  uint32_t crc;
  uint32_t stamp;
  uint64_t size;
  uint64_t packedSize;
  uint64_t offset;  // of the local header
  bool folder;
  uint64_t maxSize32;  // sizes and offsets from this on take ZIP64 fields
};

// A local header (before the entry's data) or a central record. Sizes that do not fit 32 bits
// go to a ZIP64 field: both sizes in a local header; in a central record only what does not
// fit, sizes first, then the offset.
void PutEntry(std::string& out, const EntryFields& e, bool central) {
  const bool bigSizes = e.size >= e.maxSize32 || e.packedSize >= e.maxSize32;
  const bool bigOffset = central && e.offset >= e.maxSize32;
  const uint16_t needed = bigSizes || e.offset >= e.maxSize32 ? 45 : 20;
  std::string zip64;
  if (bigSizes) {
    Put64(zip64, e.size);
    Put64(zip64, e.packedSize);
  }
  if (bigOffset) Put64(zip64, e.offset);
  std::string extra;
  if (!zip64.empty()) {
    Put16(extra, 0x0001);
    Put16(extra, zip64.size());
    extra += zip64;
  }
  Put32(out, central ? 0x02014b50 : 0x04034b50);
  if (central) Put16(out, needed);  // made by MS-DOS, so the attributes below are DOS ones
  Put16(out, needed);
  Put16(out, kUtf8Flag);
  Put16(out, e.method);
  Put32(out, e.stamp);
  Put32(out, e.crc);
  Put32(out, bigSizes ? 0xFFFFFFFF : e.packedSize);
  Put32(out, bigSizes ? 0xFFFFFFFF : e.size);
  Put16(out, e.name.size());
  Put16(out, extra.size());
  if (central) {
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, e.folder ? 0x10 : 0x20);
    Put32(out, bigOffset ? 0xFFFFFFFF : e.offset);
  }
  out.append(e.name);
  out += extra;
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* p = reinterpret_cast<const Bytef*>(bytes.data());
  size_t left = bytes.size();
  while (left > 0) {
    const auto n = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return static_cast<uint32_t>(crc);
}

ZipWriter::ZipWriter() : packThreads(Cores()) {}

ZipWriter::~ZipWriter() = default;

bool ZipWriter::Open(std::string_view dataPath) {
  ok_ = file_.Open(dataPath, File::Mode::CreateWrite);
  pool_.reset();
  waiting_.clear();
  pending_.clear();
  central_.clear();
  offset_ = count_ = 0;
  return ok_;
}

bool ZipWriter::Emit(std::string_view bytes) {
  pending_.append(bytes);
  offset_ += bytes.size();
  return pending_.size() < kDrainAt || Drain();
}

bool ZipWriter::Drain() {
  if (ok_ && !pending_.empty()) ok_ = file_.Write(pending_);
  pending_.clear();
  return ok_;
}

bool ZipWriter::AddFile(std::string_view name, std::string bytes, const LocalTime& time) {
  return Add(name, std::move(bytes), false, time);
}

bool ZipWriter::AddFolder(std::string_view name, const LocalTime& time) {
  return Add(name, {}, true, time);
}

bool ZipWriter::Add(std::string_view name, std::string bytes, bool folder, const LocalTime& time) {
  if (!ok_) return false;
  // A window of a few entries a thread keeps every worker busy.
  if (!pool_) pool_ = std::make_unique<PackPool>(packThreads, 16 * size_t{packThreads});
  if (pool_->full() && !WriteOldest()) return false;
  pool_->Put(std::move(bytes));
  waiting_.push_back({std::string(name), DosDateTime(time), folder});
  return packThreads > 0 || WriteOldest();
}

bool ZipWriter::WriteOldest() {
  const PackedBytes packed = pool_->Take();
  const Waiting entry = std::move(waiting_.front());
  waiting_.pop_front();
  if (!ok_ || !packed.ok) return ok_ = false;
  const EntryFields fields{entry.name,  packed.method, packed.crc,
                           entry.stamp, packed.size,   packed.data.size(),
                           offset_,     entry.folder,  maxSize32};
  std::string local;
  PutEntry(local, fields, false);
  PutEntry(central_, fields, true);
  ++count_;
  return Emit(local) && Emit(packed.data);
}

bool ZipWriter::Finish() {
  while (ok_ && pool_ && !pool_->empty()) WriteOldest();
  pool_.reset();
  waiting_.clear();
  if (!ok_) {
    file_.Close();
    return false;
  }
  const uint64_t start = offset_, size = central_.size();
  std::string tail = std::move(central_);
  central_.clear();
  const bool zip64 = count_ >= maxEntries16 || start >= maxSize32 || size >= maxSize32;
  if (zip64) {
    const uint64_t record = start + size;
    Put32(tail, 0x06064b50);
    Put64(tail, 44);
    Put16(tail, 45);
    Put16(tail, 45);
    Put32(tail, 0);
    Put32(tail, 0);
    Put64(tail, count_);
    Put64(tail, count_);
    Put64(tail, size);
    Put64(tail, start);
    Put32(tail, 0x07064b50);
    Put32(tail, 0);
    Put64(tail, record);
    Put32(tail, 1);
  }
  Put32(tail, 0x06054b50);
  Put16(tail, 0);
  Put16(tail, 0);
  Put16(tail, zip64 ? 0xFFFF : count_);
  Put16(tail, zip64 ? 0xFFFF : count_);
  Put32(tail, zip64 ? 0xFFFFFFFF : size);
  Put32(tail, zip64 ? 0xFFFFFFFF : start);
  Put16(tail, 0);
  ok_ = Emit(tail) && Drain() && file_.Flush();
  return file_.Close() && ok_;
}

}  // namespace pim
