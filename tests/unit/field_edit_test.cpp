#include "input/field_edit.h"

#include "base/session.h"
#include "forms/form.h"
#include "forms/form_display.h"
#include "input/field_navigation.h"
#include "scenario.h"

namespace marl::testing {
namespace {

// One field at column 3 of a form whose header (0x08) asks for capitals;
// the window shows what the field holds, or '*' for a password's cells.
const Scenario kEditing[] = {
    {"TypingIsUpperCased", R"(host/8 \1T\ab:\@      \ ; type ab ; field 0 AB ; row 0 ab:AB)"},
    {"NumericFieldRefusesALetter", R"(
      host/8 \1T\ab:\B      \ ; type -1.5A ; field 0 -1.5 ; row 0 ab:-1.5 ; events beep 440 120)"},
    {"ProtectedFieldRefusesTyping", R"(
      host/8 \1T\ab:\D      \ ; type c ; field 0 ; events beep 440 120)"},
    {"ACodeThatIsNoCharacterBeeps", R"(
      host/8 \1T\ab:\@      \ ; key EndProgram ; type a ; field 0 A ; events beep 440 120)"},
    {"ScanOnlyFieldRefusesTyping", R"(
      host/8 \1T\ab:\<C0>      \ ; type d ; field 0 ; events beep 440 120)"},
    {"PasswordShowsStarsForWhatIsTyped", R"(
      host/8 \1T\ab:\A      \
      type a_ 9 ; field 0 A_ 9 ; row 0 ab:*_ * ; grid 0 <20><20><20>*_ * ; events)"},
    // Insert pushes out trailing blanks only: one for '1', none for '2'.
    {"InsertPushesOutTrailingBlanksOnly", R"(
      host/8 \1T\ab:\@ABC \ ; key End Left ; type <20> ; key Home Insert
      type 12 ; field 0 1ABC ; row 0 ab:1ABC ; events beep 440 120)"},
    // An attribute change inside a field's text is the field's own: what is
    // typed there is drawn in it, as the rest of the row is.
    {"AnAttributeInsideTheFieldsTextDrawsWhatIsTyped", R"(
      host/8 \1T\ab:\@|H<88>12\ ; attrs 0 00088888888888888888 ; type 5
      field 0 52 ; attrs 0 00088888888888888888)"},
    {"BackspaceAndDeleteCloseUp", R"(
      host/8 \1T\ab:\@ABCD  \
      key Right Right Left Backspace Delete ; field 0 CD ; row 0 ab:CD ; events)"},
    {"BackspaceRefusedAtTheStartAndClearBlanksEveryCell", R"(
      host/8 \1T\ab:\@ABCDEF\
      key Backspace Right Clear ; field 0 ; row 0 ab: ; events beep 440 120)"},
    // A field longer than its cells scrolls them, and never past its length.
    {"ALongFieldScrollsItsCells", R"(
      host/8 \1T\ab:\@|L6   \
      type abcd ; field 0 ABCD ; row 0 ab:CD ; grid 0 <20><20><20>CD ; events)"},
    {"ALongFieldStopsAtItsStart", R"(
      host/8 \1T\ab:\@|L6   \ ; type abcdef
      key Home Left ; field 0 ABCDEF ; row 0 ab:ABC ; events beep 440 120)"},
    {"ALongFieldStopsAtItsLength", R"(
      host/8 \1T\ab:\@|L6   \ ; type abcdef ; key Home End
      type g ; field 0 ABCDEF ; row 0 ab:DEF ; events beep 440 120)"},
};
SCENARIOS(EditingKeys, kEditing);

const Scenario kForms[] = {
    // Header 0x41: a full field moves on, past protected ones. A scan fills
    // the scan-only field; its Enter is dropped for the reply the full field
    // sent.
    {"FullFieldMovesOnPastProtectedOnesOrSendsWhenScanned", R"(
      host/41 \4T\a:\@  \b:\D  \c:\<D0>  \ ; type ab ; current 2 ; sent
      scan xy ; sent K\4\0\Kab\2\S<01>xy\\w<00>F=02<00>)"},
    // Fields routed by scan identifiers are stepped over.
    {"ScanIdentifiedFieldsAreSteppedOver", R"(
      host \1T\a:\@  \b:\@|S#|~  \c:\@  \d:\@|I$|~  \ ; key Tab ; current 2
      # only skipped ones left: the first
      key Tab ; current 0
      # no wrapping
      key Up ; current 0)"},
    {"WrappingStepsOverThemBackwards", R"(
      host/800 \1T\a:\@  \b:\@|S#|~  \c:\@  \d:\@|I$|~  \ ; key Up ; current 2)"},
    {"NowhereToStop", R"(
      host/800 \1T\b:\@|S#|~  \d:\@|I$|~  \ ; key Tab ; current 0 ; key Up ; current 0)"},
};
SCENARIOS(FieldForms, kForms);

// A table whose entry is on row 1, column 10 (header place 30), four cells
// wide; with header 0x30 it shows edits in the rows and does not reply when
// full. Its rows run from the entry's down and round to row 0.
#define TABLE " Pick:^<0A>row one   abcd^<0A>row two   ....^<0A>row three^<0A>row four"
const Scenario kTables[] = {
    {"EditsStayWithinTheEntryAndMovingOnRestoresTheRowLeft", R"(host/30,0,4,30)" TABLE R"(
      type 12 ; text 1 row one   12cd
      # Right goes up to the end of the entry, not past it
      events ; key Left Right Right ; events beep 440 120 ; cursor 2
      # the last cell entered gets the form's own back
      key Backspace ; text 1 row one   1bcd ; row 1 row one   1bcd
      key Down ; text 1 row one   abcd ; row 1 row one   abcd
      # only the row's text goes back: the field keeps what was typed, and
      # the echo shows it again on the next row
      field 0 12 ; type 5 ; text 2 row two   52.. ; row 2 row two   52..
      # from the first row the entry is sent, as Tab on the last does
      key Up Up ; sent K<00>F=00<00> ; text 2 row two   ....)"},
    {"FullEntrySendsOnlyWithTheRightCheckDigit", R"(binary ; host/29,0,4,30)" TABLE R"(
      events ; type 4563 ; key Enter ; events beep 440 120; beep 440 120 ; sent
      # over the last cell
      type 4 ; sent K4564)"},
    {"TabOnTheLastRowSendsOnceTheEntryIsLongEnough", R"(binary ; host/30,2,4,30)" TABLE R"(
      key Down Down Down Down ; type 9 ; events ; key Tab ; events beep 440 120 ; sent
      key Right ; type 8 ; key Tab ; sent K98)"},
    {"TabOnTheLastRowWrapsToTheFirstWithWrapping", R"(binary ; host/830,2,4,30)" TABLE R"(
      key Down Down Down Down ; key Tab ; type 7 ; row 1 row one   7bcd)"},
};
SCENARIOS(TableEdit, kTables);

TEST(LuhnCheck, CharacterOfADigitString) {
  EXPECT_EQ(LuhnCheckCharacter("7992739871", 10), '3');
  EXPECT_EQ(LuhnCheckCharacter("", 0), '0');
}

TEST(Navigation, ProtectedFieldsAreSkippedAtMostTenTimes) {
  TestTerminal tt;
  std::string fields = "\\a:\\@  \\";
  for (int32_t i = 1; i < 14; ++i) fields += "b:\\D  \\";
  // Header 0x801: protected fields are skipped, and the last wraps.
  RunScenario(tt, "host/801 \\1T" + fields + " ; key Tab ; current 11");
  RunScenario(
      tt, "host/801 \\2T" + fields.substr(0, fields.size() - 4) + "@  \\ ; key Up ; current 13");
}

}  // namespace
}  // namespace marl::testing
