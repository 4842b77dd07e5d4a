// A host record the terminal refuses is named in the event log: the status
// reply (or "dropped", or the text dialect's error), its meaning and the
// record's first bytes, at most 24. Records it takes leave no such event.
#include "scenario.h"

namespace marl::testing {
namespace {

const Scenario kRefusals[] = {
    {"AnAcceptedFormIsNoRefusal", R"(host \3T\Qty:\@    \ ; events)"},
    {"ACommandTheTerminalLacks",
     R"(host \Z ; events refused K\\1 "failed, or a command the terminal does not have" record "\x82\x80\x80\x80\x80\x80000\\Z")"},
    {"AnEmptySlot",
     R"(host \9 ; events refused K\\4 "bad number, or an empty slot" record "\x82\x80\x80\x80\x80\x80000\\9")"},
    {"TextAfterTheLastFieldAndTheHeadCut",
     R"(host \3T\Qty: \B   \ pcs ; events refused K\\5 "a backslash left unpaired" record "\x82\x80\x80\x80\x80\x80000\\3T\\Qty: \\B   \\")"},
    {"AnUnknownRecordKindHasItsBoxToo",
     R"(bytes <9F>abc<0A> ; events msgbox "" "Bad Command:            \x9Fabc\n\n0xffffff9f 0x61 0x62" ok ok; refused K\\1 "failed, or a command the terminal does not have" record "\x9Fabc")"},
    {"ATextRecordsUnknownOption",
     R"(bytes DZ/abc<0A> ; events print "  12  "; print "\n"; print "error parsing \n\r    DZ/abc\n\r"; refused parse12 "an unknown display option" record "DZ/abc")"},
    {"TheRestOfABlockAfterATextError",
     R"(bytes XY<0A>WB2<0A> ; events print "  5  "; print "\n"; print "error parsing \n\r        XY\n\r"; refused parse5 "not D, G, S or W" record "XY"; refused dropped "the rest of a block after a text record's error" record "WB2")"},
};
SCENARIOS(Refusals, kRefusals);

}  // namespace
}  // namespace marl::testing
