#include "datum/trimming.h"

#include <array>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "records/disk_change.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

const std::string kDoneText = Gb("完  成");
const std::string kEndText = Gb("结  束");
const std::string kNotFinishedText = Gb("你还没有整理完所有的资料,现在要保存已整理的内容并退出吗?");
const std::string kNotFinishedCaption = Gb("未完");
const std::string kNothingText = Gb("没有未整理的资料!");
const std::string kAppendFailedText =
    Gb(" 无法打开或已损坏, 要加入其中的资料仍留在未整理的索引里。");
const std::string kPartialText =
    Gb(" 没有完整读出, 为免丢失内容没有改写, 它仍留在未整理的资料里。");

// Whether an append would land exactly on the end marker; checked before anything is
// appended, so an entry goes either to all of its indexes or to none.
bool EndsWithMarker(std::string_view path) {
  File file;
  const auto size = static_cast<int64_t>(kLineIndexEnd.size());
  if (!file.Open(path, File::Mode::Read) || !file.SeekFromEnd(-size)) return false;
  std::string tail(kLineIndexEnd.size(), '\0');
  size_t got = 0;
  while (got < tail.size()) {
    const size_t n = file.Read(tail.data() + got, tail.size() - got);
    if (n == 0) break;
    got += n;
  }
  return got == tail.size() && tail == kLineIndexEnd;
}

}  // namespace

std::string DatumTrimming::okText() const { return lastItem_ ? kDoneText : kEndText; }

DatumTrimming::Start DatumTrimming::Open() {
  classNames_ = LoadClassList(classes_);
  sourceNames_ = LoadSourceList(sources_);
  if (File probe; !probe.Open(kUntrimmedIndexPath, File::Mode::Read)) return Start::NoIndex;
  std::vector<IndexEntry> loaded = LoadUntrimmedIndex(prompter_, &indexWhole_);
  entries_.reserve(loaded.size());  // grown once: growing keeps old and new copies at its peak
  for (IndexEntry& e : loaded) {
    entries_.push_back({std::move(e)});
    entries_.back().cameWith = entries_.back().source;
  }
  if (entries_.empty()) {
    prompter_.ShowMessage(kNothingText, "Pimbrel", MsgButtons::Ok, MsgIcon::Information);
    return Start::Empty;
  }
  ShowItem(1);
  return Start::Ready;
}

void DatumTrimming::ShowItem(int n) {
  const int count = static_cast<int>(entries_.size());
  if (n < 1) return;
  item_ = n;
  lastItem_ = n == count;
  nextEnabled_ = !lastItem_;
  if (n > count) return;
  TrimEntry& entry = entries_[static_cast<size_t>(n - 1)];
  SetStatus();
  form_.category = entry.class_;
  form_.title = entry.name;
  form_.keywords = entry.keyword;
  form_.source = entry.source;
  form_.text.clear();
  bool whole = false;
  // Taken first: a change while reading counts as a change.
  entry.stamp = StampOf(entry.url);
  if (File card; card.Open(entry.url, File::Mode::Read)) {
    LineReader reader(card);
    XML xml(prompter_, clock_);
    if (xml.ReadDatum(reader)) form_.text = xml.datum.content + "\r\n";
    whole = xml.datum.whole;
    entry.date = xml.datum.founddate;
    form_.date = entry.date;  // a card that cannot be opened leaves the field as it was
  }
  entry.partial = !whole && FileExists(entry.url);
  if (form_.text.size() >= 2) form_.text.resize(form_.text.size() - 2);
  form_.bookmark = entry.bookmark;
  form_.index = entry.index;
  modified_ = false;
}

void DatumTrimming::SetStatus() {
  status_ = Gb("◆当前共有 ") + Format("%d", static_cast<int>(entries_.size())) +
            Gb(" 条未整理的资料, 这是第 ") + Format("%d", item_) + Gb(" 条◆");
}

