#include <zlib.h>

#include <algorithm>

#include "backup/zip.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"

namespace pim {

namespace {

constexpr uint32_t kLocalSig = 0x04034b50, kCentralSig = 0x02014b50, kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50, kLocator64Sig = 0x07064b50;
constexpr size_t kEndSize = 22, kCentralSize = 46, kLocalSize = 30;

uint64_t Get(std::string_view b, uint64_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// Whether [at, at + size) lies inside `limit` bytes, without overflowing.
bool Inside(uint64_t at, uint64_t size, uint64_t limit) {
  return at <= limit && size <= limit - at;
}

// The name the entry should have: UTF-8 by its flag, else the Info-ZIP Unicode path field
// when it belongs to this name, else code page 936. Tools on Linux and macOS write UTF-8
// without the flag; a name that reads as UTF-8 is taken so (GBK text seldom does: its lead
// bytes below 0xC2 and its trail bytes above 0xBF are never valid there).
bool DecodeName(std::string_view raw, uint16_t flags, std::string_view unicode, std::string& name) {
  if (flags & 0x0800) return Utf8ToGbStrict(raw, name);
  if (unicode.size() >= 5 && unicode[0] == 1 && Get(unicode, 1, 4) == Crc32(raw))
    return Utf8ToGbStrict(unicode.substr(5), name);
  if (Utf8ToGbStrict(raw, name)) return true;
  name.assign(raw);
  return true;
}

// One stream serves every entry, as setting one up costs more than a small entry.
struct Inflater {
  Inflater() { ok = inflateInit2(&z, -15) == Z_OK; }
  ~Inflater() {
    if (ok) inflateEnd(&z);
  }
  z_stream z{};
  bool ok = false;
};

bool EndsWithSeparator(std::string_view name) {
  if (name.empty()) return false;
  const char last = name.back();
  if (last == '/') return true;
  // A "\" may be the trail byte of a two-byte character.
  return last == '\\' && DataPathFolder(name).size() == name.size();
}

}  // namespace

ZipStatus ZipReader::Open(std::string bytes, uint64_t maxEntries) {
  bytes_ = std::move(bytes);
  entries_.clear();
  const std::string_view b = bytes_;
  const uint64_t n = b.size();
  if (n < kEndSize) return ZipStatus::NotZip;
  // The end record is the last one whose comment reaches no further than the file.
  uint64_t end = n;
  const uint64_t lowest = n > kEndSize + 0xFFFF ? n - kEndSize - 0xFFFF : 0;
  for (uint64_t at = n - kEndSize + 1; at-- > lowest;) {
    if (Get(b, at, 4) == kEndSig && at + kEndSize + Get(b, at + 20, 2) <= n) {
      end = at;
      break;
    }
  }
  if (end == n) return Get(b, 0, 4) == kLocalSig ? ZipStatus::Damaged : ZipStatus::NotZip;
  if (Get(b, end + 4, 2) != 0 || Get(b, end + 6, 2) != 0) return ZipStatus::Unsupported;  // spanned
  uint64_t count = Get(b, end + 10, 2), size = Get(b, end + 12, 4), start = Get(b, end + 16, 4);
  uint64_t directoryEnd = end;
  if (end >= 20 && Get(b, end - 20, 4) == kLocator64Sig) {
    const uint64_t record = Get(b, end - 12, 8);
    if (!Inside(record, 56, end - 20) || Get(b, record, 4) != kEnd64Sig) return ZipStatus::Damaged;
    count = Get(b, record + 32, 8);
    size = Get(b, record + 40, 8);
    start = Get(b, record + 48, 8);
    directoryEnd = record;
  }
  if (!Inside(start, size, directoryEnd)) return ZipStatus::Damaged;
  if (count > maxEntries) return ZipStatus::TooMany;
  if (count > size / kCentralSize) return ZipStatus::Damaged;
  entries_.reserve(count);
  size_t at = start;
  for (uint64_t i = 0; i < count; ++i)
    if (const ZipStatus s = ReadEntry(at, start + size); s != ZipStatus::Ok) return s;
  // Entries' data lies before the directory.
  for (const ZipEntry& e : entries_)
    if (!Inside(e.dataOffset, e.packedSize, start)) return ZipStatus::Damaged;
  return ZipStatus::Ok;
}

ZipStatus ZipReader::ReadEntry(size_t& at, uint64_t end) {
  const std::string_view b = bytes_;
  if (!Inside(at, kCentralSize, end) || Get(b, at, 4) != kCentralSig) return ZipStatus::Damaged;
  ZipEntry e;
  e.flags = static_cast<uint16_t>(Get(b, at + 8, 2));
  e.method = static_cast<uint16_t>(Get(b, at + 10, 2));
  e.crc = static_cast<uint32_t>(Get(b, at + 16, 4));
  e.packedSize = Get(b, at + 20, 4);
  e.size = Get(b, at + 24, 4);
  const uint64_t nameLength = Get(b, at + 28, 2), extraLength = Get(b, at + 30, 2);
  const uint64_t commentLength = Get(b, at + 32, 2);
  uint64_t local = Get(b, at + 42, 4);
  const uint64_t record = kCentralSize + nameLength + extraLength + commentLength;
  if (!Inside(at, record, end)) return ZipStatus::Damaged;
  const std::string_view raw = b.substr(at + kCentralSize, nameLength);
  std::string_view extra = b.substr(at + kCentralSize + nameLength, extraLength);
  std::string_view unicode;
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
    } else if (id == 0x7075) {
      unicode = field;
    }
    extra.remove_prefix(4 + length);
  }
  at += record;
  e.nameValid = DecodeName(raw, e.flags, unicode, e.name) && !e.name.empty();
  e.folder = EndsWithSeparator(e.name);
  if (e.flags & 0x0001) return ZipStatus::Unsupported;  // encrypted
  if (e.method != 0 && e.method != 8) return ZipStatus::Unsupported;
  if (e.method == 0 && e.packedSize != e.size) return ZipStatus::Damaged;
  if (!Inside(local, kLocalSize, b.size()) || Get(b, local, 4) != kLocalSig)
    return ZipStatus::Damaged;
  e.dataOffset = local + kLocalSize + Get(b, local + 26, 2) + Get(b, local + 28, 2);
  entries_.push_back(std::move(e));
  return ZipStatus::Ok;
}

