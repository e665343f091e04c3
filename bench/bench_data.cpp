#include "bench_data.h"

#include <unistd.h>

#include <cstdlib>

#include "base/atomic_file.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/gbk.h"
#include "config/config_file.h"
#include "datafolder.h"
#include "xmldoc/xml.h"

namespace bench {
namespace {

constexpr const char* kCard = "\xD7\xCA\xC1\xCF\xBF\xA8";     // 资料卡
constexpr const char* kCategory = "\xB7\xD6\xC0\xE0";         // 分类
constexpr const char* kKeyword = "\xB9\xD8\xBC\xFC\xD7\xD6";  // 关键字
constexpr const char* kSource = "\xC0\xB4\xD4\xB4";           // 来源
constexpr const char* kDate = "2026-12-6 23:24";

std::string CategoryName(int c) { return kCategory + std::to_string(c); }

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench: %s\n", what);
  std::exit(3);
}

}  // namespace

ScratchFolder::ScratchFolder() : previous_(std::filesystem::current_path()) {
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                         ? "/dev/shm"
                                         : std::filesystem::temp_directory_path();
  std::string name = (base / "pimbrel-bench-XXXXXX").string();
  if (!::mkdtemp(name.data())) Fail("cannot make a scratch folder");
  folder_ = name;
  std::filesystem::current_path(folder_);
  if (!pim::WriteDataFolder()) Fail("cannot write the data folder");
}

ScratchFolder::~ScratchFolder() {
  // The folder it was made in may be another scratch folder, already gone at exit.
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(folder_, ignored);
}

pim::IndexEntry CardEntry(int i) {
  const int c = i % kCategories;
  const std::string number = std::to_string(i);
  pim::IndexEntry e;
  e.name = kCard + number;
  e.class_ = CategoryName(c);
  e.url = "datum\\" + e.class_ + "\\" + e.name + ".datum." + number + ".xml";
  e.date = kDate;
  e.keyword = std::string(kKeyword) + " " + number;
  e.source = kSource + std::to_string(i % 10);
  return e;
}

std::vector<pim::IndexEntry> CardEntries(int count) {
  std::vector<pim::IndexEntry> entries;
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) entries.push_back(CardEntry(i));
  return entries;
}

size_t FieldBytes(const std::vector<pim::IndexEntry>& entries) {
  size_t bytes = 0;
  for (const auto& e : entries)
    bytes += e.name.size() + e.url.size() + e.class_.size() + e.date.size() + e.keyword.size() +
             e.source.size();
  return bytes;
}

std::string LineIndexDocument(const std::vector<pim::IndexEntry>& entries) {
  std::string out;
  pim::XML::WriteLineIndexHead(out, kCard, kKeyword);
  for (const auto& e : entries)
    pim::XML::WriteLineIndexLink(out, e.name, e.url, e.class_, e.date, e.keyword, e.source);
  pim::XML::WriteLineIndexEnd(out);
  return out;
}

void WriteCollection(int count) {
  pim::CConfigFile list;
  if (list.Load(pim::kClassListPath) != 1) Fail("no class.list");
  list.SetValue("count", std::to_string(kCategories));
  for (int c = 0; c < kCategories; ++c) {
    list.SetValue("name" + std::to_string(c), CategoryName(c));
    list.SetValue("path" + std::to_string(c), "datum\\" + CategoryName(c) + "\\");
    if (!pim::CreateFolder("datum\\" + CategoryName(c))) Fail("cannot make a category folder");
  }
  if (list.Save() != 1) Fail("cannot write class.list");

  SilentPrompter prompter;
  const pim::FixedClock clock({2026, 12, 6, 23, 24});
  const pim::XML xml(prompter, clock);
  const std::string text(200, 'x');  // a short card's content
  const std::vector<pim::IndexEntry> entries = CardEntries(count);
  for (const auto& e : entries) {
    std::string card;
    xml.WriteDatum(card, e.name, e.class_, text, "\\xmlstyle", e.date, e.source, e.keyword, {});
    if (!pim::WriteFileAtomic(e.url, card)) Fail("cannot write a card");
  }
  if (!pim::WriteUntrimmedIndex(entries) || !pim::AppendToIndex(pim::kTrimmedIndexPath, entries))
    Fail("cannot write the indexes");
}

void WriteLaunchLists(int count) {
  for (const char* path : pim::LaunchLists::kFiles) {
    pim::CConfigFile list;
    if (list.Load(path) != 1) Fail("no launch list");
    list.SetValue("MAIN", "count", std::to_string(count));
    for (int r = 1; r <= count; ++r) {
      const std::string section = "run" + std::to_string(r);
      const std::string program = "C:\\Program Files\\Tool" + std::to_string(r) + "\\tool.exe";
      list.SetValue(section, "hotkey", std::to_string(0x0200 + 'A' + r % 26));  // Ctrl+letter
      list.SetValue(section, "name", "Tool " + std::to_string(r));
      list.SetValue(section, "path", program);
      list.SetValue(section, "icon", program);
      list.SetValue(section, "workdir", "C:\\Program Files\\Tool" + std::to_string(r));
      list.SetValue(section, "info", "first line`@`second line");
    }
    if (list.Save() != 1) Fail("cannot write a launch list");
  }
}

void WriteConfig(const std::string& path, int lines) {
  std::string out;
  for (int i = 0; i < lines; ++i) {
    if (i % 9 == 0)
      out += "[S" + std::to_string(i / 9) + "]\r\n";
    else
      out += "key" + std::to_string(i % 9) + "=value " + std::to_string(i) + "\r\n";
  }
  if (!pim::WriteFileAtomic(path, out)) Fail("cannot write the settings file");
}

}  // namespace bench
