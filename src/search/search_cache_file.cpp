// The cache file's bytes: written in one pass, read back in runs of parts side by side.
#include <algorithm>
#include <cstring>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/threads.h"
#include "records/record_store.h"
#include "search/pinyin.h"
#include "search/search.h"
#include "search/search_cache.h"

namespace pim {

namespace {

// Raised whenever what is written changes, or what it is built from (folding, grams).
constexpr uint32_t kFormat = 1;
constexpr char kMagic[16] = {'P', 'i', 'm', 'b', 'r', 'e', 'l',  ' ',
                             's', 'e', 'a', 'r', 'c', 'h', '\r', '\n'};
constexpr char kEnd[8] = {'c', 'a', 'c', 'h', 'e', 'e', 'n', 'd'};
constexpr size_t kChunk = 1 << 20;
constexpr uint32_t kMaxFields = 64;

size_t FieldCount(RecordKind kind) {
  switch (kind) {
    case RecordKind::Note:
      return kNoteFields;
    case RecordKind::Contact:
      return kContactFields;
    case RecordKind::Card:
      return kCardFields;
  }
  return 0;
}

// Bytes out in chunks of a megabyte: the file runs to hundreds of megabytes.
class Out {
 public:
  explicit Out(File& file) : file_(file) { buffer_.reserve(kChunk); }
  template <typename T>
  void Put(const T& value) {
    Bytes(&value, sizeof value);
  }
  void Bytes(const void* data, size_t size) {
    written_ += size;
    if (buffer_.size() + size > kChunk) Flush();
    if (size >= kChunk) {
      ok_ = ok_ && file_.Write({static_cast<const char*>(data), size});
      return;
    }
    buffer_.append(static_cast<const char*>(data), size);
  }
  void Text(std::string_view text) {
    Put(static_cast<uint32_t>(text.size()));
    Bytes(text.data(), text.size());
  }
  bool Flush() {
    ok_ = ok_ && file_.Write(buffer_);
    buffer_.clear();
    return ok_;
  }
  uint64_t written() const { return written_; }

 private:
  File& file_;
  std::string buffer_;
  uint64_t written_ = 0;
  bool ok_ = true;
};

// Bytes in from one stretch of the file, every length checked against what is left of it:
// any bytes are survived.
class In {
 public:
  In(File& file, uint64_t offset, uint64_t size) : file_(file), offset_(offset), left_(size) {}
  template <typename T>
  bool Get(T& value) {
    return Bytes(&value, sizeof value);
  }
  bool Bytes(void* data, size_t size) {
    if (size > left_) return false;
    auto* out = static_cast<char*>(data);
    while (size > 0) {
      if (at_ == buffer_.size() && !Fill()) return false;
      const size_t take = std::min(size, buffer_.size() - at_);
      std::memcpy(out, buffer_.data() + at_, take);
      at_ += take;
      out += take;
      size -= take;
      left_ -= take;
    }
    return true;
  }
  bool Text(std::string& text) {
    uint32_t size = 0;
    if (!Get(size) || size > left_) return false;
    // Most texts lie in the buffer whole: copied once, not cleared first.
    if (size <= buffer_.size() - at_) {
      text.assign(buffer_.data() + at_, size);
      at_ += size;
      left_ -= size;
      return true;
    }
    text.resize(size);
    return Bytes(text.data(), size);
  }
  uint64_t left() const { return left_; }

 private:
  bool Fill() {
    buffer_.resize(static_cast<size_t>(std::min<uint64_t>(kChunk, left_)));
    const size_t got = file_.ReadAt(offset_, buffer_.data(), buffer_.size());
    buffer_.resize(got);
    offset_ += got;
    at_ = 0;
    return got > 0 && !file_.Failed();
  }

