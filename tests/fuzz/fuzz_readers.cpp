// libFuzzer targets, one per reader of bytes from the data folder or from outside (settings,
// documents, lists, other programs' vCard and CSV files, archives, byte text, the clipboard, search
// and its cache), chosen by the name the program runs under: fuzz_<kind>. Where the bytes made
// sense, writing what was read and reading it again must give it back.
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "backup/archive_check.h"
#include "backup/windows_name.h"
#include "base/atomic_file.h"
#include "base/line_reader.h"
#include "datum/card_capture.h"
#include "exchange/contact_csv.h"
#include "exchange/vcard.h"
#include "search/fold.h"
#include "search/search.h"
#include "search/search_cache.h"
#include "test_support.h"  // the unit tests' fakes

namespace {

// A crash for libFuzzer, naming the line, which the stack alone would not (clang 14's library
// has no std::source_location).
void Check(bool holds, unsigned line = __builtin_LINE()) {
  if (holds) return;
  std::fprintf(stderr, "property failed at fuzz_readers.cpp:%u\n", line);
  std::abort();
}

// The data paths are relative to the working folder: one private folder per process, in
// memory where possible, so the flushes of the atomic writer stay cheap.
void EnterWorkFolder() {
  static const bool entered = [] {
    const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    static const std::string dir = base + "/pimbrel-fuzz-" + std::to_string(::getpid());
    Check(pim::CreateFolder(dir) && ::chdir(dir.c_str()) == 0);
    std::atexit([] { std::filesystem::remove_all(dir); });
    return pim::CreateFolder("set") && pim::CreateFolder("datum");
  }();
  Check(entered);
}

const pim::FixedClock kClock({2003, 5, 7, 9, 5, 3});

template <typename Read>
bool ReadFrom(std::string_view doc, Read read) {
  pim::MemorySource source(doc);
  pim::LineReader reader(source);
  return read(reader);
}

bool OnlyCrLf(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// True when no line of `text` (lines split at CR LF) ends inside a character. A cut
// character at the end of a value takes the "<" of the closing tag written after it, which
// the tag search then no longer finds: a documented property of the format.
bool EndsOnCharBoundaries(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += pim::GbCharSize(text, i)) {
    const size_t size = pim::GbCharSize(text, i);
    if (size == 1 && pim::IsGbkLeadByte(static_cast<unsigned char>(text[i]))) return false;
    if (size > 1 && text.substr(i + 1, size - 1).find('\r') != std::string_view::npos) return false;
  }
  return true;
}

// A list value keeps its line, so a lone CR or LF in it becomes a blank.
std::string Flat(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

// Every contact read from another program's file can be stored: the contact document gives it
// back, and written by us again and read, it comes back whole.
template <typename Write, typename Read>
void CheckImported(std::string_view bytes, Write write, Read read) {
  const pim::ContactImport report = read(bytes);
  if (report.error != pim::ImportError::None) {
    Check(report.contacts.empty());
    return;
  }
  pim::test::RecordingPrompter prompter;
  for (const pim::ComuRecord& c : report.contacts) {
    Check(!c.name.empty() && OnlyCrLf(c.note) && EndsOnCharBoundaries(c.note));
    const std::string* lines[] = {&c.name,       &c.birthYear, &c.telOffice, &c.telHome,
                                  &c.telHandset, &c.telBP,     &c.email,     &c.email2,
                                  &c.companyweb, &c.homepage,  &c.oicq,      &c.icq,
                                  &c.address,    &c.postnumber};
    for (const std::string* value : lines)
      Check(!pim::HasLineBreak(*value) && EndsOnCharBoundaries(*value));
    Check(c.birthYear.find('-') == std::string::npos &&
          pim::FindText(c.note, "</note>") == std::string::npos);
    std::string doc;
    c.WriteComu(doc);
    pim::XML xml(prompter, kClock);
    Check(ReadFrom(doc, [&](pim::LineReader& r) { return xml.ReadComu(r); }));
    pim::ComuRecord stored = c;
    // "No day chosen" (-1) is written "--1", which the format reads otherwise.
    if (c.birthMonth < 0 || c.birthDay < 0) stored.birthMonth = xml.comu.birthMonth;
    if (c.birthMonth < 0 || c.birthDay < 0) stored.birthDay = xml.comu.birthDay;
    Check(xml.comu == stored);
  }
  if (report.contacts.empty()) return;
  const pim::ContactImport again = read(write(report.contacts));
  Check(again.error == pim::ImportError::None && again.contacts == report.contacts);
}

// A planned path is a plain Windows name, by rules written out again here.
bool PlainOnWindows(const std::u16string& path) {
  size_t start = 0;
  for (size_t end = 0; end <= path.size(); ++end) {
    if (end < path.size() && path[end] != u'\\') continue;
    const std::u16string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == u"." || part == u".." || part.back() == u'.' || part.back() == u' ')
      return false;
    for (const char16_t c : part)
      if (c < 0x20 || std::u16string_view(u"<>:\"/|?*").find(c) != std::u16string_view::npos)
        return false;
    std::u16string stem = part.substr(0, part.find(u'.'));
    while (!stem.empty() && stem.back() == u' ') stem.pop_back();
    for (char16_t& c : stem)
      if (c >= u'a' && c <= u'z') c -= 32;
    const bool port = stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) &&
                      ((stem[3] >= u'0' && stem[3] <= u'9') || stem[3] == 0xB9 || stem[3] == 0xB2 ||
                       stem[3] == 0xB3);
    if (port || stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL" ||
        stem == u"CLOCK$" || stem == u"CONIN$" || stem == u"CONOUT$")
      return false;
  }
  return true;
}

