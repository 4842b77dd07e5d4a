// One line for standard error about an input the terminal did not take as
// it came (a settings file it could not read, a size beyond the bound). The
// terminal goes on either way; the line only tells the person why.
#pragma once

namespace marl {

struct Terminal;

// Formats the line (no line end) and hands it to the warn hook, or, with
// none set, writes "marlsim: LINE" to standard error.
void Warn(Terminal& t, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace marl
