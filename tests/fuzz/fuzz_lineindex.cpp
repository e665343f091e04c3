// Reads arbitrary bytes as a line index, as the datum store does: the head once, then links
// until the reading fails.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::fuzz::SilentPrompter prompter;
  pim::XML xml(prompter, pim::fuzz::FuzzClock());
  pim::MemorySource source(bytes);
  pim::LineReader reader(source);
  xml.ReadLineIndexHead(reader);
  std::string rewritten;
  pim::XML::WriteLineIndexHead(rewritten, "t", "k");
  int links = 0;
  while (xml.ReadLineIndexLink(reader)) {
    const pim::LineIndexRecord& r = xml.lineIndex;
    pim::XML::WriteLineIndexLink(rewritten, r.name, r.url, r.class_, r.date, r.linkKeyword,
                                 r.source);
    ++links;
  }
  pim::XML::WriteLineIndexEnd(rewritten);
  // Written again, the links read back one for one, unless a field ends in a lone GBK lead
  // byte that swallows the "<" of its closing tag; that shows as a message.
  pim::fuzz::SilentPrompter second;
  pim::XML copy(second, pim::fuzz::FuzzClock());
  pim::MemorySource again(rewritten);
  pim::LineReader reader2(again);
  int count = 0;
  while (copy.ReadLineIndexLink(reader2)) ++count;
  pim::fuzz::Check(count == links || second.count > 0);
  return 0;
}
