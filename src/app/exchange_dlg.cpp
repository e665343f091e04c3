#include "app/exchange_dlg.h"

#include <algorithm>
#include <set>

#include "app/exchange_jobs.h"
#include "backup/folder_ops.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"
#include "exchange/contact_csv.h"
#include "exchange/contact_draft.h"
#include "exchange/text_notes.h"
#include "exchange/vcard.h"
#include "resource.h"
#include "win/progress_dlg.h"
#include "win/text.h"
#include "win/win_system.h"

namespace pim {

namespace {

// The contacts' export formats, in the order the list shows them.
enum ContactOut { kVCard, kGoogleCsv, kOutlookUtf8, kOutlookGbk };

void Fill(HWND list, const std::vector<std::string>& items) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items)
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(item).c_str()));
  SendMessageW(list, CB_SETCURSEL, 0, 0);
}

// The files of the path box: several parted by ";", or a folder's text files.
std::vector<std::string> FilesOf(const std::string& text, bool textNotes) {
  std::vector<std::string> files;
  size_t start = 0;
  for (size_t end; start <= text.size(); start = end + 1) {
    end = std::min(text.find(';', start), text.size());
    std::string one(TrimText(text.substr(start, end - start)));
    if (one.empty()) continue;
    if (textNotes && FolderExists(one)) {
      TreeListing listing;
      ListTree(one, listing);
      for (const std::string& f : listing.files)
        if (IsTextNoteFile(f)) files.push_back(JoinPath(one, f));
    } else {
      files.push_back(one);
    }
  }
  return files;
}

std::string Count(size_t n) { return std::to_string(n); }

// Why an import stopped before its end: cancelled (what was written stays) or a file.
std::string Unfinished(int written, size_t total, const std::string& failed, bool cancelled) {
  if (written >= static_cast<int>(total)) return {};
  if (cancelled)
    return Gb("\r\n已取消：") + Count(total - static_cast<size_t>(written)) + Gb(" 个没有导入。");
  return Gb("\r\n无法写入 ") + failed + Gb("，其余的没有导入。");
}

}  // namespace

CExchangeDlg::CExchangeDlg(bool import, RecordEvents& events)
    : Dialog(IDD_EXCHANGE), import_(import), events_(events) {}

bool CExchangeDlg::OnInitDialog() {
  window().SetText(Gb(import_ ? "导入" : "导出"));
  std::vector<std::string> what = {Gb("通讯录"), Gb("记事")};
  if (!import_) {
    what.push_back(Gb("资料卡"));
    RecordStore store;
    store.ScanAll();
    std::set<std::string> seen;
    for (const Record& r : store.records())
      if (r.live && r.kind == RecordKind::Card && seen.insert(r.fields[kCardClass]).second)
        categories_.push_back(r.fields[kCardClass]);
  }
  Fill(Item(IDC_EXCHANGE_WHAT).hwnd(), what);
  FillFormats();
  return true;
}

CExchangeDlg::What CExchangeDlg::what() const { return static_cast<What>(Pick(IDC_EXCHANGE_WHAT)); }

int CExchangeDlg::Pick(int id) const {
  return std::max(0, static_cast<int>(SendMessageW(Item(id).hwnd(), CB_GETCURSEL, 0, 0)));
}

void CExchangeDlg::FillFormats() {
  std::vector<std::string> formats, scope;
  const What w = what();
  if (w == kContacts && import_) {
    formats = {Gb("vCard（*.vcf）"), Gb("CSV（*.csv，Google 或 Outlook）")};
  } else if (w == kContacts) {
    formats = {Gb("vCard 3.0（*.vcf）"), Gb("CSV，Google 格式（UTF-8）"),
               Gb("CSV，Outlook 格式（UTF-8）"), Gb("CSV，Outlook 格式（GBK）")};
    scope.push_back(Gb("全部"));
    scope.insert(scope.end(), kContactCategories.begin(), kContactCategories.end());
  } else if (w == kNotes && import_) {
    formats = {Gb("文本文件（*.txt、*.md，或它们所在的文件夹）")};
    scope.assign(kNoteTypes.begin() + 1, kNoteTypes.end());  // the first, 全部, is no type
  } else {
    formats = {Gb("Markdown 文件夹")};
    scope.push_back(Gb("全部"));
    if (w == kNotes) scope.insert(scope.end(), kNoteTypes.begin() + 1, kNoteTypes.end());
    if (w == kCards) scope.insert(scope.end(), categories_.begin(), categories_.end());
  }
  Fill(Item(IDC_EXCHANGE_FORMAT).hwnd(), formats);
  Fill(Item(IDC_EXCHANGE_SCOPE).hwnd(), scope);
  EnableWindow(Item(IDC_EXCHANGE_SCOPE).hwnd(), !scope.empty());
  // Imported notes take a type; exported records may be a part of them.
  Item(IDC_EXCHANGE_SCOPE_LABEL).SetText(Gb(import_ && w == kNotes ? "类型：" : "范围："));
}

