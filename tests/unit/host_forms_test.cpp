// Forms as the host builds them, driven by keys and scans: what the header of
// the host's record switches on, and how a table form's entry ends the turn.
#include "scenario.h"

namespace marl::testing {
namespace {

// A field form's switches come from the header word of the host's record.
const Scenario kFieldForms[] = {
    {"Plain", R"(host \3T\Qty:\@    \ ; events ; type ab ; field 0 ab)"},
    {"Bit08UpperCasesTyping", R"(host/8 \3T\Qty:\@    \ ; type ab ; field 0 AB)"},
    {"Bit1000IsATableFormsNotAFieldForms", R"(host/1000 \3T\Qty:\@    \ ; type ab ; field 0 ab)"},
    {"Bit4000BeepsWhenShown", R"(host/4000 \3T\Qty:\@    \ ; events beep 1000 120)"},
};
SCENARIOS(HostFieldForms, kFieldForms);

// A table form as the host sends it: "Pick:" and a four-cell entry field
// (header: word, minimum entry, width, place). Enter, a full field and a
// scan end the turn only when the entry is acceptable.
const Scenario kTableForms[] = {
    {"EnterBelowTheMinimumLengthBeeps", R"(
      host/0,2,4,7 Pick:|C^<0A>row ; type 1 ; key Enter ; sent ; waiting 0 ; events beep 440 120)"},
    {"EnterAtTheMinimumLengthReplies", R"(
      host/0,2,4,7 Pick:|C^<0A>row ; type 12 ; key Enter ; sent K12\\w<00>F=00<00> ; waiting 1)"},
    {"AFullFieldRepliesByItself", R"(
      host/0,0,4,7 Pick:|C^<0A>row ; type 1234 ; sent K1234<00>F=00<00>)"},
    {"Bit10KeepsAFullFieldFromReplying", R"(
      host/10,0,4,7 Pick:|C^<0A>row ; type 1234 ; sent ; key Enter ; sent K1234\\w<00>F=00<00>)"},
    {"AScanEndsWithEnter", R"(
      host/0,0,4,7 Pick:|C^<0A>row ; scan 12 ; sent S<01>12\\w<00>F=00<00>)"},
    {"AScanBelowTheMinimumBeeps", R"(
      host/0,3,4,7 Pick:|C^<0A>row ; events ; scan 12 ; sent ; events beep 440 120)"},
    {"Bit10AShortScanWaitsForEnter", R"(
      host/10,0,4,7 Pick:|C^<0A>row ; events ; scan 12 ; sent ; events ; waiting 0)"},
    // The text dialect's options: N digits only, '-' a minus and '.' a point
    // besides, H the width.
    {"TextDialectMinusLetsAMinusIn", R"(
      bytes DN-H4/Pick:|C<0A> ; events ; type 1-2. ; field 0 1-2 ; events beep 440 120)"},
    {"TextDialectPointLetsAPointIn", R"(
      bytes DN.H4/Pick:|C<0A> ; events ; type 1-2. ; field 0 12. ; events beep 440 120)"},
};
SCENARIOS(HostTableForms, kTableForms);

}  // namespace
}  // namespace marl::testing
