#include <zlib.h>

#include <algorithm>
#include <numeric>

#include "backup/zip.h"
#include "base/gb18030.h"

namespace pim {

namespace {

constexpr uint32_t kLocalSig = 0x04034b50, kCentralSig = 0x02014b50, kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50, kLocator64Sig = 0x07064b50;
constexpr size_t kEndSize = 22, kCentralSize = 46, kLocalSize = 30;
constexpr size_t kChunk = 1 << 20;  // bytes of an entry read or inflated at a time

uint64_t Get(std::string_view b, uint64_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// Whether [at, at + size) lies inside `limit` bytes, without overflowing.
bool Inside(uint64_t at, uint64_t size, uint64_t limit) {
  return at <= limit && size <= limit - at;
}

// Exactly `size` bytes at `at`, or the reason why not.
ZipStatus ReadExactly(File& file, uint64_t at, size_t size, std::string& out) {
  out.resize(size);
  size_t have = 0;
  while (have < size) {
    const size_t got = file.ReadAt(at + have, out.data() + have, size - have);
    if (got == 0) return file.Failed() ? ZipStatus::Unreadable : ZipStatus::Damaged;
    have += got;
  }
  return ZipStatus::Ok;
}

// The central directory, read front to back through a buffer that always holds one record.
class DirectoryWindow {
 public:
  DirectoryWindow(File& file, uint64_t at, uint64_t end) : file_(file), next_(at), end_(end) {}
  // Makes `n` bytes from the current place readable in view().
  ZipStatus Ensure(size_t n) {
    if (buffer_.size() - pos_ >= n) return ZipStatus::Ok;
    buffer_.erase(0, pos_);
    pos_ = 0;
    const uint64_t want = std::max<uint64_t>(n - buffer_.size(), 256 << 10);
    const size_t more = static_cast<size_t>(std::min<uint64_t>(want, end_ - next_));
    if (buffer_.size() + more < n) return ZipStatus::Damaged;
    const size_t have = buffer_.size();
    std::string piece;
    if (const ZipStatus s = ReadExactly(file_, next_, more, piece); s != ZipStatus::Ok) return s;
    buffer_.resize(have);
    buffer_ += piece;
    next_ += more;
    return ZipStatus::Ok;
  }
  std::string_view view() const { return std::string_view(buffer_).substr(pos_); }
  void Skip(size_t n) { pos_ += n; }

 private:
  File& file_;
  uint64_t next_, end_;
  std::string buffer_;
  size_t pos_ = 0;
};

}  // namespace

// One stream serves every entry, as setting one up costs more than a small entry.
struct ZipReader::Inflater {
  Inflater() { ok = inflateInit2(&z, -15) == Z_OK; }
  ~Inflater() {
    if (ok) inflateEnd(&z);
  }
  z_stream z{};
  bool ok = false;
};

ZipReader::ZipReader() = default;
ZipReader::~ZipReader() = default;

ZipStatus ZipReader::Open(std::string_view archivePath, uint64_t maxEntries,
                          uint64_t maxNameBytes) {
  const ZipStatus status = ReadArchive(archivePath, maxEntries, maxNameBytes);
  if (status != ZipStatus::Ok) {  // no entry of a directory read in part
    entries_.clear();
    names_.clear();
  }
  return status;
}

ZipStatus ZipReader::ReadArchive(std::string_view archivePath, uint64_t maxEntries,
                                 uint64_t maxNameBytes) {
  entries_.clear();
  names_.clear();
  names_.shrink_to_fit();
  if (!file_.Open(archivePath, File::Mode::Read)) return ZipStatus::Unreadable;
  const int64_t size = file_.Size();
  if (size < 0) return ZipStatus::Unreadable;
  const uint64_t n = static_cast<uint64_t>(size);
  fileSize_ = n;
  if (n < kEndSize) return ZipStatus::NotZip;
  // The end record is the last one whose comment reaches no further than the file.
  const uint64_t tailStart = n > kEndSize + 0xFFFF ? n - kEndSize - 0xFFFF : 0;
  std::string tail;
  if (const ZipStatus s = ReadExactly(file_, tailStart, n - tailStart, tail); s != ZipStatus::Ok)
    return s;
  uint64_t end = n;
  for (uint64_t at = tail.size() - kEndSize + 1; at-- > 0;) {
    if (Get(tail, at, 4) == kEndSig && tailStart + at + kEndSize + Get(tail, at + 20, 2) <= n) {
      end = tailStart + at;
      break;
    }
  }
  if (end == n) {
    std::string first;
    return ReadExactly(file_, 0, 4, first) == ZipStatus::Ok && Get(first, 0, 4) == kLocalSig
               ? ZipStatus::Damaged
               : ZipStatus::NotZip;
  }
  const std::string_view record = std::string_view(tail).substr(end - tailStart);
  if (Get(record, 4, 2) != 0 || Get(record, 6, 2) != 0) return ZipStatus::Unsupported;  // spanned
  uint64_t count = Get(record, 10, 2), bytes = Get(record, 12, 4), start = Get(record, 16, 4);
  uint64_t directoryEnd = end;
  std::string locator;
  if (end >= 20 && ReadExactly(file_, end - 20, 20, locator) == ZipStatus::Ok &&
      Get(locator, 0, 4) == kLocator64Sig) {
    const uint64_t at = Get(locator, 8, 8);
    std::string end64;
    if (!Inside(at, 56, end - 20) || ReadExactly(file_, at, 56, end64) != ZipStatus::Ok ||
        Get(end64, 0, 4) != kEnd64Sig)
      return ZipStatus::Damaged;
    count = Get(end64, 32, 8);
    bytes = Get(end64, 40, 8);
    start = Get(end64, 48, 8);
    directoryEnd = at;
  }
  if (!Inside(start, bytes, directoryEnd)) return ZipStatus::Damaged;
  if (count > maxEntries) return ZipStatus::TooMany;
  if (count > bytes / kCentralSize) return ZipStatus::Damaged;
  std::vector<uint64_t> locals;
  if (const ZipStatus s = ReadDirectory(start, bytes, count, maxNameBytes, locals);
      s != ZipStatus::Ok)
    return s;
  return FindData(locals, start);
}

ZipStatus ZipReader::ReadDirectory(uint64_t start, uint64_t size, uint64_t count,
                                   uint64_t maxNameBytes, std::vector<uint64_t>& locals) {
  entries_.reserve(count);
  locals.reserve(count);
  names_.reserve(static_cast<size_t>(std::min(size, maxNameBytes)));
  DirectoryWindow window(file_, start, start + size);
  for (uint64_t i = 0; i < count; ++i) {
    if (const ZipStatus s = window.Ensure(kCentralSize); s != ZipStatus::Ok) return s;
    std::string_view b = window.view();
    if (Get(b, 0, 4) != kCentralSig) return ZipStatus::Damaged;
    ZipEntry e;
    e.flags = static_cast<uint16_t>(Get(b, 8, 2));
    e.method = static_cast<uint16_t>(Get(b, 10, 2));
    e.crc = static_cast<uint32_t>(Get(b, 16, 4));
    e.packedSize = Get(b, 20, 4);
    e.size = Get(b, 24, 4);
    const size_t nameLength = Get(b, 28, 2), extraLength = Get(b, 30, 2);
    const size_t record = kCentralSize + nameLength + extraLength + Get(b, 32, 2);
    uint64_t local = Get(b, 42, 4);
    if (const ZipStatus s = window.Ensure(record); s != ZipStatus::Ok) return s;
    b = window.view();
    std::string_view name = b.substr(kCentralSize, nameLength);
    std::string_view extra = b.substr(kCentralSize + nameLength, extraLength);
    e.nameUtf8 = (e.flags & 0x0800) != 0;
    while (extra.size() >= 4) {
      const uint64_t id = Get(extra, 0, 2), length = Get(extra, 2, 2);
      if (length > extra.size() - 4) return ZipStatus::Damaged;
      std::string_view field = extra.substr(4, length);
      if (id == 0x0001) {  // ZIP64: only the fields that did not fit, in this order
        for (uint64_t* v : {&e.size, &e.packedSize, &local}) {
          if (*v != 0xFFFFFFFF) continue;
          if (field.size() < 8) return ZipStatus::Damaged;
          *v = Get(field, 0, 8);
          field.remove_prefix(8);
        }
      } else if (id == 0x7075 && !e.nameUtf8 && field.size() >= 5 && field[0] == 1 &&
                 Get(field, 1, 4) == crc32(0, reinterpret_cast<const Bytef*>(name.data()),
                                           static_cast<uInt>(name.size()))) {
        // The Unicode path field, when it belongs to this very name.
        name = field.substr(5);
        e.nameUtf8 = true;
      }
      extra.remove_prefix(4 + length);
    }
    if (e.flags & 0x0001) return ZipStatus::Unsupported;  // encrypted
    if (e.method != 0 && e.method != 8) return ZipStatus::Unsupported;
    if (e.method == 0 && e.packedSize != e.size) return ZipStatus::Damaged;
    if (names_.size() + name.size() > std::min<uint64_t>(maxNameBytes, UINT32_MAX))
      return ZipStatus::TooMany;
    e.nameAt = static_cast<uint32_t>(names_.size());
    e.nameSize = static_cast<uint16_t>(name.size());
    names_ += name;
    window.Skip(record);
    entries_.push_back(e);
    locals.push_back(local);
  }
  return ZipStatus::Ok;
}

// Where each entry's bytes start, behind its local header; they lie before the directory,
// and no entry's header or bytes overlap another's (no legitimate archive shares them).
ZipStatus ZipReader::FindData(const std::vector<uint64_t>& locals, uint64_t directoryStart) {
  std::vector<uint32_t> order(entries_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return locals[a] < locals[b]; });
  uint64_t free = 0;  // the first byte no entry before took
  std::string header;
  for (const uint32_t i : order) {
    ZipEntry& e = entries_[i];
    const uint64_t local = locals[i];
    if (local < free || !Inside(local, kLocalSize, directoryStart)) return ZipStatus::Damaged;
    if (const ZipStatus s = ReadExactly(file_, local, kLocalSize, header); s != ZipStatus::Ok)
      return s;
    if (Get(header, 0, 4) != kLocalSig) return ZipStatus::Damaged;
    e.dataOffset = local + kLocalSize + Get(header, 26, 2) + Get(header, 28, 2);
    if (!Inside(e.dataOffset, e.packedSize, directoryStart)) return ZipStatus::Damaged;
    free = e.dataOffset + e.packedSize;
  }
  return ZipStatus::Ok;
}

bool ZipReader::Name(const ZipEntry& entry, std::string& name) const {
  const std::string_view raw = std::string_view(names_).substr(entry.nameAt, entry.nameSize);
  // Tools on Linux and macOS write UTF-8 without the flag; a name that reads as UTF-8 is
  // taken so (GBK text seldom does: its lead bytes below 0xC2 and its trail bytes above 0xBF
  // are never valid there).
  if (Utf8ToGbStrict(raw, name)) return !name.empty();
  name.assign(raw);  // code page 936; and for messages when it must have been UTF-8
  return !entry.nameUtf8 && !name.empty();
}

ZipStatus ZipReader::Extract(const ZipEntry& e, const Sink& sink) const {
  // Deflate packs at most about 1032 to 1: a claim beyond that is a lie, refused unread.
  if (e.method == 8 && e.size / 1032 > e.packedSize + 1) return ZipStatus::BadData;
  if (!Inside(e.dataOffset, e.packedSize, fileSize_)) return ZipStatus::Damaged;
  uLong crc = crc32(0L, Z_NULL, 0);
  uint64_t produced = 0, consumed = 0;
  auto take = [&](const char* bytes, size_t n) {
    produced += n;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(n));
    return sink(std::string_view(bytes, n));
  };
  auto readIn = [&]() {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, e.packedSize - consumed));
    const ZipStatus s = ReadExactly(file_, e.dataOffset + consumed, n, in_);
    consumed += n;
    return s == ZipStatus::Damaged ? ZipStatus::BadData : s;  // cut since it was opened
  };
  if (e.method == 0) {
    while (consumed < e.packedSize) {
      if (const ZipStatus s = readIn(); s != ZipStatus::Ok) return s;
      if (!take(in_.data(), in_.size())) return ZipStatus::Stopped;
    }
  } else {
    if (!inflater_) inflater_ = std::make_unique<Inflater>();
    z_stream& z = inflater_->z;
    if (!inflater_->ok || inflateReset(&z) != Z_OK) return ZipStatus::BadData;
    out_.resize(kChunk);
    z.avail_in = 0;
    for (;;) {
      if (z.avail_in == 0 && consumed < e.packedSize) {
        if (const ZipStatus s = readIn(); s != ZipStatus::Ok) return s;
        z.next_in = reinterpret_cast<Bytef*>(in_.data());
        z.avail_in = static_cast<uInt>(in_.size());
      }
      z.next_out = reinterpret_cast<Bytef*>(out_.data());
      z.avail_out = static_cast<uInt>(out_.size());
      const int rc = inflate(&z, Z_NO_FLUSH);
      const size_t got = out_.size() - z.avail_out;
      // Past its size the stream is wrong whatever follows: a bomb stops here.
      if (produced + got > e.size) return ZipStatus::BadData;
      if (got > 0 && !take(out_.data(), got)) return ZipStatus::Stopped;
      if (rc == Z_STREAM_END) break;
      const bool starved = rc == Z_BUF_ERROR && z.avail_in == 0 && consumed == e.packedSize;
      if ((rc != Z_OK && rc != Z_BUF_ERROR) || starved) return ZipStatus::BadData;
    }
  }
  if (produced != e.size || static_cast<uint32_t>(crc) != e.crc) return ZipStatus::BadData;
  return ZipStatus::Ok;
}

}  // namespace pim
