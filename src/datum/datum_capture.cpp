#include "datum/datum_capture.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "config/config_file.h"
#include "datum/card_capture.h"
#include "records/disk_change.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

const std::string kDefaultClass = Gb("未分类");
const std::string kNotStored = Gb(",资料卡没有存储");

// The card number in datum.conf; 0 when there is none.
int32_t StoredCardNumber() {
  int32_t stored = 0;
  CConfigFile conf;
  if (conf.Load(kDatumConfPath) == 1) ScanInt(conf.GetValue("id"), stored);
  return stored;
}

void Tell(Prompter& prompter, const std::string& text) {
  prompter.ShowMessage(text, "", MsgButtons::Ok, MsgIcon::Information);
}

}  // namespace

DatumCapture::DatumCapture(Prompter& prompter, const Clock& clock, std::string dataFolder,
                           RecordEvents* events)
    : prompter_(prompter),
      clock_(clock),
      events_(events),
      dtdPath_(std::move(dataFolder) + std::string(kDatumDtdLocalPath)) {}

void DatumCapture::SetDataFolder(const std::string& dataFolder) {
  dtdPath_ = dataFolder + std::string(kDatumDtdLocalPath);
}

std::vector<std::string> DatumCapture::Open() {
  // A number below 0 would name cards "资料卡-5"; the numbers start at 0.
  const int32_t stored = StoredCardNumber();
  if (stored < 0)
    Tell(prompter_, Gb("文件 ") + std::string(kDatumConfPath) + Gb(" 中的资料卡编号 ") +
                        Format("%ld", static_cast<long>(stored)) + Gb(" 小于 0, 已改为 0!"));
  number_ = std::max(stored, 0);
  std::vector<std::string> names = LoadClassList(classes_);
  entries_ = LoadUntrimmedIndex(prompter_, &indexWhole_);
  indexChanged_ = false;
  position_ = count() + 1;
  modified_ = false;
  return names;
}

bool DatumCapture::StoreCard(const CardText& card) {
  if (!modified_ || card.content.empty()) return true;
  if (!AtNewCard() && shownPartial_) {
    // Rewriting it would drop what could not be read; the file stays as it is.
    Tell(prompter_, Gb("资料卡文件 ") + entries_[position_ - 1].url +
                        Gb(" 没有完整读出, 为免丢失内容没有改写!"));
    return true;
  }
  if (HasLineBreak(card.title) || HasLineBreak(card.category) || HasLineBreak(card.source)) {
    Tell(prompter_, Gb("标题、类别和来源不能含有换行") + kNotStored + "!");
    return false;
  }
  if (!IsSafeCategoryName(card.category)) {
    Tell(prompter_,
         Gb("类别 ") + card.category + Gb(" 不能作为文件夹名称") + kNotStored + Gb(",请修改类别!"));
    return false;
  }
  bool known = false;
  for (int i = 0; i < classes_.count; ++i)
    known = known || classes_.entries[i].name == card.category;
  if (!known && classes_.count >= kDatumTableSize) {
    Tell(prompter_, Gb("类别已满 100 个") + kNotStored + Gb(",请选择已有的类别!"));
    return false;
  }
  const std::string classPath = FindClassPath(card.category, classes_);
  if (classPath.empty()) {
    Tell(prompter_,
         Gb("存储文件 ") + std::string(kClassListPath) + Gb(" 时出错") + kNotStored + "!");
    return false;
  }
  if (!AtNewCard()) {
    const Go go = AskIfChanged();
    if (go != Go::Write) return go == Go::Skip;
  }
  if (AtNewCard()) return !StoreNewCard(card, classPath, true).empty();
  const std::string url = entries_[position_ - 1].url;
  // A stored card keeps its file, whatever its title and category are now.
  std::string written = WriteCard(url, card, shownFound_, shownKeyword_);
  if (written.empty()) written = AskForPath(url, card, shownFound_, shownKeyword_);
  if (written.empty()) return false;
  shownStamp_ = StampOf(written);
  if (events_) events_->CardWritten(written);
  IndexEntry& entry = entries_[position_ - 1];
  if (entry.url == written && entry.name == card.title && entry.class_ == card.category &&
      entry.source == card.source)
    return true;
  const std::string was = entry.url;
  entry.url = written;
  entry.name = card.title;
  entry.class_ = card.category;
  entry.source = card.source;
  edited_.emplace_back(was, entry);
  // The index follows every change, so a crash never leaves a stored card out of it.
  indexChanged_ = true;
  WriteIndex();
  return true;
}

