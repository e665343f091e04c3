// What the capture key makes of another program's selection: the card's title, its text and
// where it came from, all in the program's text (GB18030).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pim {

// A card's source holds at most this many characters: a long address fits, a window's title
// is cut.
inline constexpr size_t kSourceLimit = 1024;
// A captured card's title: its text's first line, at most this many characters.
inline constexpr size_t kCapturedTitleChars = 40;

// The first line of `text` that holds more than blanks, as a card title: what Windows refuses
// in a file name as "_", no reserved device name, at most kCapturedTitleChars characters.
// Empty when no line holds anything.
std::string CapturedTitle(std::string_view text);
// "title (PROGRAM.EXE)", at most kSourceLimit characters: the title is cut, the program kept.
std::string WindowSource(std::string_view windowTitle, std::string_view program);
// At most `maxChars` characters of `text`, never half a character.
std::string CutChars(std::string_view text, size_t maxChars);
// Every line ended by CR LF: a card's text splits into lines at CR LF only, and a lone CR or
// LF would end what can be read back of it.
std::string CrLfLines(std::string_view text);

// The page's address from the clipboard's "HTML Format" bytes (UTF-8), taken from the
// "SourceURL:" line of a header whose offsets hold together; nothing for a header that is
// damaged, or has no address.
std::optional<std::string> HtmlSourceUrl(std::string_view clip);

}  // namespace pim
