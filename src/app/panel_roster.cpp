#include "app/panel_roster.h"

#include <algorithm>
#include <numeric>

#include "app/tool_box.h"
#include "contacts/comu_dlg.h"
#include "datum/datum_dlg.h"
#include "notes/note_dlg.h"
#include "quicklaunch/run_wnd.h"
#include "resource.h"

namespace pim {

namespace {

template <class Panel>
std::unique_ptr<CPanel> Make(const PanelServices& s) {
  return std::make_unique<Panel>(s.host);
}

std::unique_ptr<CPanel> MakeContacts(const PanelServices& s) {
  return std::make_unique<CComuDlg>(s.host, s.reminders);
}

}  // namespace

const std::array<PanelLine, 5> PanelRoster::kLines = {{
    {IDC_BTN_RUN, ID_QUICKLAUNCH, Make<CRunWnd>, 0, std::nullopt, true},
    {IDC_BTN_DATUM, ID_DATUM, Make<CDatumDlg>, 1, RecordKind::Card, false},
    {IDC_BTN_COMU, ID_CONTACTS, MakeContacts, 2, RecordKind::Contact, false},
    {IDC_BTN_NOTE, ID_NOTES, Make<CNoteDlg>, 4, RecordKind::Note, false},
    {IDC_BTN_TOOLBOX, ID_TOOLBOX, Make<CToolBox>, 3, std::nullopt, false},
}};

bool PanelRoster::CreateNext(HWND owner, const PanelServices& services,
                             const std::function<void()>& failed) {
  const auto next = std::ranges::find(tried_, false);
  if (next == tried_.end()) return false;
  Create(static_cast<size_t>(next - tried_.begin()), owner, services, failed);
  return true;
}

CPanel* PanelRoster::Ensure(const PanelLine& line, HWND owner, const PanelServices& services,
                            const std::function<void()>& failed) {
  const auto i = static_cast<size_t>(&line - kLines.data());
  if (!tried_[i]) Create(i, owner, services, failed);
  return panels_[i].get();
}

void PanelRoster::Create(size_t i, HWND owner, const PanelServices& services,
                         const std::function<void()>& failed) {
  tried_[i] = true;
  panels_[i] = kLines[i].make(services);
  if (!panels_[i]->CreateModeless(owner)) {
    panels_[i].reset();
    failed();
    return;
  }
  if (kLines[i].placedHidden)
    panels_[i]->ShowBelowParent(SW_HIDE);
  else
    panels_[i]->window().Show(SW_HIDE);
}

const PanelLine* PanelRoster::LineOf(int control) {
  const auto line = std::ranges::find_if(
      kLines, [&](const PanelLine& l) { return l.button == control || l.command == control; });
  return line == kLines.end() ? nullptr : &*line;
}

const PanelLine* PanelRoster::LineEditing(RecordKind kind) {
  const auto line =
      std::ranges::find_if(kLines, [&](const PanelLine& l) { return l.edits == kind; });
  return line == kLines.end() ? nullptr : &*line;
}

CPanel* PanelRoster::Get(const PanelLine& line) const {
  return panels_[static_cast<size_t>(&line - kLines.data())].get();
}

CPanel* PanelRoster::Editing(RecordKind kind) const {
  const PanelLine* line = LineEditing(kind);
  return line ? Get(*line) : nullptr;
}

CPanel* PanelRoster::WithPendingWork() const {
  for (const auto& panel : panels_)
    if (panel && panel->PendingCount() > 0) return panel.get();
  return nullptr;
}

void PanelRoster::CloseAll(bool destroy) {
  std::array<size_t, kLines.size()> order;
  std::iota(order.begin(), order.end(), 0);
  std::ranges::sort(order, {}, [](size_t i) { return kLines[i].exitRank; });
  for (size_t i : order) {
    if (!panels_[i]) continue;
    panels_[i]->OnExit();
    if (!destroy) continue;
    panels_[i]->Destroy();
    panels_[i].reset();
  }
}

void PanelRoster::ReloadAll() {
  for (auto& panel : panels_)
    if (panel) panel->ReloadData();
}

void PanelRoster::ScaleAll(int dpi) {
  for (auto& panel : panels_)
    if (panel) panel->ScaleTo(dpi);
}

}  // namespace pim