std::string DatumCapture::StoreNewCard(const CardText& card, const std::string& classPath,
                                       bool mayAsk) {
  CatchUpCardNumber();  // cards stored elsewhere meanwhile took theirs
  std::string path = CardPath(classPath, card.title, number_);
  // A card number set back by hand must not let a new card replace an older one.
  while (FileExists(path) && number_ < std::numeric_limits<int32_t>::max())
    path = CardPath(classPath, card.title, ++number_);
  // The top number is never used: the next one could not be written, nor wrap to reuse one.
  if (number_ == std::numeric_limits<int32_t>::max()) {
    if (mayAsk) Tell(prompter_, Gb("资料卡编号已用到最大值") + kNotStored + "!");
    return {};
  }
  std::string written;
  if (IsSafeTitle(card.title) && !FileExists(path)) written = WriteCard(path, card);
  if (written.empty() && mayAsk) written = AskForPath(path, card);
  if (written.empty()) return {};
  if (events_) events_->CardWritten(written);
  const bool atNewCard = AtNewCard();
  entries_.push_back({card.title, written, "", card.category, "", card.source});
  added_.push_back(entries_.back());
  ++number_;
  if (atNewCard) ++position_;
  // At once, so that a crash never lets two cards share a number.
  WriteCardNumber();
  indexChanged_ = true;
  WriteIndex();
  return written;
}

std::optional<IndexEntry> DatumCapture::Capture(std::string_view text, std::string_view source) {
  const std::string content = CrLfLines(text);
  if (content.empty() || HasLineBreak(source)) return std::nullopt;
  const std::string classPath = FindClassPath(kDefaultClass, classes_);
  if (classPath.empty()) return std::nullopt;
  CatchUpCardNumber();
  std::string title = CapturedTitle(content);
  if (title.empty()) title = Gb("资料卡") + Format("%ld", static_cast<long>(number_));
  const CardText card{kDefaultClass, title, content, CutChars(source, kSourceLimit)};
  std::string path = StoreNewCard(card, classPath, false);
  if (path.empty()) return std::nullopt;
  return IndexEntry{card.title, std::move(path), "", card.category, "", card.source};
}

std::string DatumCapture::WriteCard(const std::string& path, const CardText& card,
                                    const std::string& foundDate,
                                    const std::string& keyword) const {
  std::string document;
  XML(prompter_, clock_)
      .WriteDatum(document, card.title, card.category, card.content, dtdPath_, foundDate,
                  card.source, keyword, {});
  return WriteFileAtomic(path, document) ? path : std::string();
}

std::string DatumCapture::AskForPath(std::string path, const CardText& card,
                                     const std::string& foundDate, const std::string& keyword) {
  while (true) {
    Tell(prompter_, Gb("存储文件 ") + path + Gb(" 时出错,请选择文件的存储位置和名称!"));
    path = prompter_.PickFile({false, ".xml", Gb("XML 文件|*.xml|"), "", ""});
    if (path.empty()) return {};  // the user gives up; the text stays in the panel
    if (!WriteCard(path, card, foundDate, keyword).empty()) return path;
  }
}

void DatumCapture::CatchUpCardNumber() { number_ = std::max(number_, StoredCardNumber()); }

bool DatumCapture::WriteCardNumber() {
  CatchUpCardNumber();
  const std::string value = Format("%ld", static_cast<long>(number_));
  CConfigFile conf;
  if (conf.Load(kDatumConfPath) == 1 && conf.SetValue("id", value) == 1) return conf.Save() == 1;
  conf.Close();
  return AddConfigValue(kDatumConfPath, "DATUM", "id", value) == 1;
}

void DatumCapture::StartNewCard() {
  position_ = count() + 1;
  modified_ = false;
  shown_ = {kDefaultClass, Gb("资料卡") + Format("%ld", static_cast<long>(number_)), "", ""};
}

DatumCapture::Go DatumCapture::AskIfChanged() {
  // A copy: keeping the other version tells the lists changed, and the index may be read again.
  const std::string url = entries_[position_ - 1].url;
  if (!ChangedOnDisk(url, shownStamp_)) return Go::Write;
  switch (AskAboutDiskChange(prompter_)) {
    case DiskChoice::KeepBoth:  // the other version stays as a card of its own
      if (KeepCardAsItIs(url, events_)) return Go::Write;
      Tell(prompter_, Gb("读取文件 ") + url + Gb(" 时出错") + kNotStored + "!");
      return Go::Stop;
    case DiskChoice::Overwrite:
      return Go::Write;
    case DiskChoice::TakeTheirs:
      // The edit is dropped; the step it came with goes on.
      ShowEntry();
      modified_ = false;
      return Go::Skip;
    case DiskChoice::Cancel:
      return Go::Stop;
  }
  return Go::Stop;
}

void DatumCapture::ShowEntry() {
  const IndexEntry& entry = entries_[position_ - 1];
  bool whole = false;
  // Taken first: a change while reading counts as a change.
  shownStamp_ = StampOf(entry.url);
  DatumRecord head;
  shown_ = {entry.class_, entry.name, LoadContent(entry.url, &whole, &head), head.source};
  shownFound_ = head.founddate;
  shownKeyword_ = head.keyword;
  shownPartial_ = !whole && FileExists(entry.url);
}

