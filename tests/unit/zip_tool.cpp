// Makes, checks and restores archives from the command line, so independent zip readers and
// writers can be set against ours (tests/zip_check.py), and measures what a check or a
// restore takes: the peak of the memory it asks for and the time.
//   pimbrel_zip_tool zip64|backup|check|restore <folder> <archive> [memory budget in bytes]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "backup/backup.h"
#include "backup/restore.h"
#include "base/path.h"

namespace {

// Every allocation is counted; one that would pass the budget ends the run at once, before
// it is made, with exit status 3.
std::atomic<size_t> live{0}, peak{0};
size_t budget = SIZE_MAX;
constexpr size_t kHeader = 16;  // keeps the size, and malloc's alignment

void* Take(size_t n) {
  const size_t now = live += n;
  if (now > budget) {
    std::fprintf(stderr, "over the memory budget: %zu bytes asked for, %zu in use\n", n, now - n);
    std::_Exit(3);
  }
  for (size_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
  }
  char* p = static_cast<char*>(std::malloc(n + kHeader));
  if (!p) throw std::bad_alloc();
  *reinterpret_cast<size_t*>(p) = n;
  return p + kHeader;
}

void Give(void* q) noexcept {
  if (!q) return;
  char* p = static_cast<char*>(q) - kHeader;
  live -= *reinterpret_cast<size_t*>(p);
  std::free(p);
}

}  // namespace

void* operator new(size_t n) { return Take(n); }
void* operator new[](size_t n) { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }

int main(int argc, char** argv) {
  using namespace pim;
  if (argc != 4 && argc != 5) return 2;
  const std::string command = argv[1];
  const LocalTime now{2026, 12, 7, 10, 0, 1};
  const std::string target = FromNativeName(std::filesystem::absolute(argv[3]).string());
  if (command == "zip64") {
    ZipWriter zip;
    zip.maxEntries16 = 1;
    zip.maxSize32 = 16;
    const bool ok = zip.Open(target) && zip.AddFolder("set/", now) &&
                    zip.AddFile("set/sets.conf", "[SYS]\r\nhotkey=583\r\n", now) &&
                    zip.AddFile("note/\xE4\xB8\x83.xml", std::string(70000, 'q'), now) &&
                    zip.Finish();
    return ok ? 0 : 1;
  }
  std::filesystem::current_path(argv[2]);
  if (command == "backup") return WriteBackup(target, "test", now).ok ? 0 : 1;
  if (command != "restore" && command != "check") return 2;
  const auto start = std::chrono::steady_clock::now();
  if (argc == 5) budget = std::strtoull(argv[4], nullptr, 10);
  int status = 0;
  {
    ZipReader reader;
    RestorePlan plan;
    std::string detail;
    const ArchiveCheck check = CheckArchive(target, reader, plan, detail);
    if (check != ArchiveCheck::Ok) {
      std::printf("refused: %d %s\n", static_cast<int>(check), detail.c_str());
      status = 1;
    } else if (command == "restore") {
      // With the packing of its safety copy, as the program does next.
      const RestoreResult result = RunRestore(reader, plan, "test", now, detail);
      const bool ok = result == RestoreResult::Ok && PackSafetyCopy(detail);
      if (!ok) std::printf("restore failed: %s\n", detail.c_str());
      status = ok ? 0 : 1;
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("peak %zu bytes, %.3f s\n", peak.load(), took.count());
  return status;
}
