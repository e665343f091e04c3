// A list of datum\ and a sync service's copy of it, joined without asking, so that two
// computers doing the same merge reach the same bytes: entries joined by path with the
// original's order first, the larger card counter, and every card the trimmed index holds
// dropped from the untrimmed index, so a trim on one side is never undone.
#pragma once

#include <string_view>

namespace pim {

enum class ListMerge {
  Merged,      // the original holds both; the copy may go
  Refused,     // joined, the categories or sources would pass 100: nothing was written
  Unreadable,  // either could not be read whole, or the original not written: nothing changed
};

// `list` is a list name of datum\ ("class.list", …), `original` its data path and `copy` the
// data path of the copy beside it. The original is rewritten only when the join adds to it.
ListMerge MergeList(std::string_view list, std::string_view original, std::string_view copy);

}  // namespace pim
