#include "input/key_processor.h"

#include <string>

#include "input_fixture.h"
#include "scenario.h"

namespace marl::testing {
namespace {

const Scenario kKeys[] = {
    // Insert acts at once: the queued 'a' replays into the next screen in
    // insert mode.
    {"WhileWaitingImmediateKeysActAndOthersAreQueued", R"(
      host \7T\^<0A>^<0A>\@    \ ; key Enter ; sent K\7\\w<00>F=00<00>
      type a ; field 0 ; row 0 Queued Keystroke ; key Insert CtrlF ; sent IS,
      key Escape ; sent K\7\\z<00>F=00<00> ; host \8T\^<0A>^<0A>\@xy  \ ; field 0 axy)"},
    {"BinaryDialectEscapeSendsTheFormAlone", R"(
      binary ; host \7T\^<0A>^<0A>\@    \ ; key Enter ; sent K\7 ; key Escape ; sent K\7)"},
    {"APowerUpKeySendsNothingHereAndAwaitsTheHost", R"(binary ; key 4118 ; sent ; waiting 1)"},
    {"KeyMapTypesSevenBitCharactersAndEndsTheTurn", R"(
      binary ; host \1T\a:\@    \b:\@    \ ; host \F\<1B>A\12@Aq ; reply success
      # a map's Escape is a character, not the key
      key F1 ; field 0 <1B>A ; sent ; key F2 ; sent K\1\0\K<1B>A12\\q)"},
    {"CodesBelowOneAreShownWhileDebugging", R"(
      key Debugging -70000 ; row 14 Ignore -70000 (0xEE9)"},
    // A table whose rows reply (0x200): the programmable key types into the
    // next row without moving on; elsewhere it ends the turn after its
    // character.
    {"ProgrammableKeyPicksTheNextTableRow", R"(
      bytes <86> x<04><01><7F><0A> ; host/220,0,3,5 a^<0A>b^<0A>c
      key Programmable ; row 1 b    x ; cursor 0)"},
    {"ProgrammableKeyElsewhereEndsTheTurn", R"(
      bytes <86> x<04><01><7F><0A> ; binary ; host/20,0,3,5 a^<0A>b^<0A>c
      key Programmable ; sent Kx)"},
};
SCENARIOS(Keys, kKeys);

using KeyProcessor = InputTest;

TEST_F(KeyProcessor, PagingPastEitherEndAndShiftFunctionKeysEndTheTurn) {
  RunScenario(tt_, "binary");
  // A text without fields: a current field would pull the page back to it.
  HandForm form(t(), 32, 20, {});
  form.SetText(16, 0, "second page");
  RunScenario(tt_, "key PageDown ; row 0 second page ; sent");
  // PageDown on the last page ends the turn, as these keys always do.
  for (const char* key : {"PageDown", "ShiftF4", "PadEnter"}) {
    RunScenario(tt_, std::string("key ") + key + R"( ; sent K\-10 ; host \PING)");
  }
  RunScenario(tt_, "key PageUp");
  EXPECT_EQ(form->top_row, 0);
  RunScenario(tt_, R"(key PageUp ; sent K\-10)");
}

}  // namespace
}  // namespace marl::testing
