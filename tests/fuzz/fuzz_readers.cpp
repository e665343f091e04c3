// One libFuzzer target per reader of bytes from the data folder or from outside, chosen by the
// name the program runs under (fuzz_<kind>): the settings file, the note, contact, card and
// line-index documents, the list files with readers of their own, and the vCard and CSV files of
// other programs. Each reads arbitrary bytes the way its panel does and, where the bytes made
// sense, checks that writing what was read and reading it again gives it back. Beside them: an
// archive picked for a restore, byte text through its conversions, what the capture key reads
// from the clipboard, search over a few records with a fuzzed card and query, and the
// search's cache of them, cut and damaged.
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>

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

// Stops the run with a crash that libFuzzer reports, when a property does not hold; the line
// that failed goes first, since the stack shows only the enclosing function.
// (clang 14 has no std::source_location over this standard library, hence the builtin.)
void Check(bool holds, unsigned line = __builtin_LINE()) {
  if (holds) return;
  std::fprintf(stderr, "property failed at fuzz_readers.cpp:%u\n", line);
  std::abort();
}

// The data paths are relative to the working folder: one private folder per process, in
// memory where possible, so the flushes of the atomic writer stay cheap.
[[maybe_unused]] void EnterWorkFolder() {
  static const bool entered = [] {
    const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    static const std::string dir = base + "/pimbrel-fuzz-" + std::to_string(::getpid());
    Check(pim::CreateFolder(dir) && ::chdir(dir.c_str()) == 0);
    std::atexit([] { std::filesystem::remove_all(dir); });
    return pim::CreateFolder("set") && pim::CreateFolder("datum");
  }();
  Check(entered);
}

[[maybe_unused]] const pim::FixedClock kClock({2003, 5, 7, 9, 5, 3});

// A document read from `doc` by `read`, on a fresh reader.
template <typename Read>
[[maybe_unused]] bool ReadFrom(std::string_view doc, Read read) {
  pim::MemorySource source(doc);
  pim::LineReader reader(source);
  return read(reader);
}

// True when every CR is followed by LF and every LF follows a CR.
[[maybe_unused]] bool OnlyCrLf(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// True when no line of `text` (lines split at CR LF) ends inside a character. A cut
// character at the end of a value takes the "<" of the closing tag written after it, which
// the tag search then no longer finds: a documented property of the format.
[[maybe_unused]] bool EndsOnCharBoundaries(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += pim::GbCharSize(text, i)) {
    const size_t size = pim::GbCharSize(text, i);
    if (size == 1 && pim::IsGbkLeadByte(static_cast<unsigned char>(text[i]))) return false;
    if (size > 1 && text.substr(i + 1, size - 1).find('\r') != std::string_view::npos) return false;
  }
  return true;
}

