// Knowledge cards from capture to browsing: two pasted cards, paged back and forth, one moved
// to a new category, a third typed right before Exit; after a new start the three are trimmed
// into a category and its subcategory and read back in the browser.
#include <gtest/gtest.h>

#include <optional>

#include "driver.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace e2e {
namespace {

constexpr int kDatumButton = 1006, kClass = 1026, kTitle = 1002, kText = 1016, kPaste = 1000;
constexpr int kPrevious = 1005, kNext = 1006, kBookmark = 1007, kBrowser = 1008, kTrim = 1011;
// The trimming dialog's and the browser's controls.
constexpr int kTrimTitle = 1016, kSource = 1027, kKeyword = 1019, kMark = 1028, kTrimNext = 1003;
constexpr int kTree = 1032, kHeader = 1016, kContent = 1002, kWiden = 3, kNarrow = 2;
constexpr int kHeaderButton = 5, kLeft = 1005, kRight = 1006, kCopy = 1000;

bool Paste(const std::wstring& text) {  // the clipboard, as another program fills it
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  const bool put =
      OpenClipboard(nullptr) && EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  return put;
}

// A tree view's items as "text(child, child)", read through memory in the program; `order`
// gets the items top to bottom.
std::wstring TreeItems(HWND tree, HTREEITEM first, std::vector<HTREEITEM>& order) {
  const auto next = [&](UINT how, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        Send(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
  };
  std::wstring out, text;
  for (HTREEITEM i = first; i; i = next(TVGN_NEXT, i)) {
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = i;
    SendRemote(tree, TVM_GETITEMW, 0, item, &text);
    out += (out.empty() ? L"" : L", ") + text;
    order.push_back(i);
    if (HTREEITEM child = next(TVGN_CHILD, i)) out += L"(" + TreeItems(tree, child, order) + L")";
  }
  return out;
}

class Datum : public ::testing::Test {
 protected:
  void Open() {  // starts the program in the test's folder and opens the datum panel
    program.emplace(folder);
    ASSERT_EQ(program->Panels().size(), 5u);
    ASSERT_TRUE(panel = program->ShowPanel(kDatumButton));
  }
  // Category, title and text as the panel shows them, and whether "←" and "→" are enabled.
  std::wstring Shown() {
    return Text(Control(panel, kClass)) + L"|" + Text(Control(panel, kTitle)) + L"|" +
           Text(Control(panel, kText)) + L"|" +
           (IsWindowEnabled(Control(panel, kPrevious)) ? L"<" : L"") +
           (IsWindowEnabled(Control(panel, kNext)) ? L">" : L"");
  }
  std::wstring Page(int button) { return SendCommand(panel, button), Shown(); }
  std::string Data(const std::wstring& path) { return ReadBytes(folder + L"\\datum\\" + path); }

  std::wstring folder = FreshFolder(L"datum");
  std::optional<Program> program;
  HWND panel = nullptr;
};

TEST_F(Datum, CardsAreCapturedPagedMovedTrimmedAndBrowsed) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Shown(), L"未分类|资料卡0||");
  ASSERT_TRUE(Paste(L"a <b> & c\r\nline two"));
  SendCommand(panel, kPaste);
  // The datum button again stores the card and starts the next; the number is kept at once.
  SendCommand(program->Bar(), kDatumButton);
  EXPECT_EQ(Shown(), L"未分类|资料卡1||<");
  EXPECT_EQ(Data(L"datum.conf"), "[DATUM]\r\nid=1\r\n");

