// One libFuzzer target per document reader, chosen by FUZZ_NOTE, FUZZ_COMU, FUZZ_DATUM or
// FUZZ_LINEINDEX. Each reads arbitrary bytes the way its panel does and, where the bytes
// made sense, checks that writing what was read and reading it again gives it back.
#include <iterator>

#include "fuzz_support.h"

namespace {

using pim::fuzz::Check;
using pim::fuzz::EndsOnCharBoundaries;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::fuzz::RecordingPrompter prompter;
  pim::XML xml(prompter, pim::fuzz::FuzzClock());
  std::string doc;
#if defined(FUZZ_NOTE)
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
      pim::XML copy(prompter, pim::fuzz::FuzzClock());
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
  pim::fuzz::RecordingPrompter second;
  pim::XML copy(second, pim::fuzz::FuzzClock());
  int again = 0;
  ReadFrom(doc, [&](pim::LineReader& r) {
    while (copy.ReadLineIndexLink(r)) ++again;
    return true;
  });
  Check(again == links || !second.messages.empty());
#else
#error "choose the document kind to fuzz"
#endif
  return 0;
}
