#include "exchange/csv.h"

namespace pim {

char GuessSeparator(std::string_view text) {
  int comma = 0, semicolon = 0, tab = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\r' || c == '\n') break;
    comma += c == ',';
    semicolon += c == ';';
    tab += c == '\t';
  }
  if (tab > comma && tab >= semicolon) return '\t';
  if (semicolon > comma) return ';';
  return ',';
}

CsvTable ParseCsv(std::string_view text, char separator) {
  CsvTable table;
  CsvRow row;
  std::string field;
  bool quoted = false;   // inside a quoted field
  bool inField = false;  // the field has begun: a quote now is text
  bool rowOpen = false;  // the row has something to keep, if only a separator
  const auto endField = [&] {
    row.push_back(std::move(field));
    field.clear();
    inField = false;
  };
  const auto endRow = [&] {
    endField();
    table.rows.push_back(std::move(row));
    row.clear();
    rowOpen = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field.push_back(c);
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else {
        quoted = false;  // whatever follows up to the separator is kept as text
      }
    } else if (c == '"' && !inField) {
      quoted = inField = rowOpen = true;
    } else if (c == separator) {
      endField();
      rowOpen = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endRow();
    } else {
      field.push_back(c);
      inField = rowOpen = true;
    }
  }
  table.cut = quoted;
  if (rowOpen) endRow();
  return table;
}

void AppendCsvField(std::string& out, std::string_view field, char separator) {
  const bool quote =
      field.find_first_of(std::string{'"', '\r', '\n', separator}) != std::string_view::npos ||
      (!field.empty() && (field.front() == ' ' || field.back() == ' ' || field.front() == '\t' ||
                          field.back() == '\t'));
  if (!quote) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace pim
