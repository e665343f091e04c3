// Import and export of 10,000 contacts as vCards, and Markdown export of 10,000 notes and
// 100,000 cards of Chinese text, natively, against their budgets; exit status 1 when one
// breaks. Each figure is the median CPU time of the process (its system calls included), so
// other work on the machine does not count; the Markdown folder goes to memory where there
// is a file system in it, as the backup bench's does.
//   pimbrel_exchange_bench [scratch folder]
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"
#include "exchange/charsets.h"
#include "exchange/markdown.h"
#include "exchange/vcard.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRuns = 3;

// GBK text of common characters, with punctuation and line breaks now and then.
class Text {
 public:
  explicit Text(unsigned seed) : random_(seed) {}
  std::string operator()(size_t bytes, bool lines = true) {
    std::string t;
    while (t.size() < bytes) {
      const unsigned r = random_() % 16;
      if (r == 0 && lines) {
        t += "\r\n";
      } else if (r == 1) {
        t += "\xA3\xAC";  // ，
      } else {
        const unsigned c = random_() % 3000;
        t.push_back(static_cast<char>(0xB0 + c / 94));
        t.push_back(static_cast<char>(0xA1 + c % 94));
      }
    }
    return t;
  }
  unsigned Next() { return random_(); }

 private:
  std::mt19937 random_;
};

std::vector<pim::ComuRecord> Contacts(int n) {
  Text text(3);
  std::vector<pim::ComuRecord> contacts(n);
  for (int i = 0; i < n; ++i) {
    pim::ComuRecord& c = contacts[i];
    c.name = text(6, false);
    c.class_ = static_cast<int>(text.Next() % 9);
    c.birthYear = std::to_string(1950 + text.Next() % 60);
    c.birthMonth = static_cast<int>(text.Next() % 12);
    c.birthDay = static_cast<int>(text.Next() % 28);
    c.telOffice = "010-" + std::to_string(text.Next() % 100000000);
    c.telHandset = "13" + std::to_string(100000000 + text.Next() % 900000000);
    c.email = "user" + std::to_string(i) + "@example.cn";
    c.oicq = std::to_string(10000 + text.Next() % 100000000);
    c.address = text(30, false);
    c.postnumber = std::to_string(100000 + text.Next() % 900000);
    c.note = text(120);
  }
  return contacts;
}

// The same contacts as Android writes them: version 2.1, quoted-printable UTF-8.
std::string AndroidFile(const std::vector<pim::ComuRecord>& contacts) {
  const auto qp = [](const std::string& text) {
    std::string out;
    for (unsigned char c : pim::Utf8FromText(text)) out += pim::Format("=%02X", c);
    return out;
  };
  std::string file;
  for (const pim::ComuRecord& c : contacts) {
    file += "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;" +
            qp(c.name) + ";;;\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + qp(c.name) +
            "\r\nTEL;CELL:" + c.telHandset + "\r\nTEL;WORK:" + c.telOffice +
            "\r\nEMAIL;HOME:" + c.email +
            "\r\nADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;" + qp(c.address) + ";;;" +
            c.postnumber + ";\r\nNOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";
    const std::string note = qp(c.note);
    for (size_t i = 0; i < note.size(); i += 72) file += note.substr(i, 72) + "=\r\n";
    file += "\r\nX-QQ:" + c.oicq + "\r\nBDAY:" + c.birthYear + "-01-01\r\nEND:VCARD\r\n";
  }
  return file;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

template <typename Step>
double MedianSeconds(Step step) {
  std::vector<double> runs;
  for (int i = 0; i < kRuns; ++i) {
    const double start = CpuSeconds();
    step();
    runs.push_back(CpuSeconds() - start);
  }
  std::sort(runs.begin(), runs.end());
  return runs[runs.size() / 2];
}

int broken = 0;

void Check(const char* what, double value, const char* unit, double limit, bool ok) {
  ok = ok && value <= limit;
  std::printf("%-58s %8.3f %-2s <= %g  %s\n", what, value, unit, limit, ok ? "held" : "BROKEN");
  broken += ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path base = argc > 1 ? fs::absolute(argv[1])
                        : fs::exists("/dev/shm")
                            ? fs::path("/dev/shm/pimbrel-exchange-bench")
                            : fs::temp_directory_path() / "pimbrel-exchange-bench";
  fs::remove_all(base);
  fs::create_directories(base);

  const std::vector<pim::ComuRecord> contacts = Contacts(10000);
  std::string ours;
  const double write = MedianSeconds([&] { ours = pim::WriteVCards(contacts); });
  const std::string android = AndroidFile(contacts);
  size_t read = 0, readAndroid = 0;
  const double readOurs = MedianSeconds([&] { read = pim::ReadVCards(ours).contacts.size(); });
  const double readPhone =
      MedianSeconds([&] { readAndroid = pim::ReadVCards(android).contacts.size(); });

  Text text(9);
  std::vector<pim::NoteExport> notes(10000);
  for (int i = 0; i < 10000; ++i)
    notes[i] = {i, 1 + i % 5, "2024-1-2 3:4", text(8, false) + "\r\n" + text(600)};
  std::vector<pim::CardExport> cards(100000);
  for (int i = 0; i < 100000; ++i) {
    cards[i] = {text(8, false),    pim::Gb("分类") + std::to_string(i % 100),
                "2024-1-2 3:4",    pim::Gb("来源"),
                pim::Gb("关键词"), text(800),
                i % 2 == 0,        i % 3 == 0,
                i % 5 == 0};
  }
  int run = 0;
  bool exported = true;
  const double markdown = MedianSeconds([&] {
    const std::string folder =
        pim::FromNativeName((base / ("out" + std::to_string(run++))).native());
    exported =
        pim::ExportMarkdown(folder, notes, cards).result == pim::ExportResult::Done && exported;
  });
  fs::remove_all(base);

  Check("vCard export of 10000 contacts", write, "s", 0.5, true);
  Check("reading and mapping 10000 vCards 3.0 (our own)", readOurs, "s", 0.5, read == 10000);
  Check("reading and mapping 10000 vCards 2.1 (quoted-printable)", readPhone, "s", 0.5,
        readAndroid == 10000);
  Check("Markdown export of 10000 notes and 100000 cards", markdown, "s", 5, exported);
  return broken == 0 ? 0 : 1;
}
