#include "test_support.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>

#include "base/file.h"
#include "base/path.h"

namespace pim::test {

MsgResult RecordingPrompter::ShowMessage(const std::string& text, const std::string& caption,
                                         MsgButtons buttons, MsgIcon icon) {
  messages.push_back({text, caption, buttons, icon});
  if (answers.empty()) return MsgResult::Ok;
  const MsgResult answer = answers.front();
  answers.pop_front();
  return answer;
}

void TempFolderTest::SetUp() {
  static std::atomic<int> counter{0};
  previous_ = std::filesystem::current_path();
  folder_ = std::filesystem::temp_directory_path() /
            ("pimbrel-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  std::filesystem::current_path(folder_);
}

void TempFolderTest::TearDown() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(folder_, ignored);
}

void TempFolderTest::WriteBytes(const std::string& dataPath, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(ToNativePath(dataPath)),
                    std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << dataPath;
}

std::string TempFolderTest::ReadBytes(const std::string& dataPath) {
  std::string bytes;
  return ReadWholeFile(dataPath, bytes) ? bytes : std::string("<missing>");
}

std::vector<std::string> TempFolderTest::Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace pim::test
