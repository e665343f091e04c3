// pimbrel_mkdata FOLDER: writes the installed data folder into FOLDER (created if needed).
#include <cstdio>
#include <filesystem>

#include "datafolder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pimbrel_mkdata FOLDER\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  std::filesystem::current_path(argv[1], error);
  if (error) {
    std::fprintf(stderr, "pimbrel_mkdata: cannot enter %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  if (!pim::WriteDataFolder()) {
    std::fprintf(stderr, "pimbrel_mkdata: writing the data folder failed\n");
    return 1;
  }
  return 0;
}
