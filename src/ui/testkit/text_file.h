// Whole text files in and out, for goldens and reports: bounded reads, and
// writes that never leave half a file behind for a CI server to choke on.
#pragma once

#include <cstddef>
#include <string>

namespace marl {

// The largest file a test reads whole (a golden of the largest screen is
// about 8 MiB).
constexpr size_t kMaxTextFile = 32u << 20;

enum class ReadResult { kRead, kMissing, kFailed };

// Reads `path` into `content`. kMissing when there is no such file;
// kFailed with `error` ("cannot read PATH: REASON") otherwise.
ReadResult ReadTextFile(const std::string& path, std::string* content, std::string* error);

// Writes `content` to a new file beside `path`, then renames it over
// `path`. Returns false with `error` ("cannot write PATH: REASON").
bool WriteTextFile(const std::string& path, const std::string& content, std::string* error);

// Whether `path` can be written, found out before long work whose result
// goes there: the folder exists and takes a new file. Leaves `path` as it
// was.
bool CheckWritable(const std::string& path, std::string* error);

}  // namespace marl