// Whether each character of `text` is written back as it is read (0x80 reads as the euro
// sign, which is written A2 E3), and no escape of a native byte (FE 39 8x 3y) is in it.
bool Canonical(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const pim::GbChar ch = pim::DecodeGbChar(text, i);
    std::string again;
    if (ch.valid && (!pim::AppendGbChar(again, ch.code) || again != text.substr(i, ch.size)))
      return false;
    if (i + 4 <= text.size() && static_cast<unsigned char>(text[i]) == 0xFE && text[i + 1] == '9')
      return false;
    i += ch.size;
  }
  return true;
}

std::vector<uint32_t> FoldedChars(std::string_view text) {
  std::vector<uint32_t> chars;
  for (size_t i = 0, size = 1; i < text.size(); i += size)
    chars.push_back(pim::fold::CharAt(text, i, size));
  return chars;
}

// The data folder in the work folder, with a note for each of `notes`.
void WriteNotes(std::initializer_list<const char*> notes) {
  EnterWorkFolder();
  Check(pim::WriteDataFolder() && pim::CreateFolder("datum\\a"));
  pim::test::RecordingPrompter quiet;
  const pim::XML writer(quiet, kClock);
  int n = 0;
  for (const char* text : notes) {
    std::string note;
    writer.WriteNote(note, 1, text, "2020-1-1 1:1");
    Check(pim::WriteFileAtomic("note\\n." + std::to_string(n++) + ".xml", note));
  }
}

// A hit and its line lie inside their record's text.
void CheckHit(const pim::RecordStore& store, const pim::Searcher& searcher,
              const pim::SearchHit& hit) {
  Check(hit.slot < store.records().size());
  const std::vector<std::string>& fields = store.records()[hit.slot].fields;
  if (hit.field >= 0)
    Check(static_cast<size_t>(hit.field) < fields.size() && hit.pos <= fields[hit.field].size() &&
          hit.len <= fields[hit.field].size() - hit.pos);
  const pim::SearchLine line = searcher.MatchLine(hit, 40);
  Check(line.pos <= line.text.size() && line.len <= line.text.size() - line.pos);
}

