// The trimming dialog's model: walks the untrimmed cards one at a time, rewrites each card
// the user leaves, and at the end moves the trimmed entries to the trimmed indexes.
#pragma once

#include <string>
#include <vector>

#include "base/clock.h"
#include "base/file.h"
#include "base/prompter.h"
#include "datum/datum_store.h"
#include "records/record_events.h"

namespace pim {

struct TrimEntry : IndexEntry {
  bool bookmark = false;
  bool index = false;
  bool trimmed = false;
  bool partial = false;       // the card file holds more than could be read: never rewritten
  FileStamp stamp{};          // of the card file as shown, or as last written here
  std::string cameWith = {};  // the source the entry came with (a captured page's address)
};

// Mirrors of the dialog's controls.
struct TrimForm {
  std::string category;
  std::string title;
  std::string source;
  std::string keywords;
  std::string date;
  std::string text;  // lines joined by CR LF
  bool bookmark = false;
  bool index = false;
};

class DatumTrimming {
 public:
  enum class Start { NoIndex, Empty, Ready };

  // `workingFolder` (GBK) names the cards' local DTD.
  // `events`, when given, hears of every card rewritten and of the indexes written.
  DatumTrimming(Prompter& prompter, const Clock& clock, std::string workingFolder,
                RecordEvents* events = nullptr)
      : prompter_(prompter),
        clock_(clock),
        events_(events),
        workingFolder_(std::move(workingFolder)) {}

  // Loads the lists and the untrimmed index and shows the first entry. NoIndex and Empty
  // end the dialog at once; Empty has said so.
  Start Open();
  // The chain's n-th entry (1-based) into the form; beyond the count only the buttons change.
  void ShowItem(int n);
  // Rewrites the shown card from `form` and marks the entry trimmed; false, with a message
  // and the entry left untrimmed, when the card cannot be written. A card that another
  // computer changed since it was shown is never written over unasked: both are kept (the
  // other version as a card of its own, waiting to be trimmed), this one replaces it, or the
  // edit is dropped and the card shown as it is now.
  bool SaveItem(const TrimForm& form);
  void Next(const TrimForm& form);
  void Previous(const TrimForm& form);
  // True when the card as it is on disk took the place of the edit: show the form again.
  bool Save(const TrimForm& form);
  // The end command: true when the dialog may close (the indexes are then written).
  bool End(const TrimForm& form);
  // A card captured while the dialog is open joins the end of the list. True when it is now
  // shown (the dialog stood past the last entry); else only the status and buttons changed.
  bool AddEntry(const IndexEntry& entry);
  // Appends the trimmed entries to the trimmed indexes, then rewrites the untrimmed index
  // without those that reached every index they belong to.
  bool WriteIndexes();
  void TextChanged() { modified_ = true; }

  const TrimForm& form() const { return form_; }
  const std::string& status() const { return status_; }
  // In list order; a name added while trimming comes last.
  const std::vector<std::string>& classNames() const { return classNames_; }
  const std::vector<std::string>& sourceNames() const { return sourceNames_; }
  const std::vector<TrimEntry>& entries() const { return entries_; }
  int item() const { return item_; }
  bool previousEnabled() const { return item_ != 1; }
  bool nextEnabled() const { return nextEnabled_; }
  bool saveEnabled() const { return modified_; }
  bool lastItem() const { return lastItem_; }
  // "完  成" at the last entry, "结  束" elsewhere.
  std::string okText() const;

 private:
  bool AppendTrimmed();
  void SetStatus();

  Prompter& prompter_;
  const Clock& clock_;
  RecordEvents* events_;
  std::string workingFolder_;
  ClassTable classes_;
  SourceTable sources_;
  std::vector<std::string> classNames_;
  std::vector<std::string> sourceNames_;
  std::vector<TrimEntry> entries_;
  int item_ = 0;
  TrimForm form_;
  std::string status_;
  bool nextEnabled_ = true;
  bool lastItem_ = false;
  bool modified_ = false;
  bool reshown_ = false;    // the edit gave way to the card as it is on disk
  bool stay_ = false;       // the question about it was closed: the step is not taken
  bool indexWhole_ = true;  // the untrimmed index was read to its end
};

}  // namespace pim
