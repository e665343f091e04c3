// The notes panel below the bar: the notebook's window, one note at a time.
#pragma once

#include "base/clock.h"
#include "base/prompter.h"
#include "notes/notebook.h"
#include "resource.h"
#include "win/panel.h"

namespace pim {

class CNoteDlg final : public CPanel {
 public:
  explicit CNoteDlg(PanelHost& host);

  void OnExit() override;
  bool ShowRecord(const RecordRef& record) override;
  // After a restore: the notebook read again, a new note begun.
  void ReloadData() override;
  void OnRecordChange(const RecordChange& change) override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  int Category() const;
  std::string EditorText() const;
  // Writes the note and the number label back; a new note also takes the caret.
  void ShowBook(NoteBook::Step step);
  // The same for a note shown under its own category, which the box then shows.
  void ShowWhole(NoteBook::Step step);

  SystemClock clock_;
  NoteBook book_;
};

}  // namespace pim
