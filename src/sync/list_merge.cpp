#include "sync/list_merge.h"

#include <set>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gbk.h"
#include "base/prompter.h"
#include "config/config_file.h"
#include "datum/datum_capture.h"
#include "datum/datum_store.h"

namespace pim {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// Every link of a line index, or false when it cannot be read whole.
bool ReadLinks(std::string_view path, std::vector<IndexEntry>& links) {
  SilentPrompter silent;
  bool whole = false;
  const bool read = ForEachIndexLink(
      path, silent,
      [&links](const LineIndexRecord& r) {
        links.push_back({r.name, r.url, r.date, r.class_, r.linkKeyword, r.source});
      },
      &whole);
  return read && whole;
}

ListMerge MergeIndex(std::string_view list, std::string_view original, std::string_view copy) {
  std::vector<IndexEntry> ours, theirs;
  if (!ReadLinks(original, ours) || !ReadLinks(copy, theirs)) return ListMerge::Unreadable;
  std::set<std::string> urls;
  for (const IndexEntry& e : ours) urls.insert(e.url);
  std::vector<IndexEntry> added;
  for (const IndexEntry& e : theirs)
    if (urls.insert(e.url).second) added.push_back(e);
  if (!SameName(list, "lineindex.untrim.list"))
    return added.empty() || AppendToIndex(original, added) ? ListMerge::Merged
                                                           : ListMerge::Unreadable;
  // The untrimmed index is written whole, without the cards trimmed meanwhile.
  std::vector<IndexEntry> trimmed;
  if (FileExists(kTrimmedIndexPath) && !ReadLinks(kTrimmedIndexPath, trimmed))
    return ListMerge::Unreadable;
  std::set<std::string> done;
  for (const IndexEntry& e : trimmed) done.insert(e.url);
  std::vector<IndexEntry> joined;
  for (const auto* part : {&ours, &added})
    for (const IndexEntry& e : *part)
      if (!done.contains(e.url)) joined.push_back(e);
  if (joined == ours) return ListMerge::Merged;
  return WriteUntrimmedIndex(joined) ? ListMerge::Merged : ListMerge::Unreadable;
}

// class.list (names and paths) or source.list (names): the copy's names the original lacks
// take the next slots.
ListMerge MergeNames(bool withPaths, std::string_view original, std::string_view copy) {
  CConfigFile ours, theirs;
  if (ours.Load(original) != 1 || theirs.Load(copy) != 1) return ListMerge::Unreadable;
  const auto count = [](const CConfigFile& file) {
    int32_t n = 0;
    ScanInt(file.GetValue("count"), n);
    return n < 0 ? 0 : n > kDatumTableSize ? kDatumTableSize : n;
  };
  std::set<std::string> names;
  int n = count(ours);
  for (int i = 0; i < n; ++i) names.insert(ours.GetValue(Format("name%d", i)));
  bool added = false;
  for (int i = 0, theirCount = count(theirs); i < theirCount; ++i) {
    const std::string name = theirs.GetValue(Format("name%d", i));
    if (!names.insert(name).second) continue;
    if (n == kDatumTableSize) return ListMerge::Refused;
    if (ours.SetValue(Format("name%d", n), name) != 1 ||
        (withPaths &&
         ours.SetValue(Format("path%d", n), theirs.GetValue(Format("path%d", i))) != 1))
      return ListMerge::Unreadable;  // a slot key the file lacks
    ++n;
    added = true;
  }
  if (!added) return ListMerge::Merged;
  return ours.SetValue("count", Format("%d", n)) == 1 && ours.Save() == 1 ? ListMerge::Merged
                                                                          : ListMerge::Unreadable;
}

ListMerge MergeCounter(std::string_view original, std::string_view copy) {
  CConfigFile ours, theirs;
  if (ours.Load(original) != 1 || theirs.Load(copy) != 1) return ListMerge::Unreadable;
  int32_t mine = 0, other = 0;
  ScanInt(ours.GetValue("id"), mine);
  ScanInt(theirs.GetValue("id"), other);
  if (other <= mine) return ListMerge::Merged;
  return ours.SetValue("id", Format("%d", other)) == 1 && ours.Save() == 1 ? ListMerge::Merged
                                                                           : ListMerge::Unreadable;
}

}  // namespace

ListMerge MergeList(std::string_view list, std::string_view original, std::string_view copy) {
  if (SameName(list, "datum.conf")) return MergeCounter(original, copy);
  if (SameName(list, "class.list")) return MergeNames(true, original, copy);
  if (SameName(list, "source.list")) return MergeNames(false, original, copy);
  return MergeIndex(list, original, copy);
}

}  // namespace pim
