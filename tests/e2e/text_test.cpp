// Characters beyond GBK typed into the panels: stored in their four-byte forms, back in every
// panel after a new start, and a card named with them found by the browser.
#include <gtest/gtest.h>

#include <optional>

#include "driver.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace e2e {
namespace {

constexpr int kNotesButton = 1004, kContactsButton = 1005, kDatumButton = 1006;
constexpr int kName = 1002, kRemark = 1046, kNoteText = 1002, kNew = 1010, kSave = 1013;
constexpr int kBack = 1001, kClass = 1026, kTitle = 1002, kCardText = 1016, kPaste = 1000;
constexpr int kCardBack = 1005, kBrowser = 1008, kTrim = 1011, kTree = 1032;

// GB18030 bytes written out: 𠮷 䶮 😀 • 한국어 and €, which keeps code page 936's 0x80.
const std::string kJi = "\x95\x34\xB2\x35", kYan = "\xFE\x9F", kEmoji = "\x94\x39\xFC\x36";
const std::string kNoteBytes =
    "\x81\x36\xA6\x31 \x83\x36\x84\x33\x82\x37\xF4\x30\x83\x32\xEB\x35 \x80";
const std::wstring kNote = L"\u2022 \uD55C\uAD6D\uC5B4 \u20AC";

std::wstring FirstTreeItem(HWND tree, HTREEITEM item) {  // "text(child)"
  std::wstring text, child;
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  SendRemote(tree, TVM_GETITEMW, 0, data, &text);
  const auto first = reinterpret_cast<HTREEITEM>(
      Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
  return first ? text + L"(" + FirstTreeItem(tree, first) + L")" : text;
}

class BeyondGbk : public ::testing::Test {
 protected:
  HWND Open(int button) {
    if (!program) program.emplace(folder);
    EXPECT_EQ(program->Panels().size(), 5u);
    return program->ShowPanel(button);
  }
  std::string Data(const std::wstring& path) { return ReadBytes(folder + L"\\" + path); }
  std::wstring folder = FreshFolder(L"text");
  std::optional<Program> program;
};

TEST_F(BeyondGbk, EveryCharacterIsStoredAndBackAfterANewStart) {
  HWND panel = Open(kContactsButton);
  ASSERT_TRUE(panel);
  SetText(Control(panel, kName), L"\U00020BB7\u4DAE");
  SetText(Control(panel, kRemark), L"\U0001F600");
  PostCommand(panel, kSave);
  ASSERT_TRUE(AnswerMessageBox(program->pid(), L"notice"));
  ASSERT_TRUE(panel = Open(kNotesButton));
  SendCommand(panel, kNew);
  SetText(Control(panel, kNoteText), kNote);
  PostCommand(panel, kSave);
  ASSERT_TRUE(AnswerMessageBox(program->pid(), L"notice"));
  ASSERT_TRUE(panel = Open(kDatumButton));
  const std::wstring content = L"\U0001F600 \u4DAE";
  const size_t bytes = (content.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  memcpy(GlobalLock(memory), content.c_str(), bytes);
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() &&
              SetClipboardData(CF_UNICODETEXT, memory));
  CloseClipboard();
  SendCommand(panel, kPaste);
  SetText(Control(panel, kClass), L"\U00020BB7");
  SetText(Control(panel, kTitle), L"\u4DAE");
  Screenshot("text_datum_panel");
  ASSERT_TRUE(program->Exit());

  // The files hold the four-byte forms; the card's folder and file are named with them.
  EXPECT_EQ(Count(Data(L"communication\\com.0.xml"), "<name>" + kJi + kYan + "</name>"), 1u);
  EXPECT_EQ(Count(Data(L"communication\\com.0.xml"), "<note>" + kEmoji + "</note>"), 1u);
  EXPECT_EQ(Count(Data(L"note\\n.0.xml"), kNoteBytes), 1u);
  const std::string card = Data(L"datum\\\U00020BB7\\\u4DAE.datum.0.xml");
  EXPECT_EQ(Count(card, "<title>" + kYan + "</title>\r\n\t<class>" + kJi + "</class>"), 1u);
  EXPECT_EQ(Count(card, "<part>" + kEmoji + " " + kYan + "</part>"), 1u);
  EXPECT_EQ(Count(Data(L"datum\\class.list"), "=" + kJi + "\r\n"), 1u);

  // A new start: each panel shows every character again.
  program.reset();
  ASSERT_TRUE(panel = Open(kContactsButton));
  SendCommand(panel, kBack);
  EXPECT_EQ(Text(Control(panel, kName)) + L"|" + Text(Control(panel, kRemark)),
            L"\U00020BB7\u4DAE|\U0001F600");
  ASSERT_TRUE(panel = Open(kNotesButton));
  SendCommand(panel, kBack);
  EXPECT_EQ(Text(Control(panel, kNoteText)), kNote);
  Screenshot("text_notes_panel");
  ASSERT_TRUE(panel = Open(kDatumButton));
  SendCommand(panel, kCardBack);
  EXPECT_EQ(Text(Control(panel, kClass)) + L"|" + Text(Control(panel, kTitle)) + L"|" +
                Text(Control(panel, kCardText)),
            L"\U00020BB7|\u4DAE|" + content);

  // Trimmed as it is, the card is found in the browser's tree under its category.
  PostCommand(panel, kTrim);
  const HWND trim = WaitWindow(program->pid(), L"Pimbrel \u8D44\u6599\u6574\u7406");  // 资料整理
  ASSERT_TRUE(trim);
  PostCommand(trim, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(trim); }));
  ASSERT_TRUE(WaitUntil([&] { return Visible(panel); }));
  SendCommand(panel, kBrowser);
  HWND browser = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program->pid()))
      if (GetWindow(w, GW_OWNER) == panel && Visible(w)) browser = w;
    return browser != nullptr;
  }));
  const HWND tree = Control(browser, kTree);
  std::wstring found;
  for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i))
    found += FirstTreeItem(tree, i) + L";";
  EXPECT_NE(found.find(L"\U00020BB7(\u4DAE)"), std::wstring::npos) << found.size();
  Screenshot("text_browser");
  EXPECT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
