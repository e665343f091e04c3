#include "sync/record_watch.h"

#include <algorithm>
#include <utility>

#include "base/gbk.h"
#include "base/path.h"
#include "records/record_names.h"

namespace pim {

namespace {

RecordFolder KindOf(const std::string& folder) {
  if (folder == "note") return RecordFolder::Notes;
  if (folder == "communication") return RecordFolder::Contacts;
  if (folder == "datum") return RecordFolder::DatumLists;
  return RecordFolder::Category;
}

void SubFolders(const std::string& folder, std::vector<std::string>& found) {
  for (const FolderEntry& entry : ListFolderEntries(folder))
    if (entry.folder) {
      found.push_back(folder + "\\" + entry.name);
      SubFolders(found.back(), found);
    }
}

}  // namespace

RecordWatch::RecordWatch(RecordEvents& events) : events_(events) { events_.Subscribe(*this); }

RecordWatch::~RecordWatch() { events_.Unsubscribe(*this); }

RecordWatch::Listing RecordWatch::List(const std::string& folder) const {
  Listing listing;
  const RecordFolder kind = KindOf(folder);
  for (const FolderEntry& entry : ListFolderEntries(folder, true))
    if (!entry.folder && ClassifyName(kind, entry.name).kind != NameKind::Temporary)
      listing[entry.name] = entry.stamp;
  return listing;
}

void RecordWatch::FindFolders() {
  folders_ = {"note", "communication", "datum"};
  SubFolders("datum", folders_);
}

void RecordWatch::Reset() {
  FindFolders();
  listings_.clear();
  for (const std::string& folder : folders_) listings_[folder] = List(folder);
}

RecordWatch::Found RecordWatch::Rescan(const std::string& folder) {
  Found found;
  if (folder == "datum" || folder.starts_with("datum\\")) {
    const std::vector<std::string> before = folders_;
    FindFolders();
    found.folders = folders_ != before;
    // A folder that came was empty when seen, or is read now; one that went tells its files.
    for (const std::string& gone : before)
      if (std::ranges::find(folders_, gone) == folders_.end() && gone != folder) Rescan(gone);
  }
  const RecordFolder kind = KindOf(folder);
  Listing now = FolderExists(folder) ? List(folder) : Listing{};
  Listing& was = listings_[folder];
  bool lists = false;
  const auto tell = [&](const std::string& name, bool written) {
    const NameInfo info = ClassifyName(kind, name);
    const std::string path = folder + "\\" + name;
    using What = RecordChange::What;
    const What what = written ? What::Written : What::Removed;
    switch (info.kind) {
      case NameKind::List:
        lists = true;
        return;
      case NameKind::Record:
        if (kind == RecordFolder::Notes)
          events_.Tell({what, RecordKind::Note, RecordNumberOf(name, "n."), {}});
        else if (kind == RecordFolder::Contacts)
          events_.Tell({what, RecordKind::Contact, RecordNumberOf(name, "com."), {}});
        else
          events_.Tell({what, RecordKind::Card, -1, path});
        return;
      case NameKind::Copy:
      case NameKind::Other:
        found.copies = true;
        // Until the user decides, search finds both versions.
        if (kind != RecordFolder::DatumLists)
          events_.Tell({what,
                        kind == RecordFolder::Notes      ? RecordKind::Note
                        : kind == RecordFolder::Contacts ? RecordKind::Contact
                                                         : RecordKind::Card,
                        -1, path});
        return;
      case NameKind::Temporary:
        return;
    }
  };
  // Taken before telling: a listener that writes (and so is noted here) sees it settled.
  const Listing before = std::exchange(was, now);
  for (const auto& [name, stamp] : now)
    if (const auto it = before.find(name); it == before.end() || it->second != stamp)
      tell(name, true);
  for (const auto& [name, stamp] : before)
    if (!now.contains(name)) tell(name, false);
  if (lists) events_.ListsChanged();
  return found;
}

void RecordWatch::Note(const std::string& path) {
  const std::string_view folder = DataPathFolder(path);
  if (folder.empty()) return;
  const std::string key(folder.substr(0, folder.size() - 1));
  const auto listing = listings_.find(key);
  if (listing == listings_.end()) return;
  const std::string name = path.substr(folder.size());
  const FileStamp stamp = StampOf(path);
  if (stamp.size < 0)
    listing->second.erase(name);
  else
    listing->second[name] = stamp;
}

void RecordWatch::OnRecordChange(const RecordChange& change) {
  using What = RecordChange::What;
  switch (change.what) {
    case What::Written:
    case What::Removed:
      if (!change.path.empty())
        Note(std::string(change.path));
      else if (change.kind == RecordKind::Note)
        Note(Format("note\\n.%d.xml", change.number));
      else if (change.kind == RecordKind::Contact)
        Note(Format("communication\\com.%d.xml", change.number));
      return;
    case What::ListsChanged:
      // Ours or told here: the lists of datum\ as they are now.
      for (auto& [name, stamp] : listings_["datum"])
        if (ClassifyName(RecordFolder::DatumLists, name).kind == NameKind::List)
          stamp = StampOf("datum\\" + name);
      return;
    case What::Replaced:
      Reset();
      return;
  }
}

}  // namespace pim
