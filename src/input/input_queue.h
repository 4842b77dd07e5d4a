// Keys and scans that arrive while the terminal waits for the host, kept for
// replay when the host's next screen comes.
#pragma once

#include <cstdint>

#include "base/session.h"
#include "input/input_state.h"
#include "input/scan.h"

namespace marl {

struct Terminal;
struct Form;

void ClearInputQueue(Terminal& t);
void QueueKeystroke(Terminal& t, int32_t code);
void QueueScan(Terminal& t, int32_t length, const char* bytes, uint8_t label_type);
// Replays the queue, then the host's key script, until something makes the
// terminal wait again.
void DrainInputQueue(Terminal& t, Form* form, int32_t rows, int32_t columns);
// What follows showing a form: the queue's replay, and in auto mode the
// form's answer. The forms call it through their form_shown hook.
void ReplayAfterForm(Terminal& t, Form* form);

}  // namespace marl
