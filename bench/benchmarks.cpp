// The measured operations: the line-index reader next to its two references, and the models
// at a collection size n and 10 n.
#include "benchmarks.h"

#include <benchmark/benchmark.h>
#include <libxml/xmlreader.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "base/atomic_file.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/line_reader.h"
#include "base/path.h"
#include "bench_data.h"
#include "config/config_file.h"
#include "datum/browser.h"
#include "datum/trimming.h"
#include "xmldoc/xml.h"

namespace bench {
namespace {

constexpr const char* kIndexFile = "bench.list";

// A folder per name and size, made once: a 100,000-card collection takes seconds to write.
template <typename Setup>
ScratchFolder& Folder(const std::string& name, int n, Setup setup) {
  static std::map<std::pair<std::string, int>, std::unique_ptr<ScratchFolder>> folders;
  auto& folder = folders[{name, n}];
  if (!folder) {
    folder = std::make_unique<ScratchFolder>();
    setup();
  }
  folder->Enter();
  Cool();
  return *folder;
}

void IndexFolder(int n) {
  Folder("index", n, [n] { pim::WriteFileAtomic(kIndexFile, LineIndexDocument(CardEntries(n))); });
}

void ReadIndexOurs(benchmark::State& state, int n) {
  IndexFolder(n);
  SilentPrompter prompter;
  const pim::SystemClock clock;
  for (auto _ : state) {
    pim::File file;
    file.Open(kIndexFile, pim::File::Mode::Read);
    pim::LineReader reader(file);
    pim::XML xml(prompter, clock);
    xml.ReadLineIndexHead(reader);
    int links = 0;
    while (xml.ReadLineIndexLink(reader)) ++links;
    if (links != n) state.SkipWithError("links lost");
    benchmark::DoNotOptimize(xml.lineIndex);
  }
}

// The same six fields of every link through libxml2's streaming reader.
void ReadIndexLibXml(benchmark::State& state, int n) {
  IndexFolder(n);
  static const char* const kFields[] = {"name", "url", "class", "date", "keyword", "source"};
  for (auto _ : state) {
    xmlTextReaderPtr reader = xmlReaderForFile(kIndexFile, nullptr, XML_PARSE_NONET);
    std::string fields[6];
    int field = -1, links = 0;
    while (xmlTextReaderRead(reader) == 1) {
      const int type = xmlTextReaderNodeType(reader);
      if (type == XML_READER_TYPE_ELEMENT) {
        const char* name = reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader));
        field = -1;
        if (xmlTextReaderDepth(reader) == 1 && std::strcmp(name, "link") == 0) ++links;
        if (xmlTextReaderDepth(reader) != 2) continue;
        for (int f = 0; f < 6; ++f)
          if (std::strcmp(name, kFields[f]) == 0) field = f;
      } else if (type == XML_READER_TYPE_TEXT && field >= 0) {
        fields[field] = reinterpret_cast<const char*>(xmlTextReaderConstValue(reader));
      } else if (type == XML_READER_TYPE_END_ELEMENT) {
        field = -1;
      }
    }
    xmlFreeTextReader(reader);
    if (links != n) state.SkipWithError("libxml2 lost links");
    benchmark::DoNotOptimize(fields);
  }
}

