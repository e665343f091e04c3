// A program for the quick-launch tests to start: it adds a line to touched.txt next to itself.
#include <windows.h>

#include <filesystem>
#include <fstream>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::ofstream(std::filesystem::path(self).replace_filename(L"touched.txt"),
                std::ios::binary | std::ios::app)
      << "touched\r\n";
  return 0;
}
