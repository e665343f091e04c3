// Backup and restore of 10,000 notes, 10,000 contacts and 10,000 cards of Chinese text
// (500 to 2,000 bytes each), natively, against their budgets; exit status 1 when one breaks.
//   pimbrel_backup_bench [scratch folder]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "backup/backup.h"
#include "backup/restore.h"
#include "base/file.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// GBK text whose characters follow a Zipf law over 3,000 of them, as running Chinese text
// does, with punctuation and line breaks, in a document's frame of fixed markup.
std::string ChineseText(std::mt19937& random, size_t bytes) {
  static const std::vector<double> weights = [] {
    std::vector<double> w(3000);
    for (size_t i = 0; i < w.size(); ++i) w[i] = 1.0 / static_cast<double>(i + 1);
    return w;
  }();
  std::string text =
      "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<note>\r\n<buildtime>2026-12-7 9:30"
      "</buildtime>\r\n<content>";
  // Words of one to four characters, themselves used with a Zipf law: text repeats its words.
  static const std::vector<std::string> words = [] {
    std::mt19937 r(11);
    std::discrete_distribution<int> character(weights.begin(), weights.end());
    std::vector<std::string> list(4000);
    for (std::string& word : list)
      for (unsigned n = 1 + r() % 4; n > 0; --n) {
        const int c = character(r);
        word.push_back(static_cast<char>(0xB0 + c / 94));
        word.push_back(static_cast<char>(0xA1 + c % 94));
      }
    return list;
  }();
  static const std::vector<double> wordWeights(weights.begin(), weights.end());
  std::discrete_distribution<int> word(wordWeights.begin(), wordWeights.end());
  while (text.size() + 32 <= bytes) {
    const unsigned r = random() % 12;
    if (r == 0) {
      text += "\r\n";
    } else if (r == 1) {
      text += "\xA3\xAC";  // ，
    } else {
      text += words[static_cast<size_t>(word(random)) % words.size()];
    }
  }
  return text + "</content>\r\n</note>\r\n";
}

uint64_t MakeData(const fs::path& folder) {
  std::mt19937 random(7);
  uint64_t bytes = 0;
  auto write = [&](const fs::path& path) {
    const std::string text = ChineseText(random, 500 + random() % 1501);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    bytes += text.size();
  };
  for (const char* sub : {"set", "note", "communication", "datum", "xmlstyle"})
    fs::create_directories(folder / sub);
  std::FILE* conf = std::fopen((folder / "set" / "sets.conf").c_str(), "wb");
  std::fputs("[SYS]\r\nhotkey=583\r\n", conf);
  std::fclose(conf);
  for (int i = 0; i < 100; ++i)
    fs::create_directories(folder / "datum" / ("c" + std::to_string(i)));
  for (int i = 0; i < 10000; ++i) {
    write(folder / "note" / ("n." + std::to_string(i) + ".xml"));
    write(folder / "communication" / ("com." + std::to_string(i) + ".xml"));
    write(folder / "datum" / ("c" + std::to_string(i % 100)) /
          ("card" + std::to_string(i) + ".datum." + std::to_string(i) + ".xml"));
  }
  return bytes;
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path base = argc > 1 ? fs::path(argv[1])
                        : fs::exists("/dev/shm")
                            ? fs::path("/dev/shm/pimbrel-backup-bench")
                            : fs::temp_directory_path() / "pimbrel-backup-bench";
  fs::remove_all(base);
  const fs::path data = base / "data";
  const uint64_t bytes = MakeData(data);
  fs::current_path(data);
  const pim::LocalTime now{2026, 12, 7, 12, 0, 1};

  auto start = Clock::now();
  const pim::BackupOutcome outcome = pim::WriteBackup("../archive.zip", "bench", now);
  const double backup = Seconds(start);
  const double ratio =
      static_cast<double>(fs::file_size(base / "archive.zip")) / static_cast<double>(bytes);

  start = Clock::now();
  pim::ZipReader reader;
  pim::RestorePlan plan;
  std::string detail;
  const bool checked =
      pim::CheckArchive("../archive.zip", reader, plan, detail) == pim::ArchiveCheck::Ok;
  const bool restored =
      checked && pim::RunRestore(reader, plan, "bench", now, detail) == pim::RestoreResult::Ok;
  const double restore = Seconds(start);
  fs::current_path(base.parent_path());
  fs::remove_all(base);

  int broken = 0;
  auto check = [&](const char* what, double value, const char* unit, double limit, bool ok) {
    std::printf("%-58s %8.3f %-2s <= %g  %s\n", what, value, unit, limit, ok ? "held" : "BROKEN");
    broken += ok ? 0 : 1;
  };
  check("backup of 10000 notes, contacts and cards", backup, "s", 2, outcome.ok && backup <= 2);
  check("restore of it (check, safety copy, unpack, swap)", restore, "s", 3,
        restored && restore <= 3);
  check("archive size / size of the files", ratio * 100, "%", 60, ratio <= 0.6);
  return broken == 0 ? 0 : 1;
}