// A list value keeps its line, so a lone CR or LF in it becomes a blank.
[[maybe_unused]] std::string Flat(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

// Every contact read from another program's file can be stored: it has a name, its one-line
// fields hold no line break and no field its closing tag, and the contact document gives it
// back; written by us again and read, it comes back whole.
template <typename Write, typename Read>
[[maybe_unused]] void CheckImported(const pim::ContactImport& report, Write write, Read read) {
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

// An archive's planned path as Windows will see it, by rules written out again here: no
// empty, "." or ".." part, no control character, ":" or wildcard, no device name with any
// extension, no trailing dot or blank.
[[maybe_unused]] bool PlainOnWindows(const std::u16string& path) {
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
[[maybe_unused]] bool Canonical(std::string_view text) {
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

// The folded characters of a text, as search folds them, one after the other.
[[maybe_unused]] std::vector<uint32_t> FoldedChars(std::string_view text) {
  std::vector<uint32_t> chars;
  for (size_t i = 0, size = 1; i < text.size(); i += size)
    chars.push_back(pim::fold::CharAt(text, i, size));
  return chars;
}

// A target: the bytes, and a prompter, a document reader and a buffer of its own.
#define FUZZ_TARGET(name)                                                                   \
  int name(std::string_view bytes, [[maybe_unused]] pim::test::RecordingPrompter& prompter, \
           [[maybe_unused]] pim::XML& xml, [[maybe_unused]] std::string& doc)

FUZZ_TARGET(FuzzConfig) {
  // Saving what was loaded must be stable.
  EnterWorkFolder();
  Check(pim::WriteFileAtomic("sets.conf", bytes));
  pim::CConfigFile config;
  Check(config.Load("sets.conf") == 1);
  Check(config.Load("sets.conf") == -2);
  config.GetValue("SYS", "hotkey");
  config.GetValue("count");
  if (config.GetValue("name0") != pim::CConfigFile::kNotFound)
    Check(config.SetValue("name0", "x") == 1 && config.GetValue("name0") == "x");
  Check(config.SetValue("SYS", "\x02", "") == -2 || config.GetValue("SYS", "\x02").empty());
  // What Save writes must load back to the same bytes.
  Check(config.Save() == 1);
  pim::CConfigFile again;
  Check(again.Load("sets.conf") == 1 && again.Serialize() == config.Serialize());
  return 0;
}

FUZZ_TARGET(FuzzNote) {
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
  return 0;
}

FUZZ_TARGET(FuzzComu) {
  if (ReadFrom(bytes, [&](pim::LineReader& r) { return xml.ReadComu(r); })) {
    const pim::ComuRecord read = xml.comu;
    Check(read.WriteComu(doc));
    // Written and read again, the contact comes back, unless a value holds its own closing
    // tag or ends in a lone lead byte, the year holds a "-", or a month or day index is
    // negative: -1 is written "--1", which reads back otherwise, as the format says.
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
  return 0;
}

FUZZ_TARGET(FuzzDatum) {
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
  return 0;
}

FUZZ_TARGET(FuzzLineIndex) {
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
  return 0;
}

FUZZ_TARGET(FuzzQuickList) {
  EnterWorkFolder();
  pim::test::FakeHotkeys hotkeys;
  pim::test::FakeShell shell;
  pim::test::FakeImages images;
  Check(pim::WriteFileAtomic(pim::LaunchLists::kFiles[0], bytes));
  pim::LaunchLists first(prompter, hotkeys, shell, images);
  Check(first.LoadList(0) && first.count(0) <= pim::LaunchLists::kMaxItems);
  // Saved and read again, every record comes back, and a second save changes nothing.
  Check(first.SaveList(0));
  std::string once, twice;
  Check(pim::ReadWholeFile(pim::LaunchLists::kFiles[0], once));
  pim::LaunchLists second(prompter, hotkeys, shell, images);
  Check(second.LoadList(0) && second.count(0) == first.count(0));
  for (int i = 0; i < first.count(0); ++i) {
    const pim::RunItem& a = first.item(0, i);
    const pim::RunItem& b = second.item(0, i);
    Check(Flat(a.name) == b.name && Flat(a.path) == b.path && Flat(a.icon) == b.icon &&
          Flat(a.workdir) == b.workdir && Flat(a.keydes) == b.keydes && a.hotkey == b.hotkey &&
          a.iconint == b.iconint);
  }
  Check(second.SaveList(0));
  Check(pim::ReadWholeFile(pim::LaunchLists::kFiles[0], twice) && twice == once);
  return 0;
}

FUZZ_TARGET(FuzzDatumList) {
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
  return 0;
}

FUZZ_TARGET(FuzzVCard) {
  CheckImported(pim::ReadVCards(bytes), pim::WriteVCards, pim::ReadVCards);
  return 0;
}

FUZZ_TARGET(FuzzCsv) {
  CheckImported(
      pim::ReadContactsCsv(bytes),
      [](std::span<const pim::ComuRecord> c) {
        return pim::WriteContactsCsv(c, pim::CsvLayout::Outlook, pim::CsvEncoding::Utf8);
      },
      pim::ReadContactsCsv);
  return 0;
}

FUZZ_TARGET(FuzzZip) {
  // Any bytes as an archive picked for a restore: every entry's bytes inside the file and
  // apart from the others; when the check passes, every planned path a plain Windows name
  // inside the five folders, no two one file under Windows' letter case, none on the way of
  // another, and every entry of the size and CRC it declares.
  EnterWorkFolder();
  Check(pim::WriteFileAtomic("fuzz.zip", bytes));
  pim::ZipReader reader;
  pim::RestorePlan plan;
  std::string detail;
  const pim::ArchiveCheck check = pim::CheckArchive("fuzz.zip", reader, plan, detail);
  std::vector<std::pair<uint64_t, uint64_t> > spans;
  for (const pim::ZipEntry& e : reader.entries()) {
    Check(e.dataOffset <= bytes.size() && e.packedSize <= bytes.size() - e.dataOffset);
    spans.emplace_back(e.dataOffset, e.dataOffset + e.packedSize);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) Check(spans[i - 1].second <= spans[i].first);
  if (check != pim::ArchiveCheck::Ok) return 0;
  std::set<std::u16string> seen, files;
  for (const pim::RestorePlan::Item& item : plan.items) {
    const std::u16string path = pim::GbToUtf16(pim::PlannedPath(reader, plan, item));
    Check(PlainOnWindows(path) && pim::Utf16ToGb(path) == pim::PlannedPath(reader, plan, item));
    const std::u16string top = path.substr(0, path.find(u'\\'));
    Check(top == u"set" || top == u"note" || top == u"communication" || top == u"datum" ||
          top == u"xmlstyle");
    Check(pim::FoldName(path) != u"SET\\RUN.ING.M");
    Check(seen.insert(pim::FoldName(path)).second);
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
    Check(reader.Extract(e, [&](std::string_view piece) {
      got += piece.size();
      crc =
          crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size()));
      return true;
    }) == pim::ZipStatus::Ok);
    Check(got == e.size && crc == e.crc);
  }
  return 0;
}

FUZZ_TARGET(FuzzGbText) {
  // Byte text both ways: a native name comes back whole; byte text too, where each character
  // is written back as it is read; the strict conversions fail exactly on what is no text;
  // every character read is as long as the stepping says.
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
  return 0;
}

FUZZ_TARGET(FuzzClip) {
  // What the capture key takes from other programs: the clipboard's HTML header gives a
  // one-line address within the source's limit or nothing; the text's title is a name a card
  // file can take; its lines end in CR LF only, and a second pass changes nothing.
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
  return 0;
}

FUZZ_TARGET(FuzzSearch) {
  // A few records and one card whose title and content are fuzzed; the query comes first.
  // Every hit and its line lie inside their text; a record that holds a one-word query,
  // folded as search folds, is found; no query takes 500 ms.
  static pim::RecordStore store;
  static pim::Searcher searcher(store);
  static const bool made = [] {
    EnterWorkFolder();
    if (!pim::WriteDataFolder() || !pim::CreateFolder("datum\\a")) return false;
    pim::test::RecordingPrompter quiet;
    const pim::XML writer(quiet, kClock);
    const char* notes[] = {"Hello World \xC4\xE3\xBA\xC3", "\xA3\xC1\xA3\xC2\xA3\xC3 wide",
                           "\xA6\xA1\xA6\xC1 \xA7\xA1\xA7\xD1 greek"};
    for (int n = 0; n < 3; ++n) {
      std::string note;
      writer.WriteNote(note, 1, notes[n], "2020-1-1 1:1");
      if (!pim::WriteFileAtomic("note\\n." + std::to_string(n) + ".xml", note)) return false;
    }
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
  const size_t querySize =
      bytes.empty() ? 0
                    : std::min<size_t>(static_cast<unsigned char>(bytes[0]) % 65, bytes.size() - 1);
  const std::string_view query = bytes.substr(bytes.empty() ? 0 : 1, querySize);
  std::string_view rest = bytes.substr(std::min(bytes.size(), 1 + querySize));
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
    Check(hit.slot < records.size() && records[hit.slot].live);
    found.insert(hit.slot);
    const std::vector<std::string>& fields = records[hit.slot].fields;
    if (hit.field >= 0)
      Check(static_cast<size_t>(hit.field) < fields.size() && hit.pos <= fields[hit.field].size() &&
            hit.len <= fields[hit.field].size() - hit.pos);
    const pim::SearchLine line = searcher.MatchLine(hit, 40);
    Check(line.pos <= line.text.size() && line.len <= line.text.size() - line.pos);
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
  if (words != 1) return 0;
  for (uint32_t slot = 0; slot < records.size(); ++slot) {
    if (!records[slot].live || found.contains(slot)) continue;
    for (const std::string& field : records[slot].fields) {
      const std::vector<uint32_t> text = FoldedChars(field);
      Check(std::search(text.begin(), text.end(), word.begin(), word.end()) == text.end());
    }
  }
  return 0;
}

FUZZ_TARGET(FuzzSearchCache) {
  // The cache of a few records, cut and changed where the bytes say (two bytes of the cut,
  // then three for each change: where, and the bits flipped). Refused, or read into records
  // and entries that every query and line stays inside.
  static const std::string base = [] {
    EnterWorkFolder();
    Check(pim::WriteDataFolder() && pim::CreateFolder("datum\\a"));
    pim::test::RecordingPrompter quiet;
    const pim::XML writer(quiet, kClock);
    const char* notes[] = {"Hello World \xC4\xE3\xBA\xC3 42", "\xCD\xF5\xD0\xA1\xC3\xF7 wxm",
                           "\xA3\xC1\xA3\xC2 \xA6\xA1\xA6\xC1"};
    for (int n = 0; n < 3; ++n) {
      std::string note;
      writer.WriteNote(note, 1, notes[n], "2020-1-1 1:1");
      Check(pim::WriteFileAtomic("note\\n." + std::to_string(n) + ".xml", note));
    }
    pim::RecordStore store;
    pim::Searcher searcher(store);
    store.ScanAll();
    std::string bytes;
    Check(pim::WriteSearchCache("base.cache", "", 0, store, searcher) &&
          pim::ReadWholeFile("base.cache", bytes));
    return bytes;
  }();
  std::string cache = base;
  if (bytes.size() >= 2)
    cache.resize(cache.size() - (static_cast<unsigned char>(bytes[0]) << 8 |
                                 static_cast<unsigned char>(bytes[1])) % 64);
  for (size_t i = 2; i + 3 <= bytes.size() && !cache.empty(); i += 3) {
    const size_t at = (static_cast<unsigned char>(bytes[i]) << 8 | static_cast<unsigned char>(bytes[i + 1])) %
                      cache.size();
    cache[at] = static_cast<char>(cache[at] ^ bytes[i + 2]);
  }
  Check(pim::WriteFileAtomic("fuzz.cache", cache));
  pim::RecordStore store;
  pim::Searcher searcher(store);
  int64_t readAt = 0;
  if (!pim::ReadSearchCache("fuzz.cache", "", readAt, store, searcher)) {
    Check(store.records().empty());
    return 0;
  }
  for (const char* query : {"", "wxm", "hello", "42", "\xC4\xE3", "ab"}) {
    for (const pim::SearchHit& hit : searcher.Find(query, pim::SearchScope::All, 50)) {
      const std::vector<std::string>& fields = store.records()[hit.slot].fields;
      if (hit.field >= 0)
        Check(static_cast<size_t>(hit.field) < fields.size() &&
              hit.pos <= fields[hit.field].size() && hit.len <= fields[hit.field].size() - hit.pos);
      const pim::SearchLine line = searcher.MatchLine(hit, 40);
      Check(line.pos <= line.text.size() && line.len <= line.text.size() - line.pos);
    }
  }
  return 0;
}

using Target = int (*)(std::string_view, pim::test::RecordingPrompter&, pim::XML&, std::string&);
Target chosen = nullptr;

}  // namespace

// One program for every target, which it takes from its name: fuzz_<kind>, a link to it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static const std::pair<std::string_view, Target> kTargets[] = {{"config", FuzzConfig},
                                                                 {"note", FuzzNote},
                                                                 {"comu", FuzzComu},
                                                                 {"datum", FuzzDatum},
                                                                 {"lineindex", FuzzLineIndex},
                                                                 {"quicklist", FuzzQuickList},
                                                                 {"datumlist", FuzzDatumList},
                                                                 {"vcard", FuzzVCard},
                                                                 {"csv", FuzzCsv},
                                                                 {"zip", FuzzZip},
                                                                 {"gbtext", FuzzGbText},
                                                                 {"clip", FuzzClip},
                                                                 {"search", FuzzSearch},
                                                                 {"searchcache", FuzzSearchCache}};
  const std::string_view self = *argc > 0 ? (*argv)[0] : "";
  const std::string_view kind = self.substr(self.find_last_of('/') + 1);
  for (const auto& [name, target] : kTargets)
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
  return chosen(std::string_view(reinterpret_cast<const char*>(data), size), prompter, xml, doc);
}
