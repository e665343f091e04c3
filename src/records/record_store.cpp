#include "records/record_store.h"

#include <algorithm>

#include "base/clock.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "base/path.h"
#include "base/prompter.h"
#include "records/record_names.h"
#include "xmldoc/xml.h"

namespace pim {

namespace {

constexpr std::string_view kNoteFolder = "note";
constexpr std::string_view kNotePrefix = "n.";
constexpr std::string_view kContactFolder = "communication";
constexpr std::string_view kContactPrefix = "com.";

// The number in "<prefix><number>.xml", or -1.
int NumberOf(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || !name.ends_with(".xml")) return -1;
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
  if (digits.empty() || digits.size() > 9) return -1;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  // "n.007.xml" is no file the program writes or steps to.
  return Format("%d", number) == digits ? number : -1;
}

// Days since 1970-01-01 of a civil date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Minutes since 1970 of a time stamp "%d-%d-%d %d:%d"; 0 when it is none.
int64_t StampMinutes(std::string_view stamp) {
  int32_t v[5] = {0, 0, 0, 0, 0};
  size_t at = 0;
  for (int i = 0; i < 5; ++i) {
    if (at >= stamp.size() || !ScanInt(stamp.substr(at), v[i])) return 0;
    at = stamp.find(i < 2 ? '-' : i == 2 ? ' ' : ':', at + 1);
    if (i < 4 && at == std::string_view::npos) return 0;
    ++at;
  }
  if (v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31) return 0;
  return DaysFromCivil(v[0], v[1], v[2]) * 1440 + int64_t{v[3]} * 60 + v[4];
}

std::string NameOf(std::span<const std::string> names, int index) {
  return index >= 0 && static_cast<size_t>(index) < names.size() ? names[index] : std::string();
}

std::string Birthday(const ComuRecord& c) {
  std::string text = c.birthYear;
  if (c.birthMonth >= 0) text += Format("-%d", c.birthMonth + 1);
  if (c.birthDay >= 0) text += Format("-%d", c.birthDay + 1);
  return text;
}

}  // namespace

const FieldLayout& LayoutOf(RecordKind kind) {
  static constexpr int kNoteLabels[] = {kNoteType};
  static constexpr int kContactLabels[] = {kContactClass};
  static constexpr int kCardLabels[] = {kCardClass, kCardSource, kCardKeyword};
  static const FieldLayout kLayouts[] = {
      {kNoteText, kNoteType, kNoteText, kNoteLabels},
      {kContactName, kContactClass, kContactNote, kContactLabels},
      {kCardTitle, kCardClass, kCardContent, kCardLabels},
  };
  return kLayouts[static_cast<int>(kind)];
}

std::string_view Record::Title() const {
  if (fields.empty()) return {};
  const std::string_view text = fields[LayoutOf(kind).title];
  if (kind != RecordKind::Note) return text;
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_first_of("\r\n", start) - start);
}

std::string_view Record::Category() const {
  return fields.empty() ? std::string_view() : fields[LayoutOf(kind).category];
}

int RecordStore::FindNote(int number) const {
  const auto it = notes_.find(number);
  return it == notes_.end() ? -1 : it->second;
}

int RecordStore::FindContact(int number) const {
  const auto it = contacts_.find(number);
  return it == contacts_.end() ? -1 : it->second;
}

int RecordStore::FindCard(std::string_view path) const {
  const auto it = cards_.find(std::string(path));
  return it == cards_.end() ? -1 : it->second;
}