bool DatumTrimming::AddEntry(const IndexEntry& entry) {
  entries_.push_back({entry});
  entries_.back().cameWith = entry.source;
  if (item_ == static_cast<int>(entries_.size())) {  // past the end: the new card is shown
    ShowItem(item_);
    return true;
  }
  // Standing before it, the shown entry is no longer the last.
  lastItem_ = false;
  nextEnabled_ = true;
  if (item_ >= 1) SetStatus();
  return false;
}

bool DatumTrimming::SaveItem(const TrimForm& form) {
  if (item_ < 1 || item_ > static_cast<int>(entries_.size())) return false;
  form_ = form;
  reshown_ = stay_ = false;
  TrimEntry& entry = entries_[static_cast<size_t>(item_ - 1)];
  entry.bookmark = form.bookmark;
  entry.class_ = form.category;
  entry.index = form.index;
  entry.keyword = form.keywords;
  entry.source = form.source;
  entry.name = form.title;
  if (HasLineBreak(form.title) || HasLineBreak(form.category) || HasLineBreak(form.source) ||
      HasLineBreak(form.keywords)) {
    prompter_.ShowMessage(Gb("标题、类别、来源和关键字不能含有换行, 资料卡没有保存!"), "Pimbrel",
                          MsgButtons::Ok, MsgIcon::Warning);
    return false;
  }
  if (entry.partial) {
    prompter_.ShowMessage(Gb("资料卡文件 ") + entry.url + kPartialText, "Pimbrel", MsgButtons::Ok,
                          MsgIcon::Warning);
    return false;
  }
  if (ChangedOnDisk(entry.url, entry.stamp)) {
    switch (AskAboutDiskChange(prompter_)) {
      case DiskChoice::KeepBoth:
        if (!KeepCardAsItIs(entry.url, events_)) {
          prompter_.ShowMessage("Can`t Open " + entry.url + " to read!", "Pimbrel", MsgButtons::Ok,
                                MsgIcon::Warning);
          return false;
        }
        break;
      case DiskChoice::Overwrite:
        break;
      case DiskChoice::TakeTheirs:
        ShowItem(item_);
        reshown_ = true;
        return false;
      case DiskChoice::Cancel:
        stay_ = true;
        return false;
    }
  }
  std::string card;
  XML(prompter_, clock_)
      .WriteDatum(card, entry.name, entry.class_, form.text,
                  workingFolder_ + std::string(kDatumDtdLocalPath), entry.date, entry.source,
                  entry.keyword, {});
  if (!WriteFileAtomic(entry.url, card)) {
    // Counting it trimmed would move a card to the trimmed index that holds none of this.
    prompter_.ShowMessage("Can`t Open " + entry.url + " to write!", "Pimbrel", MsgButtons::Ok,
                          MsgIcon::Warning);
    return false;
  }
  entry.stamp = StampOf(entry.url);
  if (events_) events_->CardWritten(entry.url);
  // The card stays where it is; only the lists learn a new name.
  const int knownClasses = classes_.count, knownSources = sources_.count;
  FindClassPath(entry.class_, classes_);
  // A captured address kept as it came stays out of the list of sources to choose from.
  if (entry.source.empty() || entry.source != entry.cameWith) FindSource(entry.source, sources_);
  // Names added meanwhile on another computer come along with the new one.
  for (int i = knownClasses; i < classes_.count; ++i)
    classNames_.push_back(classes_.entries[i].name);
  for (int i = knownSources; i < sources_.count; ++i) sourceNames_.push_back(sources_.names[i]);
  entry.trimmed = true;
  return true;
}

void DatumTrimming::Next(const TrimForm& form) {
  if (!SaveItem(form) && stay_) return;
  ShowItem(item_ + 1);
}

void DatumTrimming::Previous(const TrimForm& form) {
  if (!SaveItem(form) && stay_) return;
  ShowItem(item_ - 1);
}

bool DatumTrimming::Save(const TrimForm& form) {
  SaveItem(form);
  modified_ = false;
  return std::exchange(reshown_, false);
}

