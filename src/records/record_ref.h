// Which record: a note or a contact by its number, a card by its data path. What a panel sees
// of the records; the records in memory live in record_store.h.
#pragma once

#include <cstdint>
#include <string>

namespace pim {

enum class RecordKind : uint8_t { Note, Contact, Card };

// The records a search looks at: every one, those of one kind, the cards of the bookmark or
// the index list.
enum class SearchScope { All, Cards, Notes, Contacts, Bookmarks, IndexList };

// A record to show where the user edits it: a note or a contact by its number, a card by its
// path, in the datum panel or, once trimmed, in the browser.
struct RecordRef {
  RecordKind kind = RecordKind::Note;
  int number = -1;
  std::string path;
  bool trimmed = false;
};

}  // namespace pim