using Target = void (*)(std::string_view, pim::test::RecordingPrompter&, pim::XML&, std::string&);
std::vector<std::pair<std::string_view, Target>>& Targets() {
  static std::vector<std::pair<std::string_view, Target>> targets;
  return targets;
}
Target chosen = nullptr;

// Target fuzz_<kind>: the bytes, and a prompter, a document reader and a buffer of its own.
#define FUZZ_TARGET(kind)                                                                         \
  void Fuzz_##kind(std::string_view, pim::test::RecordingPrompter&, pim::XML&, std::string&);     \
  [[maybe_unused]] const bool kind##_listed = (Targets().emplace_back(#kind, Fuzz_##kind), true); \
  void Fuzz_##kind(std::string_view bytes,                                                        \
                   [[maybe_unused]] pim::test::RecordingPrompter& prompter,                       \
                   [[maybe_unused]] pim::XML& xml, [[maybe_unused]] std::string& doc)

FUZZ_TARGET(config) {
  EnterWorkFolder();
  Check(pim::WriteFileAtomic("sets.conf", bytes));
  pim::CConfigFile config;
  Check(config.Load("sets.conf") == 1 && config.Load("sets.conf") == -2);
  config.GetValue("SYS", "hotkey");
  config.GetValue("count");
  if (config.GetValue("name0") != pim::CConfigFile::kNotFound)
    Check(config.SetValue("name0", "x") == 1 && config.GetValue("name0") == "x");
  Check(config.SetValue("SYS", "\x02", "") == -2 || config.GetValue("SYS", "\x02").empty());
  // What Save writes must load back to the same bytes.
  Check(config.Save() == 1);
  pim::CConfigFile again;
  Check(again.Load("sets.conf") == 1 && again.Serialize() == config.Serialize());
}

FUZZ_TARGET(note) {
  ReadFrom(bytes, [&](pim::LineReader& r) { return xml.ReadNoteType(r) >= -1 && xml.ReadNote(r); });
  if (ReadFrom(bytes, [&](pim::LineReader& r) { return xml.ReadNote(r); })) {
    const pim::NoteRecord read = xml.note;
    if (read.content.find("</content>") == std::string::npos && OnlyCrLf(read.content) &&
        EndsOnCharBoundaries(read.content) && EndsOnCharBoundaries(read.buildtime)) {
      xml.WriteNote(doc, 1, read.content, read.buildtime);
      Check(ReadFrom(doc, [&](pim::LineReader& r) { return xml.ReadNote(r); }));
      // An empty build time is written as the time of writing.
      Check(xml.note.content == read.content &&
            (read.buildtime.empty() || xml.note.buildtime == read.buildtime));
    }
  }
}

FUZZ_TARGET(comu) {
  if (ReadFrom(bytes, [&](pim::LineReader& r) { return xml.ReadComu(r); })) {
    const pim::ComuRecord read = xml.comu;
    Check(read.WriteComu(doc));
    // Written and read again, the contact comes back, unless a value holds its closing tag or
    // ends in a lone lead byte, the year holds a "-", or a month or day is -1 (written "--1").
    const std::string* values[] = {
        &read.name,  &read.telOffice, &read.telHome,    &read.telHandset, &read.telBP,
        &read.email, &read.email2,    &read.companyweb, &read.homepage,   &read.oicq,
        &read.icq,   &read.address,   &read.postnumber, &read.note,       &read.birthYear};
    const char* closes[] = {"</name>",  "</Tel>",     "</Tel>",        "</Tel>",      "</Tel>",
                            "</email>", "</email>",   "</companyweb>", "</homepage>", "</oicq>",
                            "</icq>",   "</address>", "</postnumber>", "</note>",     "-"};
    bool fits = read.birthMonth >= 0 && read.birthDay >= 0 && OnlyCrLf(read.note);
    for (size_t i = 0; i < std::size(values); ++i)
      fits = fits && pim::FindText(*values[i], closes[i]) == std::string::npos &&
             EndsOnCharBoundaries(*values[i]);
    if (fits) {
      pim::XML copy(prompter, kClock);
      Check(ReadFrom(doc, [&](pim::LineReader& r) { return copy.ReadComu(r); }));
      Check(copy.comu == read);
    }
  }
}

