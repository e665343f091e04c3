// The 工具 submenu's import and export: a vCard file through the dialog into the address book
// (the open panel sees the contacts at once; a second import of the same file is caught as
// already there), and the notes out as a folder of Markdown files. What each format holds
// is the exchange library's unit tests'.
#include "driver.h"

namespace e2e {
namespace {

class Exchange : public ProgramTest {
 protected:
  // Opens the dialog from the bar's command and fills it: what (list index), format, range.
  HWND Dialog(int command, int what, int format, int scope, const std::wstring& path) {
    const HWND dialog = PostFor(program->Bar(), command, command == ID_IMPORT ? L"导入" : L"导出");
    if (!dialog) return nullptr;
    const auto choose = [&](int id, int index) {
      Send(Control(dialog, id), CB_SETCURSEL, index);
      Send(dialog, WM_COMMAND, CBN_SELCHANGE << 16 | id,
           reinterpret_cast<LPARAM>(Control(dialog, id)));
    };
    choose(IDC_EXCHANGE_WHAT, what);
    choose(IDC_EXCHANGE_FORMAT, format);
    choose(IDC_EXCHANGE_SCOPE, scope);
    SetText(Control(dialog, IDC_EXCHANGE_PATH), path);
    Screenshot(command == ID_IMPORT ? "import" : "export");
    PostCommand(dialog, IDOK);
    return dialog;
  }
  // The window of the program with this caption that holds control `id`, once there: the
  // dialog's own message boxes and questions share its caption.
  HWND WaitFor(const std::wstring& caption, int id, int ms = kWaitMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          for (HWND w : TopWindows(program->pid()))
            if (Visible(w) && Text(w) == caption && GetDlgItem(w, id)) found = w;
          return found != nullptr;
        },
        ms);
    return found;
  }
  // The question before an import writes anything: its text, answered with its first button.
  std::wstring Confirm() {
    const HWND question = WaitFor(L"导入", IDC_CHOOSE_FIRST);
    if (!question) return L"<no question>";
    const std::wstring text = Text(Control(question, IDC_CHOOSE_TEXT));
    PostCommand(question, IDC_CHOOSE_FIRST);
    return text;
  }
  std::wstring Told(const std::wstring& caption, int ms = kWaitMs) {
    const HWND box = WaitFor(caption, 0xFFFF, ms);
    const std::wstring text = box ? Text(GetDlgItem(box, 0xFFFF)) : L"<no message>";
    if (box) CloseBy(box, IDOK);
    return text;
  }
};

TEST_F(Exchange, AVCardFileComesInThroughTheDialogAndASecondImportIsCaughtAsAlreadyThere) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_COMU));
  const std::wstring vcf = folder + L"\\phone.vcf";
  WriteBytes(vcf,
             "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E7=8E=8B;="
             "E5=B0=8F=E6=98=8E\r\nTEL;CELL:13900001111\r\nBDAY:--0315\r\nEND:VCARD\r\n"
             "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nEMAIL;TYPE=WORK:ann@example.com\r\n"
             "END:VCARD\r\n");
  const HWND dialog = Dialog(ID_IMPORT, 0, 0, 0, vcf);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Confirm(), L"要导入 2 个联系人。");
  EXPECT_EQ(Told(L"导入"), L"导入 2 个联系人，跳过 0 个");
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_NE(File(L"communication\\com.0.xml").find(Gbk(L"<name>王小明</name>")), std::string::npos);
  // The open panel took them as they came (search hears the same events): it steps back to
  // the last.
  SendCommand(panel, IDC_COMU_PREVIOUS);
  EXPECT_EQ(Text(Control(panel, IDC_COMU_NAME)), L"Ann Lee");

  // The same file again: both look like contacts of the book, and are skipped.
  Dialog(ID_IMPORT, 0, 0, 0, vcf);
  EXPECT_NE(Confirm().find(L"要导入 2 个联系人，其中 2 个看来已在通讯录中"), std::wstring::npos);
  EXPECT_EQ(Told(L"导入"), L"导入 0 个联系人，跳过 2 个\r\n与通讯录中已有的联系人相同：2 个");
  EXPECT_FALSE(fs::exists(folder + L"\\communication\\com.2.xml"));
  EXPECT_TRUE(program->Exit());
}

