// What the models tell the in-memory records of every write they make, and the one thing
// they ask of them. The models know this interface only, never the search built on it.
#pragma once

#include <optional>
#include <string_view>

namespace pim {

class RecordEvents {
 public:
  virtual void NoteWritten(int number) = 0;
  virtual void NoteRemoved(int number) = 0;
  virtual void ContactWritten(int number) = 0;
  virtual void ContactRemoved(int number) = 0;
  // A card file was written, new or in place.
  virtual void CardWritten(std::string_view path) = 0;
  // The untrimmed index, the trimmed index or the bookmark and index lists changed.
  virtual void IndexesChanged() = 0;
  // The type of note `number` as last read or written; nothing while the notes are not
  // known in memory, or this one is not.
  virtual std::optional<int> KnownNoteType(int number) const = 0;

 protected:
  ~RecordEvents() = default;
};

}  // namespace pim
