// One libFuzzer target per reader of bytes from the data folder, chosen by FUZZ_<KIND>: the
// settings file, the note, contact, card and line-index documents, the list files with
// readers of their own, and the vCard and CSV files of other programs. Each reads arbitrary bytes
// the way its panel does and, where the bytes made sense, checks that writing what was read and
// reading it again gives it back.
#include <unistd.h>

#include <cstdlib>
#include <iterator>

#include "base/atomic_file.h"
#include "base/line_reader.h"
#include "exchange/contact_csv.h"
#include "exchange/vcard.h"
#include "test_support.h"  // the unit tests' fakes

namespace {

// Stops the run with a crash that libFuzzer reports, when a property does not hold.
void Check(bool holds) {
  if (!holds) std::abort();
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::test::RecordingPrompter prompter;
  [[maybe_unused]] pim::XML xml(prompter, kClock);
  [[maybe_unused]] std::string doc;
#if defined(FUZZ_CONFIG)
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
#elif defined(FUZZ_NOTE)
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
#elif defined(FUZZ_COMU)
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
#elif defined(FUZZ_DATUM)
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
#elif defined(FUZZ_LINEINDEX)
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
#elif defined(FUZZ_QUICKLIST)
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
#elif defined(FUZZ_DATUMLIST)
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
#elif defined(FUZZ_VCARD)
  CheckImported(pim::ReadVCards(bytes), pim::WriteVCards, pim::ReadVCards);
#elif defined(FUZZ_CSV)
  CheckImported(
      pim::ReadContactsCsv(bytes),
      [](std::span<const pim::ComuRecord> c) {
        return pim::WriteContactsCsv(c, pim::CsvLayout::Outlook, pim::CsvEncoding::Utf8);
      },
      pim::ReadContactsCsv);
#else
#error "choose the reader to fuzz"
#endif
  return 0;
}
