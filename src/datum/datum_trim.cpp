#include "datum/datum_trim.h"

#include "win/text.h"
#include "win/win_system.h"

namespace pim {
namespace {

// Adds the names from `listed` on; the box sorts them itself.
void FillCombo(HWND box, const std::vector<std::string>& names, size_t& listed) {
  for (; listed < names.size(); ++listed)
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(names[listed]).c_str()));
}

}  // namespace

bool CDatumTrim::OnInitDialog() {
  model_ = std::make_unique<DatumTrimming>(prompter_, clock_, win::RecordsFolder(), &events_);
  const DatumTrimming::Start start = model_->Open();
  ListNewNames();
  if (start != DatumTrimming::Start::Ready) {
    EndDialog(IDOK);  // nothing to trim: nothing is saved either
    return true;
  }
  ShowModel();
  return true;
}

TrimForm CDatumTrim::ReadForm() const {
  TrimForm form;
  form.category = Item(IDC_TRIM_CLASS).Text();
  form.title = Item(IDC_TRIM_TITLE).Text();
  form.source = Item(IDC_TRIM_SOURCE).Text();
  form.keywords = Item(IDC_TRIM_KEYWORD).Text();
  form.date = Item(IDC_TRIM_DATE).Text();
  form.text = Item(IDC_TRIM_TEXT).Text();
  form.bookmark = Item(IDC_TRIM_BOOKMARK).IsChecked();
  form.index = Item(IDC_TRIM_INDEX).IsChecked();
  return form;
}

void CDatumTrim::ShowModel() {
  ListNewNames();
  const DatumTrimming& m = *model_;
  EnableWindow(Item(IDC_TRIM_PREVIOUS).hwnd(), m.previousEnabled());
  EnableWindow(Item(IDC_TRIM_NEXT).hwnd(), m.nextEnabled());
  EnableWindow(Item(IDC_TRIM_SAVE).hwnd(), m.saveEnabled());
  Item(IDOK).SetText(m.okText());
  const TrimForm& form = m.form();
  filling_ = true;
  Item(IDC_TRIM_STATUS).SetText(m.status());
  Item(IDC_TRIM_CLASS).SetText(form.category);
  Item(IDC_TRIM_TITLE).SetText(form.title);
  Item(IDC_TRIM_SOURCE).SetText(form.source);
  Item(IDC_TRIM_KEYWORD).SetText(form.keywords);
  Item(IDC_TRIM_DATE).SetText(form.date);
  Item(IDC_TRIM_TEXT).SetText(form.text);
  Item(IDC_TRIM_BOOKMARK).SetChecked(form.bookmark);
  Item(IDC_TRIM_INDEX).SetChecked(form.index);
  filling_ = false;
}

void CDatumTrim::AddCard(const IndexEntry& entry) {
  if (!model_) return;
  if (model_->AddEntry(entry)) {
    ShowModel();
    return;
  }
  // What the user is typing stays; only the count and the way on change.
  const DatumTrimming& m = *model_;
  EnableWindow(Item(IDC_TRIM_NEXT).hwnd(), m.nextEnabled());
  Item(IDOK).SetText(m.okText());
  filling_ = true;
  Item(IDC_TRIM_STATUS).SetText(m.status());
  filling_ = false;
}

void CDatumTrim::ListNewNames() {
  FillCombo(Item(IDC_TRIM_CLASS).hwnd(), model_->classNames(), listedClasses_);
  FillCombo(Item(IDC_TRIM_SOURCE).hwnd(), model_->sourceNames(), listedSources_);
}

void CDatumTrim::OnEnd() {
  if (model_ && !model_->End(ReadForm())) return;
  EndDialog(IDOK);
}

void CDatumTrim::OnCloseForExit() {
  if (model_) model_->WriteIndexes();
  EndDialog(IDCANCEL);
}

bool CDatumTrim::OnCommand(int id, int code) {
  if (!model_) return false;
  switch (id) {
    case IDC_TRIM_NEXT:
      model_->Next(ReadForm());
      ShowModel();
      return true;
    case IDC_TRIM_PREVIOUS:
      model_->Previous(ReadForm());
      ShowModel();
      return true;
    case IDC_TRIM_SAVE:
      if (model_->Save(ReadForm())) {
        ShowModel();
        return true;
      }
      ListNewNames();
      EnableWindow(Item(IDC_TRIM_SAVE).hwnd(), FALSE);
      return true;
    case IDC_TRIM_TEXT:
      if (code != EN_CHANGE || filling_) return false;
      model_->TextChanged();
      EnableWindow(Item(IDC_TRIM_SAVE).hwnd(), TRUE);
      return true;
    case IDOK:
      OnEnd();
      return true;
    default:
      return false;  // Escape ends the dialog without writing anything
  }
}

bool CDatumTrim::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  if (message != WM_CLOSE) return false;
  OnEnd();  // the window's close command is the end command
  result = TRUE;
  return true;
}

}  // namespace pim
