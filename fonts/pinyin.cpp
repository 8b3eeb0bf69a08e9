#include "fonts/pinyin.h"

namespace yq {
namespace {

constexpr unsigned char kFirstLead = 0xB0, kLastLead = 0xF7;
constexpr unsigned char kFirstTrail = 0xA1, kLastTrail = 0xFE;
constexpr int kTrailCount = kLastTrail - kFirstTrail + 1;

// One row per lead byte, one letter per trail byte; a space marks a code
// that is no hanzi.
constexpr char kInitials[][kTrailCount + 1] = {
#include "fonts/pinyin_initials.inc"
};
static_assert(sizeof kInitials / sizeof kInitials[0] == kLastLead - kFirstLead + 1);

}  // namespace

char pinyin_initial(unsigned char lead, unsigned char trail) {
    if (lead < kFirstLead || lead > kLastLead || trail < kFirstTrail || trail > kLastTrail)
        return 0;
    char c = kInitials[lead - kFirstLead][trail - kFirstTrail];
    return c == ' ' ? 0 : c;
}

}  // namespace yq