ZipStatus ZipReader::Extract(const ZipEntry& e, std::string& out) const {
  out.clear();
  const std::string_view packed = std::string_view(bytes_).substr(e.dataOffset, e.packedSize);
  // Deflate packs at most about 1032 to 1: a claim beyond that is a lie, refused unread.
  if (e.method == 8 && e.size / 1032 > e.packedSize + 1) return ZipStatus::BadData;
  if (e.method == 0) {
    out.assign(packed);
  } else {
    // One byte of room beyond the size the entry claims: a longer stream is caught, and
    // no stream can make us allocate more than it claimed (a zip bomb stops there).
    out.resize(e.size + 1);
    thread_local Inflater inflater;
    if (!inflater.ok || inflateReset(&inflater.z) != Z_OK) return ZipStatus::BadData;
    z_stream& z = inflater.z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    size_t inDone = 0, outDone = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
      if (z.avail_in == 0 && inDone < packed.size()) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + inDone));
        z.avail_in = static_cast<uInt>(std::min<size_t>(packed.size() - inDone, 1u << 30));
      }
      z.next_out = reinterpret_cast<Bytef*>(out.data() + outDone);
      z.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - outDone, 1u << 30));
      const uInt inBefore = z.avail_in, outBefore = z.avail_out;
      rc = inflate(&z, Z_NO_FLUSH);
      inDone += inBefore - z.avail_in;
      outDone += outBefore - z.avail_out;
      if (rc == Z_BUF_ERROR || (rc == Z_OK && inBefore == z.avail_in && outBefore == z.avail_out))
        break;
    }
    if (rc != Z_STREAM_END) return ZipStatus::BadData;
    out.resize(outDone);
  }
  if (out.size() != e.size || Crc32(out) != e.crc) return ZipStatus::BadData;
  return ZipStatus::Ok;
}

}  // namespace pim