int RecordStore::Slot(RecordKind kind, int number, const std::string& path) {
  // Cards, and the copies a sync service made of notes and contacts, go by their path.
  std::unordered_map<int, int>* byNumber = number < 0                    ? nullptr
                                           : kind == RecordKind::Note    ? &notes_
                                           : kind == RecordKind::Contact ? &contacts_
                                                                         : nullptr;
  if (byNumber) {
    if (const auto it = byNumber->find(number); it != byNumber->end()) return it->second;
  } else if (const auto it = cards_.find(path); it != cards_.end()) {
    return it->second;
  }
  const int slot = static_cast<int>(records_.size());
  records_.emplace_back();
  if (byNumber)
    (*byNumber)[number] = slot;
  else
    cards_[path] = slot;
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

bool ReadRecordFile(RecordKind kind, const std::string& path, Record& record) {
  std::string bytes;
  SilentPrompter silent;
  SystemClock clock;
  XML xml(silent, clock);
  bool read = ReadWholeFile(path, bytes, 0, &record.stamp);
  MemorySource source(bytes);
  LineReader reader(source);
  record.kind = kind;
  record.path = path;
  switch (kind) {
    case RecordKind::Note: {
      record.type = xml.ReadNoteType(reader);
      read = read && xml.ReadNote(reader);
      xmlfield::Extract(bytes, "<modifytime>", "</modifytime>", record.date);
      if (record.date.empty()) record.date = xml.note.buildtime;
      record.recency = StampMinutes(record.date);
      record.fields = {NameOf(kNoteTypes, record.type), std::move(xml.note.content)};
      break;
    }
    case RecordKind::Contact: {
      read = read && xml.ReadComu(reader);
      ComuRecord& c = xml.comu;
      record.type = c.class_;
      record.recency = record.stamp.time / 600000000;  // contacts carry no time of their own
      record.fields = {std::move(c.name),       NameOf(kContactCategories, c.class_),
                       Gb(c.sex ? "男" : "女"), Birthday(c),
                       std::move(c.telOffice),  std::move(c.telHome),
                       std::move(c.telHandset), std::move(c.telBP),
                       std::move(c.email),      std::move(c.email2),
                       std::move(c.oicq),       std::move(c.icq),
                       std::move(c.companyweb), std::move(c.homepage),
                       std::move(c.address),    std::move(c.postnumber),
                       std::move(c.note)};
      break;
    }
    case RecordKind::Card: {
      read = read && xml.ReadDatum(reader);
      DatumRecord& d = xml.datum;
      record.date = d.modifieddate.empty() ? d.founddate : d.modifieddate;
      record.recency = StampMinutes(record.date);
      record.fields = {std::move(d.title), std::move(d.class_), std::move(d.source),
                       std::move(d.keyword), std::move(d.content)};
      break;
    }
  }
  return read && !reader.failed();
}

void RecordStore::ReadRecord(const Work& work) {
  Record record;
  record.number = work.number;
  const bool read = ReadRecordFile(work.kind, work.path, record);
  const int slot = Slot(work.kind, work.number, work.path);
  if (!read) {
    // Left out, and not read again until it changes.
    Remove(slot);
    damaged_[work.path] = record.stamp;
    return;
  }
  damaged_.erase(work.path);
  record.live = true;
  // Read line by line, the texts grew with room to spare; kept for long, they keep none.
  for (std::string& field : record.fields) field.shrink_to_fit();
  record.trimmed = work.lists.trimmed && !work.lists.untrimmed;
  record.bookmark = work.lists.bookmark;
  record.indexed = work.lists.indexed;
  records_[slot] = std::move(record);
  Changed(slot);
}

void RecordStore::Queue(Work work) {
  if (const auto damaged = damaged_.find(work.path); damaged != damaged_.end())
    if (damaged->second == work.stamp) return;  // still the same bytes
  const int slot = work.number < 0                    ? FindCard(work.path)
                   : work.kind == RecordKind::Note    ? FindNote(work.number)
                   : work.kind == RecordKind::Contact ? FindContact(work.number)
                                                      : FindCard(work.path);
  if (slot >= 0 && records_[slot].live && records_[slot].stamp == work.stamp && !everything_)
    return;
  queue_.push_back(std::move(work));
}

void RecordStore::QueueFolder(RecordKind kind, std::string_view folder, std::string_view prefix) {
  std::unordered_map<int, FileStamp> present;
  // Copies a sync service left beside a record are found too, until the user decides.
  std::unordered_map<std::string, FileStamp> copies;
  const RecordFolder names =
      kind == RecordKind::Note ? RecordFolder::Notes : RecordFolder::Contacts;
  // A first scan reads every file and takes the stamps as it reads; later ones compare.
  for (const FolderEntry& entry : ListFolderEntries(folder, known_)) {
    if (entry.folder) continue;
    const int number = NumberOf(entry.name, prefix);
    if (number >= 0)
      present[number] = entry.stamp;
    else if (ClassifyName(names, entry.name).kind == NameKind::Copy)
      copies[std::string(folder) + "\\" + entry.name] = entry.stamp;
  }
  std::unordered_map<int, int>& byNumber = kind == RecordKind::Note ? notes_ : contacts_;
  for (const auto& [number, slot] : byNumber)
    if (!present.contains(number)) Remove(slot);
  for (const auto& [path, slot] : cards_)
    if (records_[slot].kind == kind && !copies.contains(path)) Remove(slot);
  for (const auto& [path, stamp] : copies) Queue({kind, -1, path, stamp, {}});
  // Ascending, so a first scan fills the slots in number order.
  std::vector<int> numbers;
  numbers.reserve(present.size());
  for (const auto& [number, stamp] : present) numbers.push_back(number);
  std::sort(numbers.begin(), numbers.end());
  for (int number : numbers)
    Queue({kind,
           number,
           std::string(folder) + "\\" + std::string(prefix) + Format("%d.xml", number),
           present[number],
           {}});
}

std::unordered_map<std::string, RecordStore::Membership> RecordStore::ReadIndexes() {
  std::unordered_map<std::string, Membership> members;
  SilentPrompter silent;
  const SystemClock clock;
  const auto mark = [&](std::string_view path, bool Membership::*flag) {
    File file;
    if (!file.Open(path, File::Mode::Read)) return;
    LineReader reader(file);
    XML xml(silent, clock);
    xml.ReadLineIndexHead(reader);
    while (xml.ReadLineIndexLink(reader))
      if (!xml.lineIndex.url.empty()) members[xml.lineIndex.url].*flag = true;
  };
  mark(kUntrimmedIndexPath, &Membership::untrimmed);
  mark(kTrimmedIndexPath, &Membership::trimmed);
  mark(kBookmarkListPath, &Membership::bookmark);
  mark(kIndexListPath, &Membership::indexed);
  for (const auto& [path, slot] : cards_) {
    Record& record = records_[slot];
    const auto it = members.find(path);
    if (!record.live || it == members.end()) continue;
    const Membership& m = it->second;
    const bool trimmed = m.trimmed && !m.untrimmed;
    if (record.trimmed == trimmed && record.bookmark == m.bookmark && record.indexed == m.indexed)
      continue;
    record.trimmed = trimmed;
    record.bookmark = m.bookmark;
    record.indexed = m.indexed;
    Changed(slot);
  }
  return members;
}

void RecordStore::QueueCards() {
  const std::unordered_map<std::string, Membership> members = ReadIndexes();
  for (const auto& [path, slot] : cards_) {
    if (records_[slot].kind != RecordKind::Card) continue;
    const auto m = members.find(path);
    if (m != members.end() && (m->second.untrimmed || m->second.trimmed)) continue;
    // A sync service's copy of a card is in no index; it stays while it is there.
    const std::string_view name = std::string_view(path).substr(DataPathFolder(path).size());
    if (ClassifyName(RecordFolder::Category, name).kind == NameKind::Copy && FileExists(path))
      continue;
    Remove(slot);
  }
  // The card files there are, by folder: one listing each instead of a look per card.
  std::unordered_map<std::string, std::unordered_map<std::string, FileStamp>> folders;
  std::vector<Work> cards;
  for (const auto& [url, m] : members) {
    if (!m.untrimmed && !m.trimmed) continue;
    // A first scan reads every card and takes the stamps as it reads.
    if (!known_) {
      cards.push_back({RecordKind::Card, -1, url, {}, m});
      continue;
    }
    const size_t cut = url.rfind('\\');
    const std::string folder = cut == std::string::npos ? "" : url.substr(0, cut);
    auto [names, fresh] = folders.try_emplace(folder);
    if (fresh)
      for (FolderEntry& entry : ListFolderEntries(folder, true))
        if (!entry.folder) names->second[std::move(entry.name)] = entry.stamp;
    const auto it = names->second.find(cut == std::string::npos ? url : url.substr(cut + 1));
    // A name the listing spells otherwise (letter case) is looked at on its own.
    cards.push_back(
        {RecordKind::Card, -1, url, it != names->second.end() ? it->second : StampOf(url), m});
  }
  std::sort(cards.begin(), cards.end(),
            [](const Work& a, const Work& b) { return a.path < b.path; });
  for (Work& work : cards) Queue(std::move(work));
}

void RecordStore::BeginScan(bool everything) {
  if (scanning_) return;
  everything_ = everything;
  queue_.clear();
  done_ = 0;
  scanning_ = true;
  QueueFolder(RecordKind::Note, kNoteFolder, kNotePrefix);
  QueueFolder(RecordKind::Contact, kContactFolder, kContactPrefix);
  QueueCards();
  // At most one new slot a file: the records never move while they are read.
  records_.reserve(records_.size() + queue_.size());
}

bool RecordStore::ScanStep(std::chrono::milliseconds budget) {
  if (!scanning_) return false;
  const auto until = std::chrono::steady_clock::now() + budget;
  do {
    if (done_ >= scanTotal()) {
      scanning_ = false;
      known_ = true;
      queue_.clear();
      queue_.shrink_to_fit();
      done_ = 0;
      return false;
    }
    const Work& work = queue_[done_++];
    ReadRecord(work);
  } while (std::chrono::steady_clock::now() < until);
  return true;
}

void RecordStore::ScanAll() {
  BeginScan();
  while (ScanStep(std::chrono::milliseconds(1000))) {
  }
}

void RecordStore::Forget() {
  for (int slot = 0; slot < static_cast<int>(records_.size()); ++slot) Remove(slot);
  damaged_.clear();
  queue_.clear();
  done_ = 0;
  scanning_ = false;
  known_ = false;
}

bool RecordStore::Adopt(std::vector<Record> records) {
  if (!records_.empty() || scanning_) return false;
  for (int slot = 0; slot < static_cast<int>(records.size()); ++slot) {
    const Record& r = records[slot];
    const bool numbered = r.number >= 0 && r.kind != RecordKind::Card;
    const bool fresh = !numbered                     ? cards_.try_emplace(r.path, slot).second
                       : r.kind == RecordKind::Note ? notes_.try_emplace(r.number, slot).second
                                                    : contacts_.try_emplace(r.number, slot).second;
    if (!fresh) {
      notes_.clear();
      contacts_.clear();
      cards_.clear();
      return false;
    }
  }
  records_ = std::move(records);
  known_ = true;
  return true;
}

void RecordStore::ReadNow(RecordKind kind, int number, std::string path) {
  if (!Watching()) return;  // the first scan reads it
  Work work{kind, number, path, StampOf(path), {}};
  // A card rewritten keeps its lists; a new one has just joined the untrimmed index.
  if (const int slot = FindCard(path); slot >= 0 && records_[slot].live)
    work.lists = {!records_[slot].trimmed, records_[slot].trimmed, records_[slot].bookmark,
                  records_[slot].indexed};
  else
    work.lists.untrimmed = kind == RecordKind::Card;
  ReadRecord(work);
}

void RecordStore::OnRecordChange(const RecordChange& change) {
  using What = RecordChange::What;
  switch (change.what) {
    case What::Written:
      if (change.kind == RecordKind::Card || change.number < 0)
        ReadNow(change.kind, -1, std::string(change.path));
      else if (change.kind == RecordKind::Note)
        ReadNow(RecordKind::Note, change.number,
                std::string(kNoteFolder) + "\\" + std::string(kNotePrefix) +
                    Format("%d.xml", change.number));
      else
        ReadNow(RecordKind::Contact, change.number,
                std::string(kContactFolder) + "\\" + std::string(kContactPrefix) +
                    Format("%d.xml", change.number));
      break;
    case What::Removed:
      Remove(change.kind == RecordKind::Card || change.number < 0 ? FindCard(change.path)
             : change.kind == RecordKind::Note                    ? FindNote(change.number)
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
  // Cards that only now reach an index (none, as the program moves them) are read at once.
  for (const auto& [url, m] : ReadIndexes())
    if ((m.untrimmed || m.trimmed) && !cards_.contains(url))
      ReadRecord({RecordKind::Card, -1, url, StampOf(url), m});
}

std::optional<int> RecordStore::KnownNoteType(int number) const {
  if (!known_) return std::nullopt;
  const int slot = FindNote(number);
  if (slot < 0 || !records_[slot].live) return std::nullopt;
  return records_[slot].type;
}

}  // namespace pim
