// Pinyin initials of the GB2312 hanzi, for sorting face names by letter.
#pragma once

namespace yq {

// Upper-case first letter ('A'..'Z') of the first Mandarin reading of the
// GB2312 level-1 or level-2 hanzi with GBK bytes (lead, trail): lead 0xB0..0xF7,
// trail 0xA1..0xFE. 0 for any other pair, including the five unassigned codes
// D7FA..D7FE.
char pinyin_initial(unsigned char lead, unsigned char trail);

}  // namespace yq
