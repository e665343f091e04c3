#include "exchange/markdown.h"

#include <map>
#include <unordered_set>
#include <vector>

#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"
#include "exchange/charsets.h"
#include "exchange/contact_draft.h"
#include "exchange/safe_names.h"
#include "xmldoc/xml.h"

namespace pim {

namespace {

constexpr size_t kMaxFolderChars = 40;  // a category's level, so paths stay well short
constexpr size_t kProgressEvery = 256;

// The text's first line that holds more than blanks, with runs of blanks as one space.
std::string FirstLine(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    std::string line;
    bool blank = false;
    for (char c : TrimText(text.substr(start, end - start))) {
      const bool space = c == ' ' || c == '\t';
      if (space && blank) continue;
      line.push_back(space ? ' ' : c);
      blank = space;
    }
    if (!TrimText(line).empty()) return std::string(TrimText(line));
    start = end + 1;
  }
  return {};
}

// A YAML string in double quotes, in UTF-8: every character that could end or break it is
// escaped, so a title of any bytes stays one value.
std::string YamlString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const GbChar ch = DecodeGbChar(text, i);
    const char32_t c = ch.valid ? ch.code : 0xFFFD;
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      out += Format("\\x%02X", static_cast<unsigned>(c));
    } else if (c == 0x85 || c == 0x2028 || c == 0x2029 || c == 0xFEFF) {
      out += Format("\\u%04X", static_cast<unsigned>(c));
    } else {
      AppendUtf8FromText(out, text.substr(i, ch.size));
    }
    i += ch.size;
  }
  out.push_back('"');
  return out;
}

// A now stamp ("2003-5-7 9:5") as a YAML date and time; any other text quoted as it is.
std::string YamlDate(std::string_view stamp) {
  int v[5] = {0, 0, 0, 0, 0};
  size_t k = 0;
  bool digit = false;
  for (char c : TrimText(stamp)) {
    if (c >= '0' && c <= '9') {
      if (v[k] > 100000) return YamlString(stamp);
      v[k] = v[k] * 10 + (c - '0');
      digit = true;
    } else if (digit && k < 4 && c == "-- :"[k]) {
      ++k;
      digit = false;
    } else {
      return YamlString(stamp);
    }
  }
  if (k != 4 || !digit || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31 || v[3] > 23 ||
      v[4] > 59 || v[0] > 9999)
    return YamlString(stamp);
  return Format("%04d-%02d-%02d %02d:%02d", v[0], v[1], v[2], v[3], v[4]);
}

std::string NoteFolder(int type) {
  const std::string base = Gb("记事") + "\\";
  if (type >= 0 && type < static_cast<int>(kNoteTypes.size())) return base + kNoteTypes[type];
  return base + Gb("未分类");
}

// "\" nests categories; each level is made a safe name of its own.
std::string CardFolder(std::string_view category) {
  std::string folder = Gb("资料卡");
  bool any = false;
  size_t start = 0;
  for (size_t i = 0; i <= category.size();) {
    const bool end = i == category.size();
    const size_t size = end ? 1 : GbCharSize(category, i);
    if (end || (size == 1 && (category[i] == '\\' || category[i] == '/'))) {
      std::string level = SafeName(TrimText(category.substr(start, i - start)), kMaxFolderChars);
      // A level named like a card's file could stand where that file goes.
      if (FoldedName(level).ends_with(".md")) level += "_";
      if (!level.empty()) {
        folder += "\\" + level;
        any = true;
      }
      start = i + 1;
    }
    i += size;
  }
  return any ? folder : folder + "\\" + Gb("未分类");
}

std::string Slashed(std::string path) {
  for (size_t i = 0; i < path.size(); i += GbCharSize(path, i))
    if (path[i] == '\\') path[i] = '/';
  return path;
}

// The files and folders of the export so far, so a failure removes exactly them.
class Writer {
 public:
  explicit Writer(std::string root) : root_(std::move(root)) {}

  bool MakeFolder(const std::string& relative) {
    if (made_.count(relative)) return true;
    const std::string_view parent = DataPathFolder(relative);
    if (!parent.empty() && !MakeFolder(std::string(parent.substr(0, parent.size() - 1))))
      return false;
    const std::string path = root_ + "\\" + relative;
    if (!CreateFolder(path)) return Fail(path);
    folders_.push_back(path);
    made_.insert(relative);
    return true;
  }

  bool Write(const std::string& relative, std::string_view bytes) {
    const std::string path = root_ + "\\" + relative;
    File file;
    if (!file.Open(path, File::Mode::CreateWrite)) return Fail(path);
    files_.push_back(path);
    const bool written = file.Write(bytes);
    return file.Close() && written ? true : Fail(path);
  }

  void Undo() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) RemoveFile(*it);
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveFolder(*it);
    RemoveFolder(root_);
  }

  const std::string& failed() const { return failed_; }

 private:
  bool Fail(const std::string& path) {
    if (failed_.empty()) failed_ = path;
    return false;
  }

  std::string root_, failed_;
  std::vector<std::string> files_, folders_;
  std::unordered_set<std::string> made_;
};

struct Entry {
  std::string file;  // relative data path
  std::string title;
  std::string date;  // as the index shows it
};

// Entries by folder, folders in the order they first appear.
class Index {
 public:
  void Add(const std::string& folder, Entry entry) {
    auto [it, added] = positions_.emplace(folder, groups_.size());
    if (added) groups_.push_back({folder, {}});
    groups_[it->second].second.push_back(std::move(entry));
  }

