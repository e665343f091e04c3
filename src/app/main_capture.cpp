// The capture key: the selection of the program in front becomes a card.
#include "app/main_dlg.h"
#include "app/selection_copy.h"
#include "datum/datum_dlg.h"
#include "win/clipboard.h"
#include "win/text.h"

namespace pim {

void CMainDlg::Capture(bool edit) {
  auto* datum = dynamic_cast<CDatumDlg*>(Panel(PanelRoster::LineEditing(RecordKind::Card)));
  if (!datum || gate_.exited()) return;
  // Beside the trimming dialog only: any other dialog of ours may be halfway through a store,
  // a restore or a question about the cards.
  const bool trimming = datum->Trimming();
  if (!gate_.Idle() && !(trimming && gate_.IdleWith(1))) {
    reminders_.Say(L"Pimbrel 的对话框还开着，请关闭后再收集。", true);
    return;
  }
  const CopiedSelection copied = CopySelection(hwnd());
  if (copied.text.empty()) {
    reminders_.Say(L"没有选中的文字", true);
    return;
  }
  const std::string text = win::Narrow(copied.text);
  std::optional<IndexEntry> card;
  bool taken = false;
  if (edit && !trimming) {
    // The datum panel below the bar, as its button shows it, with the text to edit.
    if (!visible_) ToggleVisibility();
    if (current_ && current_ != datum) current_->window().Show(SW_HIDE);
    current_ = datum;
    taken = datum->OpenCaptured(text, copied.source);
    SetForegroundWindow(datum->hwnd());
  } else {
    card = datum->Capture(text, copied.source);
    taken = card.has_value();
  }
  if (!taken) {
    // Nothing is lost: the text waits on the clipboard.
    win::SetClipboardText(hwnd(), copied.text);
    reminders_.Say(L"资料卡没有存储，选中的文字留在了剪贴板上。", true);
  } else if (card) {
    reminders_.Say(L"已收入资料卡：" + win::Widen(card->name), false);
  }
}

}  // namespace pim