  File& file_;
  std::string buffer_;
  size_t at_ = 0;
  uint64_t offset_;
  uint64_t left_;
};

struct Head {
  uint32_t format = kFormat;
  uint32_t sets = 0;
  uint32_t syllables = 0;
  uint32_t records = 0;
  int64_t readAllAt = 0;
  uint64_t signatureWords = 0;
  uint64_t titleBytes = 0;
  uint64_t latinBytes = 0;
};

// Where a run of records starts, so that several threads read the file at once: in the
// file, among the records, in the signatures and in the titles.
struct Part {
  uint64_t offset = 0;
  uint64_t record = 0;
  uint64_t signature = 0;
  uint64_t title = 0;
  uint64_t latin = 0;
};
constexpr uint32_t kPartRecords = 4096;
// After the parts' table: where it starts, then the end mark.
constexpr size_t kTailSize = sizeof(uint64_t) + sizeof kEnd;

enum : uint8_t { kTrimmed = 1, kBookmark = 2, kIndexed = 4 };

}  // namespace

bool WriteSearchCache(std::string_view path, std::string_view key, int64_t readAllAt,
                      const RecordStore& store, Searcher& searcher) {
  searcher.Sync();
  const std::vector<Record>& records = store.records();
  Head head;
  head.sets = static_cast<uint32_t>(pinyin::SetCount());
  head.syllables = static_cast<uint32_t>(pinyin::SyllableCount());
  head.readAllAt = readAllAt;
  for (uint32_t slot = 0; slot < records.size(); ++slot) {
    if (!records[slot].live) continue;
    const Searcher::Entry& e = searcher.entries_[slot];
    ++head.records;
    head.signatureWords += e.bits / 64;
    head.titleBytes += e.titleBytes;
    if (e.latinBytes != Searcher::kNoLatin) head.latinBytes += e.latinBytes;
  }
  return WriteFileAtomic(path, [&](File& file) {
    Out out(file);
    out.Bytes(kMagic, sizeof kMagic);
    out.Put(head);
    out.Text(key);
    std::vector<Part> parts;
    Part at;
    for (uint32_t slot = 0; slot < records.size(); ++slot) {
      const Record& r = records[slot];
      if (!r.live) continue;
      const Searcher::Entry& e = searcher.entries_[slot];
      if (at.record % kPartRecords == 0) {
        at.offset = out.written();
        parts.push_back(at);
      }
      ++at.record;
      at.signature += e.bits / 64;
      at.title += e.titleBytes;
      if (e.latinBytes != Searcher::kNoLatin) at.latin += e.latinBytes;
      out.Put(static_cast<uint8_t>(r.kind));
      out.Put(static_cast<uint8_t>((r.trimmed ? kTrimmed : 0) | (r.bookmark ? kBookmark : 0) |
                                   (r.indexed ? kIndexed : 0)));
      out.Put(static_cast<int32_t>(r.number));
      out.Put(static_cast<int32_t>(r.type));
      out.Put(r.stamp.size);
      out.Put(r.stamp.time);
      out.Put(r.recency);
      out.Text(r.path);
      out.Text(r.date);
      out.Put(static_cast<uint32_t>(r.fields.size()));
      for (const std::string& field : r.fields) out.Text(field);
      out.Put(e.bits);
      out.Put(e.forms);
      out.Put(e.initials);
      out.Put(e.titleUnits);
      out.Put(e.ascii);
      out.Put(e.pairs);
      out.Put(static_cast<uint32_t>(e.units.size()));
      out.Bytes(e.units.data(), e.units.size() * sizeof(PinyinMatcher::Unit));
      out.Text({searcher.titles_.data() + e.title, e.titleBytes});
      out.Put(e.latinBytes);
      if (e.latinBytes != Searcher::kNoLatin)
        out.Bytes(searcher.latins_.data() + e.latin, e.latinBytes);
      out.Bytes(searcher.signatures_.data() + e.signature, e.bits / 64 * sizeof(uint64_t));
    }
    const uint64_t table = out.written();
    out.Put(static_cast<uint32_t>(parts.size()));
    for (const Part& part : parts) out.Put(part);
    out.Put(table);
    out.Bytes(kEnd, sizeof kEnd);
    return out.Flush();
  });
}

namespace {

// What several threads fill, each its own records and its own stretch of the arrays.
struct Loaded {
  std::vector<Record> records;
  std::vector<RecordStore::Slots> slots;  // one for each run
  std::vector<Searcher::Entry> entries;
  Searcher::Words signatures;
  std::string titles;
  std::string latins;
  std::vector<Searcher::Recency> newest;  // sorted by Searcher::Newer within each run
};

class CacheReader {
 public:
  // One run of parts: the records from `from.record` to `to.record`, their bytes from
  // `from.offset` to `to.offset`.
  static bool ReadRun(std::string_view path, const Part& from, const Part& to, Loaded& out,
                      RecordStore::Slots& slots) {
    File file;
    if (!file.Open(path, File::Mode::Read)) return false;
    In in(file, from.offset, to.offset - from.offset);
    slots.cards.reserve(to.record - from.record);  // most are cards
    Part at = from;
    for (uint64_t i = from.record; i < to.record; ++i) {
      if (!ReadRecord(in, out.records[i], out.entries[i], at, out) ||
          !slots.Add(out.records[i], static_cast<int>(i)))
        return false;
      out.newest[i] = {out.records[i].recency, static_cast<uint32_t>(i)};
    }
    // The search's order, sorted here beside the other runs: only merged afterwards.
    std::sort(out.newest.begin() + static_cast<ptrdiff_t>(from.record),
              out.newest.begin() + static_cast<ptrdiff_t>(to.record), Searcher::Newer);
    return in.left() == 0 && at.signature == to.signature && at.title == to.title &&
           at.latin == to.latin;
  }