bool DatumCapture::ShowPanel(const CardText& card) {
  if (!StoreCard(card)) return false;
  StartNewCard();
  return true;
}

bool DatumCapture::Previous(const CardText& card) {
  if (!CanGoBack() || !StoreCard(card)) return false;
  --position_;
  ShowEntry();
  return true;
}

bool DatumCapture::Next(const CardText& card) {
  if (!CanGoForward() || !StoreCard(card)) return false;
  ++position_;
  if (AtNewCard())
    StartNewCard();
  else
    ShowEntry();
  return true;
}

bool DatumCapture::GoToCard(const std::string& url, const CardText& card) {
  if (!StoreCard(card)) return false;
  const auto at = std::find_if(entries_.begin(), entries_.end(),
                               [&](const IndexEntry& entry) { return entry.url == url; });
  if (at == entries_.end()) {
    StartNewCard();
    return true;
  }
  position_ = static_cast<int>(at - entries_.begin()) + 1;
  ShowEntry();
  return true;
}

std::string DatumCapture::LoadContent(const std::string& path, bool* whole, DatumRecord* head) {
  if (whole) *whole = false;
  File file;
  if (!file.Open(path, File::Mode::Read)) return {};
  LineReader reader(file);
  XML xml(prompter_, clock_);
  if (!xml.ReadDatum(reader)) return {};
  if (whole) *whole = xml.datum.whole;
  if (head) *head = xml.datum;
  return xml.datum.content;
}

std::vector<std::string> DatumCapture::ReloadLists() {
  entries_ = LoadUntrimmedIndex(prompter_, &indexWhole_);
  indexChanged_ = false;
  added_.clear();
  edited_.clear();
  position_ = count() + 1;
  return LoadClassList(classes_);
}

bool DatumCapture::FollowLists() {
  CatchUpCardNumber();
  LoadClassList(classes_);
  if (indexChanged_) return false;  // written with the next store, joined to what is on disk then
  const std::string shownUrl = AtNewCard() ? std::string() : entries_[position_ - 1].url;
  SilentPrompter silent;
  bool whole = false;
  std::vector<IndexEntry> now = LoadUntrimmedIndex(silent, &whole);
  if (!whole) return false;
  entries_ = std::move(now);
  indexWhole_ = true;
  const auto at = std::ranges::find(entries_, shownUrl, &IndexEntry::url);
  if (shownUrl.empty() || at != entries_.end()) {
    position_ = shownUrl.empty() ? count() + 1 : static_cast<int>(at - entries_.begin()) + 1;
    return false;
  }
  // The card shown was trimmed elsewhere: an edit stays to be stored as a new card.
  position_ = count() + 1;
  if (modified_) return false;
  StartNewCard();
  return true;
}

bool DatumCapture::WriteIndex() {
  // Rewritten from a list read only in part, the index would lose the rest.
  if (!indexWhole_) {
    if (indexChanged_) Tell(prompter_, kIndexPartialText);
    return !indexChanged_;
  }
  if (!indexChanged_) return true;
  bool whole = false;
  SilentPrompter silent;
  std::vector<IndexEntry> now = LoadUntrimmedIndex(silent, &whole);
  if (!whole && FileExists(kUntrimmedIndexPath)) {
    Tell(prompter_, kIndexPartialText);
    return false;
  }
  for (const auto& [url, entry] : edited_)
    if (const auto at = std::ranges::find(now, url, &IndexEntry::url); at != now.end()) *at = entry;
  for (const IndexEntry& entry : added_)
    if (std::ranges::find(now, entry.url, &IndexEntry::url) == now.end()) now.push_back(entry);
  if (!WriteUntrimmedIndex(now)) {
    Tell(prompter_, Gb("存储文件 ") + std::string(kUntrimmedIndexPath) + Gb(" 时出错!"));
    return false;
  }
  const std::string shownUrl = AtNewCard() ? std::string() : entries_[position_ - 1].url;
  entries_ = std::move(now);
  const auto at = std::ranges::find(entries_, shownUrl, &IndexEntry::url);
  position_ = shownUrl.empty() || at == entries_.end()
                  ? count() + 1
                  : static_cast<int>(at - entries_.begin()) + 1;
  added_.clear();
  edited_.clear();
  indexChanged_ = false;
  return true;
}

void DatumCapture::Close(const CardText& card) {
  // Not twice: a second close (WM_CLOSE, then the exit) must not store the card again.
  if (StoreCard(card)) modified_ = false;
  WriteCardNumber();
  WriteIndex();
}

}  // namespace pim
