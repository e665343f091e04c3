// Reads arbitrary bytes as a note document, as the notes panel does.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::fuzz::SilentPrompter prompter;
  pim::XML xml(prompter, pim::fuzz::FuzzClock());
  {
    pim::MemorySource source(bytes);
    pim::LineReader reader(source);
    xml.ReadNoteType(reader);
    xml.ReadNote(reader);
  }
  pim::MemorySource source(bytes);
  pim::LineReader reader(source);
  if (xml.ReadNote(reader)) {
    // A content read back is written and read again unchanged when it holds no closing tag.
    if (xml.note.content.find("</content>") == std::string::npos &&
        xml.note.content.find('\r') == std::string::npos &&
        xml.note.content.find('\n') == std::string::npos &&
        pim::fuzz::EndsOnCharBoundaries(xml.note.content) &&
        pim::fuzz::EndsOnCharBoundaries(xml.note.buildtime)) {
      std::string doc;
      const std::string content = xml.note.content;
      xml.WriteNote(doc, 1, content, xml.note.buildtime);
      pim::MemorySource again(doc);
      pim::LineReader reader2(again);
      pim::fuzz::Check(xml.ReadNote(reader2) && xml.note.content == content);
    }
  }
  return 0;
}