FUZZ_TARGET(datum) {
  ReadFrom(bytes, [&](pim::LineReader& r) { return xml.ReadDatumHead(r) && xml.ReadDatumPart(r); });
  if (ReadFrom(bytes, [&](pim::LineReader& r) { return xml.ReadDatum(r); })) {
    // Content read back holds no markup, so it comes back whole unless it has a lone CR or LF.
    const pim::DatumRecord read = xml.datum;
    if (OnlyCrLf(read.content) && read.content.find_first_of("<>&") == std::string::npos &&
        EndsOnCharBoundaries(read.content) && EndsOnCharBoundaries(read.founddate)) {
      xml.WriteDatum(doc, "t", "c", read.content, "d", read.founddate, "s", "k", {});
      Check(ReadFrom(doc, [&](pim::LineReader& r) { return xml.ReadDatum(r); }));
      Check(xml.datum.content == read.content);
    }
  }
}

FUZZ_TARGET(lineindex) {
  // The head once, then links until the reading fails, as the datum store does.
  int links = 0;
  pim::XML::WriteLineIndexHead(doc, "t", "k");
  ReadFrom(bytes, [&](pim::LineReader& r) {
    xml.ReadLineIndexHead(r);
    for (; xml.ReadLineIndexLink(r); ++links) {
      const pim::LineIndexRecord& l = xml.lineIndex;
      pim::XML::WriteLineIndexLink(doc, l.name, l.url, l.class_, l.date, l.linkKeyword, l.source);
    }
    return true;
  });
  pim::XML::WriteLineIndexEnd(doc);
  // Written again, the links read back one for one, unless a field ends in a lone lead byte
  // that takes the "<" of its closing tag; that shows as a message.
  pim::test::RecordingPrompter second;
  pim::XML copy(second, kClock);
  int again = 0;
  ReadFrom(doc, [&](pim::LineReader& r) {
    while (copy.ReadLineIndexLink(r)) ++again;
    return true;
  });
  Check(again == links || !second.messages.empty());
}

FUZZ_TARGET(quicklist) {
  EnterWorkFolder();
  pim::test::FakeHotkeys hotkeys;
  pim::test::FakeShell shell;
  pim::test::FakeImages images;
  Check(pim::WriteFileAtomic(pim::LaunchLists::kFiles[0], bytes));
  pim::LaunchLists first(prompter, hotkeys, shell, images);
  Check(first.LoadList(0) && first.count(0) <= pim::LaunchLists::kMaxItems);
  // Saved and read again, every record comes back, and a second save changes nothing.
  std::string once, twice;
  Check(first.SaveList(0) && pim::ReadWholeFile(pim::LaunchLists::kFiles[0], once));
  pim::LaunchLists second(prompter, hotkeys, shell, images);
  Check(second.LoadList(0) && second.count(0) == first.count(0));
  for (int i = 0; i < first.count(0); ++i) {
    const pim::RunItem& a = first.item(0, i);
    const pim::RunItem& b = second.item(0, i);
    Check(Flat(a.name) == b.name && Flat(a.path) == b.path && Flat(a.icon) == b.icon &&
          Flat(a.workdir) == b.workdir && Flat(a.keydes) == b.keydes && a.hotkey == b.hotkey &&
          a.iconint == b.iconint);
  }
  Check(second.SaveList(0) && pim::ReadWholeFile(pim::LaunchLists::kFiles[0], twice) &&
        twice == once);
}

