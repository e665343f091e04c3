// What every writer of records tells, and everyone who keeps something about records hears:
// the records in memory, reminders, the panels. The app owns the one channel and hands it to
// the models; a model knows the channel, never who listens.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "records/record_ref.h"

namespace pim {

struct RecordChange {
  enum class What : uint8_t {
    Written,       // a record file was written, new or in place
    Removed,       // a record file is gone
    ListsChanged,  // the card indexes or lists changed
    Replaced,      // the whole data may differ (a restore): read everything again
  };
  What what;
  RecordKind kind = RecordKind::Note;
  int number = -1;        // a note's or a contact's number; -1 for a card
  std::string_view path;  // a card's data path
};

class RecordListener {
 public:
  virtual void OnRecordChange(const RecordChange& change) = 0;

 protected:
  ~RecordListener() = default;
};

// The type of a note as last read or written, where the records in memory know it; the notes'
// filtered stepping asks it rather than reading every file.
class NoteTypeSource {
 public:
  virtual std::optional<int> KnownNoteType(int number) const = 0;

 protected:
  ~NoteTypeSource() = default;
};

class RecordEvents {
 public:
  // Every listener hears every change, in the order they subscribed; one that unsubscribes
  // while a change is told (a panel going) hears no more of it.
  void Tell(const RecordChange& change);
  void Written(RecordKind kind, int number) {
    Tell({RecordChange::What::Written, kind, number, {}});
  }
  void Removed(RecordKind kind, int number) {
    Tell({RecordChange::What::Removed, kind, number, {}});
  }
  void CardWritten(std::string_view path) {
    Tell({RecordChange::What::Written, RecordKind::Card, -1, path});
  }
  void ListsChanged() { Tell({RecordChange::What::ListsChanged, RecordKind::Note, -1, {}}); }
  void Replaced() { Tell({RecordChange::What::Replaced, RecordKind::Note, -1, {}}); }

  void Subscribe(RecordListener& listener);
  void Unsubscribe(const RecordListener& listener);

  void SetNoteTypes(const NoteTypeSource* source) { noteTypes_ = source; }
  std::optional<int> KnownNoteType(int number) const {
    return noteTypes_ ? noteTypes_->KnownNoteType(number) : std::nullopt;
  }

 private:
  std::vector<RecordListener*> listeners_;
  const NoteTypeSource* noteTypes_ = nullptr;
};

}  // namespace pim
