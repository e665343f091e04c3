// Contacts in and out as vCards, the format every address book reads and writes.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "exchange/contact_import.h"

namespace pim {

// The contacts of a .vcf file of any number of cards, vCard 2.1, 3.0 or 4.0: folded lines,
// quoted-printable with soft breaks, base64, CHARSET UTF-8, GBK, GB2312, GB18030, Big5 and
// Latin-1 (UTF-8, then GBK, where none is named), a UTF-8 or UTF-16 file. Every property
// without a field of its own goes into the remark as a labelled line; pictures and keys are
// left out and counted; a card with no name, or cut off by the file's end, is skipped.
ContactImport ReadVCards(std::string_view bytes);

// One vCard 3.0 file of the contacts: UTF-8, CR LF, lines folded at 75 octets without
// cutting a character, text escaped, each of the nineteen fields on a property of its own
// (a birthday without a year as --MMDD, QQ and ICQ as X-QQ and X-ICQ, the category by name).
std::string WriteVCards(std::span<const ComuRecord> contacts);

}  // namespace pim