// Long work shows how far it is and can be stopped: contacts come in under a progress bar (a
// thousand within ten seconds in the soak); as many again, cancelled midway, keep what came.
TEST_F(Exchange, AThousandContactsComeInUnderAProgressBarAndACancelKeepsWhatCame) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_COMU));
  const int n = Soak(250, 1000);
  const std::wstring count = std::to_wstring(n);
  const auto cards = [&](const wchar_t* file, const char* name) {
    std::string text;
    for (int k = 0; k < n; ++k)
      text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + std::string(name) + std::to_string(k) +
              "\r\nTEL;TYPE=CELL:139" + std::to_string(10000000 + k) + "\r\nEND:VCARD\r\n";
    WriteBytes(folder + L"\\" + file, text);
    return folder + L"\\" + file;
  };
  const auto contacts = [&] {
    return std::distance(fs::directory_iterator(folder + L"\\communication"), {});
  };
  const std::wstring first = cards(L"first.vcf", "First ");
  ASSERT_TRUE(Dialog(ID_IMPORT, 0, 0, 0, first));
  EXPECT_EQ(Confirm(), L"要导入 " + count + L" 个联系人。");
  const ULONGLONG start = GetTickCount64();  // from the answer to the report
  EXPECT_TRUE(WaitFor(L"Pimbrel", IDC_PROGRESS_BAR));
  Screenshot("import-progress");
  EXPECT_EQ(Told(L"导入", 60000), L"导入 " + count + L" 个联系人，跳过 0 个");
  const ULONGLONG took = GetTickCount64() - start;
  std::printf("%d contacts imported through the dialog in %llu ms\n", n, took);
  EXPECT_LT(took, 10000u);  // the budget of a thousand
  EXPECT_EQ(contacts(), n);

  ASSERT_TRUE(Dialog(ID_IMPORT, 0, 0, 0, cards(L"second.vcf", "Second ")));
  EXPECT_EQ(Confirm(), L"要导入 " + count + L" 个联系人。");
  const HWND progress = WaitFor(L"Pimbrel", IDC_PROGRESS_BAR);
  ASSERT_TRUE(progress);
  PostCommand(progress, IDCANCEL);
  const std::wstring told = Told(L"导入", 60000);
  int came = -1, left = -1;
  ASSERT_EQ(swscanf(told.c_str(), L"导入 %d 个联系人，跳过 0 个\r\n已取消：%d 个没有导入。", &came,
                    &left),
            2)
      << Gbk(told);
  EXPECT_EQ(came + left, n);
  EXPECT_EQ(contacts(), n + came);
  EXPECT_TRUE(program->Exit());
}

TEST_F(Exchange, NotesAndCardsGoOutAsFoldersOfMarkdownFilesWithAnIndex) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_DATUM));
  SetText(Control(panel, IDC_DATUMDLG_TITLE), L"橄榄油");
  program->StoreCard(panel, L"卡片的内容");
  panel = program->ShowPanel(IDC_BTN_NOTE);
  EXPECT_EQ(program->SaveRecord(panel, L"会议纪要\r\n第二行", true), 0);
  EXPECT_EQ(program->SaveRecord(panel, L"会议纪要\r\n另一次", true), 1);
  const std::wstring cardsOut = folder + L"\\导出的资料卡";
  ASSERT_TRUE(Dialog(ID_EXPORT, 2, 0, 0, cardsOut));
  EXPECT_EQ(Told(L"导出"), L"导出 1 张资料卡到 " + cardsOut);
  const std::string card = ReadBytes(cardsOut + L"\\资料卡\\未分类\\橄榄油.md");
  EXPECT_NE(card.find("卡片的内容"), std::string::npos) << card;
  // A folder of text files in as notes of 随感 (a GBK file without a title line of its own).
  const std::wstring texts = folder + L"\\文本";
  fs::create_directory(texts);
  WriteBytes(texts + L"\\读书.txt", Gbk(L"今天读了一本书。"));
  WriteBytes(texts + L"\\picture.png", "\x89PNG");
  ASSERT_TRUE(Dialog(ID_IMPORT, 1, 0, 2, texts));
  EXPECT_EQ(Told(L"导入"), L"导入 1 篇记事，跳过 0 个文件");
  EXPECT_NE(File(L"note\\n.2.xml").find("<type>3</type>"), std::string::npos);

  const std::wstring out = folder + L"\\导出的记事";
  const HWND dialog = Dialog(ID_EXPORT, 1, 0, 0, out);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Told(L"导出"), L"导出 3 篇记事到 " + out);
  // The text as the store holds it (the folder's layout and names: the Markdown unit test).
  const std::string first = ReadBytes(out + L"\\记事\\普通\\会议纪要.md");
  EXPECT_NE(first.find("第二行"), std::string::npos) << first;  // UTF-8, as this file is
  // The same folder again is refused, and what is there stays.
  Dialog(ID_EXPORT, 1, 0, 0, out);
  EXPECT_EQ(Told(L"导出"), out + L" 已经存在，请换一个名字。");
  EXPECT_TRUE(CloseBy(WaitFor(L"导出", IDC_EXCHANGE_PATH), IDCANCEL));
  EXPECT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
