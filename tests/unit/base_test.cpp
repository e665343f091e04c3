#include <span>
#include <thread>

#include "base/atomic_file.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pim {
namespace {

TEST(Gbk, FindAndReplaceNeverMatchOnATrailingByteAndReplaceStaysLinear) {
  const std::string text = "\x81\x41" /* 丄 */ "A\x81\x41" /* 丄 */ "A";
  const std::pair<size_t, size_t> finds[] = {{0, 2}, {1, 2}, {3, 5}, {6, std::string::npos}};
  for (const auto& [from, at] : finds) EXPECT_EQ(FindText(text, "A", from), at) << from;
  // A match never overlaps the last.
  EXPECT_EQ(ReplaceAll(text + "AA", "A", "<>"), "\x81\x41<>\x81\x41<><><>");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  // Ten thousand escapes in a 2 MB text: walking from the start for each would take minutes.
  std::string big(2'000'000, 'x');
  for (size_t i = 0; i < big.size(); i += 200) big[i] = '&';
  EXPECT_EQ(ReplaceAll(big, "&", "&amp;").size(), big.size() + 4 * 10'000);
}

TEST(Gbk, ScanIntKeepsTheValueOnTextAndSaturates) {
  // Each scan starts from 77, which text that is no number leaves as it is.
  const std::pair<int32_t, std::vector<const char*>> scans[] = {
      {42, {" \t\r\n42abc", "+42", "042 7"}},
      {INT32_MAX, {"2147483647", "2147483648", "99999999999999999999999"}},
      {INT32_MIN, {"-2147483648", "-2147483649", "-99999999999999999999999"}},
      {77, {"", "abc", "-", "- 5", "\xA3\xB1" /* １ */}}};
  for (const auto& [expected, texts] : scans)
    for (const char* text : texts) {
      int32_t value = 77;
      EXPECT_EQ(ScanInt(text, value), expected != 77) << text;
      EXPECT_EQ(value, expected) << text;
    }
}

TEST(Path, NativePathKeepsA5CTrailingByte) {
#ifdef _WIN32
  EXPECT_EQ(ToNativePath("a/\xD5\x5C" /* 誠 */ "\\b"), L"a\\\u8AA0\\b");
#else
  EXPECT_EQ(ToNativePath("a\\\xD5\x5C" /* 誠 */ "\\b"), "a/\xE8\xAA\xA0" /* 誠 */ "/b");
#endif
  EXPECT_EQ(DataPathFolder("a\\\xD5\x5C" /* 誠 */ "x"), "a\\");
}

// Hands out at most `step` bytes per read, to put buffer edges everywhere.
struct TrickleSource final : ByteSource {
  TrickleSource(std::string_view bytes, size_t most) : inner(bytes), step(most) {}
  size_t Read(char* b, size_t n) override { return inner.Read(b, std::min(n, step)); }
  MemorySource inner;
  size_t step;
};

TEST(LineReader, XmlAndConfigRules) {
  using Case = std::pair<std::string, std::string>;  // bytes, then each line read and a "|"
  const std::string x(5000, 'x');                    // longer than the reader's buffer
  // After a lone CR, Xml takes the next byte into the line it ended.
  const Case xml[] = {
      {"", ""},      {"a\r\nb", "a|b|"},      {"a\n\nb\n", "a||b|"},   {"a\rbc\n", "ab|c|"},
      {"a\r", "a|"}, {"a\r\r\nb", "a\r||b|"}, {x + "\ryz", x + "y|z|"}};
  const Case config[] = {
      {"", ""},        {"a\r\nb\n", "a|b|"}, {"a\rb\r\n", "a\rb|"}, {"a\r\r\n", "a\r|"},
      {"a\r", "a\r|"}, {"\n\r\nx", "||x|"}};
  for (auto rules : {LineReader::Rules::Xml, LineReader::Rules::Config})
    for (const auto& [bytes, lines] :
         rules == LineReader::Rules::Xml ? std::span<const Case>(xml) : config)
      for (size_t step : {size_t{1}, SIZE_MAX}) {
        TrickleSource source(bytes, step);
        LineReader reader(source, rules);
        std::string read;
        for (std::string line; reader.ReadLine(line);) read += line + "|";
        EXPECT_EQ(read, lines) << testing::PrintToString(bytes) << " " << step;
      }
}

using BaseFileTest = test::TempFolderTest;

TEST_F(BaseFileTest, AFailedReadIsNoEndOfFile) {
  WriteBytes("a.txt", "bytes");
  std::string bytes;
  ArmReadFault(1);
  EXPECT_FALSE(ReadWholeFile("a.txt", bytes));
  ArmReadFault(0);
}

// A copy made without asking never takes the place of a file: the name taken is told and
// both files keep their bytes.
TEST_F(BaseFileTest, ACopyNeverReplacesAFileAndAFileIsReadAtAnyOffset) {
  WriteBytes("a.zip", "mine");
  WriteBytes("c.tmp", "temp");
  EXPECT_EQ(CreateFileAtomic("a.zip", "copy"), Placed::Exists);
  EXPECT_EQ(CreateFileAtomic("b.zip", "copy"), Placed::Done);
  EXPECT_EQ(PlaceFile("c.tmp", "b.zip", false), Placed::Exists);
  EXPECT_EQ(ReadBytes("a.zip") + ReadBytes("b.zip") + ReadBytes("c.tmp"), "minecopytemp");
  EXPECT_EQ(Listing(), (std::vector<std::string>{"a.zip", "b.zip", "c.tmp"}));
  EXPECT_EQ(PlaceFile("c.tmp", "b.zip", true), Placed::Done);
  File file;
  EXPECT_FALSE(file.Open("a.zip", File::Mode::CreateNew));
  ASSERT_TRUE(file.Open("b.zip", File::Mode::Read));
  char two[3] = {};
  EXPECT_EQ(file.ReadAt(2, two, 2) + file.ReadAt(3, two + 1, 9), 3u);
  EXPECT_EQ(std::string(two) + ReadBytes("b.zip"), "mptemp");
  EXPECT_EQ(file.ReadAt(9, two, 2), 0u);
  EXPECT_FALSE(file.Failed());
}

#ifdef _WIN32
// A file that another program reads without letting it be replaced (a sync client uploading
// it) is waited for; one held for good is told failed, its bytes kept and nothing left over.
TEST_F(BaseFileTest, AFileHeldByAnotherProgramIsWaitedForThenToldFailed) {
  WriteBytes("held.xml", "old");
  const auto hold = [] {
    return CreateFileW(ToNativePath("held.xml").c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  HANDLE held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread letGo([held] {
    Sleep(600);
    CloseHandle(held);
  });
  EXPECT_TRUE(WriteFileAtomic("held.xml", "new"));
  letGo.join();

  held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(WriteFileAtomic("held.xml", "mine"));
  EXPECT_GE(GetTickCount64() - start, 2500u);
  CloseHandle(held);
  EXPECT_EQ(ReadBytes("held.xml"), "new");
  EXPECT_EQ(Listing(), std::vector<std::string>{"held.xml"});
}
#endif

}  // namespace
}  // namespace pim
