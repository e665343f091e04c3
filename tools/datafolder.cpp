#include "datafolder.h"

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "xmldoc/xml.h"

namespace pim {

namespace {

// The program updates these files only through CConfigFile, which never adds a key, so
// every key that is ever set must already be here. Blank lines would be dropped at the
// first save, so there are none.
constexpr int kLaunchRecords = 50;
constexpr int kDatumSlots = 100;

// Joins lines with CR LF, each line ending with one.
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

void AddLine(std::string& out, std::string_view key, std::string_view value) {
  out += key;
  out += '=';
  out += value;
  out += "\r\n";
}

std::string SettingsFile() {
  // 583 is 0x0247: Ctrl with "G", the key the program's messages name.
  return Lines({"[SYS]", "hotkey=583", "tmpdir=", "autorun=false", "showtip=true", "notice=false",
                "[COMU]", "maxid=0", "[NOTE]", "maxid=0"});
}

std::string LaunchList() {
  std::string out = Lines({"[MAIN]", "count=0"});
  for (int i = 1; i <= kLaunchRecords; ++i) {
    out += "[run" + std::to_string(i) + "]\r\n";
    out +=
        Lines({"iconint=0", "hotkey=0", "name=", "path=", "icon=", "workdir=", "info=", "keydes="});
  }
  return out;
}

// The category and source lists are read by key alone; the section only names the file.
std::string SlotList(std::string_view section, bool withPath) {
  std::string out = Lines({section, "count=0"});
  for (int i = 0; i < kDatumSlots; ++i) {
    AddLine(out, "name" + std::to_string(i), "");
    if (withPath) AddLine(out, "path" + std::to_string(i), "");
  }
  return out;
}

std::string EmptyLineIndex(std::string_view title, std::string_view keyword) {
  std::string out;
  XML::WriteLineIndexHead(out, title, keyword);
  XML::WriteLineIndexEnd(out);
  return out;
}

// Type definitions of the two documents that name a DTD, written from their layouts.
std::string DatumDtd() {
  return Lines({
      "<!-- Datum card: one titled, classified text with its related links. -->",
      "<!ELEMENT datum (title, class, founddate, modifieddate, source, keyword, content,",
      "                 correlativelink)>",
      "<!ELEMENT title (#PCDATA)>",
      "<!ELEMENT class (#PCDATA)>",
      "<!-- Time stamps: year-month-day hour:minute, without leading zeros. -->",
      "<!ELEMENT founddate (#PCDATA)>",
      "<!ELEMENT modifieddate (#PCDATA)>",
      "<!ELEMENT source (#PCDATA)>",
      "<!ELEMENT keyword (#PCDATA)>",
      "<!-- One part per line of the text. -->",
      "<!ELEMENT content (part*)>",
      "<!ELEMENT part (#PCDATA)>",
      "<!ELEMENT correlativelink (link*)>",
      "<!ELEMENT link (name, url)>",
      "<!ATTLIST link type CDATA #REQUIRED>",
      "<!ELEMENT name (#PCDATA)>",
      "<!ELEMENT url (#PCDATA)>",
  });
}

std::string LineIndexDtd() {
  return Lines({
      "<!-- Line index: a titled list of links to datum cards or other resources. -->",
      "<!ELEMENT lineindex (title, keyword, link*)>",
      "<!ELEMENT title (#PCDATA)>",
      "<!-- The index's keywords in the head, a link's keywords inside a link. -->",
      "<!ELEMENT keyword (#PCDATA)>",
      "<!ELEMENT link (name, url, class, date, keyword, source)>",
      "<!ELEMENT name (#PCDATA)>",
      "<!ELEMENT url (#PCDATA)>",
      "<!ELEMENT class (#PCDATA)>",
      "<!ELEMENT date (#PCDATA)>",
      "<!ELEMENT source (#PCDATA)>",
  });
}

struct DataFile {
  const char* path;
  std::string bytes;
};

}  // namespace

bool WriteDataFolder() {
  // Parents before children; "datum\" also receives the category folders later.
  for (const char* folder :
       {"set", "note", "communication", "datum", "xmlstyle", "xmlstyle\\kwix_xml_1.0"}) {
    if (!CreateFolder(folder)) return false;
  }
  // The untrimmed index is missing on purpose: the program writes it whole, with its own head.
  const DataFile files[] = {
      {"set\\sets.conf", SettingsFile()},
      {"set\\fastrun_coll.lst", LaunchList()},
      {"set\\fastrun_study.lst", LaunchList()},
      {"set\\fastrun_fun.lst", LaunchList()},
      {"set\\fastrun_net.lst", LaunchList()},
      {"datum\\datum.conf", Lines({"[DATUM]", "id=0"})},
      {"datum\\class.list", SlotList("[CLASS]", true)},
      {"datum\\source.list", SlotList("[SOURCE]", false)},
      {"datum\\lineindex.list", EmptyLineIndex(Gb("资料卡索引--已整理"), Gb("资料,已整理"))},
      {"datum\\bookmark.list", EmptyLineIndex(Gb("资料卡书签"), Gb("资料,书签"))},
      {"datum\\index.list", EmptyLineIndex(Gb("资料卡索引--索引"), Gb("资料,索引"))},
      {"xmlstyle\\kwix_xml_1.0\\02_2003_datum01.dtd", DatumDtd()},
      {"xmlstyle\\kwix_xml_1.0\\03_2003_lineindex01.dtd", LineIndexDtd()},
  };
  for (const DataFile& file : files) {
    if (!WriteFileAtomic(file.path, file.bytes)) return false;
  }
  return true;
}

}  // namespace pim
