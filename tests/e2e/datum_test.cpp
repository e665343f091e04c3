// Knowledge cards from capture to browsing: two pasted cards, paged, a third typed right before
// Exit; after a new start the three are trimmed into a category and its subcategory and browsed.
// Characters beyond GBK go through the clipboard, a card's folder and file names, and the tree.
// Paging rules, card bytes, indexes and the trimming dialog's status: unit tests (datum, text).
#include "driver.h"

namespace e2e {
namespace {

constexpr int kClass = IDC_DATUMDLG_CLASS, kText = IDC_DATUMDLG_TEXT;
constexpr int kPrevious = IDC_DATUMDLG_PREV, kNext = IDC_DATUMDLG_NEXT;

class Datum : public ProgramTest {};

TEST_F(Datum, CapturedCardsAreKeptOverARestartTrimmedAndBrowsed) {
  // Category, title and text as the panel shows them, and whether "←" and "→" are enabled.
  const auto shown = [&] {
    return Text(Control(panel, kClass)) + L"|" + Text(Control(panel, IDC_DATUMDLG_TITLE)) + L"|" +
           Text(Control(panel, kText)) + L"|" +
           (IsWindowEnabled(Control(panel, kPrevious)) ? L"<" : L"") +
           (IsWindowEnabled(Control(panel, kNext)) ? L">" : L"");
  };
  const auto page = [&](int button) { return SendCommand(panel, button), shown(); };
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_DATUM));
  ASSERT_TRUE(Paste(L"a <b> & c\r\nline two"));
  SendCommand(panel, IDC_DATUMDLG_PASTE);
  // The datum button again stores the card and starts the next.
  SendCommand(program->Bar(), IDC_BTN_DATUM);
  EXPECT_EQ(shown(), L"未分类|资料卡1||<");
  ASSERT_TRUE(Paste(L"second \U0001F600"));
  SendCommand(panel, IDC_DATUMDLG_PASTE);
  // "←" stores the new card first, then shows it; "→" goes on to the next new card.
  EXPECT_EQ(page(kPrevious), L"未分类|资料卡1|second \U0001F600|<>");
  Screenshot("datum_panel");
  SendCommand(panel, IDOK);  // Enter and Escape leave the panel as it is
  SendCommand(panel, IDCANCEL);
  EXPECT_TRUE(Visible(panel));
  EXPECT_EQ(page(kNext), L"未分类|资料卡2||<");
  // Typed, not paged: Exit stores it (WM_SETTEXT sends a multi-line edit no change note),
  // as 䶮 in the category 𠮷.
  Send(Control(panel, kText), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed before exit"));
  SetText(Control(panel, kClass), L"\U00020BB7");
  SetText(Control(panel, IDC_DATUMDLG_TITLE), L"\u4DAE");
  ASSERT_TRUE(program->Exit());
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_DATUM));  // the two before it: in the trimming and the tree
  EXPECT_EQ(page(kPrevious), L"\U00020BB7|\u4DAE|typed before exit|<>");

  // Trim: a category, its subcategory, a source and keywords (the marks: the search scenario).
  const HWND trim = PostFor(panel, IDC_DATUMDLG_TRIM, L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  const std::pair<const wchar_t*, const wchar_t*> cards[] = {
      {L"计算机", L"一"}, {L"计算机\\编程", L"二"}, {L"计算机", L"\u4DAE"}};
  for (const auto& [category, title] : cards) {
    SetText(Control(trim, IDC_TRIM_CLASS), category);
    SetText(Control(trim, IDC_TRIM_TITLE), title);
    SetText(Control(trim, IDC_TRIM_SOURCE), L"书");
    SetText(Control(trim, IDC_TRIM_KEYWORD), L"关键");
    if (title != cards[2].second) SendCommand(trim, IDC_TRIM_NEXT);
  }
  EXPECT_EQ(Send(Control(trim, IDC_TRIM_CLASS), CB_GETCOUNT), 4);  // 未分类, 𠮷, 2 new
  Screenshot("datum_trim");
  ASSERT_TRUE(CloseBy(trim, IDOK));

  // Browse: it takes the panel's place; the tree, each card, paging, the narrow layout.
  ASSERT_TRUE(WaitUntil([&] { return Visible(panel); }));
  SendCommand(panel, IDC_DATUMDLG_BROWSER);
  const HWND browser = program->Owned(panel);
  ASSERT_TRUE(browser);
  EXPECT_FALSE(Visible(panel));  // hidden where it stood, below the bar
  EXPECT_EQ(std::pair(Rect(browser).left, Rect(browser).top),
            std::pair(Rect(panel).left, Rect(panel).top));
  const HWND tree = Control(browser, IDC_TREE_TREE);
  std::vector<HTREEITEM> order;
  ASSERT_EQ(TreeItems(tree, TreeView_GetRoot(tree), &order),
            L"未分类, \U00020BB7, 计算机(编程(二), 一, \u4DAE)");
  Send(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(order[5]));  // 一
  RECT place{};
  memcpy(&place, &order[5], sizeof order[5]);  // goes in holding the item
  ASSERT_TRUE(SendRemote(tree, TVM_GETITEMRECT, TRUE, place));
  ASSERT_TRUE(ClickAt(tree, place, "click --repeat 2 --delay 80 1"));  // shows the card
  const HWND content = Control(browser, IDC_TREE_CONTENT);
  ASSERT_TRUE(WaitUntil([&] { return Text(content) == L"a ≮b≯ ￡ c\r\nline two"; }))
      << Gbk(Text(content));
  const std::wstring header = Text(Control(browser, IDC_TREE_HEADER));
  EXPECT_TRUE(header.starts_with(L"标题:一\r\n类别:计算机\t来源:书\r\n建立日期:") &&
              header.ends_with(L"\r\n关键字:关键"))
      << Gbk(header);
  // "→" and "←" page in index order (its rules: the browser's unit test).
  for (int button : {IDC_TREE_NEXT, IDC_TREE_NEXT, IDC_TREE_PREVIOUS}) SendCommand(browser, button);
  EXPECT_EQ(Text(content), L"second \U0001F600");
  Screenshot("datum_tree_wide");
  // "※" copies the whole text, whatever was selected.
  Send(content, EM_SETSEL, 0, 3);
  SendCommand(browser, IDC_TREE_COPY);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const auto* copied = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  EXPECT_EQ(copied ? std::wstring(copied) : L"", L"second \U0001F600");
  CloseClipboard();

  // The layouts are the display-scale scenario's; here a picture of one.
  SendCommand(browser, IDC_TREE_HEADER_BUTTON);
  SendCommand(browser, IDC_TREE_NARROW);
  Screenshot("datum_tree_narrow");

  // "×" closes the browser; the capture panel, hidden where it stood, is shown again.
  SendCommand(browser, IDOK);
  EXPECT_FALSE(IsWindow(browser));
  ASSERT_TRUE(WaitUntil([&] { return Visible(panel); }));
  ASSERT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
