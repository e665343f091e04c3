// The notebook behind the notes panel: numbered note documents "note\n.%d.xml", one shown at
// a time, stepped through backwards and forwards, optionally only through one category.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/clock.h"
#include "base/prompter.h"
#include "records/record_counter.h"
#include "records/record_events.h"
#include "xmldoc/xml.h"

namespace pim {

class NoteBook {
 public:
  // The category list; a note's type number is its category's index.
  static constexpr int kAll = 0;       // as a filter: every note
  static constexpr int kOrdinary = 1;  // selected when the panel opens
  static constexpr int kDiary = 2;     // a new note starts with the date line
  static constexpr const std::array<std::string, 6>& kCategories = kNoteTypes;

  // What a step did to the note shown.
  enum class Step { Unchanged, Shown, Started };

  // `events`, when given, hears of every note written or removed, and knows note types.
  NoteBook(Prompter& prompter, const Clock& clock, RecordEvents* events = nullptr);

  // The panel opens: reads maxid and composes note maxid.
  void Open();
  // After a restore: as Open, but a note that was shown from its file (not one begun) is
  // shown again when it still exists; true then.
  bool Reopen();
  // Starts note maxid afresh; a diary note begins with today's date line.
  void New(int category);
  // Writes the note shown with `text` and the category's index (-1 for none) as its type.
  // When its file changed on disk since it was shown, the user chooses: saved as a new note,
  // written over it, or not saved and the note as it is now shown instead (false, and
  // TookDiskVersion() then says so once).
  bool Save(const std::string& text, int category);
  bool TookDiskVersion() { return std::exchange(tookDisk_, false); }
  // The note shown changed on disk (another computer): unedited, it is read again, or a new
  // note begun when its file is gone. Unchanged when it was edited or is as read.
  Step Refresh(const std::string& text, int category);
  // Note `number` arrived (another computer): stepping reaches it, and a new note begun here
  // takes a number above it. True when the label changed.
  bool Arrived(int number);
  // The nearest existing note below / above the current one whose type is `filter`
  // (any type for kAll). Next past the last note starts a new one.
  Step Previous(int filter);
  Step Next(int filter);
  // Shows note `number` under its own category (opened from a search); false when it cannot
  // be read, and nothing changes then.
  bool Show(int number);
  // Whether the editor's text or the category box differ from the note as last shown,
  // begun or saved.
  bool Changed(const std::string& text, int category) const {
    return text != text_ || category != category_;
  }
  // Before another note takes the editor: a changed one is saved if the user wants. False
  // when the user cancels or the save fails; the editor then stays as it is.
  bool Leave(const std::string& text, int category);
  // Removes the current note's file after asking; the text and the number stay.
  bool Delete();
  // The close handling: keeps a grown maxid.
  void Close();

  int current() const { return current_; }
  int maxid() const { return counter_.maxid(); }
  const std::string& text() const { return text_; }
  const std::string& buildtime() const { return buildtime_; }
  // The category box's selection when the note was shown, begun or saved; a note opened
  // by Show has its own type here (-1 for one the list lacks).
  int category() const { return category_; }
  // The number label: "id:" until a note is numbered, then "%d:".
  const std::string& label() const { return label_; }
  std::string PathOf(int number) const { return counter_.PathOf(number); }

 private:
  bool ReadInto(XML& xml, LineReader& reader, int number, const FileStamp& stamp);
  // Shows note `number` when it is of type `filter`: nothing when it is not (or is gone),
  // else whether it could be read.
  std::optional<Step> ShowIfOfType(int number, int filter);
  void SetCurrent(int number);

  Prompter& prompter_;
  const Clock& clock_;
  RecordEvents* events_;
  RecordCounter counter_;
  int current_ = 0;
  std::string text_;
  std::string buildtime_;
  int category_ = kOrdinary;
  std::string label_ = "id:";
  FileStamp shownStamp_;  // of the note's file as read or last saved; none for a new note
  bool tookDisk_ = false;
};

}  // namespace pim
