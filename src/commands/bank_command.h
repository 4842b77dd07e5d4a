// The string-bank command (B): loading, updating and erasing banks.
#pragma once

#include "base/host_record.h"

namespace marl {

struct Terminal;
struct ScreenEnvironment;

// Takes ownership of the record; always sends one status reply.
void BankCommand(Terminal& t, OwnedRecord record, const ScreenEnvironment& environment);

}  // namespace marl
