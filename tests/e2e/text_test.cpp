// Characters beyond GBK typed into the panels: back in every panel after a new start, and a
// card named with them found by the browser. Their four-byte forms in the files are the unit
// tests' (text_test).
#include <gtest/gtest.h>

#include <optional>

#include "driver.h"

namespace e2e {
namespace {

const std::wstring kNote = L"\u2022 \uD55C\uAD6D\uC5B4 \u20AC";  // • 한국어 €, 936's 0x80

class BeyondGbk : public ::testing::Test {
 protected:
  HWND Open(int button) {
    if (!program) program.emplace(folder);
    return program->ShowPanel(button);
  }
  std::wstring folder = FreshFolder(L"text");
  std::optional<Program> program;
};

TEST_F(BeyondGbk, EveryCharacterIsStoredAndBackAfterANewStart) {
  HWND panel = Open(IDC_BTN_COMU);
  ASSERT_TRUE(panel);
  SetText(Control(panel, IDC_COMU_NAME), L"\U00020BB7\u4DAE");
  SetText(Control(panel, IDC_COMU_NOTE), L"\U0001F600");
  ASSERT_EQ(program->SaveRecord(panel, L"\U00020BB7\u4DAE"), 0);
  ASSERT_TRUE(panel = Open(IDC_BTN_NOTE));
  ASSERT_EQ(program->SaveRecord(panel, kNote, true), 0);
  ASSERT_TRUE(panel = Open(IDC_BTN_DATUM));
  const std::wstring content = L"\U0001F600 \u4DAE";
  ASSERT_TRUE(Paste(content));
  SendCommand(panel, IDC_DATUMDLG_PASTE);
  SetText(Control(panel, IDC_DATUMDLG_CLASS), L"\U00020BB7");
  SetText(Control(panel, IDC_DATUMDLG_TITLE), L"\u4DAE");
  Screenshot("text_datum_panel");
  ASSERT_TRUE(program->Exit());

  // A new start: each panel shows every character again.
  program.reset();
  ASSERT_TRUE(panel = Open(IDC_BTN_COMU));
  SendCommand(panel, IDC_COMU_PREVIOUS);
  EXPECT_EQ(Text(Control(panel, IDC_COMU_NAME)) + L"|" + Text(Control(panel, IDC_COMU_NOTE)),
            L"\U00020BB7\u4DAE|\U0001F600");
  ASSERT_TRUE(panel = Open(IDC_BTN_NOTE));
  SendCommand(panel, IDC_NOTE_PREV);
  EXPECT_EQ(Text(Control(panel, IDC_NOTE_TEXT)), kNote);
  Screenshot("text_notes_panel");
  ASSERT_TRUE(panel = Open(IDC_BTN_DATUM));
  SendCommand(panel, IDC_DATUMDLG_PREV);
  EXPECT_EQ(Text(Control(panel, IDC_DATUMDLG_CLASS)) + L"|" +
                Text(Control(panel, IDC_DATUMDLG_TITLE)) + L"|" +
                Text(Control(panel, IDC_DATUMDLG_TEXT)),
            L"\U00020BB7|\u4DAE|" + content);

  // Trimmed as it is, the card is found in the browser's tree under its category.
  PostCommand(panel, IDC_DATUMDLG_TRIM);
  const HWND trim = WaitWindow(program->pid(), L"Pimbrel \u8D44\u6599\u6574\u7406");  // 资料整理
  ASSERT_TRUE(trim);
  PostCommand(trim, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(trim) && Visible(panel); }));
  SendCommand(panel, IDC_DATUMDLG_BROWSER);
  const HWND browser = program->Owned(panel);
  ASSERT_TRUE(browser);
  const HWND tree = Control(browser, IDC_TREE_TREE);
  const std::wstring found = TreeItems(tree, TreeView_GetRoot(tree));
  EXPECT_NE(found.find(L"\U00020BB7(\u4DAE)"), std::wstring::npos) << found.size();
  Screenshot("text_browser");
  EXPECT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
