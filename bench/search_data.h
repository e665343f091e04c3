// A collection for the search bench, the same for every run: notes, contacts and cards of
// Chinese text (500 to 2,000 bytes each) with Chinese titles, names and categories, written
// through the program's own writers into the current data folder.
#pragma once

#include <cstdint>

namespace bench {

struct Collection {
  int notes = 0;
  int contacts = 0;
  int cards = 0;
  int noteTypes = 6;  // notes take the types 0 to noteTypes - 1 in turn
};

// Writes the collection; returns the bytes of the record files written.
uint64_t WriteSearchCollection(const Collection& collection);

}  // namespace bench