 private:
  // One record and its entry; `at` follows where its parts go in the arrays.
  static bool ReadRecord(In& in, Record& r, Searcher::Entry& e, Part& at, Loaded& out) {
    uint8_t kind = 0, flags = 0;
    int32_t number = 0, type = 0;
    uint32_t fields = 0, units = 0;
    if (!in.Get(kind) || kind > static_cast<uint8_t>(RecordKind::Card) || !in.Get(flags) ||
        !in.Get(number) || !in.Get(type) || !in.Get(r.stamp.size) || !in.Get(r.stamp.time) ||
        !in.Get(r.recency) || !in.Text(r.path) || r.path.empty() || !in.Text(r.date) ||
        !in.Get(fields))
      return false;
    r.kind = static_cast<RecordKind>(kind);
    r.live = true;
    r.number = number < 0 ? -1 : number;
    r.type = type;
    r.trimmed = flags & kTrimmed;
    r.bookmark = flags & kBookmark;
    r.indexed = flags & kIndexed;
    if (fields != FieldCount(r.kind) || fields > kMaxFields) return false;
    r.fields.resize(fields);
    size_t textBytes = 0;
    for (std::string& field : r.fields) {
      if (!in.Text(field)) return false;
      textBytes += field.size();
    }
    uint32_t titleBytes = 0;
    if (!in.Get(e.bits) || !in.Get(e.forms) || !in.Get(e.initials) || !in.Get(e.titleUnits) ||
        !in.Get(e.ascii) || !in.Get(e.pairs) || !in.Get(units) ||
        units > in.left() / sizeof(PinyinMatcher::Unit) || e.titleUnits > units)
      return false;
    // The signature's size follows from the text: one that disagrees was not made of it.
    if (e.bits != Searcher::SignatureBits(textBytes)) return false;
    e.units.resize(units);
    if (!in.Bytes(e.units.data(), units * sizeof(PinyinMatcher::Unit))) return false;
    const size_t sets =
        std::min<size_t>(pinyin::SetCount(), PinyinMatcher::kOther - PinyinMatcher::kSet);
    for (PinyinMatcher::Unit u : e.units)
      if (u >= 0x80 && u != PinyinMatcher::kOther &&
          (u < PinyinMatcher::kSet || size_t{u} - PinyinMatcher::kSet >= sets))
        return false;
    const uint64_t words = e.bits / 64;
    if (!in.Get(titleBytes) || titleBytes > out.titles.size() - at.title ||
        !in.Bytes(out.titles.data() + at.title, titleBytes) || !in.Get(e.latinBytes))
      return false;
    e.title = static_cast<uint32_t>(at.title);
    e.titleBytes = titleBytes;
    at.title += titleBytes;
    e.latin = static_cast<uint32_t>(at.latin);
    if (e.latinBytes != Searcher::kNoLatin) {
      if (e.latinBytes > out.latins.size() - at.latin ||
          !in.Bytes(out.latins.data() + at.latin, e.latinBytes))
        return false;
      at.latin += e.latinBytes;
    }
    if (words > out.signatures.size() - at.signature ||
        !in.Bytes(out.signatures.data() + at.signature, words * sizeof(uint64_t)))
      return false;
    e.signature = at.signature;
    at.signature += words;
    e.kind = r.kind;
    e.bookmark = r.bookmark;
    e.indexed = r.indexed;
    return true;
  }
};

}  // namespace

bool ReadSearchCache(std::string_view path, std::string_view key, int64_t& readAllAt,
                     RecordStore& store, Searcher& searcher) {
  if (!store.records().empty()) return false;
  File file;
  if (!file.Open(path, File::Mode::Read)) return false;
  const int64_t size = file.Size();
  if (size < static_cast<int64_t>(sizeof kMagic + sizeof(Head) + kTailSize)) return false;
  const auto end = static_cast<uint64_t>(size);
  In in(file, 0, end - kTailSize);
  char magic[sizeof kMagic];
  Head head;
  std::string name;
  if (!in.Bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 ||
      !in.Get(head) || head.format != kFormat || head.sets != pinyin::SetCount() ||
      head.syllables != pinyin::SyllableCount() || !in.Text(name) || name != key)
    return false;
  const uint64_t first = end - kTailSize - in.left();
  // The tail: the parts' table, then the end mark.
  char tail[kTailSize];
  uint64_t table = 0;
  uint32_t count = 0;
  if (file.ReadAt(end - kTailSize, tail, kTailSize) != kTailSize ||
      std::memcmp(tail + sizeof table, kEnd, sizeof kEnd) != 0)
    return false;
  std::memcpy(&table, tail, sizeof table);
  const uint64_t tableBytes = end - kTailSize - table;
  if (table < first || table > end - kTailSize || tableBytes < sizeof count ||
      file.ReadAt(table, reinterpret_cast<char*>(&count), sizeof count) != sizeof count ||
      tableBytes != sizeof count + uint64_t{count} * sizeof(Part))
    return false;
  std::vector<Part> parts(count);
  if (count > 0 && file.ReadAt(table + sizeof count, reinterpret_cast<char*>(parts.data()),
                               count * sizeof(Part)) != count * sizeof(Part))
    return false;
  // Every part where the one before ends, the last one ending at the table.
  const Part last{table, head.records, head.signatureWords, head.titleBytes, head.latinBytes};
  parts.push_back(last);
  if (parts.front().offset != first || parts.front().record != 0 || parts.front().signature != 0 ||
      parts.front().title != 0 || parts.front().latin != 0)
    return false;
  for (size_t k = 1; k < parts.size(); ++k) {
    const Part &a = parts[k - 1], &b = parts[k];
    if (b.offset <= a.offset || b.record <= a.record || b.signature < a.signature ||
        b.title < a.title || b.latin < a.latin || b.record - a.record > kPartRecords)
      return false;
  }
  // Each record takes more than 64 bytes, each word 8: sizes beyond the file are lies.
  const uint64_t bytes = table - first;
  if (head.records > bytes / 64 || head.signatureWords > bytes / 8 || head.titleBytes > bytes ||
      head.latinBytes > bytes)
    return false;

  Loaded loaded;
  // Tens of megabytes of fresh memory: made ready on two threads, half each.
  InParallel(2, [&](size_t half) {
    if (half == 0) {
      loaded.entries.resize(head.records);
      loaded.signatures.resize(head.signatureWords);
      loaded.newest.resize(head.records);
      return;
    }
    loaded.records.resize(head.records);
    loaded.titles.resize(head.titleBytes);
    loaded.latins.resize(head.latinBytes);
  });
  // A run of parts for each core, read side by side.
  const size_t runs = std::min<size_t>(Cores(), parts.size() - 1);
  std::vector<char> read(runs, 0);
  loaded.slots.resize(runs);
  const auto run = [&](size_t k) { return parts[(parts.size() - 1) * k / runs]; };
  InParallel(runs, [&](size_t k) {
    read[k] = CacheReader::ReadRun(path, run(k), run(k + 1), loaded, loaded.slots[k]);
  });
  if (std::find(read.begin(), read.end(), 0) != read.end()) return false;
  // Two records of one number or path: not a file this program wrote.
  if (!store.Adopt(std::move(loaded.records), std::move(loaded.slots))) return false;
  const auto newest = loaded.newest.begin();
  for (size_t k = 1; k < runs; ++k)
    std::inplace_merge(newest, newest + static_cast<ptrdiff_t>(run(k).record),
                       newest + static_cast<ptrdiff_t>(run(k + 1).record), Searcher::Newer);
  searcher.Adopt(std::move(loaded.entries), std::move(loaded.signatures), std::move(loaded.titles),
                 std::move(loaded.latins), loaded.newest);
  readAllAt = head.readAllAt;
  return true;
}

}  // namespace pim
