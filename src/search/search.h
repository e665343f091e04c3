// Search over the in-memory records: text folded for letter case and width, several words
// that all must match, and pinyin for titles, names, categories, sources and keywords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/record_store.h"
#include "search/pinyin_match.h"

namespace pim {

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

// Makes a vector's new elements without clearing them: each of the searcher's fillers writes
// every word of its own, on the thread that fills it.
template <typename T>
struct Uncleared : std::allocator<T> {
  Uncleared() = default;
  template <typename U>
  Uncleared(const Uncleared<U>&) noexcept {}
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

class Searcher {
 public:
  // The cache on disk writes and takes back the entries as they are.
  friend bool WriteSearchCache(std::string_view, std::string_view, int64_t, const RecordStore&,
                               Searcher&);
  friend bool ReadSearchCache(std::string_view, std::string_view, int64_t&, RecordStore&,
                              Searcher&);

  explicit Searcher(const RecordStore& store) : store_(store) {}

  // The best `limit` hits, titles and names first, then newer first; `total` gets the number
  // of all hits. An empty query lists every record of the scope. Once the list is full the
  // rest is not read: `total` is then at most that many, and `estimated` says so.
  std::vector<SearchHit> Find(std::string_view query, SearchScope scope, size_t limit,
                              size_t* total = nullptr, bool* estimated = nullptr);
  // The line of the hit's field that holds the match, cut to about `width` bytes around it.
  SearchLine MatchLine(const SearchHit& hit, size_t width) const;
  // The size of a record's signature, by the bytes of its text.
  static uint32_t SignatureBits(size_t textBytes);

  static constexpr uint32_t kNoLatin = 0xFFFFFFFF;
  // Every record's signature, one after another.
  using Words = std::vector<uint64_t, Uncleared<uint64_t>>;
  // A record's recency and slot. The search's order is newest first, and of two as new the
  // later slot first: sorted by this, wherever it is sorted.
  using Recency = std::pair<int64_t, uint32_t>;
  static bool Newer(const Recency& a, const Recency& b) { return a > b; }

  // What the searcher keeps of each record, apart from it, so that a query runs over small
  // arrays and reads a record's own texts only where they may hold a word; the cache on
  // disk keeps it too.
  struct Entry {
    size_t signature = 0;  // first word in signatures_
    uint32_t bits = 0;     // the signature's size in bits; 0 for a gone record
    uint32_t title = 0;    // the folded title in titles_
    uint32_t titleBytes = 0;
    uint32_t titleUnits = 0;  // units: the title's first, then the other labels'
    uint32_t initials = 0;    // the letters a pinyin match may start with
    RecordKind kind = RecordKind::Note;
    bool bookmark = false;
    bool indexed = false;
    uint8_t forms = 0;   // the kinds of characters folding changes that its text holds
    uint64_t ascii = 0;  // the letters and digits its text holds, folded: bits by AsciiBit
    uint64_t pairs = 0;  // PinyinMatcher::Pairs of the units
    // Its runs of letters and digits, folded, each followed by a blank, in latins_: a word of
    // letters and digits is looked for there instead of in the whole text. kNoLatin when the
    // text holds too many to keep.
    uint32_t latin = 0;
    uint32_t latinBytes = 0;
    std::vector<PinyinMatcher::Unit> units;
  };

 private:
  // One word of a query, folded.
  struct Word {
    std::vector<uint32_t> chars;
    std::string bytes;            // the folded characters as bytes
    std::vector<uint32_t> grams;  // signature bits it needs
    bool letters = false;         // small letters and digits only: pinyin may match it
    uint8_t forms = 0;            // the forms its characters may have in a text
    uint64_t ascii = 0;           // the letters and digits a text must hold for it
    uint64_t pairs = 0;           // PinyinMatcher::PairsNeeded, when it has letters only
  };

  // Brings the entries up to the store's changes.
  void Sync();
  // Entries kept from an earlier run, one for each of the store's slots as adopted, and every
  // slot sorted by Newer.
  void Adopt(std::vector<Entry> entries, Words signatures, std::string titles, std::string latins,
             const std::vector<Recency>& newest);
  // The order of the queries from every slot sorted by Newer.
  void TakeOrder(const std::vector<Recency>& newest);
  void Build(uint32_t slot);
  // The same for every slot of changes_, on `threads` threads.
  void BuildOnThreads(unsigned threads);
  // An entry's own parts from its record: all but where its signature, title and runs of
  // letters sit. The signature's bits go to `bits`, its folded title is appended to `titles`,
  // its runs to `latins`. Safe on several threads at once.
  void Fill(const Record& record, Entry& entry, uint64_t* bits, std::string& titles,
            std::string& latins) const;
  std::vector<Word> Parse(std::string_view query) const;
  static bool InScope(const Entry& entry, SearchScope scope);
  bool MayHold(const Entry& entry, const Word& word) const;
  bool TitleHolds(const Entry& entry, const Word& word) const;
  // Whether the text holds a word of letters and digits, when the entry knows it exactly.
  std::optional<bool> LatinHolds(const Entry& entry, const Word& word) const;
  enum class Pinyin { None, Title, Label };
  Pinyin PinyinMatch(const Entry& entry, const Word& word) const;
  // The whole check, on the record's own texts.
  bool Holds(const Record& record, const Entry& entry, const Word& word) const;
  // Where the hit's line is: the first word's first match, in a field other than the title
  // when there is one.
  void Locate(SearchHit& hit, const std::vector<Word>& words);

  const RecordStore& store_;
  size_t synced_ = 0;  // changes taken so far
  std::vector<Entry> entries_;
  Words signatures_;
  std::string titles_;             // every title, folded
  std::string latins_;             // every record's runs of letters and digits
  size_t staleWords_ = 0;          // signature words of entries built again
  std::vector<uint32_t> order_;    // every slot, newest first
  std::vector<uint32_t> changes_;  // the slots to build at this sync
  bool orderStale_ = true;
  PinyinMatcher pinyin_;
};
}  // namespace pim
