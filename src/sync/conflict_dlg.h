// The records changed on two computers, listed pair by pair with both versions side by side;
// the user keeps both, this one or the other. What is decided is done at once.
#pragma once

#include <vector>

#include "records/record_events.h"
#include "sync/conflicts.h"
#include "win/dialog.h"

namespace pim {

class CConflictDlg final : public win::Dialog {
 public:
  CConflictDlg(std::vector<Conflict> conflicts, RecordEvents& events);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  void ShowPair();
  void Decide(ConflictChoice choice);
  int Selected() const;

  std::vector<Conflict> conflicts_;
  RecordEvents& events_;
};

}  // namespace pim
