#include "test_support.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <fstream>

#include "base/atomic_file.h"

namespace pim::test {

std::vector<std::string> LinkNames(const std::string& bytes, bool* whole) {
  RecordingPrompter prompter;
  const FixedClock clock({2026, 1, 1, 0, 0, 0});
  XML xml(prompter, clock);
  Doc doc(bytes);
  std::vector<std::string> names;
  while (xml.ReadLineIndexLink(doc.lines())) names.push_back(xml.lineIndex.name);
  if (whole) *whole = bytes.ends_with(kLineIndexEnd) && prompter.messages.empty();
  return names;
}

void CaptureCards(int n) {
  ASSERT_TRUE(CreateFolder("datum\\a"));
  RecordingPrompter prompter;
  const FixedClock clock({2026, 12, 6, 9, 5, 0});
  std::vector<IndexEntry> entries;
  for (int i = 1; i <= n; ++i) {
    const std::string name = Format("c%d", i), url = Format("datum\\a\\c%d.xml", i);
    std::string card;
    XML(prompter, clock)
        .WriteDatum(card, name, "a", "text " + name + "\r\nline 2", "dtd", "", "", "", {});
    ASSERT_TRUE(WriteFileAtomic(url, card));
    entries.push_back({name, url, "", "a", "", ""});
  }
  ASSERT_TRUE(WriteUntrimmedIndex(entries));
}

std::string Utf16(std::u16string_view text, bool big, bool mark) {
  std::string out = mark ? (big ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char16_t c : text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    out += big ? std::string{high, low} : std::string{low, high};
  }
  return out;
}

void Le(std::string& out, std::initializer_list<std::pair<uint64_t, int>> fields) {
  for (const auto& [v, bytes] : fields)
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string RawZip(const std::vector<RawEntry>& entries) {
  std::string out, central;
  size_t previous = 0;
  for (const RawEntry& e : entries) {
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    const uint64_t size = e.claimedSize >= 0 ? static_cast<uint64_t>(e.claimedSize) : e.data.size();
    std::string common;  // version, flags, method, 1980-01-01, CRC, sizes, name and extra lengths
    Le(common, {{20, 2}, {e.flags, 2}, {e.method, 2}, {0x21, 4}, {e.badCrc ? crc ^ 1 : crc, 4}});
    Le(common, {{e.method ? e.data.size() : size, 4}, {size, 4}});
    Le(common, {{e.name.size(), 2}, {e.extra.size(), 2}});
    if (!e.sharesPrevious) previous = out.size();
    Le(central, {{0x02014b50, 4}, {20, 2}});
    central += common;
    Le(central, {{0, 6}, {0, 4}, {previous, 4}});  // comment, disk, attributes; the offset
    central += e.name + e.extra;
    if (e.sharesPrevious) continue;
    Le(out, {{0x04034b50, 4}});
    out += common + e.name + e.extra + e.data;
  }
  const size_t start = out.size();
  out += central;
  Le(out, {{0x06054b50, 4}, {0, 4}, {entries.size(), 2}, {entries.size(), 2}});
  Le(out, {{central.size(), 4}, {start, 4}, {0, 2}});
  return out;
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

void HeardChanges::OnRecordChange(const RecordChange& c) {
  static const char* const kWhat[] = {"written", "removed", "lists", "replaced"};
  static const char* const kKind[] = {"note", "contact", "card"};
  log.push_back(std::string(kWhat[static_cast<int>(c.what)]));
  if (c.what < RecordChange::What::ListsChanged)
    log.back() += std::string(" ") + kKind[static_cast<int>(c.kind)] + " " +
                  (c.kind == RecordKind::Card ? std::string(c.path) : std::to_string(c.number));
  if (then) then();
}

void ModelTest::SetUp() {
  TempFolderTest::SetUp();
  ASSERT_TRUE(WriteDataFolder());
  events_.Subscribe(heard_);
}

std::string ModelTest::Note(const std::string& text, const std::string& built) {
  std::string doc;
  XML(prompter_, clock_).WriteNote(doc, 1, text, built);
  return doc;
}

void CardTest::SetUp() {
  ModelTest::SetUp();
  capture_.Open();
}

std::string ModelTest::Contact(const std::string& name) {
  ComuRecord contact;
  contact.name = name;
  std::string doc;
  contact.WriteComu(doc);
  return doc;
}

void TempFolderTest::WriteBytes(const std::string& dataPath, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(ToNativePath(dataPath)), std::ios::binary);
  ASSERT_TRUE((out << bytes).good()) << dataPath;
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

std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    const std::u8string name = e.path().lexically_relative(root).generic_u8string();
    std::string& bytes = files[std::string(name.begin(), name.end())] = "<folder>";
    if (!e.is_directory()) ReadWholeFile(FromNativeName(e.path().native()), bytes);
  }
  return files;
}

}  // namespace pim::test
