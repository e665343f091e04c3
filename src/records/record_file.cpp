// One record file read into a Record, and the layout of each kind's fields: what the store
// and its scan's threads share.
#include "base/clock.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "base/prompter.h"
#include "records/record_store.h"
#include "xmldoc/xml.h"

namespace pim {

namespace {

// Days since 1970-01-01 of a civil date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Minutes since 1970 of a time stamp "%d-%d-%d %d:%d"; 0 when it is none.
int64_t StampMinutes(std::string_view stamp) {
  int32_t v[5] = {0, 0, 0, 0, 0};
  size_t at = 0;
  for (int i = 0; i < 5; ++i) {
    if (at >= stamp.size() || !ScanInt(stamp.substr(at), v[i])) return 0;
    at = stamp.find(i < 2 ? '-' : i == 2 ? ' ' : ':', at + 1);
    if (i < 4 && at == std::string_view::npos) return 0;
    ++at;
  }
  if (v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31) return 0;
  return DaysFromCivil(v[0], v[1], v[2]) * 1440 + int64_t{v[3]} * 60 + v[4];
}

std::string NameOf(std::span<const std::string> names, int index) {
  return index >= 0 && static_cast<size_t>(index) < names.size() ? names[index] : std::string();
}

std::string Birthday(const ComuRecord& c) {
  std::string text = c.birthYear;
  if (c.birthMonth >= 0) text += Format("-%d", c.birthMonth + 1);
  if (c.birthDay >= 0) text += Format("-%d", c.birthDay + 1);
  return text;
}

}  // namespace

const FieldLayout& LayoutOf(RecordKind kind) {
  static constexpr int kNoteLabels[] = {kNoteType};
  static constexpr int kContactLabels[] = {kContactClass};
  static constexpr int kCardLabels[] = {kCardClass, kCardSource, kCardKeyword};
  static const FieldLayout kLayouts[] = {
      {kNoteText, kNoteType, kNoteText, kNoteLabels},
      {kContactName, kContactClass, kContactNote, kContactLabels},
      {kCardTitle, kCardClass, kCardContent, kCardLabels},
  };
  return kLayouts[static_cast<int>(kind)];
}

std::string_view Record::Title() const {
  if (fields.empty()) return {};
  const std::string_view text = fields[LayoutOf(kind).title];
  if (kind != RecordKind::Note) return text;
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_first_of("\r\n", start) - start);
}

std::string_view Record::Category() const {
  return fields.empty() ? std::string_view() : fields[LayoutOf(kind).category];
}

bool ReadRecordFile(RecordKind kind, const std::string& path, Record& record) {
  std::string bytes;
  SilentPrompter silent;
  SystemClock clock;
  XML xml(silent, clock);
  bool read = ReadWholeFile(path, bytes, 0, &record.stamp);
  MemorySource source(bytes);
  LineReader reader(source);
  record.kind = kind;
  record.path = path;
  switch (kind) {
    case RecordKind::Note: {
      record.type = xml.ReadNoteType(reader);
      read = read && xml.ReadNote(reader);
      xmlfield::Extract(bytes, "<modifytime>", "</modifytime>", record.date);
      if (record.date.empty()) record.date = xml.note.buildtime;
      record.recency = StampMinutes(record.date);
      record.fields = {NameOf(kNoteTypes, record.type), std::move(xml.note.content)};
      break;
    }
    case RecordKind::Contact: {
      read = read && xml.ReadComu(reader);
      ComuRecord& c = xml.comu;
      record.type = c.class_;
      record.recency = record.stamp.time / 600000000;  // contacts carry no time of their own
      record.fields = {std::move(c.name),       NameOf(kContactCategories, c.class_),
                       Gb(c.sex ? "男" : "女"), Birthday(c),
                       std::move(c.telOffice),  std::move(c.telHome),
                       std::move(c.telHandset), std::move(c.telBP),
                       std::move(c.email),      std::move(c.email2),
                       std::move(c.oicq),       std::move(c.icq),
                       std::move(c.companyweb), std::move(c.homepage),
                       std::move(c.address),    std::move(c.postnumber),
                       std::move(c.note)};
      break;
    }
    case RecordKind::Card: {
      read = read && xml.ReadDatum(reader);
      DatumRecord& d = xml.datum;
      record.date = d.modifieddate.empty() ? d.founddate : d.modifieddate;
      record.recency = StampMinutes(record.date);
      record.fields = {std::move(d.title), std::move(d.class_), std::move(d.source),
                       std::move(d.keyword), std::move(d.content)};
      break;
    }
  }
  // Read line by line, the texts grew with room to spare; kept for long, they keep none.
  // Here, on the thread that read them, rather than where they are stored.
  for (std::string& field : record.fields) field.shrink_to_fit();
  return read && !reader.failed();
}

}  // namespace pim
