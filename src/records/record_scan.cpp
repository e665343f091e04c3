#include "records/record_scan.h"

#include <algorithm>
#include <system_error>

#include "base/clock.h"
#include "base/threads.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "base/prompter.h"
#include "records/record_names.h"
#include "xmldoc/xml.h"

// Threads here read files only. ToNativePath reads the data folder, a global the window thread
// changes: it stops every scan first (RecordStore::Forget joins these threads), as restore and
// the change of data folder do before they move or switch anything.

namespace pim {

namespace {

constexpr std::string_view kNoteFolder = "note";
constexpr std::string_view kNotePrefix = "n.";
constexpr std::string_view kContactFolder = "communication";
constexpr std::string_view kContactPrefix = "com.";
constexpr int kKinds = 3;
// Files a reader takes at once: a wake-up costs about as much as reading a small file.
constexpr size_t kBatch = 64;

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

ScanListing ListNumbered(RecordKind kind, bool stamps) {
  const bool note = kind == RecordKind::Note;
  const std::string_view folder = note ? kNoteFolder : kContactFolder;
  const std::string_view prefix = note ? kNotePrefix : kContactPrefix;
  ScanListing listing;
  listing.kind = kind;
  std::vector<ScanWork> numbered;
  // Copies a sync service left beside a record are found too, until the user decides.
  for (FolderEntry& entry : ListFolderEntries(folder, stamps)) {
    if (entry.folder) continue;
    const int number = NumberOf(entry.name, prefix);
    if (number >= 0)
      numbered.push_back({kind, number, NumberedPath(kind, number), entry.stamp, {}});
    else if (ClassifyName(note ? RecordFolder::Notes : RecordFolder::Contacts, entry.name).kind ==
             NameKind::Copy)
      listing.files.push_back({kind, -1, std::string(folder) + "\\" + entry.name, entry.stamp, {}});
  }
  std::sort(listing.files.begin(), listing.files.end(),
            [](const ScanWork& a, const ScanWork& b) { return a.path < b.path; });
  // Ascending, so a first scan fills the slots in number order.
  std::sort(numbered.begin(), numbered.end(),
            [](const ScanWork& a, const ScanWork& b) { return a.number < b.number; });
  std::move(numbered.begin(), numbered.end(), std::back_inserter(listing.files));
  return listing;
}

ScanListing ListCards(bool stamps, const std::atomic<bool>& stop) {
  ScanListing listing;
  listing.kind = RecordKind::Card;
  listing.members = ReadCardLists();
  // The card files there are, by folder: one listing each instead of a look per card.
  std::unordered_map<std::string, std::unordered_map<std::string, FileStamp>> folders;
  for (const auto& [url, m] : listing.members) {
    if (!m.untrimmed && !m.trimmed) continue;
    // A scan that reads every card takes the stamps as it reads.
    if (!stamps) {
      listing.files.push_back({RecordKind::Card, -1, url, {}, m});
      continue;
    }
    if (stop) return listing;
    const size_t cut = url.rfind('\\');
    const std::string folder = cut == std::string::npos ? "" : url.substr(0, cut);
    auto [names, fresh] = folders.try_emplace(folder);
    if (fresh)
      for (FolderEntry& entry : ListFolderEntries(folder, true))
        if (!entry.folder) names->second[std::move(entry.name)] = entry.stamp;
    const auto it = names->second.find(cut == std::string::npos ? url : url.substr(cut + 1));
    // A name the listing spells otherwise (letter case) is looked at on its own.
    listing.files.push_back(
        {RecordKind::Card, -1, url, it != names->second.end() ? it->second : StampOf(url), m});
  }
  std::sort(listing.files.begin(), listing.files.end(),
            [](const ScanWork& a, const ScanWork& b) { return a.path < b.path; });
  return listing;
}

}  // namespace

std::string NumberedPath(RecordKind kind, int number) {
  return kind == RecordKind::Note
             ? std::string(kNoteFolder) + "\\" + std::string(kNotePrefix) + Format("%d.xml", number)
             : std::string(kContactFolder) + "\\" + std::string(kContactPrefix) +
                   Format("%d.xml", number);
}

CardMembers ReadCardLists() {
  CardMembers members;
  SilentPrompter silent;
  const SystemClock clock;
  const auto mark = [&](std::string_view path, bool CardLists::*flag) {
    File file;
    if (!file.Open(path, File::Mode::Read)) return;
    LineReader reader(file);
    XML xml(silent, clock);
    xml.ReadLineIndexHead(reader);
    while (xml.ReadLineIndexLink(reader))
      if (!xml.lineIndex.url.empty()) members[xml.lineIndex.url].*flag = true;
  };
  mark(kUntrimmedIndexPath, &CardLists::untrimmed);
  mark(kTrimmedIndexPath, &CardLists::trimmed);
  mark(kBookmarkListPath, &CardLists::bookmark);
  mark(kIndexListPath, &CardLists::indexed);
  return members;
}

RecordScan::RecordScan(bool stamps) {
  // A thread that cannot be had leaves its work to the store's thread: the listing at once,
  // the files in Take.
  try {
    lister_ = std::thread([this, stamps] { List(stamps); });
  } catch (const std::system_error&) {
    List(stamps);
  }
  for (unsigned i = 0; i < Cores(); ++i) {
    try {
      readers_.emplace_back([this] { ReadFiles(); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

RecordScan::~RecordScan() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  if (lister_.joinable()) lister_.join();
  for (std::thread& reader : readers_) reader.join();
}

void RecordScan::List(bool stamps) {
  Publish(ListNumbered(RecordKind::Note, stamps));
  if (!stop_) Publish(ListNumbered(RecordKind::Contact, stamps));
  if (!stop_) Publish(ListCards(stamps, stop_));
}

void RecordScan::Publish(ScanListing listing) {
  {
    std::lock_guard lock(mutex_);
    listings_.push_back(std::move(listing));
    ++listed_;
  }
  ready_.notify_all();
}

std::optional<ScanListing> RecordScan::TakeListing() {
  std::lock_guard lock(mutex_);
  if (listings_.empty()) return std::nullopt;
  ScanListing listing = std::move(listings_.front());
  listings_.pop_front();
  return listing;
}

void RecordScan::Read(std::vector<ScanWork> works) {
  if (works.empty()) return;
  {
    std::lock_guard lock(mutex_);
    std::move(works.begin(), works.end(), std::back_inserter(pending_));
  }
  work_.notify_all();
}

size_t RecordScan::Claim(std::vector<ScanWork>& batch) {
  const size_t first = claimed_;
  batch.clear();
  while (batch.size() < kBatch && !pending_.empty()) {
    batch.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
  claimed_ += batch.size();
  return first;
}

std::vector<ScanResult> RecordScan::ReadBatch(std::vector<ScanWork>& batch) const {
  std::vector<ScanResult> results(batch.size());
  for (size_t i = 0; i < batch.size() && !stop_; ++i) {
    ScanResult& result = results[i];
    result.work = std::move(batch[i]);
    result.record.number = result.work.number;
    result.read = ReadRecordFile(result.work.kind, result.work.path, result.record);
  }
  return results;
}

void RecordScan::ReadFiles() {
  std::vector<ScanWork> batch;
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || !pending_.empty(); });
    if (stop_) return;
    const size_t first = Claim(batch);
    lock.unlock();
    std::vector<ScanResult> results = ReadBatch(batch);
    lock.lock();
    if (stop_) return;
    done_.emplace(first, std::move(results));
    ready_.notify_all();
  }
}

void RecordScan::Take(std::vector<ScanResult>& out, size_t most) {
  std::unique_lock lock(mutex_);
  if (readers_.empty() && !pending_.empty() && !done_.contains(taken_)) {
    std::vector<ScanWork> batch;
    const size_t first = Claim(batch);
    lock.unlock();
    std::vector<ScanResult> results = ReadBatch(batch);
    lock.lock();
    done_.emplace(first, std::move(results));
  }
  for (auto it = done_.begin(); out.size() < most && it != done_.end() && it->first == taken_;
       it = done_.erase(it)) {
    taken_ += it->second.size();
    std::move(it->second.begin(), it->second.end(), std::back_inserter(out));
  }
}

bool RecordScan::Done() {
  std::lock_guard lock(mutex_);
  return listed_ == kKinds && listings_.empty() && pending_.empty() && taken_ == claimed_;
}

bool RecordScan::ReadyLocked() const {
  return !listings_.empty() || (!done_.empty() && done_.begin()->first == taken_) ||
         (readers_.empty() && !pending_.empty()) ||
         (listed_ == kKinds && pending_.empty() && taken_ == claimed_);
}

void RecordScan::Wait() {
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return ReadyLocked(); });
}

}  // namespace pim
