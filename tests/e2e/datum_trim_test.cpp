// Knowledge cards from capture to browsing: three cards are captured, trimmed into a
// category and its subcategory, and read back in the browser, which then gives its place
// back to the capture panel.
#include <windows.h>
// The common controls need the types of windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kDatumButton = 1006, kEditorText = 1016, kBrowserButton = 1008, kTrimButton = 1011;
constexpr int kClass = 1026, kTitle = 1016, kSource = 1027, kKeyword = 1019, kBookmark = 1028;
constexpr int kNext = 1003, kPrevious = 1001;
constexpr int kTree = 1032, kHeader = 1016, kContent = 1002, kWiden = 3, kNarrow = 2;
constexpr int kHeaderButton = 5, kLeft = 1005, kRight = 1006, kCopy = 1000;

const std::wstring kComputer = L"计算机", kCoding = L"计算机\\编程";

std::string Gbk(const std::wstring& text) {
  std::string out(text.size() * 2 + 1, '\0');
  const int n = WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? n : 0);
  return out;
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

void SetText(HWND control, const std::wstring& text) {
  Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// A tree view's items as "text(child, child)", read through memory in the program.
class RemoteTree {
 public:
  explicit RemoteTree(HWND tree) : tree_(tree) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    memory_ = VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteTree() {
    VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  std::wstring ItemText(HTREEITEM item) {
    auto* remote = static_cast<char*>(memory_);
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(tv));
    tv.cchTextMax = 256;
    WriteProcessMemory(process_, remote, &tv, sizeof(tv), nullptr);
    Send(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
    wchar_t text[256] = {};
    ReadProcessMemory(process_, remote + sizeof(tv), text, sizeof(text) - 2, nullptr);
    return text;
  }
  std::wstring Items(HTREEITEM first) {
    std::wstring out;
    for (HTREEITEM i = first; i; i = Next(TVGN_NEXT, i)) {
      if (!out.empty()) out += L", ";
      out += ItemText(i);
      order.push_back(i);
      if (HTREEITEM child = Next(TVGN_CHILD, i)) out += L"(" + Items(child) + L")";
    }
    return out;
  }
  std::wstring All() { return Items(Next(TVGN_ROOT, nullptr)); }
  std::vector<HTREEITEM> order;  // the items All() read, top to bottom
  // A real double click on the item, as the user shows a card.
  bool DoubleClick(HTREEITEM item) {
    Send(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT r{};  // goes in holding the item
    WriteProcessMemory(process_, memory_, &item, sizeof(item), nullptr);
    if (!Send(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(memory_))) return false;
    ReadProcessMemory(process_, memory_, &r, sizeof(r), nullptr);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tree_, &p);
    return RunUnix("xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) +
                   " click --repeat 2 --delay 80 1") == 0;
  }

 private:
  HTREEITEM Next(UINT how, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        Send(tree_, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
  }
  HWND tree_;
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
};

TEST(DatumTrim, CapturedCardsAreTrimmedAndBrowsed) {
  const std::wstring folder = FreshFolder(L"datum_trim");
  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);
  const HWND bar = program.Bar();
  // Capture: each press of the datum button stores the card typed before.
  HWND editor = nullptr;
  for (const wchar_t* text : {L"", L"第一张\r\n两行", L"second card", L"third card"}) {
    if (*text) {
      const HWND edit = Control(editor, kEditorText);
      SetText(edit, text);
      Send(editor, WM_COMMAND, EN_CHANGE << 16 | kEditorText, reinterpret_cast<LPARAM>(edit));
    }
    SendCommand(bar, kDatumButton);
    ASSERT_EQ(program.VisiblePanels().size(), 1u);
    editor = program.VisiblePanels()[0];
  }
  const std::wstring datum = folder + L"\\datum\\";

  // Trim: a category, its subcategory, a source, keywords and one bookmark.
  PostCommand(editor, kTrimButton);
  const HWND trim = WaitWindow(program.pid(), L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  // The panel wrote its three cards into the untrimmed index before the dialog opened.
  EXPECT_EQ(Text(Control(trim, 1031)), L"◆当前共有 3 条未整理的资料, 这是第 1 条◆");
  EXPECT_FALSE(IsWindowEnabled(Control(trim, kPrevious)));
  const struct {
    const std::wstring& category;
    const wchar_t* title;
    bool bookmark;
  } cards[] = {{kComputer, L"一", true}, {kCoding, L"二", false}, {kComputer, L"三", false}};
  for (const auto& card : cards) {
    SetText(Control(trim, kClass), card.category);
    SetText(Control(trim, kTitle), card.title);
    SetText(Control(trim, kSource), L"书");
    SetText(Control(trim, kKeyword), L"关键");
    Send(Control(trim, kBookmark), BM_SETCHECK, card.bookmark ? BST_CHECKED : BST_UNCHECKED);
    if (&card != &cards[2]) SendCommand(trim, kNext);
  }
  EXPECT_EQ(Text(Control(trim, IDOK)), L"完  成");
  EXPECT_EQ(Send(Control(trim, kClass), CB_GETCOUNT), 3);  // 未分类 and both new ones
  EXPECT_FALSE(IsWindowEnabled(Control(trim, kNext)));
  Screenshot("datum_trim");
  PostCommand(trim, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(trim); }));
  EXPECT_EQ(Count(ReadBytes(datum + L"lineindex.untrim.list"), "<link>"), 0u);
  const std::string trimmed = ReadBytes(datum + L"lineindex.list");
  EXPECT_EQ(Count(trimmed, "<link>"), 3u);
  EXPECT_EQ(Count(trimmed, "<class>" + Gbk(kCoding) + "</class>"), 1u);
  EXPECT_EQ(Count(trimmed, "<source>" + Gbk(L"书") + "</source>"), 3u);
  const std::string bookmarks = ReadBytes(datum + L"bookmark.list");
  EXPECT_EQ(Count(bookmarks, "<link>"), 1u);
  EXPECT_EQ(Count(bookmarks, "<name>" + Gbk(L"一") + "</name>"), 1u);
  EXPECT_EQ(Count(ReadBytes(datum + L"index.list"), "<link>"), 0u);

  // Browse: the tree, each card, paging, and the narrow layout without the header.
  ASSERT_TRUE(WaitUntil([&] { return Visible(editor); }));
  SendCommand(editor, kBrowserButton);
  HWND browser = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program.pid()))
      if (GetWindow(w, GW_OWNER) == editor && Visible(w)) browser = w;
    return browser != nullptr;
  }));
  EXPECT_FALSE(Visible(editor));
  EXPECT_EQ(Rect(browser).left, Rect(bar).left);
  EXPECT_EQ(Rect(browser).top, Rect(bar).bottom);
  const HWND tree = Control(browser, kTree);
  RemoteTree remote(tree);
  EXPECT_EQ(remote.All(), L"未分类, 计算机(编程(二), 一, 三)");
  ASSERT_TRUE(remote.DoubleClick(remote.order.at(4)));  // 一
  ASSERT_TRUE(WaitUntil([&] { return !Text(Control(browser, kHeader)).empty(); }));
  const std::wstring header = Text(Control(browser, kHeader));
  EXPECT_EQ(header.rfind(L"标题:一\r\n类别:计算机\t来源:书\r\n建立日期:", 0), 0u) << header;
  EXPECT_NE(header.find(L"\r\n关键字:关键"), std::wstring::npos);
  EXPECT_EQ(Text(Control(browser, kContent)), L"第一张\r\n两行");
  // Index order: 一, 二, 三, whatever their categories.
  SendCommand(browser, kRight);
  EXPECT_EQ(Text(Control(browser, kContent)), L"second card");
  SendCommand(browser, kRight);
  EXPECT_EQ(Text(Control(browser, kContent)), L"third card");
  SendCommand(browser, kRight);  // the last card: nothing changes
  EXPECT_EQ(Text(Control(browser, kContent)), L"third card");
  SendCommand(browser, kLeft);
  EXPECT_EQ(Text(Control(browser, kContent)), L"second card");
  EXPECT_EQ(Text(Control(browser, kHeader)).rfind(L"标题:二\r\n类别:计算机\\编程", 0), 0u);
  Screenshot("datum_tree_wide");
  // "※" copies the whole text, whatever was selected.
  Send(Control(browser, kContent), EM_SETSEL, 0, 3);
  SendCommand(browser, kCopy);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE copied = GetClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(copied ? std::wstring(static_cast<const wchar_t*>(GlobalLock(copied))) : L"",
            L"second card");
  if (copied) GlobalUnlock(copied);
  CloseClipboard();

  SendCommand(browser, kHeaderButton);
  SendCommand(browser, kNarrow);
  EXPECT_FALSE(Visible(Control(browser, kHeader)));
  EXPECT_EQ(Text(Control(browser, kHeaderButton)), L"∨");
  EXPECT_TRUE(Visible(Control(browser, kWiden)));
  EXPECT_FALSE(Visible(Control(browser, kNarrow)));
  RECT content = Rect(Control(browser, kContent)), narrowTree = Rect(Control(browser, kTree));
  EXPECT_EQ(narrowTree.right - narrowTree.left, 20);
  EXPECT_EQ(content.bottom - content.top, 237);
  EXPECT_EQ(content.right - content.left, 303);
  Screenshot("datum_tree_narrow");
  SendCommand(browser, kWiden);
  content = Rect(Control(browser, kContent));
  EXPECT_EQ(content.bottom - content.top, 237);  // the header stays hidden
  EXPECT_EQ(content.right - content.left, 188);

  // "×" closes the browser; the capture panel is back below the bar.
  SendCommand(browser, IDOK);
  EXPECT_FALSE(IsWindow(browser));
  ASSERT_TRUE(WaitUntil([&] { return Visible(editor); }));
  EXPECT_EQ(Rect(editor).left, Rect(bar).left);
  EXPECT_EQ(Rect(editor).top, Rect(bar).bottom);
  ASSERT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