FUZZ_TARGET(datumlist) {
  // The same bytes as both lists; a new category and a new source must then be found.
  EnterWorkFolder();
  Check(pim::WriteFileAtomic(pim::kClassListPath, bytes));
  Check(pim::WriteFileAtomic(pim::kSourceListPath, bytes));
  pim::ClassTable classes;
  pim::SourceTable sources;
  pim::LoadClassList(classes);
  pim::LoadSourceList(sources);
  Check(classes.count >= 0 && classes.count <= pim::kDatumTableSize);
  const std::string name = "fuzz" + std::to_string(classes.count);
  const int classCount = classes.count, sourceCount = sources.count;
  if (!pim::FindClassPath(name, classes).empty() && classes.count > classCount) {
    pim::ClassTable again;
    pim::LoadClassList(again);
    Check(again.count == classes.count && again.entries[again.count - 1].name == name);
  }
  if (pim::FindSource(name, sources) && sources.count > sourceCount) {
    pim::SourceTable again;
    pim::LoadSourceList(again);
    Check(again.count == sources.count && again.names[again.count - 1] == name);
  }
}

FUZZ_TARGET(vcard) { CheckImported(bytes, pim::WriteVCards, pim::ReadVCards); }

FUZZ_TARGET(csv) {
  CheckImported(
      bytes,
      [](std::span<const pim::ComuRecord> c) {
        return pim::WriteContactsCsv(c, pim::CsvLayout::Outlook, pim::CsvEncoding::Utf8);
      },
      pim::ReadContactsCsv);
}

FUZZ_TARGET(zip) {
  // Any bytes as an archive picked for a restore: entries apart and inside the file; once it
  // passes the check, plain Windows names in the five folders, and the declared sizes and CRCs.
  EnterWorkFolder();
  Check(pim::WriteFileAtomic("fuzz.zip", bytes));
  pim::ZipReader reader;
  pim::RestorePlan plan;
  std::string detail;
  const pim::ArchiveCheck check = pim::CheckArchive("fuzz.zip", reader, plan, detail);
  std::vector<std::pair<uint64_t, uint64_t>> spans;
  for (const pim::ZipEntry& e : reader.entries()) {
    Check(e.dataOffset <= bytes.size() && e.packedSize <= bytes.size() - e.dataOffset);
    spans.emplace_back(e.dataOffset, e.dataOffset + e.packedSize);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) Check(spans[i - 1].second <= spans[i].first);
  if (check != pim::ArchiveCheck::Ok) return;
  std::set<std::u16string> seen, files;
  for (const pim::RestorePlan::Item& item : plan.items) {
    const std::u16string path = pim::GbToUtf16(pim::PlannedPath(reader, plan, item));
    Check(PlainOnWindows(path) && pim::Utf16ToGb(path) == pim::PlannedPath(reader, plan, item));
    const std::u16string top = path.substr(0, path.find(u'\\'));
    Check(top == u"set" || top == u"note" || top == u"communication" || top == u"datum" ||
          top == u"xmlstyle");
    Check(pim::FoldName(path) != u"SET\\RUN.ING.M" && seen.insert(pim::FoldName(path)).second);
    if (!item.folder) files.insert(pim::FoldName(path));
  }
  for (const std::u16string& path : seen)
    for (size_t at = path.find(u'\\'); at != std::u16string::npos; at = path.find(u'\\', at + 1))
      Check(!files.contains(path.substr(0, at)));
  for (const pim::ZipEntry& e : reader.entries()) {
    uLong crc = crc32(0, Z_NULL, 0);
    uint64_t got = 0;
    std::string name;
    reader.Name(e, name);
    if (name.empty() || name.back() == '/' || name.back() == '\\') continue;  // folders
    const auto add = [&](std::string_view piece) {
      got += piece.size();
      crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), uInt(piece.size()));
      return true;
    };
    Check(reader.Extract(e, add) == pim::ZipStatus::Ok && got == e.size && crc == e.crc);
  }
}

