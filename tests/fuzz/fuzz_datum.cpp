// Reads arbitrary bytes as a datum card, head first and then whole, as the datum panels do.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::fuzz::SilentPrompter prompter;
  pim::XML xml(prompter, pim::fuzz::FuzzClock());
  {
    pim::MemorySource source(bytes);
    pim::LineReader reader(source);
    if (xml.ReadDatumHead(reader)) xml.ReadDatumPart(reader);
  }
  pim::MemorySource source(bytes);
  pim::LineReader reader(source);
  if (xml.ReadDatum(reader)) {
    // Content read back is free of markup, so writing it again and reading it gives it back
    // whenever it has no lone CR or LF.
    const pim::DatumRecord read = xml.datum;
    bool plain = true;
    for (size_t i = 0; i < read.content.size(); ++i) {
      const char c = read.content[i];
      if ((c == '\r' && (i + 1 >= read.content.size() || read.content[i + 1] != '\n')) ||
          (c == '\n' && (i == 0 || read.content[i - 1] != '\r')))
        plain = false;
    }
    if (plain && read.content.find_first_of("<>&") == std::string::npos &&
        pim::fuzz::EndsOnCharBoundaries(read.content) &&
        pim::fuzz::EndsOnCharBoundaries(read.founddate)) {
      std::string doc;
      xml.WriteDatum(doc, "t", "c", read.content, "d", read.founddate, "s", "k", {});
      pim::MemorySource again(doc);
      pim::LineReader reader2(again);
      pim::fuzz::Check(xml.ReadDatum(reader2) && xml.datum.content == read.content);
    }
  }
  return 0;
}
