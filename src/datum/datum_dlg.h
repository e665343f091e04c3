// The datum panel below the bar: captures knowledge cards and pages back through the cards
// not yet trimmed. It opens the browser in its own place and runs the trimming dialog.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/clock.h"
#include "datum/datum_capture.h"
#include "datum/datum_tree.h"
#include "datum/datum_trim.h"
#include "resource.h"
#include "win/panel.h"

namespace pim {

class CDatumDlg final : public CPanel {
 public:
  explicit CDatumDlg(PanelHost& host);
  ~CDatumDlg() override;

  // The bar's datum button: stores the card being typed and starts a new one below the bar,
  // or shows the browser instead while it is open.
  void ShowPanel() override;
  // The close handling at exit (and on WM_CLOSE): stores the card being typed, writes the
  // card number and the untrimmed index, then closes the browser if it is open.
  void OnExit() override;
  // The browser calls this once its window is gone. The panel forgets it (it is deleted
  // later, never inside this call) and, unless the panel's own close handling is running,
  // takes its place below the bar again as the current panel.
  void BrowserClosed();
  // The cards waiting in the untrimmed index, and the trimming dialog for them.
  int PendingCount() const override { return capture_.count(); }
  void ProcessPending() override { Trim(); }
  // After a restore: the card number, categories and untrimmed index read again.
  void ReloadData() override;
  // The lists changed on disk (another computer, a merge): the panel follows them.
  void OnRecordChange(const RecordChange& change) override;
  // An untrimmed card at its position here, the card being typed stored first as paging
  // does; a trimmed one selected in the browser, which opens for it.
  bool ShowRecord(const RecordRef& record) override;
  // The capture key's card, stored at once; while the trimming dialog runs it joins its list.
  // Its entry, or nothing when it could not be stored.
  std::optional<IndexEntry> Capture(const std::string& text, const std::string& source);
  // The capture key with Shift: shown as the datum button shows the panel, at the new-card
  // position with the text, its title and source filled in, stored when the panel moves on.
  // False when the card being typed could not be stored first: it stays, the text is not put.
  bool OpenCaptured(const std::string& text, const std::string& source);
  bool Trimming() const { return trim_ != nullptr; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  CardText Fields() const;
  // Writes the model's card into the controls; a new card also takes the caret, unless the
  // user is in another program.
  void ShowCard(bool focus = true);
  void UpdateButtons();
  // Below the bar at a fresh card, the card being typed stored first; false when it could
  // not be and stays.
  bool ShowFresh();
  // Adds the categories the model knows and the box does not list yet.
  void ListNewClasses();
  void OpenBrowser();
  void Trim();

  SystemClock clock_;
  DatumCapture capture_;
  std::unique_ptr<CDatumTree> browser_;
  std::unique_ptr<CDatumTree> closedBrowser_;  // deleted on the next message
  CDatumTrim* trim_ = nullptr;                 // while the trimming dialog runs
  int listedClasses_ = 0;
  bool filling_ = false;  // the program sets the content: not a change by the user
  bool exiting_ = false;
};

}  // namespace pim
