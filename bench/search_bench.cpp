// Search over 10,000 notes, 10,000 contacts and 100,000 cards of Chinese text, and over ten
// times fewer, natively, against its budgets: reading the records and building the index
// from the files, each keystroke's query, and the notes panel's filtered step over 20,000
// notes; exit status 1 when one breaks.
//   pimbrel_search_bench
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "bench_data.h"
#include "notes/notebook.h"
#include "records/record_store.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "search/search.h"
#include "search/search_cache.h"
#include "search_data.h"

// The heap in use and its peak: every allocation of the program's code goes through here, on
// the scan's and the search's worker threads too. Each thread adds up its own and passes on
// every 64 KB: two threads counting every allocation in one place slowed each other by a
// third. The figures are exact to within 64 KB a thread.
namespace {
std::atomic<int64_t> heapNow = 0, heapPeak = 0;
thread_local int64_t heapOwn = 0;

void CountHeap(int64_t bytes) {
  heapOwn += bytes;
  if (heapOwn < 65536 && heapOwn > -65536) return;
  const int64_t now = heapNow += heapOwn;
  heapOwn = 0;
  int64_t peak = heapPeak.load(std::memory_order_relaxed);
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}
}  // namespace

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  CountHeap(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* p) noexcept {
  if (p) CountHeap(-static_cast<int64_t>(malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kLimit = 200;  // hits a query hands out
constexpr int kRuns = 5;

double Ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int broken = 0;

void Line(const std::string& what, double value, const char* unit, const std::string& rest = "") {
  std::string line = pim::Format("%-58s %8.3f %-2s ", what.c_str(), value, unit) + rest;
  while (line.back() == ' ') line.pop_back();
  std::puts(line.c_str());
}

void Check(const std::string& what, double value, const char* unit, double limit,
           const std::string& note = "") {
  const bool holds = value >= 0 && value <= limit;
  Line(what, value, unit, pim::Format("<= %-5g %-6s ", limit, holds ? "held" : "BROKEN") + note);
  broken += holds ? 0 : 1;
}

struct Timing {
  double median = 0, worst = 0;
  size_t hits = 0;
};

template <typename Step>
Timing Time(Step step) {
  std::vector<double> runs;
  Timing t;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = Clock::now();
    t.hits = step();
    runs.push_back(Ms(start));
  }
  std::sort(runs.begin(), runs.end());
  t.median = runs[runs.size() / 2];
  t.worst = runs.back();
  return t;
}

Timing Query(pim::Searcher& searcher, const std::string& query) {
  return Time([&] {
    size_t total = 0;
    searcher.Find(query, pim::SearchScope::All, kLimit, &total);
    return total;
  });
}

std::string Note(const std::string& query, const Timing& t) {
  return "\"" + pim::GbToUtf8(query) + "\", " + std::to_string(t.hits) +
         (t.hits == 1 ? " hit" : " hits") + ", worst run " + pim::Format("%.1f", t.worst) + " ms";
}

struct Figures {
  double build = 0, query = 0;
};

// Notes rewritten behind the program's back: each takes the next one's bytes.
int ChangeNotes(int count) {
  int changed = 0;
  for (int n = 0; n < count; ++n) {
    std::string bytes;
    if (pim::ReadWholeFile(pim::Format("note\\n.%d.xml", n + 1), bytes) &&
        pim::WriteFileAtomic(pim::Format("note\\n.%d.xml", n), bytes))
      ++changed;
  }
  return changed;
}

// A restart: what was kept at exit answers at once; then the folders are listed and what
// changed meanwhile is read again.
void Restart(const pim::RecordStore& store, pim::Searcher& searcher, int notes) {
  auto start = Clock::now();
  const bool written = pim::WriteSearchCache(pim::kSearchCachePath, "", 0, store, searcher);
  const double write = Ms(start);
  pim::File file;
  const double size = file.Open(pim::kSearchCachePath, pim::File::Mode::Read)
                          ? static_cast<double>(file.Size()) / 1048576
                          : 0;
  file.Close();
  Line("  writing the cache at exit (outside the budget)", written ? write / 1000 : -1, "s",
       pim::Format("%.1f MB", size));
  const int changed = ChangeNotes(notes / 100);
  start = Clock::now();
  pim::RecordStore kept;
  pim::Searcher again(kept);
  int64_t readAt = 0;
  const bool loaded = pim::ReadSearchCache(pim::kSearchCachePath, "", readAt, kept, again);
  size_t total = 0;
  again.Find("w", pim::SearchScope::All, kLimit, &total);
  const double first = Ms(start);
  Check("  first answer after a restart, from the cache", loaded ? first / 1000 : -1, "s", 0.3,
        pim::Format("%zu hits", total));
  // The listing and reading run on threads of their own; the window only takes in.
  kept.ScanAll();
  again.Find("w", pim::SearchScope::All, kLimit, &total);
  Check("  results corrected from the folders", Ms(start) / 1000, "s", 1.5,
        pim::Format("%d notes changed on disk, %zu records read again", changed,
                    kept.changes().size()));
}

Figures Collection(const bench::Collection& size) {
  const std::string records =
      pim::Format("%d notes + %d contacts + %d cards", size.notes, size.contacts, size.cards);
  std::printf("search over %s\n", records.c_str());
  bench::ScratchFolder folder;
  auto start = Clock::now();
  const uint64_t fileBytes = bench::WriteSearchCollection(size);
  Line("  writing the files (outside the budget)", Ms(start) / 1000, "s");

  // The files are written and in the page cache; from here the build is measured.
  const int64_t heapBefore = heapPeak = heapNow.load();
  start = Clock::now();
  pim::RecordStore store;
  store.ScanAll();
  const double scan = Ms(start);
  start = Clock::now();
  pim::Searcher searcher(store);
  searcher.Find("w", pim::SearchScope::All, kLimit);
  const double index = Ms(start);
  const double heap = static_cast<double>(heapPeak - heapBefore);
  const double held = static_cast<double>(heapNow - heapBefore);

  double text = 0;
  for (const pim::Record& r : store.records())
    for (const std::string& field : r.fields) text += static_cast<double>(field.size());
  Line("  reading the records: RecordStore::ScanAll", scan / 1000, "s",
       std::to_string(store.records().size()) + " records, " + std::to_string(store.unreadable()) +
           " unreadable");
  Line("  building the index: the first Find (\"w\")", index / 1000, "s");
  Check("  records and index from the files (sum)", (scan + index) / 1000, "s", 1.5);
  Line("  record text held (fields) / bytes of the files read", text / 1048576, "MB",
       pim::Format("%.1f MB of files", static_cast<double>(fileBytes) / 1048576));
  Check("  peak heap growth (operator new) / text held", heap / text, "x", 2,
        pim::Format("%.1f MB; %.1f MB still held", heap / 1048576, held / 1048576));

  Figures figures{scan + index, 0};
  const struct {
    const char* what;
    const char* utf8;
  } queries[] = {
      {"  query: a common word", "我们"},
      {"  query: a rare word", "麒麟"},
      {"  query: two words", "北京 会议"},
      {"  query: a miss", "量子计算机"},
      {"  query: a Latin word in mixed case", "wINDows"},
      {"  query: pinyin initials", "wxm"},
      {"  query: full pinyin", "wangxiaoming"},
  };
  for (const auto& q : queries) {
    const std::string query = pim::Gb(q.utf8);
    const Timing t = Query(searcher, query);
    Check(q.what, t.median, "ms", 30, Note(query, t));
    figures.query = std::max(figures.query, t.median);
  }
  const std::string typed = "wangxiaoming";
  std::string slowest, each;
  Timing worst;
  for (size_t n = 1; n <= typed.size(); ++n) {
    const Timing t = Query(searcher, typed.substr(0, n));
    each += pim::Format(" %.1f", t.median);
    if (t.median >= worst.median) {
      worst = t;
      slowest = typed.substr(0, n);
    }
  }
  Check("  typing \"wangxiaoming\": slowest of its 12 prefixes", worst.median, "ms", 30,
        Note(slowest, worst));
  std::printf("    each prefix, ms:%s\n", each.c_str());
  figures.query = std::max(figures.query, worst.median);
  Restart(store, searcher, size.notes);
  return figures;
}

// "＜" with the filter of a type none of 20,000 notes has, from the newest note.
void FilteredStep() {
  std::printf("notes panel: filtered previous over 20000 notes, none of the type\n");
  bench::ScratchFolder folder;
  bench::WriteSearchCollection({20000, 0, 0, 5});
  bench::SilentPrompter prompter;
  const pim::FixedClock clock({2026, 12, 7, 12, 0, 0});
  auto step = [&](pim::RecordEvents* events) {
    pim::NoteBook book(prompter, clock, events);
    book.Open();
    return Time([&] {
      return static_cast<size_t>(book.Previous(5) == pim::NoteBook::Step::Unchanged &&
                                 book.current() == 20000);
    });
  };
  const Timing alone = step(nullptr);
  Line("  without the records in memory (reads every note)", alone.median, "ms",
       pim::Format("worst run %.1f ms", alone.worst) + (alone.hits ? "" : ", WRONG STEP"));
  pim::RecordStore store;
  pim::RecordEvents events;
  events.SetNoteTypes(&store);
  store.ScanAll();
  const Timing known = step(&events);
  Check("  with the scanned records", known.hits ? known.median : -1, "ms", 50,
        pim::Format("worst run %.1f ms", known.worst));
}

}  // namespace

int main() {
  const Figures small = Collection({1000, 1000, 10000});
  const Figures large = Collection({10000, 10000, 100000});
  Line("  growth with 10x the records: build", large.build / small.build, "x");
  Line("  growth with 10x the records: slowest query", large.query / small.query, "x");
  FilteredStep();
  return broken == 0 ? 0 : 1;
}
