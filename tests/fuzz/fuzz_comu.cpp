// Reads arbitrary bytes as a contact document, as the address book does.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pim::fuzz::SilentPrompter prompter;
  pim::XML xml(prompter, pim::fuzz::FuzzClock());
  pim::MemorySource source(bytes);
  pim::LineReader reader(source);
  if (xml.ReadComu(reader)) {
    std::string doc;
    xml.WriteComu(doc);
    pim::fuzz::Check(doc.rfind("<?xml", 0) == 0);
  }
  return 0;
}