void CExchangeDlg::Browse() {
  win::Win32Prompter prompter(hwnd());
  std::string path;
  const What w = what();
  if (!import_ && w != kContacts) {
    // A new folder inside the one picked, named for the day.
    const std::string parent = prompter.PickFolder(Gb("请选择导出到哪个文件夹"));
    const LocalTime now = SystemClock().Now();
    if (!parent.empty())
      path = JoinPath(parent,
                      Gb("Pimbrel 导出 ") + Format("%04d-%02d-%02d", now.year, now.month, now.day));
  } else if (import_ && w == kNotes) {
    path = prompter.PickFolder(Gb("请选择文本文件所在的文件夹"));
  } else {
    const bool vcard = Pick(IDC_EXCHANGE_FORMAT) == 0;
    path =
        prompter.PickFile({import_, vcard ? "vcf" : "csv",
                           vcard ? Gb("vCard 文件 (*.vcf)|*.vcf|") : Gb("CSV 文件 (*.csv)|*.csv|"),
                           "", import_ ? "" : Gb(vcard ? "通讯录.vcf" : "通讯录.csv")});
  }
  if (!path.empty()) Item(IDC_EXCHANGE_PATH).SetText(path);
}

bool CExchangeDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_EXCHANGE_WHAT:
      if (code == CBN_SELCHANGE) FillFormats();
      return true;
    case IDC_EXCHANGE_FORMAT:
      return true;
    case IDC_EXCHANGE_BROWSE:
      Browse();
      return true;
    case IDOK:
      if (Run()) EndDialog(IDOK);
      return true;
    case IDCANCEL:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

void CExchangeDlg::Say(const std::string& text, bool failed) {
  win::OwnedMessage(hwnd(), text, Gb(import_ ? "导入" : "导出"), MsgButtons::Ok,
                    failed ? MsgIcon::Warning : MsgIcon::Information);
}

bool CExchangeDlg::Run() {
  const std::string path(TrimText(Item(IDC_EXCHANGE_PATH).Text()));
  if (path.empty()) {
    Say(Gb("请填写或选择位置。"), true);
    return false;
  }
  win::BusyCursor busy;
  const What w = what();
  if (import_) {
    const std::vector<std::string> files = FilesOf(path, w == kNotes);
    if (files.empty()) {
      Say(Gb("这里没有可以导入的文件：") + path, true);
      return false;
    }
    return w == kContacts ? ImportContacts(files) : ImportNotes(files);
  }
  return w == kContacts ? ExportContacts(path) : ExportMarkdown(path);
}

bool CExchangeDlg::ImportContacts(const std::vector<std::string>& files) {
  std::string failedFile;
  const auto format = Pick(IDC_EXCHANGE_FORMAT) == 0 ? ContactFormat::VCard : ContactFormat::Csv;
  ContactImport report = ReadContactFiles(files, format, failedFile);
  if (report.error != ImportError::None) {
    Say(failedFile + "\r\n" + ImportErrorText(report.error), true);
    return false;
  }
  std::vector<size_t> alike = LikelyDuplicates(BookContacts(), report.contacts);
  size_t skipped = 0;
  // The count before anything is written, and the contacts that seem to be in the book.
  std::string text = Gb("要导入 ") + Count(report.contacts.size()) + Gb(" 个联系人");
  std::vector<std::string> buttons = {Gb("导入"), Gb("取消")};
  if (!alike.empty()) {
    text += Gb("，其中 ") + Count(alike.size()) +
            Gb(" 个看来已在通讯录中（姓名相同，并有相同的电话或电子邮件）：");
    for (size_t i = 0; i < alike.size() && i < 10; ++i)
      text += "\r\n" + report.contacts[alike[i]].name;
    if (alike.size() > 10) text += "\r\n……";
    buttons = {Gb("跳过它们"), Gb("也导入"), Gb("取消")};
  }
  const int choice = win::Win32Prompter(hwnd()).Choose(text + Gb("。"), Gb("导入"), buttons);
  if (choice < 0 || choice == static_cast<int>(buttons.size()) - 1) return false;
  if (!alike.empty() && choice == 0) {
    for (auto it = alike.rbegin(); it != alike.rend(); ++it)
      report.contacts.erase(report.contacts.begin() + static_cast<ptrdiff_t>(*it));
    skipped = alike.size();
  }
  std::string failed;
  win::ProgressDlg progress(hwnd(), Gb("正在导入联系人……"), report.contacts.size());
  const int written = WriteNewContacts(report.contacts, &events_, failed,
                                       [&](size_t done) { return progress.Step(done); });
  Say(ImportSummary(report, written, static_cast<int>(skipped)) +
          Unfinished(written, report.contacts.size(), failed, progress.cancelled()),
      written < static_cast<int>(report.contacts.size()));
  return true;
}

