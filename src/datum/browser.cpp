#include "datum/browser.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "base/clock.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "config/config_file.h"
#include "datum/datum_store.h"

namespace pim {
namespace {

// The byte after which the label starts: the last "\" that is not the trail byte of a
// two-byte character, as FindText steps over them.
size_t LastSeparator(std::string_view name) {
  size_t last = std::string_view::npos;
  for (size_t at = FindText(name, "\\"); at != std::string_view::npos;
       at = FindText(name, "\\", at + 1))
    last = at;
  return last;
}

}  // namespace

int DatumBrowser::AddItem(const std::string& text, int parent) {
  items_.push_back({text, parent});
  return static_cast<int>(items_.size()) - 1;
}

int DatumBrowser::Rebuild(Prompter& prompter) {
  const std::string shown = current_ >= 0 ? cards_[static_cast<size_t>(current_)].url : "";
  Build(prompter);
  return shown.empty() ? kRoot : ItemOf(shown);
}

void DatumBrowser::Build(Prompter& prompter) {
  items_.clear();
  categories_.clear();
  cards_.clear();
  current_ = -1;
  // Full name -> tree item; a later row of the same name replaces an earlier one.
  std::unordered_map<std::string, int> byName;
  CConfigFile list;
  if (list.Load(folder_ + "\\class.list") == 1) {
    int32_t count = 0;
    ScanInt(list.GetValue("count"), count);
    count = std::clamp<int32_t>(count, 0, kDatumTableSize);
    for (int i = 0; i < count; ++i) {
      Category row;
      row.fullName = list.GetValue(Format("name%d", i));
      const size_t cut = LastSeparator(row.fullName);
      row.label = cut == std::string::npos ? row.fullName : row.fullName.substr(cut + 1);
      if (cut != std::string::npos && cut > 0) {
        const auto parent = byName.find(row.fullName.substr(0, cut));
        if (parent != byName.end()) row.parentItem = parent->second;
      }
      row.item = AddItem(row.label, row.parentItem);
      byName[row.fullName] = row.item;
      categories_.push_back(std::move(row));
    }
    list.Close();
  }
  ForEachIndexLink(folder_ + "\\lineindex.list", prompter, [&](const LineIndexRecord& r) {
    Card card{r.name, r.url, r.class_};
    if (const auto parent = byName.find(card.class_); parent != byName.end())
      card.parentItem = parent->second;
    card.item = AddItem(card.name, card.parentItem);
    cards_.push_back(std::move(card));
  });
}

std::optional<DatumBrowser::Page> DatumBrowser::Show(int item, Prompter& prompter) {
  // Categories take the first items, so a card's place follows from its item.
  const int at = item - static_cast<int>(categories_.size());
  if (at < 0 || at >= static_cast<int>(cards_.size())) return std::nullopt;
  current_ = at;
  const Card& card = cards_[static_cast<size_t>(at)];
  if (card.url.empty()) return std::nullopt;
  File file;
  if (!file.Open(card.url, File::Mode::Read)) return Page{Gb("找不到资料卡文件: ") + card.url, {}};
  LineReader reader(file);
  const SystemClock clock;
  XML xml(prompter, clock);
  xml.ReadDatum(reader);  // a damaged card shows what could be read
  return Page{HeaderText(xml.datum), xml.datum.content};
}

int DatumBrowser::PreviousItem() const {
  if (current_ <= 0) return kRoot;
  return cards_[static_cast<size_t>(current_ - 1)].item;
}

int DatumBrowser::NextItem() const {
  if (current_ < 0 || current_ + 1 >= static_cast<int>(cards_.size())) return kRoot;
  return cards_[static_cast<size_t>(current_ + 1)].item;
}

int DatumBrowser::ItemOf(std::string_view url) const {
  for (const Card& card : cards_)
    if (card.url == url) return card.item;
  return kRoot;
}

std::string DatumBrowser::HeaderText(const DatumRecord& card) {
  return Gb("标题:") + card.title + Gb("\r\n类别:") + card.class_ + Gb("\t来源:") + card.source +
         Gb("\r\n建立日期:") + card.founddate + Gb("\t修改日期:") + card.modifieddate +
         Gb("\r\n关键字:") + card.keyword;
}

}  // namespace pim
