// What the import and export dialog does without its window: other programs' files read into
// new records of the data folder, and the records written out as other programs read them.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "exchange/contact_import.h"
#include "exchange/markdown.h"
#include "records/record_events.h"
#include "records/record_store.h"
#include "xmldoc/xml.h"

namespace pim {

enum class ContactFormat { VCard, Csv };

// The contacts of every file, in order; the first file that is no contact list stops it (its
// error, with `failedFile` naming it). Counts of the reports are added up.
ContactImport ReadContactFiles(std::span<const std::string> files, ContactFormat format,
                               std::string& failedFile);

// New records from outside: their numbers taken in one counter write before the files, each
// file created (never over another) and told to `events`, so an open panel sees it and takes
// its next number after it. `step` hears how many are written after each and may stop the
// work (false); what was written stays. How many were written; `failed` names the file that
// stopped it.
using WorkStep = std::function<bool(size_t done)>;
int WriteNewContacts(std::span<const ComuRecord> contacts, RecordEvents* events,
                     std::string& failed, const WorkStep& step = {});
int WriteNewNotes(std::span<const std::string> texts, int type, const Clock& clock,
                  RecordEvents* events, std::string& failed, const WorkStep& step = {});

// The book as other programs take it: every contact, or those of one category (0 to 8).
std::vector<ComuRecord> BookContacts(int category = -1);
// The notes (all, or of one type) and the cards (all, or of one category and those below it)
// of the records in memory, for a Markdown export.
std::vector<NoteExport> ExportedNotes(const RecordStore& store, int type = -1);
std::vector<CardExport> ExportedCards(const RecordStore& store, std::string_view category = {});

}  // namespace pim
