// The trimming dialog: walks the untrimmed cards one by one and files them.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "base/clock.h"
#include "datum/trimming.h"
#include "resource.h"
#include "win/dialog.h"
#include "win/win_system.h"

namespace pim {

class CDatumTrim final : public win::Dialog {
 public:
  // `folder` is the datum folder ("datum"). Run with DoModal(nullptr).
  CDatumTrim(std::string folder, RecordEvents& events)
      : Dialog(IDD_DATUMTRIM), folder_(std::move(folder)), events_(events) {}

  // A card captured while the dialog runs joins the end of its list.
  void AddCard(const IndexEntry& entry);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  // The cards already left are filed as the end command files them; the one on screen
  // stays untrimmed unless it was saved.
  void OnCloseForExit() override;

 private:
  TrimForm ReadForm() const;
  void ShowModel();
  void OnEnd();
  void ListNewNames();

  std::string folder_;
  RecordEvents& events_;
  win::DialogPrompter prompter_{*this};
  SystemClock clock_;
  std::unique_ptr<DatumTrimming> model_;
  size_t listedClasses_ = 0;
  size_t listedSources_ = 0;
  bool filling_ = false;  // our own SetText must not count as the user's change
};

}  // namespace pim
