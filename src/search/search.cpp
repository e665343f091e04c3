#include "search/search.h"

#include <algorithm>
#include <bit>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "search/fold.h"

namespace pim {

namespace {

// A query longer than this is cut at a character: nobody types more, and a paste of a whole
// file must not cost more than a short one.
constexpr size_t kQueryBytes = 1024;
constexpr size_t kWords = 16;
constexpr size_t kPinyinLetters = 64;

uint32_t Mix(uint64_t x) { return static_cast<uint32_t>((x * 0x9E3779B97F4A7C15ull) >> 32); }
uint32_t CharGram(uint32_t c) { return Mix(c); }
uint32_t PairGram(uint32_t a, uint32_t b) { return Mix(uint64_t{a} << 32 | b); }

// The bytes of the character at `i` packed as fold::CharAt packs a folded one.
uint32_t RawAt(std::string_view text, size_t i, size_t size) {
  uint32_t code = 0;
  for (size_t k = 0; k < size; ++k) code = code << 8 | static_cast<unsigned char>(text[i + k]);
  return code;
}

bool IsSpace(uint32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The field whose lines are shown when there is no query.
int ContentField(RecordKind kind) {
  switch (kind) {
    case RecordKind::Note:
      return kNoteText;
    case RecordKind::Contact:
      return kContactNote;
    case RecordKind::Card:
      return kCardContent;
  }
  return 0;
}

int TitleField(RecordKind kind) {
  switch (kind) {
    case RecordKind::Note:
      return kNoteText;
    case RecordKind::Contact:
      return kContactName;
    case RecordKind::Card:
      return kCardTitle;
  }
  return 0;
}

// The fields, besides the title, that also match by pinyin.
std::span<const int> LabelFields(RecordKind kind) {
  static constexpr int kNote[] = {kNoteType};
  static constexpr int kContact[] = {kContactClass};
  static constexpr int kCard[] = {kCardClass, kCardSource, kCardKeyword};
  switch (kind) {
    case RecordKind::Note:
      return kNote;
    case RecordKind::Contact:
      return kContact;
    case RecordKind::Card:
      return kCard;
  }
  return {};
}

// The byte length of `count` characters from `pos`.
size_t CharsLength(std::string_view text, size_t pos, size_t count) {
  size_t end = pos;
  for (size_t k = 0; k < count && end < text.size(); ++k) end += GbCharSize(text, end);
  return end - pos;
}

}  // namespace

std::vector<Searcher::Word> Searcher::Parse(std::string_view query) const {
  std::vector<Word> words;
  Word word;
  const auto finish = [&] {
    if (word.chars.empty()) return;
    word.letters = word.chars.size() <= kPinyinLetters &&
                   std::all_of(word.chars.begin(), word.chars.end(), [](uint32_t c) {
                     return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
                   });
    if (words.size() < kWords) words.push_back(std::move(word));
    word = {};
  };
  for (size_t i = 0, size = 1; i < query.size() && i < kQueryBytes; i += size) {
    const uint32_t c = fold::CharAt(query, i, size);
    if (i + size > kQueryBytes) break;
    if (IsSpace(c)) {
      finish();
      continue;
    }
    word.grams.push_back(CharGram(c));
    if (!word.chars.empty()) word.grams.push_back(PairGram(word.chars.back(), c));
    word.chars.push_back(c);
    fold::AppendChar(word.bytes, c);
  }
  finish();
  return words;
}

void Searcher::Build(uint32_t slot) {
  Entry& e = entries_[slot];
  staleWords_ += e.bits / 64;
  e = {};
  const Record& record = store_.records()[slot];
  if (!record.live) return;
  size_t bytes = 0;
  for (const std::string& field : record.fields) bytes += field.size();
  e.bits = std::bit_ceil(static_cast<uint32_t>(std::clamp<size_t>(bytes * 2, 64, 1u << 20)));
  e.signature = signatures_.size();
  signatures_.resize(signatures_.size() + e.bits / 64);
  uint64_t* bits = signatures_.data() + e.signature;
  const uint32_t mask = e.bits - 1;
  const auto set = [&](uint32_t gram) { bits[(gram & mask) >> 6] |= uint64_t{1} << (gram & 63); };
  for (const std::string& field : record.fields) {
    uint32_t previous = 0;
    for (size_t i = 0, size = 1; i < field.size(); i += size) {
      const uint32_t c = fold::CharAt(field, i, size);
      if (c != RawAt(field, i, size)) e.folded = false;
      set(CharGram(c));
      if (previous) set(PairGram(previous, c));
      previous = c;
    }
  }
  pinyin_.UnitsOf(record.Title(), e.title);
  for (int field : LabelFields(record.kind)) {
    if (!e.labels.empty()) e.labels.push_back(PinyinMatcher::kOther);
    pinyin_.UnitsOf(record.fields[field], e.labels);
  }
  e.initials = pinyin_.Initials(e.title) | pinyin_.Initials(e.labels);
}

void Searcher::Sync() {
  const std::vector<Record>& records = store_.records();
  const std::vector<uint32_t>& changes = store_.changes();
  if (synced_ == changes.size()) return;
  entries_.resize(records.size());
  // Signatures of records built again are left behind; once they are most of the store,
  // everything is built afresh.
  if (staleWords_ > (1u << 20) && staleWords_ > signatures_.size() / 2) {
    signatures_.clear();
    staleWords_ = 0;
    for (Entry& e : entries_) e.bits = 0;
    for (uint32_t slot = 0; slot < records.size(); ++slot) Build(slot);
    synced_ = changes.size();
    orderStale_ = true;
    return;
  }
  for (; synced_ < changes.size(); ++synced_) Build(changes[synced_]);
  orderStale_ = true;
}

bool Searcher::InScope(const Record& record, SearchScope scope) const {
  switch (scope) {
    case SearchScope::All:
      return true;
    case SearchScope::Cards:
      return record.kind == RecordKind::Card;
    case SearchScope::Notes:
      return record.kind == RecordKind::Note;
    case SearchScope::Contacts:
      return record.kind == RecordKind::Contact;
    case SearchScope::Bookmarks:
      return record.kind == RecordKind::Card && record.bookmark;
    case SearchScope::IndexList:
      return record.kind == RecordKind::Card && record.indexed;
  }
  return false;
}

bool Searcher::MayHold(const Entry& entry, const Word& word) const {
  if (entry.bits == 0) return false;
  const uint64_t* bits = signatures_.data() + entry.signature;
  const uint32_t mask = entry.bits - 1;
  for (uint32_t gram : word.grams)
    if (!(bits[(gram & mask) >> 6] & (uint64_t{1} << (gram & 63)))) return false;
  return true;
}

bool Searcher::TextMatch(const Record& record, const Entry& entry, const Word& word,
                         bool titleOnly) const {
  if (titleOnly)
    return fold::Find(record.Title(), word.chars, word.bytes, entry.folded) != std::string::npos;
  for (const std::string& field : record.fields)
    if (fold::Find(field, word.chars, word.bytes, entry.folded) != std::string::npos) return true;
  return false;
}

std::vector<SearchHit> Searcher::Find(std::string_view query, SearchScope scope, size_t limit,
                                      size_t* total, bool* estimated) {
  Sync();
  const std::vector<Word> words = Parse(query);
  const std::vector<Record>& records = store_.records();
  if (orderStale_) {
    order_.resize(records.size());
    for (uint32_t slot = 0; slot < records.size(); ++slot) order_[slot] = slot;
    std::sort(order_.begin(), order_.end(), [&](uint32_t a, uint32_t b) {
      const int64_t ra = records[a].recency, rb = records[b].recency;
      return ra != rb ? ra > rb : a > b;
    });
    orderStale_ = false;
  }
  // Titles first: every record whose title holds all words is a hit; the others that may
  // hold them are looked at newest first, until the list is full.
  std::vector<SearchHit> hits;
  std::vector<uint8_t> maybe(records.size());
  size_t candidates = 0;
  for (uint32_t slot = 0; slot < records.size(); ++slot) {
    const Record& record = records[slot];
    if (!record.live || !InScope(record, scope)) continue;
    const Entry& e = entries_[slot];
    bool inTitle = !words.empty(), possible = true;
    for (const Word& w : words) {
      const bool text = MayHold(e, w);
      const bool pinyin = w.letters && w.chars[0] >= 'a' && (e.initials >> (w.chars[0] - 'a') & 1);
      if (!text && !pinyin) {
        possible = false;
        break;
      }
      inTitle = inTitle && ((text && TextMatch(record, e, w, true)) ||
                            (pinyin && pinyin_.Match(e.title, w.bytes)));
    }
    if (!possible) continue;
    if (inTitle) {
      hits.push_back({slot, 0});
    } else {
      maybe[slot] = 1;
      ++candidates;
    }
  }
  for (uint32_t slot : order_) {
    if (!maybe[slot]) continue;
    if (hits.size() >= limit) break;
    --candidates;
    const Record& record = records[slot];
    const Entry& e = entries_[slot];
    const bool all = std::all_of(words.begin(), words.end(), [&](const Word& w) {
      return (w.letters && (pinyin_.Match(e.labels, w.bytes) || pinyin_.Match(e.title, w.bytes))) ||
             (MayHold(e, w) && TextMatch(record, e, w, false));
    });
    if (all) hits.push_back({slot, 1});
  }
  // Cut short, the records not looked at may hold the words: the count is at most this.
  if (total) *total = hits.size() + candidates;
  if (estimated) *estimated = candidates > 0 && !words.empty();
  const auto better = [&](const SearchHit& a, const SearchHit& b) {
    if (a.tier != b.tier) return a.tier < b.tier;
    const int64_t ra = records[a.slot].recency, rb = records[b.slot].recency;
    return ra != rb ? ra > rb : a.slot > b.slot;
  };
  const size_t kept = std::min(limit, hits.size());
  std::partial_sort(hits.begin(), hits.begin() + static_cast<ptrdiff_t>(kept), hits.end(), better);
  hits.resize(kept);
  for (SearchHit& hit : hits) Locate(hit, words);
  return hits;
}

void Searcher::Locate(SearchHit& hit, const std::vector<Word>& words) {
  if (words.empty()) return;
  const Record& record = store_.records()[hit.slot];
  const Entry& e = entries_[hit.slot];
  const Word& w = words.front();
  const auto at = [&](int f, size_t pos, size_t len) {
    hit.field = f;
    hit.pos = pos;
    hit.len = len;
  };
  // A title has a column of its own, so its field comes last; a note's title is its first line.
  const int titleField = TitleField(record.kind);
  const bool ownTitle = record.kind != RecordKind::Note;
  const int count = static_cast<int>(record.fields.size());
  for (int k = 0; k <= count; ++k) {
    const int f = k < count ? k : titleField;
    if (ownTitle && (f == titleField) != (k == count)) continue;
    if (!ownTitle && k == count) break;
    const std::string& field = record.fields[f];
    if (const size_t pos = fold::Find(field, w.chars, w.bytes, e.folded); pos != std::string::npos)
      return at(f, pos, CharsLength(field, pos, w.chars.size()));
  }
  if (!w.letters) return;
  // A pinyin match: in the title first, then in the other labels.
  std::vector<std::pair<int, std::string_view>> labels = {{titleField, record.Title()}};
  for (int f : LabelFields(record.kind)) labels.emplace_back(f, record.fields[f]);
  for (const auto& [f, text] : labels) {
    std::vector<PinyinMatcher::Unit> units;
    std::vector<size_t> starts;
    pinyin_.UnitsOf(text, units, &starts);
    size_t first = 0, last = 0;
    if (!pinyin_.Match(units, w.bytes, &first, &last)) continue;
    const size_t offset = static_cast<size_t>(text.data() - record.fields[f].data());
    return at(f, offset + starts[first], starts[last] - starts[first]);
  }
}

SearchLine Searcher::MatchLine(const SearchHit& hit, size_t width) const {
  const Record& record = store_.records()[hit.slot];
  SearchLine line;
  if (record.fields.empty()) return line;
  const int f = hit.field >= 0 ? hit.field : ContentField(record.kind);
  const std::string_view text = record.fields[f];
  size_t pos = hit.field >= 0 ? std::min(hit.pos, text.size()) : 0;
  size_t len = hit.field >= 0 ? std::min(hit.len, text.size() - pos) : 0;
  if (hit.field < 0) pos = std::min(text.find_first_not_of(" \t\r\n"), text.size());
  const size_t lineStart = text.find_last_of("\r\n", pos == 0 ? 0 : pos - 1);
  size_t start = lineStart == std::string_view::npos || pos == 0 ? 0 : lineStart + 1;
  if (hit.field < 0) start = pos;
  size_t end = text.find_first_of("\r\n", pos + len);
  if (end == std::string_view::npos) end = text.size();
  // Around the match, cut at characters.
  size_t from = start;
  const size_t lead = width / 3;
  while (pos > lead && from + GbCharSize(text, from) <= pos - lead) from += GbCharSize(text, from);
  size_t to = from;
  while (to < end && (to - from + GbCharSize(text, to) <= width || to < pos + len))
    to += GbCharSize(text, to);
  const std::string ellipsis = Gb("…");
  if (from > start) line.text = ellipsis;
  line.pos = line.text.size() + (pos - from);
  line.len = len;
  line.text.append(text.substr(from, to - from));
  if (to < end) line.text += ellipsis;
  for (char& c : line.text)
    if (c == '\t') c = ' ';
  if (hit.field < 0) line.pos = line.len = 0;
  return line;
}

}  // namespace pim