// The file's bytes into memory and nothing else: what no reader can beat.
void ReadIndexPlain(benchmark::State& state, int n) {
  IndexFolder(n);
  for (auto _ : state) {
    std::FILE* file = std::fopen(kIndexFile, "rb");
    std::fseek(file, 0, SEEK_END);
    std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
    std::fseek(file, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
      state.SkipWithError("short read");
    std::fclose(file);
    benchmark::DoNotOptimize(bytes);
  }
}

void CollectionFolder(int n) {
  Folder("cards", n, [n] { WriteCollection(n); });
}

void LoadUntrimmed(benchmark::State& state, int n) {
  CollectionFolder(n);
  SilentPrompter prompter;
  for (auto _ : state) {
    const auto entries = pim::LoadUntrimmedIndex(prompter);
    if (static_cast<int>(entries.size()) != n) state.SkipWithError("entries lost");
  }
}

void BuildBrowser(benchmark::State& state, int n) {
  CollectionFolder(n);
  SilentPrompter prompter;
  for (auto _ : state) {
    pim::DatumBrowser browser("datum");
    browser.Build(prompter);
    if (browser.items().size() != static_cast<size_t>(n + kCategories))
      state.SkipWithError("tree incomplete");
  }
}

void WalkTrimming(benchmark::State& state, int n) {
  CollectionFolder(n);
  SilentPrompter prompter;
  const pim::SystemClock clock;
  pim::DatumTrimming trimming(prompter, clock, "C:\\Pimbrel");
  if (trimming.Open() != pim::DatumTrimming::Start::Ready) state.SkipWithError("no entries");
  for (auto _ : state)
    for (int i = 1; i <= n; ++i) trimming.ShowItem(i);
  if (trimming.form().text.empty()) state.SkipWithError("card not read");
}

// Every entry trimmed, every third also a bookmark, every fifth also in the index list.
struct TrimmedCollection {
  SilentPrompter prompter;
  pim::SystemClock clock;
  pim::DatumTrimming trimming{prompter, clock, "C:\\Pimbrel"};
  std::string lineIndex, bookmarks, index;
};

void WriteIndexes(benchmark::State& state, int n) {
  static std::map<int, std::unique_ptr<TrimmedCollection>> made;
  auto& trimmed = made[n];
  Folder("trimmed", n, [&] {
    WriteCollection(n);
    trimmed = std::make_unique<TrimmedCollection>();
    pim::DatumTrimming& t = trimmed->trimming;
    t.Open();
    for (int i = 1; i <= n; ++i) {
      pim::TrimForm form = t.form();
      form.bookmark = i % 3 == 0;
      form.index = i % 5 == 0;
      if (i < n)
        t.Next(form);
      else
        t.Save(form);
    }
    // The trimmed index as the collection has it, the other two as installed.
    pim::ReadWholeFile(pim::kTrimmedIndexPath, trimmed->lineIndex);
    pim::ReadWholeFile(pim::kBookmarkListPath, trimmed->bookmarks);
    pim::ReadWholeFile(pim::kIndexListPath, trimmed->index);
  });
  for (auto _ : state) {
    state.PauseTiming();
    pim::WriteFileAtomic(pim::kTrimmedIndexPath, trimmed->lineIndex);
    pim::WriteFileAtomic(pim::kBookmarkListPath, trimmed->bookmarks);
    pim::WriteFileAtomic(pim::kIndexListPath, trimmed->index);
    Cool();
    state.ResumeTiming();
    if (!trimmed->trimming.WriteIndexes()) state.SkipWithError("indexes not written");
  }
  if (trimmed->prompter.messages != 0) state.SkipWithError("a message was shown");
}

void LaunchFolder(int n) {
  Folder("launch", n, [n] { WriteLaunchLists(n); });
}

void LoadLaunchLists(benchmark::State& state, int n) {
  LaunchFolder(n);
  SilentPrompter prompter;
  NoHotkeys hotkeys;
  NoShell shell;
  NoImages images;
  for (auto _ : state) {
    pim::LaunchLists lists(prompter, hotkeys, shell, images);
    lists.LoadAll();
    if (lists.count(3) != n) state.SkipWithError("records lost");
  }
}

void SaveLaunchLists(benchmark::State& state, int n) {
  LaunchFolder(n);
  SilentPrompter prompter;
  NoHotkeys hotkeys;
  NoShell shell;
  NoImages images;
  pim::LaunchLists lists(prompter, hotkeys, shell, images);
  lists.LoadAll();
  for (auto _ : state)
    for (int list = 0; list < pim::LaunchLists::kListCount; ++list)
      if (!lists.SaveList(list)) state.SkipWithError("list not saved");
}

// Load, a hundred look-ups spread over the file, Save.
void UseConfig(benchmark::State& state, int n) {
  Folder("config", n, [n] { WriteConfig("set\\big.conf", n); });
  const int sections = n / 9;
  for (auto _ : state) {
    pim::CConfigFile file;
    file.Load("set\\big.conf");
    for (int i = 0; i < 100; ++i) {
      const int s = i * sections / 100;
      if (file.GetValue("S" + std::to_string(s), "key" + std::to_string(1 + i % 8)) ==
          pim::CConfigFile::kNotFound)
        state.SkipWithError("key not found");
    }
    if (file.Save() != 1) state.SkipWithError("not saved");
  }
}

}  // namespace

void Cool() {
  // Beyond what the caches hold here: 600 MiB measured the same as 256.
  static std::vector<char> other(256u << 20);
  for (size_t i = 0; i < other.size(); i += 64) ++other[i];
  benchmark::DoNotOptimize(other.data());
}

std::vector<Measure> Measures() {
  return {
      {"lineindex reader", kIndexN, 10 * kIndexN, ReadIndexOurs},
      {"libxml2 xmlTextReader", kIndexN, 10 * kIndexN, ReadIndexLibXml},
      {"plain read", kIndexN, 10 * kIndexN, ReadIndexPlain},
      {"LoadUntrimmedIndex", kCardsN, 10 * kCardsN, LoadUntrimmed},
      {"browser Build", kCardsN, 10 * kCardsN, BuildBrowser},
      {"WriteIndexes", kCardsN, 10 * kCardsN, WriteIndexes},
      {"trimming walk (ShowItem)", kCardsN, 10 * kCardsN, WalkTrimming},
      {"quick-launch LoadList x4", 5, 50, LoadLaunchLists},
      {"quick-launch SaveList x4", 5, 50, SaveLaunchLists},
      {"config Load+100 Get+Save", kCardsN, 10 * kCardsN, UseConfig},
  };
}

}  // namespace bench
