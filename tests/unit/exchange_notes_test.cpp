// Notes and cards out as Markdown, byte for byte, or nothing at all; text files in as notes.
#include "exchange/charsets.h"
#include "exchange/markdown.h"
#include "exchange/safe_names.h"
#include "exchange/text_notes.h"
#include "exchange_samples.h"
#include "test_support.h"

namespace pim {
namespace {

using test::kJi;

TEST(SafeNames, WhatWindowsRefusesAndReserves) {
  const std::pair<std::string, std::string> cases[] = {
      {"a<b>c:d\"e/f\\g|h?i*j", "a_b_c_d_e_f_g_h_i_j"},
      {"tab\there\x01", "tab_here_"},
      {"  trailing dots... ", "trailing dots"},
      {"CON", "CON_"},
      {"con.txt", "con_.txt"},
      {"Com7", "Com7_"},
      {"LPT1 .x", "LPT1_ .x"},
      {"COM10", "COM10"},
      {"CONSOLE", "CONSOLE"},
      {"...", ""},
      // 礬 and 祙 end in the bytes of "\" and "|", which are no characters of their own.
      {Gb("礬祙"), Gb("礬祙")},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(SafeName(in, 99), out) << in;
  // Cut by characters, never inside one, and never ending on a blank or a dot.
  EXPECT_EQ(SafeName(Gb("标题") + kJi + "x", 3), Gb("标题") + kJi);
  EXPECT_EQ(SafeName("ab. cd", 4), "ab");
}

TEST(SafeNames, RepeatedNamesAreNumberedAsWindowsComparesThem) {
  NameBook book;
  EXPECT_EQ(book.Claim("d", Gb("标题"), ".md"), Gb("标题.md"));
  EXPECT_EQ(book.Claim("d", Gb("标题"), ".md"), Gb("标题 (2).md"));
  EXPECT_EQ(book.Claim("e", Gb("标题"), ".md"), Gb("标题.md"));  // another folder
  EXPECT_EQ(book.Claim("d", "Notes", ".md"), "Notes.md");
  EXPECT_EQ(book.Claim("D", "NOTES", ".md"), "NOTES (2).md");
  EXPECT_EQ(book.Claim("d", Gb("ＡÉЖ"), ".md"), Gb("ＡÉЖ.md"));
  EXPECT_EQ(book.Claim("d", Gb("ａéж"), ".md"), Gb("ａéж (2).md"));
  // A long title keeps every name below 100 characters, its number included.
  std::string title;
  for (int i = 0; i < 120; ++i) title += Gb("长");
  for (int i = 1; i <= 12; ++i) {
    const std::string name = book.Claim("d", title, ".md");
    EXPECT_LE(CountChars(name), kMaxNameChars);
    EXPECT_TRUE(name.ends_with(i == 1 ? Gb("长.md") : " (" + std::to_string(i) + ").md")) << name;
  }
}

class MarkdownExportTest : public test::TempFolderTest {
 protected:
  std::vector<NoteExport> notes_ = {
      {0, 1, "2003-5-7 9:5", Gb("  第一条  记事\r\n正文")},
      {1, 2, "2003-5-8 21:30", Gb("    \t 5 月  8 日,2003\t星期 4\r\n  日记")},
      {2, 1, "", Gb("第一条 记事\r\n同名")},
      {3, -1, "bad", ""},
  };
  std::vector<CardExport> cards_ = {
      {Gb("卡片") + kJi, Gb("计算机\\编程"), "2024-1-2 3:4", Gb("书"), Gb("C++,\"引号\""),
       "a<b\r\nc", true, true, false},
      {"CON", "", "", "", "", Gb("无类别"), false, false, false},
  };
};

TEST_F(MarkdownExportTest, FolderOfNotesAndCardsWithFrontMatterAndIndex) {
  const MarkdownOutcome outcome = ExportMarkdown("out", notes_, cards_);
  ASSERT_EQ(std::pair(outcome.result, outcome.files), std::pair(ExportResult::Done, size_t{7}));
  // Names and bytes are UTF-8, as this file is.
  std::map<std::string, std::string> want = {
      {"out/记事/普通/第一条 记事.md",
       "---\r\ntitle: \"第一条 记事\"\r\ntype: \"普通\"\r\ndate: 2003-05-07 09:05\r\n---\r\n"
       "  第一条  记事\r\n正文"},
      {"out/记事/普通/第一条 记事 (2).md",
       "---\r\ntitle: \"第一条 记事\"\r\ntype: \"普通\"\r\n---\r\n第一条 记事\r\n同名"},
      {"out/记事/日记/5 月 8 日,2003 星期 4.md",
       "---\r\ntitle: \"5 月 8 日,2003 星期 4\"\r\ntype: \"日记\"\r\ndate: 2003-05-08 21:30\r\n"
       "---\r\n    \t 5 月  8 日,2003\t星期 4\r\n  日记"},
      {"out/记事/未分类/记事 3.md",
       "---\r\ntitle: \"记事 3\"\r\ntype: \"未分类\"\r\ndate: \"bad\"\r\n---\r\n"},
      {"out/资料卡/计算机/编程/卡片𠮷.md",
       "---\r\ntitle: \"卡片𠮷\"\r\ncategory: \"计算机\\\\编程\"\r\ndate: 2024-01-02 03:04\r\n"
       "keywords: \"C++,\\\"引号\\\"\"\r\nsource: \"书\"\r\nbookmark: true\r\nindex: false\r\n"
       "---\r\na<b\r\nc"},
      {"out/资料卡/未分类/CON_.md",
       "---\r\ntitle: \"CON\"\r\ncategory: \"未分类\"\r\nkeywords: \"\"\r\nsource: \"\"\r\n---\r\n"
       "无类别"},
      {"out/index.md",
       "# 记事和资料卡\r\n\r\n## 记事\r\n\r\n### 普通\r\n\r\n"
       "- [第一条 记事](<记事/普通/第一条 记事.md>) 2003-05-07 09:05\r\n"
       "- [第一条 记事](<记事/普通/第一条 记事 (2).md>)\r\n\r\n### 日记\r\n\r\n"
       "- [5 月 8 日,2003 星期 4](<记事/日记/5 月 8 日,2003 星期 4.md>) 2003-05-08 21:30\r\n"
       "\r\n### 未分类\r\n\r\n- [记事 3](<记事/未分类/记事 3.md>)\r\n\r\n## 资料卡\r\n\r\n"
       "### 计算机/编程\r\n\r\n- [卡片𠮷](<资料卡/计算机/编程/卡片𠮷.md>) 2024-01-02 03:04\r\n\r\n"
       "### 未分类\r\n\r\n- [CON](<资料卡/未分类/CON_.md>)\r\n\r\n"}};
  for (const char* folder :
       {"out", "out/记事", "out/记事/普通", "out/记事/日记", "out/记事/未分类", "out/资料卡",
        "out/资料卡/计算机", "out/资料卡/计算机/编程", "out/资料卡/未分类"})
    want[folder] = "<folder>";
  EXPECT_EQ(test::Tree("."), want);
}

TEST_F(MarkdownExportTest, AFailedOrCancelledExportLeavesNothing) {
  CreateFolder("taken");
  EXPECT_EQ(ExportMarkdown("taken", notes_, cards_).result, ExportResult::TargetExists);
  EXPECT_EQ(ExportMarkdown("", notes_, cards_).result, ExportResult::TargetExists);
  EXPECT_EQ(ExportMarkdown("missing\\out", notes_, cards_).result, ExportResult::CannotWrite);

  // Every write step fails in turn: the files, index.md, and the final rename.
  for (int k = 1; k <= 8; ++k) {
    ArmWriteFault(k);
    const MarkdownOutcome outcome = ExportMarkdown("out", notes_, cards_);
    ArmWriteFault(0);
    EXPECT_TRUE(outcome.result == ExportResult::CannotWrite && !outcome.failedPath.empty()) << k;
    EXPECT_EQ(Listing(), (std::vector<std::string>{"taken"})) << k;
  }
  std::vector<NoteExport> many(600, NoteExport{0, 1, "", "x"});
  size_t calls = 0;
  const MarkdownOutcome cancelled = ExportMarkdown("out", many, {}, [&](size_t done, size_t total) {
    ++calls;
    EXPECT_EQ(total, 601u);
    return done < 512;
  });
  EXPECT_EQ(std::tuple(cancelled.result, calls, Listing()),
            std::tuple(ExportResult::Cancelled, size_t{2}, std::vector<std::string>{"taken"}));
}

TEST(TextNotes, EncodingsAndTheTitleRule) {
  const std::string body = Gb("短标题\r\n\r\n正文") + kJi, utf8 = "短标题\r\n\r\n正文𠮷";
  const std::u16string wide = u"短标题\n\n正文\U00020BB7";
  for (const std::string& bytes :
       {body, utf8, "\xEF\xBB\xBF" + utf8, test::Utf16(wide), test::Utf16(wide, true)}) {
    const TextNote note = ReadTextNote("dir\\a.txt", bytes);
    EXPECT_EQ(std::tuple(note.error, note.content, note.titleAdded),
              std::tuple(TextError::None, body, false));
  }

  const auto content = [](const std::string& name, const std::string& text) {
    return ReadTextNote(name, text).content;
  };
  const std::string forty(40, 'x'), fortyOne(41, 'x');
  EXPECT_EQ(content("n.txt", forty + "\n\nbody"), forty + "\r\n\r\nbody");
  EXPECT_EQ(content("n.txt", fortyOne + "\n\nbody"), "n\r\n" + fortyOne + "\r\n\r\nbody");
  EXPECT_EQ(content("n.md", "## Heading\nbody"), "## Heading\r\nbody");
  EXPECT_EQ(content("n.md", "#hashtag\n\nbody"), "#hashtag\r\n\r\nbody");  // short, then blank
  EXPECT_EQ(content("n.md", "#hashtag\nbody"), "n\r\n#hashtag\r\nbody");
  EXPECT_EQ(content("C:\\notes\\" + Gb("会议.备忘.txt"), "one line"),
            Gb("会议.备忘") + "\r\none line");
  EXPECT_EQ(content("n.txt", "\nafter a blank\rline\r\n"), "n\r\n\r\nafter a blank\r\nline\r\n");
  EXPECT_EQ(content("n.txt", ""), "n\r\n");
  // Our own export comes back with its title and without the block.
  EXPECT_EQ(
      content("x.md", "---\r\ntitle: \"A \\\"quoted\\\" title\"\r\ntype: \"t\"\r\n---\r\nbody"),
      "A \"quoted\" title\r\n\r\nbody");
  EXPECT_EQ(content("x.md", "---\ndate: 2003-05-07\n---\nbody"), "x\r\nbody");
}

TEST(TextNotes, ClosingTagsAndBadFiles) {
  const TextNote note = ReadTextNote("t.txt", "T\n\nend </content> here\nand <b>");
  EXPECT_EQ(std::pair(note.content, note.closingTags),
            std::pair(Gb("T\r\n\r\nend ＜/content＞ here\r\nand <b>"), 1));
  // The note document holds the text whole.
  test::RecordingPrompter prompter;
  const FixedClock clock({2024, 1, 1, 0, 0, 1});
  XML xml(prompter, clock);
  std::string doc;
  xml.WriteNote(doc, 1, note.content, "2024-1-1 0:0");
  EXPECT_TRUE(xml.ReadNote(test::Doc(doc).lines()) && xml.note.content == note.content);

  EXPECT_EQ(ReadTextNote("b.txt", std::string("ab\0cd", 5)).error, TextError::NotText);
  EXPECT_EQ(ReadTextNote("b.txt", std::string("\xFF\xFE\0\0a\0\0\0", 8)).error, TextError::NotText);
  // Bytes of no character in GBK either, again and again.
  EXPECT_EQ(ReadTextNote("b.txt", "\x81 a\x81 b\x81 c\x81 d").error, TextError::NotText);
  EXPECT_EQ(ReadTextNote("b.txt", std::string(kMaxTextNoteBytes + 1, 'a')).error,
            TextError::TooLarge);
  const TextNote cut = ReadTextNote("c.txt", Gb("完整的一段文字") + "\xB0");
  EXPECT_EQ(std::pair(cut.error, cut.replacedChars), std::pair(TextError::None, 1));
  EXPECT_TRUE(IsTextNoteFile("a.TXT") && IsTextNoteFile("b.Md"));
  EXPECT_FALSE(IsTextNoteFile("c.txt.bak") || IsTextNoteFile("md"));
}

}  // namespace
}  // namespace pim
