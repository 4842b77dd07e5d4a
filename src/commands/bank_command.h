// The string-bank command (B): loading, updating and erasing banks.
#pragma once

namespace marl {

struct Terminal;
struct HostRecord;
struct ScreenEnvironment;

// Takes ownership of the record; always sends one status reply.
void BankCommand(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);

}  // namespace marl