bool DatumTrimming::End(const TrimForm& form) {
  if (item_ != static_cast<int>(entries_.size()) &&
      prompter_.ShowMessage(kNotFinishedText, kNotFinishedCaption, MsgButtons::YesNo,
                            MsgIcon::Question) != MsgResult::Yes)
    return false;
  if (!SaveItem(form) && stay_) return false;
  WriteIndexes();
  return true;
}

bool DatumTrimming::WriteIndexes() {
  const bool ok = AppendTrimmed();
  if (events_) events_->ListsChanged();
  return ok;
}

bool DatumTrimming::AppendTrimmed() {
  // The entries stay where they are: moved out of an index read only in part, they could
  // only be written back without the part that was not read.
  // The index as it is now: it may hold cards captured meanwhile, here or elsewhere.
  SilentPrompter silent;
  bool whole = false;
  std::vector<IndexEntry> now = LoadUntrimmedIndex(silent, &whole);
  if (!indexWhole_ || !whole) {
    prompter_.ShowMessage(kIndexPartialText, "Pimbrel", MsgButtons::Ok, MsgIcon::Warning);
    return false;
  }
  constexpr std::array<std::string_view, 3> kPaths = {kTrimmedIndexPath, kBookmarkListPath,
                                                      kIndexListPath};
  std::array<bool, 3> usable{};
  for (size_t f = 0; f < kPaths.size(); ++f) usable[f] = EndsWithMarker(kPaths[f]);
  std::array<std::vector<const IndexEntry*>, 3> lists;
  std::array<std::vector<size_t>, 3> members;
  std::array<bool, 3> needed{};
  std::vector<bool> stays(entries_.size(), true);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TrimEntry& e = entries_[i];
    if (!e.trimmed) continue;
    const std::array<bool, 3> needs = {true, e.bookmark, e.index};
    bool reachable = true;
    for (size_t f = 0; f < kPaths.size(); ++f) {
      needed[f] = needed[f] || needs[f];
      reachable = reachable && (!needs[f] || usable[f]);
    }
    if (!reachable) continue;
    stays[i] = false;
    for (size_t f = 0; f < kPaths.size(); ++f) {
      if (!needs[f]) continue;
      lists[f].push_back(&e);
      members[f].push_back(i);
    }
  }
  bool ok = true;
  for (size_t f = 0; f < kPaths.size(); ++f) {
    if (usable[f] && !lists[f].empty() && !AppendToIndex(kPaths[f], lists[f])) {
      usable[f] = false;
      for (size_t i : members[f]) stays[i] = true;
    }
    if (usable[f] || !needed[f]) continue;
    ok = false;
    prompter_.ShowMessage(std::string(kPaths[f]) + kAppendFailedText, "Pimbrel", MsgButtons::Ok,
                          MsgIcon::Warning);
  }
  // Less the cards moved out; those that stay keep what was saved of them here. A hashed slot
  // a path (a tree of many paths compares their long common beginnings), and none at all for
  // an index that holds no card any more.
  struct Mine {
    const IndexEntry* kept = nullptr;  // the last of them that stays
    bool moved = false;
  };
  std::unordered_map<std::string_view, Mine> mine;
  if (!now.empty()) {
    mine.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
      Mine& m = mine[entries_[i].url];
      if (stays[i])
        m.kept = &entries_[i];
      else
        m.moved = true;
    }
  }
  std::vector<IndexEntry> untrimmed;
  untrimmed.reserve(now.size());
  for (IndexEntry& e : now) {
    const auto found = mine.find(e.url);
    if (found == mine.end())
      untrimmed.push_back(std::move(e));
    else if (!found->second.moved)
      untrimmed.push_back(*found->second.kept);
  }
  if (!WriteUntrimmedIndex(untrimmed)) {
    prompter_.ShowMessage("Can`t Open " + std::string(kUntrimmedIndexPath) + " to write!",
                          "Pimbrel", MsgButtons::Ok, MsgIcon::Warning);
    return false;
  }
  return ok;
}

}  // namespace pim
