// The search window: notes, contacts and cards found as the user types, by text or pinyin;
// the chosen one opens where it is edited. One modeless window of the bar's, which reads the
// records in steps while it is open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "records/record_store.h"
#include "search/search.h"
#include "search/search_cache.h"
#include "search/search_view.h"
#include "win/dialog.h"
#include "win/gdi.h"
#include "win/panel.h"

namespace pim {

class CSearchDlg final : public win::Dialog, public RecordListener {
 public:
  CSearchDlg(PanelHost& host, RecordStore& store, SearchCache& cache);
  ~CSearchDlg() override;

  // Shows the window on `scope`, the query box focused and its text selected; the bookmark
  // and index lists start without a query, so they list every card.
  void Open(SearchScope scope);
  // The data was replaced (a restore): an open window reads the records again.
  void OnRecordChange(const RecordChange& change) override;
  // Hides or shows the window with the bar, while the user has it open.
  void FollowBar(bool shown);
  // At exit and at the end of the session: the place is kept and the window goes.
  void Close();
  // At exit only: the records and entries are kept for the next start.
  void KeepCache();

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void OnScaleChanged() override { PlaceColumns(); }

 private:
  SearchScope Scope() const;
  // Runs the query and lists its hits; the record selected stays selected when found again.
  void Search();
  void ShowStatus();
  // Starts a reading unless one runs, every file once a day, and the timer that steps it.
  void BeginScan();
  // One step of the reading, on the timer; the list follows every so often and at its end.
  void ReadOn();
  void OpenSelected();
  // Escape and the close box: the window hides, its place is kept.
  void Hide();
  void KeepPlace();
  void PlaceWindow();
  void PlaceColumns();

  PanelHost& host_;
  RecordStore& store_;
  SearchCache& cache_;
  Searcher searcher_;
  bool fullRead_ = false;  // the scan running reads every file
  std::vector<SearchHit> hits_;
  size_t found_ = 0;
  bool estimated_ = false;
  win::HeldBrush brush_;
  bool open_ = false;  // opened by the user and not closed; it hides with the bar
  uint64_t listedAt_ = 0;
  ScreenPoint placed_;  // where the window was put, or last kept
};

}  // namespace pim
