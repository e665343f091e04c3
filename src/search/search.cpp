#include "search/search.h"

#include <algorithm>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "search/fold.h"
#include "search/grams.h"

namespace pim {

using namespace grams;

namespace {

// A query longer than this is cut at a character: nobody types more, and a paste of a whole
// file must not cost more than a short one.
constexpr size_t kQueryBytes = 1024;
constexpr size_t kWords = 16;
constexpr size_t kPinyinLetters = 64;

bool IsSpace(uint32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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
    if (word.letters) word.pairs = pinyin_.PairsNeeded(word.bytes);
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
    word.forms |= fold::FormsOf(c);
    word.ascii |= AsciiBit(c);
    fold::AppendChar(word.bytes, c);
  }
  finish();
  return words;
}

bool Searcher::InScope(const Entry& entry, SearchScope scope) {
  switch (scope) {
    case SearchScope::All:
      return true;
    case SearchScope::Cards:
      return entry.kind == RecordKind::Card;
    case SearchScope::Notes:
      return entry.kind == RecordKind::Note;
    case SearchScope::Contacts:
      return entry.kind == RecordKind::Contact;
    case SearchScope::Bookmarks:
      return entry.kind == RecordKind::Card && entry.bookmark;
    case SearchScope::IndexList:
      return entry.kind == RecordKind::Card && entry.indexed;
  }
  return false;
}

bool Searcher::MayHold(const Entry& entry, const Word& word) const {
  // The letters first: they are in the entry, the signature is elsewhere in memory.
  if (entry.bits == 0 || (entry.ascii & word.ascii) != word.ascii) return false;
  const uint64_t* bits = signatures_.data() + entry.signature;
  for (uint32_t gram : word.grams) {
    const size_t bit = BitOf(gram, entry.bits);
    if (!(bits[bit >> 6] & (uint64_t{1} << (bit & 63)))) return false;
  }
  return true;
}

bool Searcher::TitleHolds(const Entry& entry, const Word& word) const {
  const std::string_view title(titles_.data() + entry.title, entry.titleBytes);
  return fold::Find(title, word.chars, word.bytes, 0) != std::string_view::npos;
}

std::optional<bool> Searcher::LatinHolds(const Entry& entry, const Word& word) const {
  if (!word.letters || entry.latinBytes == kNoLatin) return std::nullopt;
  const std::string_view latin(latins_.data() + entry.latin, entry.latinBytes);
  return latin.find(word.bytes) != std::string_view::npos;
}

Searcher::Pinyin Searcher::PinyinMatch(const Entry& entry, const Word& word) const {
  if (!word.letters || word.chars[0] < 'a' || !(entry.initials >> (word.chars[0] - 'a') & 1) ||
      (word.pairs && !(entry.pairs & word.pairs)))
    return Pinyin::None;
  // One walk over the title and the labels: no match crosses from one into the next, and the
  // title comes first.
  size_t first = 0;
  if (!pinyin_.Match(entry.units, word.bytes, &first)) return Pinyin::None;
  return first < entry.titleUnits ? Pinyin::Title : Pinyin::Label;
}

bool Searcher::Holds(const Record& record, const Entry& entry, const Word& word) const {
  if (PinyinMatch(entry, word) != Pinyin::None) return true;
  if (!MayHold(entry, word)) return false;
  if (const std::optional<bool> latin = LatinHolds(entry, word)) return *latin;
  for (const std::string& field : record.fields)
    if (fold::Find(field, word.chars, word.bytes, entry.forms & word.forms) != std::string::npos)
      return true;
  return false;
}

std::vector<SearchHit> Searcher::Find(std::string_view query, SearchScope scope, size_t limit,
                                      size_t* total, bool* estimated) {
  Sync();
  const std::vector<Word> words = Parse(query);
  const std::vector<Record>& records = store_.records();
  if (orderStale_) {
    // Sorted beside their recency: looked up in the records, each comparison missed the cache.
    std::vector<Recency> newest(records.size());
    for (uint32_t slot = 0; slot < records.size(); ++slot)
      newest[slot] = {records[slot].recency, slot};
    std::sort(newest.begin(), newest.end(), Newer);
    TakeOrder(newest);
  }
  // Titles first: a record whose title holds every word is a hit at once, as is one whose
  // labels hold the rest by pinyin. Records whose texts may hold a word are read newest
  // first, together with those hits, until the list is full.
  enum : uint8_t { kNo, kHit, kMaybe };
  std::vector<SearchHit> hits;
  std::vector<uint8_t> later(entries_.size(), kNo);
  size_t pending = 0, unread = 0;
  for (uint32_t slot = 0; slot < entries_.size(); ++slot) {
    const Entry& e = entries_[slot];
    if (e.bits == 0 || !InScope(e, scope)) continue;
    bool inTitle = !words.empty(), known = true, possible = true;
    for (const Word& w : words) {
      const bool text = MayHold(e, w);
      if (text && TitleHolds(e, w)) continue;
      const Pinyin pinyin = PinyinMatch(e, w);
      if (pinyin == Pinyin::Title) continue;
      inTitle = false;
      if (pinyin == Pinyin::Label) continue;
      possible = text;
      if (!possible) break;
      if (const std::optional<bool> latin = LatinHolds(e, w)) {
        possible = *latin;
        if (!possible) break;
        continue;
      }
      known = false;
    }
    if (!possible) continue;
    if (inTitle) {
      hits.push_back({slot, 0});
      continue;
    }
    later[slot] = known ? kHit : kMaybe;
    ++(known ? pending : unread);
  }
  for (uint32_t slot : order_) {
    if (hits.size() >= limit) break;
    if (slot >= later.size() || later[slot] == kNo) continue;
    if (later[slot] == kHit) {
      --pending;
      hits.push_back({slot, 1});
      continue;
    }
    --unread;
    const Entry& e = entries_[slot];
    if (std::all_of(words.begin(), words.end(),
                    [&](const Word& w) { return Holds(records[slot], e, w); }))
      hits.push_back({slot, 1});
  }
  // Cut short, the records not read may hold the words: the count is at most this.
  if (total) *total = hits.size() + pending + unread;
  if (estimated) *estimated = unread > 0;
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
  const int titleField = LayoutOf(record.kind).title;
  const bool ownTitle = record.kind != RecordKind::Note;
  const int count = static_cast<int>(record.fields.size());
  for (int k = 0; k <= count; ++k) {
    const int f = k < count ? k : titleField;
    if (ownTitle && (f == titleField) != (k == count)) continue;
    if (!ownTitle && k == count) break;
    const std::string& field = record.fields[f];
    if (const size_t pos = fold::Find(field, w.chars, w.bytes, e.forms & w.forms);
        pos != std::string::npos)
      return at(f, pos, CharsLength(field, pos, w.chars.size()));
  }
  if (!w.letters) return;
  // A pinyin match: in the title first, then in the other labels.
  std::vector<std::pair<int, std::string_view>> labels = {{titleField, record.Title()}};
  for (int f : LayoutOf(record.kind).labels) labels.emplace_back(f, record.fields[f]);
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
  const int f = hit.field >= 0 ? hit.field : LayoutOf(record.kind).content;
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
  // `from` may stand at the end itself (a field of blanks alone), where no character starts.
  while (from < pos && pos > lead && from + GbCharSize(text, from) <= pos - lead)
    from += GbCharSize(text, from);
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