FUZZ_TARGET(gbtext) {
  // Byte text both ways: a native name comes back whole, byte text too where it is canonical;
  // the strict conversions fail exactly on what is no text.
  Check(pim::GbToUtf8(pim::Utf8ToGb(bytes)) == bytes);
  if (Canonical(bytes)) Check(pim::Utf8ToGb(pim::GbToUtf8(bytes)) == bytes);
  bool valid = true;
  for (size_t i = 0; i < bytes.size();) {
    const pim::GbChar ch = pim::DecodeGbChar(bytes, i);
    Check(ch.size >= 1 && i + ch.size <= bytes.size());
    if (ch.valid) Check(ch.size == pim::GbCharSize(bytes, i));
    valid = valid && ch.valid;
    i += ch.size;
  }
  std::string strict;
  Check(pim::GbToUtf8Strict(bytes, strict) == valid);
  if (valid) {
    Check(strict == pim::GbToUtf8(bytes));
    const std::u16string wide = pim::GbToUtf16(bytes);
    Check(wide.find(u'\uFFFD') != std::u16string::npos || !Canonical(bytes) ||
          pim::Utf16ToGb(wide) == bytes);
  }
  if (pim::Utf8ToGbStrict(bytes, strict)) {
    Check(strict == pim::Utf8ToGb(bytes) && pim::GbToUtf8(strict) == bytes);
    std::string again;
    Check(pim::GbToUtf8Strict(strict, again) && again == bytes);
  }
}

FUZZ_TARGET(clip) {
  // What the capture key takes from other programs: a one-line address within the limit or
  // none, a title a card file can take, and lines that a second pass leaves as they are.
  const auto chars = [](std::string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += pim::GbCharSize(text, i)) ++n;
    return n;
  };
  if (const std::optional<std::string> url = pim::HtmlSourceUrl(bytes))
    Check(!url->empty() && !pim::HasLineBreak(*url) && chars(*url) <= pim::kSourceLimit);
  const std::string lines = pim::CrLfLines(bytes);
  Check(pim::CrLfLines(lines) == lines);
  const std::string title = pim::CapturedTitle(lines);
  Check(pim::IsSafeTitle(title) && !pim::HasLineBreak(title) &&
        chars(title) <= pim::kCapturedTitleChars);
  const std::string source = pim::WindowSource(bytes, "PROGRAM.EXE");
  Check(chars(source) <= pim::kSourceLimit);
}