  ASSERT_TRUE(Paste(L"second"));
  SendCommand(panel, kPaste);
  // "←" stores the new card first, then shows it.
  EXPECT_EQ(Page(kPrevious), L"未分类|资料卡1|second|<>");
  EXPECT_EQ(Page(kPrevious), L"未分类|资料卡0|a ≮b≯ ￡ c\r\nline two|>");
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
  SetText(Control(panel, kClass), L"读书");
  EXPECT_EQ(Page(kNext), L"未分类|资料卡1|second|<>");
  EXPECT_EQ(Page(kNext), L"未分类|资料卡2||<");
  EXPECT_EQ(Count(Data(L"未分类\\资料卡0.datum.0.xml"), Gbk(L"<class>读书</class>")), 1u);
  EXPECT_EQ(Count(Data(L"class.list"), Gbk(L"name1=读书\r\npath1=datum\\读书\\")), 1u);
  EXPECT_TRUE(GetFileAttributesW((folder + L"\\datum\\读书").c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  // Typed, not paged: Exit stores it (WM_SETTEXT sends a multi-line edit no change note).
  Send(Control(panel, kText), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed before exit"));
  ASSERT_TRUE(program->Exit());
  EXPECT_EQ(Data(L"datum.conf"), "[DATUM]\r\nid=3\r\n");
  const std::string index = Data(L"lineindex.untrim.list");
  EXPECT_EQ(Count(index, "\t<link>\r\n"), 3u);
  EXPECT_EQ(Count(index, Gbk(L"\t\t<name>资料卡0</name>\r\n\t\t<url>datum\\未分类\\资料卡0.datum.0."
                             L"xml</url>\r\n\t\t<class>读书</class>\r\n\t\t<date></date>\r\n")),
            1u);
  EXPECT_NE(Data(L"未分类\\资料卡2.datum.2.xml").find("<part>typed before exit</part>"),
            std::string::npos);
  EXPECT_TRUE(index.ends_with("</lineindex>\r\n\t\t\t\t<!-- KWIX.LINEINDEX.WRITE -->"));

  // A new start pages back through all three.
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Shown(), L"未分类|资料卡3||<");
  EXPECT_EQ(Page(kPrevious), L"未分类|资料卡2|typed before exit|<>");
  Page(kPrevious);
  EXPECT_EQ(Page(kPrevious), L"读书|资料卡0|a ≮b≯ ￡ c\r\nline two|>");

  // Trim: a category, its subcategory, a source, keywords and one bookmark.
  PostCommand(panel, kTrim);
  const HWND trim = WaitWindow(program->pid(), L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  EXPECT_EQ(Text(Control(trim, 1031)), L"◆当前共有 3 条未整理的资料, 这是第 1 条◆");
  EXPECT_FALSE(IsWindowEnabled(Control(trim, 1001)));
  const std::pair<const wchar_t*, const wchar_t*> cards[] = {
      {L"计算机", L"一"}, {L"计算机\\编程", L"二"}, {L"计算机", L"三"}};
  for (const auto& [category, title] : cards) {
    for (const auto& [id, text] :
         {std::pair{kClass, category}, {kTrimTitle, title}, {kSource, L"书"}, {kKeyword, L"关键"}})
      SetText(Control(trim, id), text);
    Send(Control(trim, kMark), BM_SETCHECK, title == cards[0].second ? BST_CHECKED : BST_UNCHECKED);
    if (title != cards[2].second) SendCommand(trim, kTrimNext);
  }
  EXPECT_EQ(Text(Control(trim, IDOK)), L"完  成");
  EXPECT_EQ(Send(Control(trim, kClass), CB_GETCOUNT), 4);  // 未分类, 读书 and both new ones
  EXPECT_FALSE(IsWindowEnabled(Control(trim, kTrimNext)));
  Screenshot("datum_trim");
  PostCommand(trim, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(trim); }));
  EXPECT_EQ(Count(Data(L"lineindex.untrim.list"), "<link>"), 0u);
  const std::string trimmed = Data(L"lineindex.list");
  EXPECT_EQ(Count(trimmed, "<link>"), 3u);
  EXPECT_EQ(Count(trimmed, Gbk(L"<class>计算机\\编程</class>")), 1u);
  EXPECT_EQ(Count(trimmed, Gbk(L"<source>书</source>")), 3u);
  const std::string bookmarks = Data(L"bookmark.list");
  EXPECT_EQ(Count(bookmarks, "<link>"), 1u);
  EXPECT_EQ(Count(bookmarks, Gbk(L"<name>一</name>")), 1u);
  EXPECT_EQ(Count(Data(L"index.list"), "<link>"), 0u);

  // Browse: it takes the panel's place; the tree, each card, paging, the narrow layout.
  ASSERT_TRUE(WaitUntil([&] { return Visible(panel); }));
  SendCommand(panel, kBrowser);
  HWND browser = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program->pid()))
      if (GetWindow(w, GW_OWNER) == panel && Visible(w)) browser = w;
    return browser != nullptr;
  }));
  const HWND bar = program->Bar();
  EXPECT_FALSE(Visible(panel));
  EXPECT_EQ(Rect(browser).left, Rect(bar).left);
  EXPECT_EQ(Rect(browser).top, Rect(bar).bottom);
  const HWND tree = Control(browser, kTree);
  std::vector<HTREEITEM> order;
  EXPECT_EQ(TreeItems(tree, TreeView_GetRoot(tree), order),
            L"未分类, 读书, 计算机(编程(二), 一, 三)");
  ASSERT_GT(order.size(), 5u);
  Send(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(order[5]));  // 一
  RECT place{};
  memcpy(&place, &order[5], sizeof order[5]);  // goes in holding the item
  ASSERT_TRUE(SendRemote(tree, TVM_GETITEMRECT, TRUE, place));
  ASSERT_TRUE(ClickAt(tree, place, "click --repeat 2 --delay 80 1"));  // shows the card
  ASSERT_TRUE(WaitUntil([&] { return !Text(Control(browser, kHeader)).empty(); }));
  const std::wstring header = Text(Control(browser, kHeader));
  EXPECT_EQ(header.rfind(L"标题:一\r\n类别:计算机\t来源:书\r\n建立日期:", 0), 0u) << header;
  EXPECT_NE(header.find(L"\r\n关键字:关键"), std::wstring::npos);
  EXPECT_EQ(Text(Control(browser, kContent)), L"a ≮b≯ ￡ c\r\nline two");
  // Index order: 一, 二, 三, whatever their categories; past the last nothing changes.
  for (const auto& [button, content] : {std::pair{kRight, L"second"},
                                        {kRight, L"typed before exit"},
                                        {kRight, L"typed before exit"},
                                        {kLeft, L"second"}}) {
    SendCommand(browser, button);
    EXPECT_EQ(Text(Control(browser, kContent)), content);
  }
  EXPECT_EQ(Text(Control(browser, kHeader)).rfind(L"标题:二\r\n类别:计算机\\编程", 0), 0u);
  Screenshot("datum_tree_wide");
  // "※" copies the whole text, whatever was selected.
  Send(Control(browser, kContent), EM_SETSEL, 0, 3);
  SendCommand(browser, kCopy);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE copied = GetClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(copied ? std::wstring(static_cast<const wchar_t*>(GlobalLock(copied))) : L"",
            L"second");
  if (copied) GlobalUnlock(copied);
  CloseClipboard();

  SendCommand(browser, kHeaderButton);
  SendCommand(browser, kNarrow);
  EXPECT_FALSE(Visible(Control(browser, kHeader)));
  EXPECT_EQ(Text(Control(browser, kHeaderButton)), L"∨");
  EXPECT_TRUE(Visible(Control(browser, kWiden)));
  EXPECT_FALSE(Visible(Control(browser, kNarrow)));
  const auto width = [&](int id) {
    return Rect(Control(browser, id)).right - Rect(Control(browser, id)).left;
  };
  EXPECT_EQ(width(kTree), 20);
  Screenshot("datum_tree_narrow");
  const LONG narrowContent = width(kContent);
  SendCommand(browser, kWiden);
  EXPECT_LT(width(kContent), narrowContent);         // the tree takes its room back
  EXPECT_FALSE(Visible(Control(browser, kHeader)));  // and the header stays hidden

  // "×" closes the browser; the capture panel is back below the bar.
  SendCommand(browser, IDOK);
  EXPECT_FALSE(IsWindow(browser));
  ASSERT_TRUE(WaitUntil([&] { return Visible(panel); }));
  EXPECT_EQ(Rect(panel).left, Rect(bar).left);
  EXPECT_EQ(Rect(panel).top, Rect(bar).bottom);
  ASSERT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
