// The datum panel: two pasted cards, paged back and forth, one moved to a new category, a
// third typed right before Exit; a new start finds all three in the untrimmed index.
#include <gtest/gtest.h>

#include <optional>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kClass = 1026, kTitle = 1002, kText = 1016, kPaste = 1000, kPrevious = 1005;
constexpr int kNext = 1006, kBookmark = 1007, kBrowser = 1008, kDatumButton = 1006;

const std::string kUnsorted = "\xCE\xB4\xB7\xD6\xC0\xE0";  // 未分类
const std::string kReading = "\xB6\xC1\xCA\xE9";           // 读书

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

class Datum : public ::testing::Test {
 protected:
  void Open() {  // starts the program in the test's folder and opens the datum panel
    program.emplace(folder);
    ASSERT_EQ(program->Panels().size(), 5u);
    SendCommand(program->Bar(), kDatumButton);
    ASSERT_EQ(program->VisiblePanels().size(), 1u);
    panel = program->VisiblePanels()[0];
  }
  static bool Paste(const std::wstring& text) {  // the clipboard, as another program fills it
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return put;
  }
  // Category, title and text as the panel shows them, and whether "←" and "→" are enabled.
  std::wstring Shown() {
    return Text(Control(panel, kClass)) + L"|" + Text(Control(panel, kTitle)) + L"|" +
           Text(Control(panel, kText)) + L"|" +
           (IsWindowEnabled(Control(panel, kPrevious)) ? L"<" : L"") +
           (IsWindowEnabled(Control(panel, kNext)) ? L">" : L"");
  }
  std::string Data(const std::wstring& path) { return ReadBytes(folder + L"\\datum\\" + path); }

  std::wstring folder = FreshFolder(L"datum");
  std::optional<Program> program;
  HWND panel = nullptr;
};

TEST_F(Datum, CardsArePastedPagedMovedAndTheLastTypedOneSurvivesExit) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Shown(), L"未分类|资料卡0||");
  // The browser takes the panel's place and gives it back when it closes.
  SendCommand(panel, kBrowser);
  EXPECT_FALSE(Visible(panel));
  HWND browser = nullptr;
  for (HWND w : TopWindows(program->pid()))
    if (Visible(w) && w != program->Bar()) browser = w;
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(GetWindow(browser, GW_OWNER), panel);
  SendCommand(browser, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(browser); }));
  EXPECT_EQ(program->VisiblePanels(), std::vector<HWND>{panel});
  ASSERT_TRUE(Paste(L"a <b> & c\r\nline two"));
  SendCommand(panel, kPaste);
  // The datum button again stores the card and starts the next; the number is kept at once.
  SendCommand(program->Bar(), kDatumButton);
  EXPECT_EQ(Shown(), L"未分类|资料卡1||<");
  EXPECT_EQ(Data(L"datum.conf"), "[DATUM]\r\nid=1\r\n");
  const std::string first = Data(L"未分类\\资料卡0.datum.0.xml");
  EXPECT_NE(first.find("\t\t<part>a \xA1\xDA"
                       "b\xA1\xDB \xA1\xEA c</part>\r\n\t\t<part>line two"
                       "</part>\r\n"),
            std::string::npos);
  EXPECT_NE(first.find("\t<class>" + kUnsorted + "</class>\r\n"), std::string::npos);

  ASSERT_TRUE(Paste(L"second"));
  SendCommand(panel, kPaste);
  SendCommand(panel, kPrevious);  // stores the new card first, then shows it
  EXPECT_EQ(Shown(), L"未分类|资料卡1|second|<>");
  SendCommand(panel, kPrevious);
  EXPECT_EQ(Shown(), L"未分类|资料卡0|a ≮b≯ ￡ c\r\nline two|>");
  Screenshot("datum_panel");
  // Enter and Escape leave the panel as it is.
  SendCommand(panel, IDOK);
  SendCommand(panel, IDCANCEL);
  EXPECT_TRUE(Visible(panel));
  PostCommand(panel, kBookmark);
  const auto box = AnswerMessageBox(program->pid(), L"info");
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"Sorry,The bookmark function not support in this version!");
  EXPECT_EQ(box->owner, panel);

  // The flag set since the paste makes "→" store the card again, now in a new category;
  // its file stays where it is.
  Send(Control(panel, kClass), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"读书"));
  SendCommand(panel, kNext);
  EXPECT_EQ(Shown(), L"未分类|资料卡1|second|<>");
  SendCommand(panel, kNext);
  EXPECT_EQ(Shown(), L"未分类|资料卡2||<");
  EXPECT_NE(Data(L"未分类\\资料卡0.datum.0.xml").find("<class>" + kReading + "</class>"),
            std::string::npos);
  EXPECT_NE(Data(L"class.list").find("name1=" + kReading + "\r\npath1=datum\\" + kReading + "\\"),
            std::string::npos);
  EXPECT_TRUE(GetFileAttributesW((folder + L"\\datum\\读书").c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  // Typed, not paged: Exit stores it.
  // (WM_SETTEXT sends a multi-line edit no change notification; typing does.)
  Send(Control(panel, kText), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed before exit"));
  ASSERT_TRUE(program->Exit());
  EXPECT_EQ(Data(L"datum.conf"), "[DATUM]\r\nid=3\r\n");
  const std::string index = Data(L"lineindex.untrim.list");
  EXPECT_EQ(Count(index, "\t<link>\r\n"), 3u);
  EXPECT_NE(index.find("\t\t<name>"
                       "\xD7\xCA\xC1\xCF\xBF\xA8"
                       "0</name>\r\n\t\t<url>datum\\" +
                       kUnsorted +
                       "\\\xD7\xCA\xC1\xCF\xBF\xA8"
                       "0.datum.0.xml</url>\r\n\t\t<class>" +
                       kReading + "</class>\r\n\t\t<date></date>\r\n"),
            std::string::npos);
  EXPECT_NE(Data(L"未分类\\资料卡2.datum.2.xml").find("<part>typed before exit</part>"),
            std::string::npos);
  EXPECT_EQ(index.substr(index.size() - 47),
            "</lineindex>\r\n\t\t\t\t<!-- KWIX.LINEINDEX.WRITE -->");

  // A new start pages back through all three.
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Shown(), L"未分类|资料卡3||<");
  SendCommand(panel, kPrevious);
  EXPECT_EQ(Shown(), L"未分类|资料卡2|typed before exit|<>");
  SendCommand(panel, kPrevious);
  SendCommand(panel, kPrevious);
  EXPECT_EQ(Shown(), L"读书|资料卡0|a ≮b≯ ￡ c\r\nline two|>");
  ASSERT_TRUE(program->Exit());
  EXPECT_EQ(Data(L"datum.conf"), "[DATUM]\r\nid=3\r\n");
}

}  // namespace
}  // namespace e2e