FUZZ_TARGET(search) {
  // The query, then the title and content of one card among a few records. A record holding a
  // one-word query, folded as search folds, is found; no query takes 500 ms.
  static pim::RecordStore store;
  static pim::Searcher searcher(store);
  static const bool made = [] {
    WriteNotes({"Hello World \xC4\xE3\xBA\xC3", "\xA3\xC1\xA3\xC2\xA3\xC3 wide",
                "\xA6\xA1\xA6\xC1 \xA7\xA1\xA7\xD1 greek"});
    pim::ComuRecord contact;
    contact.name = "\xCD\xF5\xD0\xA1\xC3\xF7";  // 王小明
    contact.email = "XiaoMing@Example.com";
    std::string written;
    const pim::IndexEntry card{"card", "datum\\a\\f.xml", "", "a", "", ""};
    return contact.WriteComu(written) &&
           pim::WriteFileAtomic("communication\\com.0.xml", written) &&
           pim::AppendToIndex(pim::kTrimmedIndexPath, std::span(&card, 1));
  }();
  Check(made);
  const std::string_view query = bytes.empty() ? "" : bytes.substr(1, uint8_t(bytes[0]) % 65);
  const std::string_view rest = bytes.substr(std::min(bytes.size(), 1 + query.size()));
  const size_t titleEnd = std::min({rest.find_first_of("\r\n"), rest.size(), size_t{60}});
  xml.WriteDatum(doc, rest.substr(0, titleEnd), "a", rest.substr(titleEnd), "dtd", "", "", "", {});
  Check(pim::WriteFileAtomic("datum\\a\\f.xml", doc));
  if (store.known())
    store.OnRecordChange(
        {pim::RecordChange::What::Written, pim::RecordKind::Card, -1, "datum\\a\\f.xml"});
  else
    store.ScanAll();
  const auto start = std::chrono::steady_clock::now();
  const std::vector<pim::SearchHit> hits = searcher.Find(query, pim::SearchScope::All, 1000);
  const std::vector<pim::Record>& records = store.records();
  std::set<uint32_t> found;
  for (const pim::SearchHit& hit : hits) {
    CheckHit(store, searcher, hit);
    Check(records[hit.slot].live);
    found.insert(hit.slot);
  }
  Check(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500));
  // One word: the folded query between blanks.
  std::vector<uint32_t> word;
  int words = 0;
  bool inWord = false;
  for (const uint32_t c : FoldedChars(query)) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!blank && !inWord) ++words;
    inWord = !blank;
    if (!blank) word.push_back(c);
  }
  if (words != 1) return;
  for (uint32_t slot = 0; slot < records.size(); ++slot) {
    if (!records[slot].live || found.contains(slot)) continue;
    for (const std::string& field : records[slot].fields) {
      const std::vector<uint32_t> text = FoldedChars(field);
      Check(std::search(text.begin(), text.end(), word.begin(), word.end()) == text.end());
    }
  }
}

FUZZ_TARGET(searchcache) {
  // The cache of a few records, cut (two bytes) and changed (three bytes each: where, and the
  // bits flipped); refused, or read into records that every hit and line stays inside.
  static const std::string base = [] {
    WriteNotes({"Hello World \xC4\xE3\xBA\xC3 42", "\xCD\xF5\xD0\xA1\xC3\xF7 wxm",
                "\xA3\xC1\xA3\xC2 \xA6\xA1\xA6\xC1"});
    pim::RecordStore store;
    pim::Searcher searcher(store);
    store.ScanAll();
    std::string bytes;
    Check(pim::WriteSearchCache("base.cache", "", 0, store, searcher) &&
          pim::ReadWholeFile("base.cache", bytes));
    return bytes;
  }();
  const auto u16 = [&](size_t i) { return uint8_t(bytes[i]) << 8 | uint8_t(bytes[i + 1]); };
  std::string cache = base;
  if (bytes.size() >= 2) cache.resize(cache.size() - u16(0) % 64);
  for (size_t i = 2; i + 3 <= bytes.size() && !cache.empty(); i += 3)
    cache[u16(i) % cache.size()] ^= bytes[i + 2];
  Check(pim::WriteFileAtomic("fuzz.cache", cache));
  pim::RecordStore store;
  pim::Searcher searcher(store);
  int64_t readAt = 0;
  if (!pim::ReadSearchCache("fuzz.cache", "", readAt, store, searcher)) {
    Check(store.records().empty());
    return;
  }
  for (const char* query : {"", "wxm", "hello", "42", "\xC4\xE3", "ab"})
    for (const pim::SearchHit& hit : searcher.Find(query, pim::SearchScope::All, 50))
      CheckHit(store, searcher, hit);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const std::string_view self = *argc > 0 ? (*argv)[0] : "";
  const std::string_view kind = self.substr(self.find_last_of('/') + 1);
  for (const auto& [name, target] : Targets())
    if (kind == "fuzz_" + std::string(name)) chosen = target;
  if (!chosen) {
    std::fprintf(stderr, "run this program as fuzz_<kind>, a link to it\n");
    std::exit(2);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pim::test::RecordingPrompter prompter;
  pim::XML xml(prompter, kClock);
  std::string doc;
  chosen(std::string_view(reinterpret_cast<const char*>(data), size), prompter, xml, doc);
  return 0;
}