  void AppendTo(std::string& out, const std::string& heading, size_t skip) const {
    out += "## " + Utf8FromText(heading) + "\r\n";
    for (const auto& [folder, entries] : groups_) {
      out += "\r\n### " + Utf8FromText(Slashed(folder.substr(skip))) + "\r\n\r\n";
      for (const Entry& e : entries) {
        std::string title;
        for (char c : Utf8FromText(e.title)) {
          if (c == '[' || c == ']' || c == '\\' || c == '*' || c == '_' || c == '`') title += '\\';
          title += c;
        }
        out += "- [" + title + "](<" + Utf8FromText(Slashed(e.file)) + ">)";
        if (!e.date.empty()) out += " " + e.date;
        out += "\r\n";
      }
    }
    out += "\r\n";
  }

 private:
  std::map<std::string, size_t> positions_;
  std::vector<std::pair<std::string, std::vector<Entry>>> groups_;
};

std::string PlainDate(std::string_view stamp) {
  const std::string date = YamlDate(stamp);
  return date.starts_with("\"") ? std::string() : date;
}

}  // namespace

std::string NoteTitle(const NoteExport& note) { return FirstLine(note.content); }

MarkdownOutcome ExportMarkdown(std::string_view folder, std::span<const NoteExport> notes,
                               std::span<const CardExport> cards, const ExportProgress& progress) {
  MarkdownOutcome outcome;
  const std::string target(folder);
  if (target.empty() || FolderExists(target) || FileExists(target)) {
    outcome.result = ExportResult::TargetExists;
    return outcome;
  }
  std::string temp = target + "~part";
  for (int n = 2; FolderExists(temp) || FileExists(temp); ++n)
    temp = target + "~part" + std::to_string(n);
  Writer writer(temp);
  const auto fail = [&](ExportResult result) {
    writer.Undo();
    outcome.result = result;
    outcome.failedPath = result == ExportResult::CannotWrite ? writer.failed() : "";
    outcome.files = 0;
    return outcome;
  };
  if (!CreateFolder(temp)) {
    outcome.result = ExportResult::CannotWrite;
    outcome.failedPath = temp;
    return outcome;
  }

  const size_t total = notes.size() + cards.size() + 1;
  NameBook names;
  Index noteIndex, cardIndex;
  std::string bytes;
  const auto write = [&](const std::string& dir, const std::string& title, Index& index,
                         std::string_view date) {
    std::string stem = SafeName(title, kMaxNameChars);
    if (stem.empty()) stem = Gb("无标题");
    const std::string file = dir + "\\" + names.Claim(dir, stem, ".md");
    if (!writer.MakeFolder(dir) || !writer.Write(file, bytes)) return false;
    index.Add(dir, {file, title, PlainDate(date)});
    ++outcome.files;
    return !progress || outcome.files % kProgressEvery != 0 || progress(outcome.files, total);
  };

  for (const NoteExport& note : notes) {
    std::string title = NoteTitle(note);
    if (title.empty()) title = Gb("记事 ") + std::to_string(note.number);
    const std::string dir = NoteFolder(note.type);
    bytes = "---\r\ntitle: " + YamlString(title) +
            "\r\ntype: " + YamlString(dir.substr(dir.find('\\') + 1)) + "\r\n";
    if (!TrimText(note.buildtime).empty()) bytes += "date: " + YamlDate(note.buildtime) + "\r\n";
    bytes += "---\r\n";
    AppendUtf8FromText(bytes, note.content);
    if (!write(dir, title, noteIndex, note.buildtime))
      return fail(writer.failed().empty() ? ExportResult::Cancelled : ExportResult::CannotWrite);
  }
  for (const CardExport& card : cards) {
    std::string title = FirstLine(card.title);
    if (title.empty()) title = FirstLine(card.content);
    if (title.empty()) title = Gb("资料卡");
    const std::string dir = CardFolder(card.category);
    bytes = "---\r\ntitle: " + YamlString(title) +
            "\r\ncategory: " + YamlString(card.category.empty() ? Gb("未分类") : card.category) +
            "\r\n";
    if (!TrimText(card.founddate).empty()) bytes += "date: " + YamlDate(card.founddate) + "\r\n";
    bytes +=
        "keywords: " + YamlString(card.keyword) + "\r\nsource: " + YamlString(card.source) + "\r\n";
    if (card.trimmed) {
      bytes += card.bookmark ? "bookmark: true\r\n" : "bookmark: false\r\n";
      bytes += card.index ? "index: true\r\n" : "index: false\r\n";
    }
    bytes += "---\r\n";
    AppendUtf8FromText(bytes, card.content);
    if (!write(dir, title, cardIndex, card.founddate))
      return fail(writer.failed().empty() ? ExportResult::Cancelled : ExportResult::CannotWrite);
  }

  std::string index = "# " + Utf8FromText(Gb("记事和资料卡")) + "\r\n\r\n";
  const size_t notesSkip = Gb("记事\\").size(), cardsSkip = Gb("资料卡\\").size();
  if (!notes.empty()) noteIndex.AppendTo(index, Gb("记事"), notesSkip);
  if (!cards.empty()) cardIndex.AppendTo(index, Gb("资料卡"), cardsSkip);
  if (!writer.Write("index.md", index)) return fail(ExportResult::CannotWrite);
  ++outcome.files;
  if (progress && !progress(outcome.files, total)) return fail(ExportResult::Cancelled);
  if (!RenamePath(temp, target)) {
    writer.Undo();
    outcome.result = ExportResult::CannotWrite;
    outcome.failedPath = target;
    outcome.files = 0;
    return outcome;
  }
  return outcome;
}

}  // namespace pim
