// Search over 10,000 notes, 10,000 contacts and 100,000 cards of Chinese text, and over ten
// times fewer, natively, against its budgets: reading the records and building the index
// from the files, each keystroke's query, and the notes panel's filtered step over 20,000
// notes; exit status 1 when one breaks.
//   pimbrel_search_bench
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "bench_data.h"
#include "notes/notebook.h"
#include "records/record_store.h"
#include "search/search.h"
#include "search/search_cache.h"
#include "search_data.h"

// The heap in use and its peak: every allocation of the program's code goes through here, on
// the scan's and the search's worker threads too. Each thread adds up its own and passes on
// every 64 KB: two threads counting every allocation in one place slowed each other by a
// third. The figures are exact to within 64 KB a thread. Counted only in the process that
// measures the heap: elsewhere the counting took about 2% of the time measured.
namespace {
bool countingHeap = false;
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
  if (countingHeap) CountHeap(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* p) noexcept {
  if (p && countingHeap) CountHeap(-static_cast<int64_t>(malloc_usable_size(p)));
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

// What a start does is measured in new processes, as the program's is after a start: this
// program again, told what to measure, not a copy of this one, whose heap the writing of the
// files and the earlier measures have shaped. The writing runs in one too. Each run's figures
// come back through a pipe; a run that fails gives none.
constexpr size_t kFreshRuns = 5;
constexpr char kMeasure[] = "--measure";

std::vector<std::vector<double>> InNewProcesses(size_t times, const char* what,
                                                const bench::Collection& size) {
  std::vector<std::vector<double>> runs;
  const std::string counts[] = {std::to_string(size.notes), std::to_string(size.contacts),
                                std::to_string(size.cards)};
  for (size_t run = 0; run < times; ++run) {
    std::fflush(stdout);
    int pipe[2];
    if (::pipe(pipe) != 0) break;
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(pipe[1], STDOUT_FILENO);
      ::close(pipe[0]);
      ::close(pipe[1]);
      ::execl("/proc/self/exe", "pimbrel_search_bench", kMeasure, what, counts[0].c_str(),
              counts[1].c_str(), counts[2].c_str(), nullptr);
      ::_exit(127);
    }
    ::close(pipe[1]);
    std::vector<double> figures;
    double value = 0;
    while (child > 0 && ::read(pipe[0], &value, sizeof value) == sizeof value)
      figures.push_back(value);
    ::close(pipe[0]);
    int status = 1;
    if (child > 0) ::waitpid(child, &status, 0);
    if (child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) runs.push_back(figures);
  }
  return runs;
}

// The median of figure `k` of the runs, and every run's value; -1 when one failed.
double Median(const std::vector<std::vector<double>>& runs, size_t k, std::string* each = nullptr) {
  std::vector<double> values;
  for (const std::vector<double>& run : runs)
    if (k < run.size()) {
      values.push_back(run[k]);
      if (each) *each += pim::Format(each->empty() ? "%.3f" : ", %.3f", run[k]);
    }
  if (values.empty() || values.size() < runs.size() || runs.size() < kFreshRuns) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

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

// The records read and the entries made from the files with no cache; then the cache kept as
// the program keeps it at exit.
std::vector<double> MeasureFromTheFiles() {
  auto begin = Clock::now();
  pim::RecordStore store;
  store.ScanAll();
  const double read = Ms(begin) / 1000;
  begin = Clock::now();
  pim::Searcher searcher(store);
  searcher.Find("w", pim::SearchScope::All, kLimit);
  const double index = Ms(begin) / 1000;
  begin = Clock::now();
  const bool written = pim::WriteSearchCache(pim::kSearchCachePath, "", 0, store, searcher);
  const double write = Ms(begin) / 1000;
  pim::File file;
  const double size = file.Open(pim::kSearchCachePath, pim::File::Mode::Read)
                          ? static_cast<double>(file.Size()) / 1048576
                          : 0;
  return {read,
          index,
          read + index,
          written ? write : -1,
          size,
          static_cast<double>(store.records().size()),
          static_cast<double>(store.unreadable())};
}

// A restart: what was kept at exit answers at once; then the folders are listed and what
// changed meanwhile is read again.
std::vector<double> MeasureRestart() {
  const auto begin = Clock::now();
  pim::RecordStore kept;
  pim::Searcher again(kept);
  int64_t readAt = 0;
  const bool loaded = pim::ReadSearchCache(pim::kSearchCachePath, "", readAt, kept, again);
  size_t total = 0;
  again.Find("w", pim::SearchScope::All, kLimit, &total);
  const double first = loaded ? Ms(begin) / 1000 : -1;
  const double hits = static_cast<double>(total);
  // The listing and reading run on threads of their own; the window only takes in.
  kept.ScanAll();
  again.Find("w", pim::SearchScope::All, kLimit, &total);
  return {first, Ms(begin) / 1000, hits, static_cast<double>(kept.changes().size())};
}

std::vector<double> MeasureHeap() {
  const int64_t before = heapPeak = heapNow.load();
  pim::RecordStore store;
  store.ScanAll();
  pim::Searcher searcher(store);
  searcher.Find("w", pim::SearchScope::All, kLimit);
  double text = 0;
  for (const pim::Record& r : store.records())
    for (const std::string& field : r.fields) text += static_cast<double>(field.size());
  return {static_cast<double>(heapPeak - before), static_cast<double>(heapNow - before), text};
}

std::vector<double> MeasureWriting(const bench::Collection& size) {
  const auto begin = Clock::now();
  const auto bytes = static_cast<double>(bench::WriteSearchCollection(size));
  return {Ms(begin) / 1000, bytes};
}

double FromTheFiles(const bench::Collection& size) {
  const auto runs = InNewProcesses(kFreshRuns, "files", size);
  Line("  reading the records: RecordStore::ScanAll", Median(runs, 0), "s",
       pim::Format("%.0f records, %.0f unreadable", Median(runs, 5), Median(runs, 6)));
  Line("  building the index: the first Find (\"w\")", Median(runs, 1), "s");
  std::string each;
  const double build = Median(runs, 2, &each);
  Check("  records and index from the files (sum)", build, "s", 1.5,
        "median of new processes: " + each);
  Line("  writing the cache at exit (outside the budget)", Median(runs, 3), "s",
       pim::Format("%.1f MB", Median(runs, 4)));
  return build;
}

void Restart(const bench::Collection& size) {
  const int changed = ChangeNotes(size.notes / 100);
  const auto runs = InNewProcesses(kFreshRuns, "restart", size);
  std::string each;
  const double first = Median(runs, 0, &each);
  Check("  first answer after a restart, from the cache", first, "s", 0.3,
        pim::Format("%.0f hits; median of new processes: ", Median(runs, 2)) + each);
  each.clear();
  const double corrected = Median(runs, 1, &each);
  Check(
      "  results corrected from the folders", corrected, "s", 1.5,
      pim::Format("%d notes changed on disk, %.0f records read again; ", changed, Median(runs, 3)) +
          each);
}

Figures Collection(const bench::Collection& size) {
  const std::string records =
      pim::Format("%d notes + %d contacts + %d cards", size.notes, size.contacts, size.cards);
  std::printf("search over %s\n", records.c_str());
  bench::ScratchFolder folder;
  const auto writing = InNewProcesses(1, "writing", size);
  if (writing.empty() || writing[0].size() != 2) {
    Check("  writing the files", -1, "s", 0);
    return {};
  }
  Line("  writing the files (outside the budget)", writing[0][0], "s");
  // The files are written and in the page cache: from here a start is measured. The heap
  // first, of the collection as written.
  const auto heaps = InNewProcesses(1, "heap", size);
  const double build = FromTheFiles(size);
  Restart(size);

  const bool measured = !heaps.empty() && heaps[0].size() == 3;
  const double heap = measured ? heaps[0][0] : -1, held = measured ? heaps[0][1] : -1,
               text = measured ? heaps[0][2] : 1;
  Line("  record text held (fields) / bytes of the files read", text / 1048576, "MB",
       pim::Format("%.1f MB of files", writing[0][1] / 1048576));
  Check("  peak heap growth (operator new) / text held", heap / text, "x", 2,
        pim::Format("%.1f MB; %.1f MB still held", heap / 1048576, held / 1048576));
  pim::RecordStore store;
  store.ScanAll();
  pim::Searcher searcher(store);
  searcher.Find("w", pim::SearchScope::All, kLimit);

  Figures figures{build, 0};
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

int main(int argc, char** argv) {
  if (argc == 6 && std::string_view(argv[1]) == kMeasure) {
    const std::string_view what = argv[2];
    countingHeap = what == "heap";
    const bench::Collection size{std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5])};
    const std::vector<double> figures = what == "writing"   ? MeasureWriting(size)
                                        : what == "files"   ? MeasureFromTheFiles()
                                        : what == "restart" ? MeasureRestart()
                                        : what == "heap"    ? MeasureHeap()
                                                            : std::vector<double>();
    const size_t bytes = figures.size() * sizeof(double);
    return !figures.empty() &&
                   ::write(STDOUT_FILENO, figures.data(), bytes) == static_cast<ssize_t>(bytes)
               ? 0
               : 1;
  }
  const Figures small = Collection({1000, 1000, 10000});
  const Figures large = Collection({10000, 10000, 100000});
  Line("  growth with 10x the records: build", large.build / small.build, "x");
  Line("  growth with 10x the records: slowest query", large.query / small.query, "x");
  FilteredStep();
  return broken == 0 ? 0 : 1;
}
