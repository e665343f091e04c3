// The searcher's entries: made from the records as they change, on every core when many
// changed, or taken as they were kept on disk.
#include <algorithm>
#include <atomic>

#include "base/threads.h"
#include "search/fold.h"
#include "search/grams.h"
#include "search/search.h"

namespace pim {

using namespace grams;

namespace {

// A text with more letters and digits than this (English) is searched whole for them.
constexpr size_t kLatinBytes = 1024;
// Changes from which the entries are made on several threads: below, starting them costs more
// than it gains.
constexpr size_t kManyChanges = 2000;

uint32_t RecordBits(const Record& record) {
  size_t bytes = 0;
  for (const std::string& field : record.fields) bytes += field.size();
  return Searcher::SignatureBits(bytes);
}

}  // namespace

uint32_t Searcher::SignatureBits(size_t textBytes) {
  // About two bits for each of the one or two grams of a character.
  return static_cast<uint32_t>((std::clamp<size_t>(textBytes * 2, 64, size_t{1} << 30) + 63) &
                               ~size_t{63});
}

void Searcher::Adopt(std::vector<Entry> entries, Words signatures, std::string titles,
                     std::string latins, const std::vector<Recency>& newest) {
  entries_ = std::move(entries);
  signatures_ = std::move(signatures);
  titles_ = std::move(titles);
  latins_ = std::move(latins);
  staleWords_ = 0;
  synced_ = store_.changes().size();
  if (newest.size() == entries_.size())
    TakeOrder(newest);
  else
    orderStale_ = true;  // sorted at the first query
}

void Searcher::TakeOrder(const std::vector<Recency>& newest) {
  order_.resize(newest.size());
  for (size_t k = 0; k < newest.size(); ++k) order_[k] = newest[k].second;
  orderStale_ = false;
}

void Searcher::Fill(const Record& record, Entry& e, uint64_t* bits, std::string& titles,
                    std::string& latins) const {
  e.kind = record.kind;
  e.bookmark = record.bookmark;
  e.indexed = record.indexed;
  // Everything the loop updates is a local: stores into the signature's words could alias the
  // entry's and the string's own fields, and the compiler would reload them after each one.
  // The runs go to a buffer of their largest kept size; past it they are dropped anyway.
  const uint32_t signature = e.bits;
  uint64_t ascii = 0;
  uint8_t forms = 0;
  char runs[kLatinBytes + 1];
  size_t count = 0;
  const auto keep = [&](char c) { runs[std::min(count++, kLatinBytes)] = c; };
  // The words were made uncleared: cleared here, on the thread that fills them.
  std::fill_n(bits, signature / 64, uint64_t{0});
  for (const std::string& field : record.fields) {
    bool run = false;  // in a run of letters and digits
    uint32_t previous = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(field.data());
    const size_t size = field.size();
    for (size_t i = 0, step = 1; i < size; i += step) {
      uint32_t c;
      const unsigned char lead = bytes[i];
      // Most characters of a Chinese text: two bytes outside the rows that fold.
      if (lead >= 0x81 && lead <= 0xFE && lead != 0xA1 && lead != fold::kFullWidthRow &&
          lead != fold::kGreekRow && lead != fold::kCyrillicRow && i + 1 < size &&
          (bytes[i + 1] < '0' || bytes[i + 1] > '9')) {
        c = uint32_t{lead} << 8 | bytes[i + 1];
        step = 2;
        if (run) keep(' ');
        run = false;
      } else {
        c = fold::CharAt(field, i, step);
        // Most characters fold to themselves: no call for them.
        if (const uint32_t raw = RawAt(field, i, step); raw != c) forms |= fold::FormOf(raw, c);
        const uint64_t bit = AsciiBit(c);
        ascii |= bit;
        if (bit)
          keep(static_cast<char>(c));
        else if (run)
          keep(' ');
        run = bit != 0;
      }
      const size_t one = BitOf(CharGram(c), signature);
      bits[one >> 6] |= uint64_t{1} << (one & 63);
      if (previous) {
        const size_t two = BitOf(PairGram(previous, c), signature);
        bits[two >> 6] |= uint64_t{1} << (two & 63);
      }
      previous = c;
    }
    if (run) keep(' ');
  }
  e.ascii = ascii;
  e.forms = forms;
  if (count > kLatinBytes) {
    e.latinBytes = kNoLatin;
  } else {
    e.latinBytes = static_cast<uint32_t>(count);
    latins.append(runs, count);
  }
  const std::string_view title = record.Title();
  const size_t start = titles.size();
  for (size_t i = 0, size = 1; i < title.size(); i += size)
    fold::AppendChar(titles, fold::CharAt(title, i, size));
  e.titleBytes = static_cast<uint32_t>(titles.size() - start);
  pinyin_.UnitsOf(title, e.units);
  e.titleUnits = static_cast<uint32_t>(e.units.size());
  for (int field : LayoutOf(record.kind).labels) {
    e.units.push_back(PinyinMatcher::kOther);
    pinyin_.UnitsOf(record.fields[field], e.units);
  }
  e.units.shrink_to_fit();
  e.initials = pinyin_.Initials(e.units);
  e.pairs = pinyin_.Pairs(e.units);
}

void Searcher::Build(uint32_t slot) {
  Entry& e = entries_[slot];
  staleWords_ += e.bits / 64;
  e = {};
  const Record& record = store_.records()[slot];
  if (!record.live) return;
  e.bits = RecordBits(record);
  e.signature = signatures_.size();
  signatures_.resize(signatures_.size() + e.bits / 64);
  e.title = static_cast<uint32_t>(titles_.size());
  e.latin = static_cast<uint32_t>(latins_.size());
  Fill(record, e, signatures_.data() + e.signature, titles_, latins_);
}

void Searcher::BuildOnThreads(unsigned threads) {
  const std::vector<Record>& records = store_.records();
  // A slot changed twice is built once, at its last change.
  std::vector<uint32_t> slots;
  slots.reserve(changes_.size());
  std::vector<bool> seen(entries_.size());
  for (size_t k = changes_.size(); k-- > 0;)
    if (!seen[changes_[k]]) {
      seen[changes_[k]] = true;
      slots.push_back(changes_[k]);
    }
  std::reverse(slots.begin(), slots.end());
  // Each entry is made in place, on any thread, its signature at the offset a build one by one
  // would give it, its title and runs in its piece's own texts, put in order here afterwards:
  // the arrays come out the same however many threads made them.
  size_t words = signatures_.size();
  for (uint32_t slot : slots) {
    Entry& e = entries_[slot];
    staleWords_ += e.bits / 64;
    e = {};
    if (!records[slot].live) continue;
    e.bits = RecordBits(records[slot]);
    e.signature = words;
    words += e.bits / 64;
  }
  signatures_.reserve(words);  // exactly: a resize alone could double the room
  signatures_.resize(words);
  constexpr size_t kPiece = 512;
  const size_t pieces = (slots.size() + kPiece - 1) / kPiece;
  std::vector<std::string> titles(pieces), latins(pieces);
  std::atomic<size_t> next = 0;
  InParallel(threads, [&](size_t) {
    for (size_t piece; (piece = next.fetch_add(1)) < pieces;)
      for (size_t k = piece * kPiece; k < std::min(slots.size(), (piece + 1) * kPiece); ++k)
        if (Entry& e = entries_[slots[k]]; e.bits)
          Fill(records[slots[k]], e, signatures_.data() + e.signature, titles[piece],
               latins[piece]);
  });
  size_t title = 0, latin = 0;  // in the piece's texts, which follow each other as their entries do
  for (size_t k = 0; k < slots.size(); ++k) {
    if (k % kPiece == 0) title = latin = 0;
    Entry& e = entries_[slots[k]];
    if (!e.bits) continue;
    e.title = static_cast<uint32_t>(titles_.size());
    titles_.append(titles[k / kPiece], title, e.titleBytes);
    title += e.titleBytes;
    e.latin = static_cast<uint32_t>(latins_.size());
    if (e.latinBytes == kNoLatin) continue;
    latins_.append(latins[k / kPiece], latin, e.latinBytes);
    latin += e.latinBytes;
  }
}

void Searcher::Sync() {
  const std::vector<Record>& records = store_.records();
  const std::vector<uint32_t>& changes = store_.changes();
  if (synced_ == changes.size()) return;
  entries_.resize(records.size());
  orderStale_ = true;
  // What is built again leaves its old signature and title behind; once that is most of
  // them, everything is built afresh.
  size_t from = synced_;
  if (staleWords_ > (1u << 20) && staleWords_ > signatures_.size() / 2) {
    signatures_.clear();
    titles_.clear();
    latins_.clear();
    staleWords_ = 0;
    for (Entry& e : entries_) e.bits = 0;
    changes_.clear();
    for (uint32_t slot = 0; slot < records.size(); ++slot) changes_.push_back(slot);
  } else {
    changes_.assign(changes.begin() + static_cast<ptrdiff_t>(from), changes.end());
  }
  synced_ = changes.size();
  // Many at once (the first search, a scan of everything) are made on every core.
  if (changes_.size() >= kManyChanges && Cores() > 1) {
    BuildOnThreads(Cores());
  } else {
    // Reserved at once: grown step by step, the array would hold twice its size for a while.
    size_t words = 0;
    for (uint32_t slot : changes_)
      if (records[slot].live) words += RecordBits(records[slot]) / 64;
    signatures_.reserve(signatures_.size() + words);
    for (uint32_t slot : changes_) Build(slot);
  }
  changes_.clear();
  changes_.shrink_to_fit();
}

}  // namespace pim
