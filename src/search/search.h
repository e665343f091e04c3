// Search over the in-memory records: text folded for letter case and width, several words
// that all must match, and pinyin for titles, names, categories, sources and keywords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_store.h"

namespace pim {

enum class SearchScope { All, Cards, Notes, Contacts, Bookmarks, IndexList };

struct SearchHit {
  uint32_t slot = 0;   // in RecordStore::records()
  int tier = 1;        // 0 when the title or name matched every word
  int field = -1;      // the field of the line shown; -1 when there is no query
  size_t pos = 0;      // the first match in that field, in bytes
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
  // of all hits. An empty query lists every record of the scope.
  std::vector<SearchHit> Find(std::string_view query, SearchScope scope, size_t limit,
                              size_t* total = nullptr);
  // The line of the hit's field that holds the match, cut to about `width` bytes around it.
  SearchLine MatchLine(const SearchHit& hit, size_t width) const;

 private:
  const RecordStore& store_;
};

}  // namespace pim
