#include "contacts/comu_dlg.h"

#include "base/gb18030.h"
#include "base/gbk.h"
#include "win/text.h"

namespace pim {

namespace {

// The edit boxes and the record fields they carry.
struct EditField {
  int id;
  std::string ComuRecord::*field;
};
constexpr EditField kEdits[] = {
    {IDC_COMU_NAME, &ComuRecord::name},
    {IDC_COMU_YEAR, &ComuRecord::birthYear},
    {IDC_COMU_TEL_OFFICE, &ComuRecord::telOffice},
    {IDC_COMU_TEL_HOME, &ComuRecord::telHome},
    {IDC_COMU_HANDSET, &ComuRecord::telHandset},
    {IDC_COMU_BP, &ComuRecord::telBP},
    {IDC_COMU_EMAIL, &ComuRecord::email},
    {IDC_COMU_EMAIL2, &ComuRecord::email2},
    {IDC_COMU_OICQ, &ComuRecord::oicq},
    {IDC_COMU_ICQ, &ComuRecord::icq},
    {IDC_COMU_COMPANYWEB, &ComuRecord::companyweb},
    {IDC_COMU_HOMEPAGE, &ComuRecord::homepage},
    {IDC_COMU_ADDRESS, &ComuRecord::address},
    {IDC_COMU_POSTNUMBER, &ComuRecord::postnumber},
    {IDC_COMU_NOTE, &ComuRecord::note},
};

void AddItem(win::Window box, const std::string& gbk) {
  SendMessageW(box.hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(gbk).c_str()));
}

int Selection(win::Window box) {
  return static_cast<int>(SendMessageW(box.hwnd(), CB_GETCURSEL, 0, 0));
}

// -1 leaves the box without a selection and with an empty text.
void Select(win::Window box, int index) {
  SendMessageW(box.hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace

bool CComuDlg::OnInitDialog() {
  CPanel::OnInitDialog();
  for (const std::string& name : kContactCategories) AddItem(Item(IDC_COMU_CLASS), name);
  for (int month = 1; month <= 12; ++month) AddItem(Item(IDC_COMU_MONTH), Format("%2d", month));
  for (int day = 1; day <= 31; ++day) AddItem(Item(IDC_COMU_DAY), Format("%2d", day));
  book_.Initialise();
  EmptyControls();
  ShowLabel();
  return true;
}

bool CComuDlg::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return CPanel::OnCommand(id, code);
  ComuRecord entry;
  switch (id) {
    case IDC_COMU_PREVIOUS:
      ShowStep(book_.Previous(entry), entry);
      return true;
    case IDC_COMU_NEXT:
      ShowStep(book_.Next(entry), entry);
      return true;
    case IDC_COMU_NEW:
      EmptyControls();
      book_.New();
      ShowLabel();
      return true;
    case IDC_COMU_SAVE:
      if (!book_.Save(ReadControls()))
        if (const std::optional<ComuRecord> now = book_.TookDiskVersion()) FillControls(*now);
      ShowLabel();
      return true;
    case IDC_COMU_DELETE:
      book_.Delete();
      ShowLabel();  // a deleted contact's reminder went with it
      return true;
    case IDC_COMU_FOLD:
      CollapsePanel();
      return true;
    case IDC_COMU_AWOKE:
      reminders_.Toggle(book_.current(), prompter_);
      ShowLabel();
      return true;
    case IDC_COMU_SEARCH:
      host_.OpenSearch(SearchScope::Contacts);
      return true;
    default:
      return CPanel::OnCommand(id, code);
  }
}

ComuRecord CComuDlg::ReadControls() const {
  ComuRecord entry;
  for (const EditField& edit : kEdits) entry.*edit.field = Item(edit.id).Text();
  // Nothing chosen is stored as -1, and neither sex button checked as female.
  entry.class_ = Selection(Item(IDC_COMU_CLASS));
  entry.birthMonth = Selection(Item(IDC_COMU_MONTH));
  entry.birthDay = Selection(Item(IDC_COMU_DAY));
  entry.sex = Item(IDC_COMU_MALE).IsChecked() ? 1 : 0;
  return entry;
}

void CComuDlg::FillControls(const ComuRecord& entry) {
  for (const EditField& edit : kEdits) Item(edit.id).SetText(entry.*edit.field);
  Select(Item(IDC_COMU_CLASS), entry.class_);
  Select(Item(IDC_COMU_MONTH), entry.birthMonth);
  Select(Item(IDC_COMU_DAY), entry.birthDay);
  CheckRadioButton(hwnd(), IDC_COMU_MALE, IDC_COMU_FEMALE,
                   entry.sex ? IDC_COMU_MALE : IDC_COMU_FEMALE);
}

void CComuDlg::EmptyControls() {
  for (const EditField& edit : kEdits) Item(edit.id).SetText("");
  for (int box : {IDC_COMU_CLASS, IDC_COMU_MONTH, IDC_COMU_DAY}) Select(Item(box), -1);
  Item(IDC_COMU_MALE).SetChecked(false);
  Item(IDC_COMU_FEMALE).SetChecked(false);
}

void CComuDlg::ShowStep(AddressBook::Step step, const ComuRecord& entry) {
  if (step == AddressBook::Step::Loaded) FillControls(entry);
  if (step == AddressBook::Step::Emptied) EmptyControls();
  ShowLabel();
}

void CComuDlg::ReloadData() {
  ComuRecord entry;
  ShowStep(book_.Reopen(entry), entry);
}

bool CComuDlg::ShowRecord(const RecordRef& record) {
  if (record.kind != RecordKind::Contact) return false;
  host_.MakeCurrent(*this);
  ShowBelowParent(SW_SHOW);
  ComuRecord entry;
  if (!book_.Leave(ReadControls()) || !book_.Open(record.number, entry)) return false;
  FillControls(entry);
  ShowLabel();
  return true;
}

void CComuDlg::OnRecordChange(const RecordChange& change) {
  CPanel::OnRecordChange(change);
  if (hwnd() && change.kind == RecordKind::Contact && change.what == RecordChange::What::Written &&
      book_.Arrived(change.number))
    ShowLabel();
  // Written or removed elsewhere (another computer): the contact shown follows, unless edited.
  if (!hwnd() || change.kind != RecordKind::Contact || change.number != book_.current() ||
      (change.what != RecordChange::What::Written && change.what != RecordChange::What::Removed))
    return;
  ComuRecord entry;
  ShowStep(book_.Refresh(ReadControls(), entry), entry);
}

void CComuDlg::ShowLabel() {
  Item(IDC_COMU_ID).SetText(book_.label());
  // "√提醒" while the contact shown has a reminder, else "提  醒"
  Item(IDC_COMU_AWOKE).SetText(reminders_.IsOn(book_.current()) ? Gb("√提醒") : Gb("提  醒"));
}

}  // namespace pim
