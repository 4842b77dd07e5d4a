// The headless front end as a program: the terminal started on the headless
// platform, then driven by automation commands until it ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/startup.h"

namespace marl {

struct HeadlessOptions {
  std::string command_line;  // the terminal's own
  int input = 0;             // automation commands
  std::FILE* output = stdout;
  std::FILE* diagnostics = stderr;
  std::FILE* trace = nullptr;
  bool real_time = false;
  // A window's beeps are only recorded, not played.
  bool mute = false;
  // Snapshots are this many times the window's size (1 to 4).
  int32_t zoom = 1;
  StartOptions start;
  // Test seams: the transmit path's send time-out and the socket's send
  // buffer; 0 keeps the defaults.
  uint32_t send_timeout_ms = 0;
  int32_t send_buffer = 0;
};

// Exit status: 0 when every command answered ok (or another copy already
// runs), 2 when any answered with an error, 1 when start-up failed.
int RunHeadless(const HeadlessOptions& options);

class HeadlessPlatform;
// The program on a front end built on the headless platform: start-up, then
// automation commands from `options.input` (-1: none, only the window's own
// events) until the end.
int RunOn(HeadlessPlatform& platform, const HeadlessOptions& options);

class GlyphAtlas;
// The glyphs every window of this process paints with, rendered on the first
// call; nullptr with `error` set when the font cannot be had.
std::shared_ptr<const GlyphAtlas> LoadGlyphs(std::string* error);

}  // namespace marl
