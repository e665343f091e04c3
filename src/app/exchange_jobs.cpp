#include "app/exchange_jobs.h"

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/line_reader.h"
#include "base/prompter.h"
#include "config/config_file.h"
#include "exchange/contact_csv.h"
#include "exchange/vcard.h"
#include "records/record_counter.h"

namespace pim {

namespace {

RecordCounter Contacts() { return {"COMU", "communication", "com."}; }
RecordCounter Notes() { return {"NOTE", "note", "n."}; }

void AddUp(ContactImport& all, ContactImport&& one) {
  for (ComuRecord& c : one.contacts) all.contacts.push_back(std::move(c));
  for (SkippedContact s : one.skipped) all.skipped.push_back(s);
  all.photos += one.photos;
  all.keys += one.keys;
  all.lineBreaks += one.lineBreaks;
  all.closingTags += one.closingTags;
  all.replacedChars += one.replacedChars;
  all.unknownCharsets += one.unknownCharsets;
}

// Documents under numbers taken at once; `tell` hears each number written.
template <typename Tell>
int WriteNew(RecordCounter counter, std::span<const std::string> documents, Tell tell,
             std::string& failed, const WorkStep& step) {
  counter.Load();
  int first = 0;
  if (!counter.Reserve(static_cast<int>(documents.size()), first)) {
    failed = kSettingsPath;
    return 0;
  }
  for (size_t i = 0; i < documents.size(); ++i) {
    const int number = first + static_cast<int>(i);
    if (CreateFileAtomic(counter.PathOf(number), documents[i]) != Placed::Done) {
      failed = counter.PathOf(number);
      return static_cast<int>(i);
    }
    tell(number);
    if (step && !step(i + 1)) return static_cast<int>(i + 1);
  }
  return static_cast<int>(documents.size());
}

}  // namespace

ContactImport ReadContactFiles(std::span<const std::string> files, ContactFormat format,
                               std::string& failedFile) {
  ContactImport all;
  for (const std::string& file : files) {
    std::string bytes;
    if (StampOf(file).size > static_cast<int64_t>(kMaxContactFileBytes)) {
      all.error = ImportError::TooLarge;
    } else if (!ReadWholeFile(file, bytes)) {
      all.error = ImportError::NotText;
    } else {
      ContactImport one =
          format == ContactFormat::VCard ? ReadVCards(bytes) : ReadContactsCsv(bytes);
      all.error = one.error;
      if (one.error == ImportError::None) AddUp(all, std::move(one));
    }
    if (all.error != ImportError::None) {
      failedFile = file;
      all.contacts.clear();
      return all;
    }
  }
  return all;
}

int WriteNewContacts(std::span<const ComuRecord> contacts, RecordEvents* events,
                     std::string& failed, const WorkStep& step) {
  std::vector<std::string> documents(contacts.size());
  for (size_t i = 0; i < contacts.size(); ++i) contacts[i].WriteComu(documents[i]);
  return WriteNew(
      Contacts(), documents,
      [&](int n) {
        if (events) events->Written(RecordKind::Contact, n);
      },
      failed, step);
}

int WriteNewNotes(std::span<const std::string> texts, int type, const Clock& clock,
                  RecordEvents* events, std::string& failed, const WorkStep& step) {
  SilentPrompter silent;
  const std::string now = NowStamp(clock);
  std::vector<std::string> documents(texts.size());
  for (size_t i = 0; i < texts.size(); ++i)
    XML(silent, clock).WriteNote(documents[i], type, texts[i], now);
  return WriteNew(
      Notes(), documents,
      [&](int n) {
        if (events) events->Written(RecordKind::Note, n);
      },
      failed, step);
}

std::vector<ComuRecord> BookContacts(int category) {
  std::vector<ComuRecord> book;
  SilentPrompter silent;
  const SystemClock clock;
  const RecordCounter counter = Contacts();
  for (int number : counter.Existing()) {
    File file;
    if (!file.Open(counter.PathOf(number), File::Mode::Read)) continue;
    LineReader reader(file);
    XML xml(silent, clock);
    if (!xml.ReadComu(reader) || reader.failed()) continue;
    if (category < 0 || xml.comu.class_ == category) book.push_back(xml.comu);
  }
  return book;
}

std::vector<NoteExport> ExportedNotes(const RecordStore& store, int type) {
  std::vector<NoteExport> notes;
  for (const Record& r : store.records())
    if (r.live && r.kind == RecordKind::Note && (type < 0 || r.type == type))
      notes.push_back({r.number, r.type, r.date, r.fields[kNoteText]});
  return notes;
}

std::vector<CardExport> ExportedCards(const RecordStore& store, std::string_view category) {
  std::vector<CardExport> cards;
  for (const Record& r : store.records()) {
    if (!r.live || r.kind != RecordKind::Card) continue;
    const std::string& in = r.fields[kCardClass];
    if (!category.empty() && in != category && !in.starts_with(std::string(category) + "\\"))
      continue;
    cards.push_back({r.fields[kCardTitle], in, r.date, r.fields[kCardSource],
                     r.fields[kCardKeyword], r.fields[kCardContent], r.trimmed, r.bookmark,
                     r.indexed});
  }
  return cards;
}

}  // namespace pim
