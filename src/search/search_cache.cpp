#include "search/search_cache.h"

#include "base/file.h"
#include "base/path.h"
#include "records/record_store.h"

namespace pim {

std::string SearchCache::Key() { return FolderKey(DataFolder()); }

bool SearchCache::Load(RecordStore& store, Searcher& searcher) {
  if (tried_) return false;
  tried_ = true;
  int64_t readAllAt = 0;
  loaded_ = ReadSearchCache(path_, Key(), readAllAt, store, searcher);
  if (loaded_) readAllAt_ = savedReadAt_ = readAllAt;
  savedChanges_ = store.changes().size();
  return loaded_;
}

bool SearchCache::FullReadDue(int64_t now) const {
  return !loaded_ || now - readAllAt_ >= kFullReadSeconds || now < readAllAt_;
}

bool SearchCache::Save(const RecordStore& store, Searcher& searcher) {
  if (store.records().empty() && !store.known()) return true;  // never read: nothing to keep
  if (loaded_ && store.changes().size() == savedChanges_ && readAllAt_ == savedReadAt_)
    return true;
  if (!WriteSearchCache(path_, Key(), readAllAt_, store, searcher)) return false;
  loaded_ = true;
  savedReadAt_ = readAllAt_;
  savedChanges_ = store.changes().size();
  return true;
}

void SearchCache::OnRecordChange(const RecordChange& change) {
  if (change.what != RecordChange::What::Replaced) return;
  RemoveFile(path_);
  tried_ = true;
  loaded_ = false;
  readAllAt_ = 0;
}

}  // namespace pim
