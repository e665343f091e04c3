// The import and export dialog of the 工具 submenu: contacts in from vCard and CSV files and out
// to them, notes in from text files, notes and cards out as a folder of Markdown files.
#pragma once

#include <string>
#include <vector>

#include "records/record_events.h"
#include "win/dialog.h"

namespace pim {

class CExchangeDlg final : public win::Dialog {
 public:
  CExchangeDlg(bool import, RecordEvents& events);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  enum What { kContacts, kNotes, kCards };
  What what() const;
  int Pick(int id) const;  // a list's selection
  void FillFormats();
  void Browse();
  // The work itself; true when done (or nothing was to be done), so the dialog closes.
  bool Run();
  bool ImportContacts(const std::vector<std::string>& files);
  bool ImportNotes(const std::vector<std::string>& files);
  bool ExportContacts(const std::string& file);
  bool ExportMarkdown(const std::string& folder);
  void Say(const std::string& text, bool failed = false);

  bool import_;
  RecordEvents& events_;
  std::vector<std::string> categories_;  // of the cards, for the export's range
};

}  // namespace pim
