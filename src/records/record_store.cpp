#include "records/record_store.h"

#include <optional>
#include <unordered_set>

#include "base/path.h"
#include "records/record_names.h"
#include "records/record_scan.h"

namespace pim {

int RecordStore::FindNote(int number) const {
  const auto it = slots_.notes.find(number);
  return it == slots_.notes.end() ? -1 : it->second;
}

int RecordStore::FindContact(int number) const {
  const auto it = slots_.contacts.find(number);
  return it == slots_.contacts.end() ? -1 : it->second;
}

int RecordStore::FindCard(std::string_view path) const {
  const auto it = slots_.cards.find(std::string(path));
  return it == slots_.cards.end() ? -1 : it->second;
}

int RecordStore::Slot(RecordKind kind, int number, const std::string& path) {
  const int next = static_cast<int>(records_.size());
  const int slot = slots_.Place(kind, number, path, next);
  if (slot == next) records_.emplace_back();
  return slot;
}

void RecordStore::Remove(int slot) {
  if (slot < 0) return;
  Record& record = records_[slot];
  record.stamp = {};
  damaged_.erase(record.path);
  if (!record.live) return;
  record.live = false;
  record.fields.clear();
  record.fields.shrink_to_fit();
  Changed(slot);
}

namespace {

// The same record as read before: the stamp apart, nothing a reader of the records sees.
bool SameRecord(const Record& a, const Record& b) {
  return a.live == b.live && a.kind == b.kind && a.number == b.number && a.type == b.type &&
         a.trimmed == b.trimmed && a.bookmark == b.bookmark && a.indexed == b.indexed &&
         a.path == b.path && a.date == b.date && a.recency == b.recency && a.fields == b.fields;
}

}  // namespace

struct RecordStore::Scan {
  Scan(bool stamps, bool all) : threads(stamps), everything(all) {}
  RecordScan threads;
  const bool everything;
  int listed = 0;  // kinds planned
  int total = 0, merged = 0;
  // Paths a record event told of since the scan began: the event read them later than the
  // scan may have, so what the scan read of them is not taken in.
  std::unordered_set<std::string> touched;
  // The lists as an event re-read them during the scan, newer than the scan's own.
  std::optional<CardMembers> lists;
  std::vector<ScanResult> taken;
};

RecordStore::RecordStore() = default;
RecordStore::~RecordStore() = default;

void RecordStore::Store(const ScanWork& work, Record record, bool read) {
  const int slot = Slot(work.kind, work.number, work.path);
  if (!read) {
    // Left out, and not read again until it changes.
    Remove(slot);
    damaged_[work.path] = record.stamp;
    return;
  }
  damaged_.erase(work.path);
  record.live = true;
  record.trimmed = work.lists.trimmed && !work.lists.untrimmed;
  record.bookmark = work.lists.bookmark;
  record.indexed = work.lists.indexed;
  Record& held = records_[slot];
  // A scan of everything finds most files as they were: only their stamps are taken, so that
  // search does not build all of them again.
  if (scan_ && scan_->everything && SameRecord(held, record)) {
    held.stamp = record.stamp;
    return;
  }
  held = std::move(record);
  Changed(slot);
}

bool RecordStore::Wanted(const ScanWork& work) const {
  if (scan_->touched.contains(work.path)) return false;
  if (scan_->everything) return true;
  if (const auto damaged = damaged_.find(work.path); damaged != damaged_.end())
    if (damaged->second == work.stamp) return false;  // still the same bytes
  const int slot = work.number < 0                    ? FindCard(work.path)
                   : work.kind == RecordKind::Note    ? FindNote(work.number)
                   : work.kind == RecordKind::Contact ? FindContact(work.number)
                                                      : FindCard(work.path);
  return slot < 0 || !records_[slot].live || records_[slot].stamp != work.stamp;
}

void RecordStore::ApplyLists(const CardMembers& members) {
  for (const auto& [path, slot] : slots_.cards) {
    Record& record = records_[slot];
    const auto it = members.find(path);
    if (!record.live || it == members.end()) continue;
    const CardLists& m = it->second;
    const bool trimmed = m.trimmed && !m.untrimmed;
    if (record.trimmed == trimmed && record.bookmark == m.bookmark && record.indexed == m.indexed)
      continue;
    record.trimmed = trimmed;
    record.bookmark = m.bookmark;
    record.indexed = m.indexed;
    Changed(slot);
  }
}

void RecordStore::Plan(ScanListing& listing) {
  Scan& scan = *scan_;
  const RecordKind kind = listing.kind;
  const auto told = [&](const std::string& path) { return scan.touched.contains(path); };
  if (kind != RecordKind::Card) {
    std::unordered_set<int> present;
    std::unordered_set<std::string> copies;
    for (const ScanWork& work : listing.files)
      work.number >= 0 ? (void)present.insert(work.number) : (void)copies.insert(work.path);
    for (const auto& [number, slot] : kind == RecordKind::Note ? slots_.notes : slots_.contacts)
      if (!present.contains(number) && !told(NumberedPath(kind, number))) Remove(slot);
    for (const auto& [path, slot] : slots_.cards)
      if (records_[slot].kind == kind && !copies.contains(path) && !told(path)) Remove(slot);
  } else {
    const CardMembers& members = scan.lists ? *scan.lists : listing.members;
    if (!scan.lists) ApplyLists(members);  // else the event that read them did
    for (const auto& [path, slot] : slots_.cards) {
      if (records_[slot].kind != RecordKind::Card || told(path)) continue;
      const auto m = members.find(path);
      if (m != members.end() && (m->second.untrimmed || m->second.trimmed)) continue;
      // A sync service's copy of a card is in no index; it stays while it is there.
      const std::string_view name = std::string_view(path).substr(DataPathFolder(path).size());
      if (ClassifyName(RecordFolder::Category, name).kind == NameKind::Copy && FileExists(path))
        continue;
      Remove(slot);
    }
    if (scan.lists)
      std::erase_if(listing.files, [&](ScanWork& work) {
        const auto m = members.find(work.path);
        if (m == members.end() || (!m->second.untrimmed && !m->second.trimmed)) return true;
        work.lists = m->second;
        return false;
      });
  }
  std::vector<ScanWork> works;
  for (ScanWork& work : listing.files)
    if (Wanted(work)) works.push_back(std::move(work));
  // Grown one by one, the map of a hundred thousand cards would be rehashed a dozen times.
  if (kind == RecordKind::Card) slots_.cards.reserve(slots_.cards.size() + works.size());
  // At most one new slot a file: grown step by step, the records would hold room for twice
  // their number for a while.
  records_.reserve(records_.size() + static_cast<size_t>(scan.total - scan.merged) + works.size());
  scan.total += static_cast<int>(works.size());
  ++scan.listed;
  scan.threads.Read(std::move(works));
}

void RecordStore::Merge(ScanResult& result) {
  Scan& scan = *scan_;
  ScanWork& work = result.work;
  if (scan.touched.contains(work.path)) return;
  if (work.kind == RecordKind::Card && scan.lists) {
    const auto m = scan.lists->find(work.path);
    // Out of the indexes since it was listed: the next scan decides.
    if (m == scan.lists->end() || (!m->second.untrimmed && !m->second.trimmed)) return;
    work.lists = m->second;
  }
  Store(work, std::move(result.record), result.read);
}

void RecordStore::BeginScan(bool everything) {
  if (scan_) return;
  done_ = total_ = 0;
  // A first scan, and one of everything, take the stamps as they read; later ones compare.
  scan_ = std::make_unique<Scan>(known_ && !everything, everything);
}

bool RecordStore::ScanStep(std::chrono::milliseconds budget) {
  if (!scan_) return false;
  Scan& scan = *scan_;
  const auto until = std::chrono::steady_clock::now() + budget;
  for (;;) {
    // Each listing as soon as it is there: the readers wait for its files.
    while (std::optional<ScanListing> listing = scan.threads.TakeListing()) Plan(*listing);
    scan.taken.clear();
    scan.threads.Take(scan.taken, 64);
    for (ScanResult& result : scan.taken) Merge(result);
    scan.merged += static_cast<int>(scan.taken.size());
    if (scan.listed == 3) {
      done_ = scan.merged;
      total_ = scan.total;
    }
    if (scan.threads.Done()) {
      FinishScan();
      return false;
    }
    if (scan.taken.empty() || std::chrono::steady_clock::now() >= until) return true;
  }
}

void RecordStore::ScanAll() {
  BeginScan();
  while (ScanStep(std::chrono::milliseconds(1000))) scan_->threads.Wait();
}

void RecordStore::FinishScan() {
  const std::optional<CardMembers> lists = std::move(scan_->lists);
  scan_.reset();
  known_ = true;
  done_ = total_ = 0;
  if (lists) ReadNewCards(*lists);
}

int RecordStore::Slots::Place(RecordKind kind, int number, const std::string& path, int slot) {
  // Cards, and the copies a sync service made of notes and contacts, go by their path.
  if (number < 0 || kind == RecordKind::Card) return cards.try_emplace(path, slot).first->second;
  return (kind == RecordKind::Note ? notes : contacts).try_emplace(number, slot).first->second;
}

bool RecordStore::Slots::Add(const Record& r, int slot) {
  return Place(r.kind, r.number, r.path, slot) == slot;
}

bool RecordStore::Adopt(std::vector<Record> records, std::vector<Slots> parts) {
  if (!records_.empty() || scanning()) return false;
  // The parts' entries move over without their keys being copied or hashed again; one left
  // behind is taken already.
  Slots all = parts.empty() ? Slots() : std::move(parts.front());
  for (size_t k = 1; k < parts.size(); ++k) {
    Slots& part = parts[k];
    all.cards.reserve(all.cards.size() + part.cards.size());
    all.notes.merge(part.notes);
    all.contacts.merge(part.contacts);
    all.cards.merge(part.cards);
    if (!part.notes.empty() || !part.contacts.empty() || !part.cards.empty()) return false;
  }
  if (all.notes.size() + all.contacts.size() + all.cards.size() != records.size()) return false;
  slots_ = std::move(all);
  records_ = std::move(records);
  known_ = true;
  return true;
}

void RecordStore::Forget() {
  // The threads stop first: nothing of the old data is taken in after this.
  scan_.reset();
  for (int slot = 0; slot < static_cast<int>(records_.size()); ++slot) Remove(slot);
  damaged_.clear();
  done_ = total_ = 0;
  known_ = false;
}

void RecordStore::ReadNow(RecordKind kind, int number, std::string path) {
  if (!Watching()) return;  // the first scan reads it
  if (scan_) scan_->touched.insert(path);
  ScanWork work{kind, number, path, {}, {}};
  // A card rewritten keeps its lists; a new one has just joined the untrimmed index.
  if (const int slot = FindCard(path); slot >= 0 && records_[slot].live)
    work.lists = {!records_[slot].trimmed, records_[slot].trimmed, records_[slot].bookmark,
                  records_[slot].indexed};
  else
    work.lists.untrimmed = kind == RecordKind::Card;
  Record record;
  record.number = number;
  const bool read = ReadRecordFile(kind, path, record);
  Store(work, std::move(record), read);
}

void RecordStore::OnRecordChange(const RecordChange& change) {
  using What = RecordChange::What;
  const bool byPath = change.kind == RecordKind::Card || change.number < 0;
  switch (change.what) {
    case What::Written:
      ReadNow(change.kind, byPath ? -1 : change.number,
              byPath ? std::string(change.path) : NumberedPath(change.kind, change.number));
      break;
    case What::Removed:
      if (scan_)
        scan_->touched.insert(byPath ? std::string(change.path)
                                     : NumberedPath(change.kind, change.number));
      Remove(byPath                            ? FindCard(change.path)
             : change.kind == RecordKind::Note ? FindNote(change.number)
                                               : FindContact(change.number));
      break;
    case What::ListsChanged:
      ListsChanged();
      break;
    case What::Replaced:
      Forget();
      break;
  }
}

void RecordStore::ListsChanged() {
  if (!Watching()) return;
  CardMembers members = ReadCardLists();
  ApplyLists(members);
  if (scan_) {
    // What the scan takes in from now on follows these; cards new to the indexes are read
    // when it ends.
    scan_->lists = std::move(members);
    return;
  }
  ReadNewCards(members);
}

void RecordStore::ReadNewCards(const CardMembers& members) {
  // Cards that only now reach an index (none, as the program moves them) are read at once.
  for (const auto& [url, m] : members) {
    if ((!m.untrimmed && !m.trimmed) || slots_.cards.contains(url)) continue;
    Record record;
    const bool read = ReadRecordFile(RecordKind::Card, url, record);
    Store({RecordKind::Card, -1, url, {}, m}, std::move(record), read);
  }
}

std::optional<int> RecordStore::KnownNoteType(int number) const {
  if (!known_) return std::nullopt;
  const int slot = FindNote(number);
  if (slot < 0 || !records_[slot].live) return std::nullopt;
  return records_[slot].type;
}

}  // namespace pim