bool CExchangeDlg::ImportNotes(const std::vector<std::string>& files) {
  std::vector<std::string> texts;
  std::string refused;
  for (const std::string& file : files) {
    std::string bytes;
    const std::string name = file.substr(DataPathFolder(file).size());
    TextNote note;
    note.error = TextError::NotText;
    if (StampOf(file).size > static_cast<int64_t>(kMaxTextNoteBytes))
      note.error = TextError::TooLarge;
    else if (ReadWholeFile(file, bytes))
      note = ReadTextNote(name, bytes);
    if (note.error == TextError::None)
      texts.push_back(note.content);
    else
      refused +=
          "\r\n" + name + Gb(note.error == TextError::TooLarge ? "：文件太大" : "：不是文本文件");
  }
  std::string failed;
  win::ProgressDlg progress(hwnd(), Gb("正在导入记事……"), texts.size());
  const int written = WriteNewNotes(texts, Pick(IDC_EXCHANGE_SCOPE) + 1, SystemClock(), &events_,
                                    failed, [&](size_t done) { return progress.Step(done); });
  const std::string text = Gb("导入 ") + Count(static_cast<size_t>(written)) +
                           Gb(" 篇记事，跳过 ") + Count(files.size() - texts.size()) +
                           Gb(" 个文件") + refused;
  Say(text + Unfinished(written, texts.size(), failed, progress.cancelled()),
      written < static_cast<int>(texts.size()));
  return true;
}

bool CExchangeDlg::ExportContacts(const std::string& file) {
  const std::vector<ComuRecord> contacts = BookContacts(Pick(IDC_EXCHANGE_SCOPE) - 1);
  if (contacts.empty()) {
    Say(Gb("没有要导出的联系人。"));
    return false;
  }
  const int format = Pick(IDC_EXCHANGE_FORMAT);
  if (format == kOutlookGbk) {
    const size_t beyond = ContactsBeyondGbk(contacts).size();
    if (beyond > 0 &&
        win::OwnedMessage(hwnd(),
                          Count(beyond) + Gb(" 个联系人有 GBK 中没有的字，写成 GBK "
                                             "时这些字会变成“?”。仍然导出吗？"),
                          Gb("导出"), MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
      return false;
  }
  const std::string bytes =
      format == kVCard
          ? WriteVCards(contacts)
          : WriteContactsCsv(contacts,
                             format == kGoogleCsv ? CsvLayout::Google : CsvLayout::Outlook,
                             format == kOutlookGbk ? CsvEncoding::Gbk : CsvEncoding::Utf8);
  if (!WriteFileAtomic(file, bytes)) {
    Say(Gb("无法写入 ") + file, true);
    return false;
  }
  Say(Gb("导出 ") + Count(contacts.size()) + Gb(" 个联系人到 ") + file);
  return true;
}

bool CExchangeDlg::ExportMarkdown(const std::string& folder) {
  RecordStore store;
  store.ScanAll();
  const int scope = Pick(IDC_EXCHANGE_SCOPE);
  std::vector<NoteExport> notes;
  std::vector<CardExport> cards;
  if (what() == kNotes)
    notes = ExportedNotes(store, scope > 0 ? scope : -1);  // the list's rows are the types
  else
    cards = ExportedCards(store, scope > 0 ? categories_[static_cast<size_t>(scope - 1)] : "");
  win::ProgressDlg progress(hwnd(), Gb("正在导出……"), notes.size() + cards.size());
  const MarkdownOutcome out = pim::ExportMarkdown(
      folder, notes, cards, [&](size_t done, size_t) { return progress.Step(done); });
  switch (out.result) {
    case ExportResult::Done:
      Say(Gb("导出 ") + Count(notes.size() + cards.size()) +
          Gb(what() == kNotes ? " 篇记事" : " 张资料卡") + Gb("到 ") + folder);
      return true;
    case ExportResult::TargetExists:
      Say(folder + Gb(" 已经存在，请换一个名字。"), true);
      return false;
    case ExportResult::Cancelled:
      Say(Gb("导出已取消，什么也没有留下。"));
      return false;
    case ExportResult::CannotWrite:
      break;
  }
  Say(Gb("无法写入 ") + out.failedPath + Gb("，什么也没有留下。"), true);
  return false;
}

}  // namespace pim
