// Search over the in-memory records: text folded for letter case and width, several words
// that all must match, and pinyin for titles, names, categories, sources and keywords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_store.h"
#include "search/pinyin_match.h"

namespace pim {

enum class SearchScope { All, Cards, Notes, Contacts, Bookmarks, IndexList };

struct SearchHit {
  uint32_t slot = 0;  // in RecordStore::records()
  int tier = 1;       // 0 when the title or name matched every word
  int field = -1;     // the field of the line shown; -1 when there is no query
  size_t pos = 0;     // the first match in that field, in bytes
  size_t len = 0;
};

// The line shown for a hit, with the match's place in it.
struct SearchLine {
  std::string text;
  size_t pos = 0;
  size_t len = 0;
};

class Searcher {
 public:
  explicit Searcher(const RecordStore& store) : store_(store) {}

  // The best `limit` hits, titles and names first, then newer first; `total` gets the number
  // of all hits. An empty query lists every record of the scope. Once the list is full the
  // rest is not read: `total` is then at most that many, and `estimated` says so.
  std::vector<SearchHit> Find(std::string_view query, SearchScope scope, size_t limit,
                              size_t* total = nullptr, bool* estimated = nullptr);
  // The line of the hit's field that holds the match, cut to about `width` bytes around it.
  SearchLine MatchLine(const SearchHit& hit, size_t width) const;

 private:
  // One word of a query, folded.
  struct Word {
    std::vector<uint32_t> chars;
    std::string bytes;            // the folded characters as bytes
    std::vector<uint32_t> grams;  // signature bits it needs
    bool letters = false;         // small letters and digits only: pinyin may match it
  };
  // What the searcher keeps of each record.
  struct Entry {
    size_t signature = 0;  // first word in signatures_
    uint32_t bits = 0;     // its size in bits, a power of two; 0 for a gone record
    bool folded = true;    // folding changes none of its text
    uint32_t initials = 0;
    std::vector<PinyinMatcher::Unit> title;   // the title's units
    std::vector<PinyinMatcher::Unit> labels;  // the other labels', kOther between them
  };

  // Brings the entries up to the store's changes.
  void Sync();
  void Build(uint32_t slot);
  std::vector<Word> Parse(std::string_view query) const;
  bool InScope(const Record& record, SearchScope scope) const;
  bool MayHold(const Entry& entry, const Word& word) const;
  bool TextMatch(const Record& record, const Entry& entry, const Word& word, bool titleOnly) const;
  // Where the hit's line is: the first word's first match, in a field other than the title
  // when there is one.
  void Locate(SearchHit& hit, const std::vector<Word>& words);

  const RecordStore& store_;
  size_t synced_ = 0;  // changes taken so far
  std::vector<Entry> entries_;
  std::vector<uint64_t> signatures_;
  size_t staleWords_ = 0;        // signature words of entries built again
  std::vector<uint32_t> order_;  // every slot, newest first
  bool orderStale_ = true;
  PinyinMatcher pinyin_;
};
}  // namespace pim
