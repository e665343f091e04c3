// Makes and restores archives from the command line, so independent zip readers and
// writers can be set against ours (tests/zip_check.py).
#include <cstdio>
#include <filesystem>
#include <string>

#include "backup/backup.h"
#include "backup/restore.h"
#include "base/path.h"

int main(int argc, char** argv) {
  using namespace pim;
  if (argc != 4) return 2;
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
  if (command != "restore") return 2;
  ZipReader reader;
  RestorePlan plan;
  std::string detail;
  const ArchiveCheck check = CheckArchive(target, reader, plan, detail);
  if (check != ArchiveCheck::Ok) {
    std::fprintf(stderr, "refused: %d %s\n", static_cast<int>(check), detail.c_str());
    return 1;
  }
  const RestoreResult result = RunRestore(reader, plan, "test", now, detail);
  if (result != RestoreResult::Ok) std::fprintf(stderr, "restore failed: %s\n", detail.c_str());
  return result == RestoreResult::Ok ? 0 : 1;
}
