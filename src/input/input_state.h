// The input's state: the queue of keys and scans kept while the host has
// the turn, the key processor's turn, the key maps and the host's key script.
#pragma once

#include <cstdint>

namespace marl {

struct InputEntry;  // allocated separately, tag keys

// The first block holds this many entries; each growth doubles it.
constexpr int32_t kQueueFirstCapacity = 8;

// A ring: the entries in order are queue[(head + i) % capacity] for i below
// count, so that taking the first and adding a last are constant time.
struct InputState {
  InputEntry** queue = nullptr;  // owned, guarded (keys)
  int32_t head = 0;
  int32_t count = 0;
  int32_t capacity = 0;
};

constexpr int32_t kMacroBufferSize = 20;
constexpr uint8_t kNoReplyLetter = 0xFF;

struct KeyState {
  bool insert_mode = false;
  // What a key map plays, filled by ExpandKeyMap; lives for one ProcessKey.
  char macro[kMacroBufferSize] = {};
  int32_t macro_index = 0;
  // Set when the programmable key has already moved to the next table row,
  // so that the character it types does not move the cursor on.
  bool advanced = false;
  int32_t loop_flags = 0;
  uint8_t reply_letter = kNoReplyLetter;
  int32_t reply_mode = 0;  // 0 to 4, read by the form reply
};

constexpr int32_t kKeyMapCount = 24;
constexpr int32_t kKeyMapMaxLength = 15;

struct KeyMapState {
  char* maps[kKeyMapCount] = {};  // owned, guarded (keys); slot order of kFunctionKeyCodes
  bool uppercase = false;         // set by @S for the rest of one expansion
};

constexpr int32_t kScriptQueueSize = 256;
constexpr int32_t kScriptStopMark = 8193;
constexpr int32_t kScriptDelayMark = 8194;
// A script entry with this bit is a reply letter, sent with the form reply.
constexpr int32_t kScriptReplyBit = 0x400;

struct ScriptState {
  // Owned: kScriptQueueSize entries, taken with the first key a script
  // pushes (most hosts never send one), given back by ReleaseKeyScript.
  // Entries from `length` on are never read.
  int32_t* queue = nullptr;
  int32_t length = 0;
  int32_t read_position = 0;
  bool running = false;  // set by the input queue while it plays the script
};

}  // namespace marl
