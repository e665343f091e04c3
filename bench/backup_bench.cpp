// Backup, restore and the restore's safety copy of 10,000 notes, 10,000 contacts and 10,000
// cards of Chinese text (500 to 2,000 bytes each), natively, against their budgets; exit status
// 1 when one breaks. The archive is held against Info-ZIP's "zip -r -9" of the same files, which
// the bench command makes from the folder that --make writes (the same bytes every time).
//   pimbrel_backup_bench [--infozip BYTES] [scratch folder]
//   pimbrel_backup_bench --make FOLDER
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "backup/backup.h"
#include "backup/restore.h"
#include "base/file.h"
#include "base/gb18030.h"

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

void MakeData(const fs::path& folder) {
  std::mt19937 random(7);
  auto write = [&](const fs::path& path) {
    const std::string text = ChineseText(random, 500 + random() % 1501);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
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
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--make") {
    fs::remove_all(args[1]);
    MakeData(args[1]);
    return 0;
  }
  double infozip = -1;  // bytes of Info-ZIP's archive
  if (args.size() >= 2 && args[0] == "--infozip") {
    infozip = std::atof(args[1].c_str());
    args.erase(args.begin(), args.begin() + 2);
  }
  const fs::path base = !args.empty() ? fs::path(args[0])
                        : fs::exists("/dev/shm")
                            ? fs::path("/dev/shm/pimbrel-backup-bench")
                            : fs::temp_directory_path() / "pimbrel-backup-bench";
  fs::remove_all(base);
  const fs::path data = base / "data";
  MakeData(data);
  fs::current_path(data);
  const pim::LocalTime now{2026, 12, 7, 12, 0, 1};

  auto start = Clock::now();
  const pim::BackupOutcome outcome = pim::WriteBackup("../archive.zip", "bench", now);
  const double backup = Seconds(start);
  const auto ours = static_cast<double>(fs::file_size(base / "archive.zip"));

  start = Clock::now();
  pim::ZipReader reader;
  pim::RestorePlan plan;
  std::string detail;
  const bool checked =
      pim::CheckArchive("../archive.zip", reader, plan, detail) == pim::ArchiveCheck::Ok;
  const bool restored =
      checked && pim::RunRestore(reader, plan, "bench", now, detail) == pim::RestoreResult::Ok;
  const double restore = Seconds(start);
  // The program packs it on a thread of its own once the restored data is in use; it is a
  // backup of the old data and the removal of what was set aside.
  start = Clock::now();
  const bool packed = restored && pim::PackSafetyCopy(detail) &&
                      pim::FileExists(pim::Gb("backup\\恢复前 2026-12-07 1200.zip"));
  const double pack = Seconds(start);
  fs::current_path(base.parent_path());
  fs::remove_all(base);

  int broken = 0;
  auto check = [&](const std::string& what, double value, const char* unit, double limit, bool ok) {
    if (value < 0)
      std::printf("%-58s %8s %-2s <= %g  BROKEN (not measured)\n", what.c_str(), "-", unit, limit);
    else
      std::printf("%-58s %8.3f %-2s <= %g  %s\n", what.c_str(), value, unit, limit,
                  ok ? "held" : "BROKEN");
    broken += ok ? 0 : 1;
  };
  check("backup of 10000 notes, contacts and cards", backup, "s", 2, outcome.ok && backup <= 2);
  check("restore of it (check, unpack, old data aside, swap)", restore, "s", 3,
        restored && restore <= 3);
  check("its safety copy, packed from the data set aside", pack, "s", 3, packed && pack <= 3);
  // Against what the standard tool makes of the same files at its best level.
  char what[128] = "archive / Info-ZIP zip -r -9 (not run)";
  if (infozip > 0)
    std::snprintf(what, sizeof what, "archive / Info-ZIP zip -r -9 (%.0f B / %.0f B)", ours,
                  infozip);
  const double ratio = infozip > 0 ? ours / infozip : -1;
  check(what, ratio < 0 ? -1 : ratio * 100, "%", 102, ratio > 0 && ratio <= 1.02);
  return broken == 0 ? 0 : 1;
}
