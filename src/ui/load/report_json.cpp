#include "ui/load/report_json.h"

#include <cmath>
#include <cstdio>

#include "ui/load/json_reader.h"

namespace marl {

namespace {

using Kind = JsonValue::Kind;

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::isfinite(value) ? value : 0.0);
  return text;
}

std::string Num(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", std::isfinite(value) ? value : 0.0);
  return text;
}

std::string U(uint64_t value) {
  return std::to_string(value);
}

std::string Percentiles(const Histogram& h) {
  std::string out = "{\"count\":" + U(h.count());
  out += ",\"median\":" + Fixed(h.QuantileMs(0.5), 3);
  out += ",\"p90\":" + Fixed(h.QuantileMs(0.9), 3);
  out += ",\"p95\":" + Fixed(h.QuantileMs(0.95), 3);
  out += ",\"p99\":" + Fixed(h.QuantileMs(0.99), 3);
  out += ",\"p99_9\":" + Fixed(h.QuantileMs(0.999), 3);
  out += ",\"max\":" + Fixed(double(h.max()) / 1000, 3);
  out += ",\"min\":" + Fixed(double(h.min()) / 1000, 3);
  out += ",\"mean\":" + Fixed(h.MeanUs() / 1000, 3);
  return out + "}";
}

std::string Buckets(const Histogram& h) {
  std::string out = "{\"count\":" + U(h.count()) + ",\"min_us\":" + U(h.min()) +
                    ",\"max_us\":" + U(h.max()) + ",\"sum_us\":" + U(h.sum()) + ",\"buckets\":[";
  bool first = true;
  for (const HistogramBucket& b : h.buckets()) {
    out += (first ? "[" : ",[") + U(Histogram::BucketLow(b.index)) + "," + U(b.count) + "]";
    first = false;
  }
  return out + "]}";
}

std::string Settings(const LoadSettings& s) {
  std::string out = "{\"script\":" + JsonQuote(s.script);
  out += ",\"script_id\":" + JsonQuote(s.script_id);
  out += ",\"load\":" + std::to_string(s.load);
  out += ",\"shards\":[";
  for (size_t i = 0; i < s.shards.size(); ++i) out += (i ? "," : "") + JsonQuote(s.shards[i]);
  out += "],\"duration_s\":" + Num(s.duration_s);
  out += ",\"iterations\":" + std::to_string(s.iterations);
  out += ",\"ramp\":" + Num(s.ramp);
  out += ",\"size\":" + JsonQuote(s.size);
  out += ",\"command_line\":" + JsonQuote(s.command_line);
  out += ",\"start_at\":" + Fixed(s.start_at, 3);
  return out + "}";
}

// Code points below 256 back into the bytes the writer escaped them from:
// the terminal's texts are bytes of its code page, not UTF-8.
std::string Bytes(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = uint8_t(utf8[i]);
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      out += char(((c & 0x03) << 6) | (uint8_t(utf8[++i]) & 0x3F));
    } else {
      out += char(c);
    }
  }
  return out;
}

// Reads the parts of a report, remembering the first thing that is wrong.
class Reader {
 public:
  const JsonValue* Get(const JsonValue& object, const char* key, Kind kind) {
    const JsonValue* v = object.Find(key);
    if (v == nullptr || v->kind != kind) {
      Fail("\"" + std::string(key) + "\" is missing or not " + KindName(kind));
      return nullptr;
    }
    return v;
  }
  uint64_t Count(const JsonValue& object, const char* key) {
    const JsonValue* v = object.Find(key);
    if (v == nullptr || !v->is_unsigned) {
      Fail("\"" + std::string(key) + "\" is missing or not a whole number");
      return 0;
    }
    return v->unsigned_value;
  }
  double Number(const JsonValue& object, const char* key) {
    const JsonValue* v = Get(object, key, Kind::kNumber);
    return v != nullptr && std::isfinite(v->number) ? v->number : 0;
  }
  std::string Text(const JsonValue& object, const char* key) {
    const JsonValue* v = Get(object, key, Kind::kString);
    return v != nullptr ? v->text : "";
  }
  void ReadHistogram(const JsonValue& object, const char* key, Histogram* out) {
    const JsonValue* h = Get(object, key, Kind::kObject);
    if (h == nullptr) return;
    const JsonValue* list = Get(*h, "buckets", Kind::kArray);
    if (list == nullptr) return;
    std::vector<std::pair<uint64_t, uint64_t>> buckets;
    for (const JsonValue& b : list->items) {
      if (b.kind != Kind::kArray || b.items.size() != 2 || !b.items[0].is_unsigned ||
          !b.items[1].is_unsigned) {
        return Fail("a bucket of \"" + std::string(key) + "\" is not [lower edge, count]");
      }
      buckets.emplace_back(b.items[0].unsigned_value, b.items[1].unsigned_value);
    }
    const uint64_t count = Count(*h, "count");
    const uint64_t min = Count(*h, "min_us");
    const uint64_t max = Count(*h, "max_us");
    const uint64_t sum = Count(*h, "sum_us");
    std::string why;
    if (!ok()) return;
    if (!Histogram::Restore(buckets, min, max, sum, out, &why)) {
      return Fail("\"" + std::string(key) + "\": " + why);
    }
    if (out->count() != count) Fail("\"" + std::string(key) + "\" counts other than its buckets");
  }
  void Fail(const std::string& why) {
    if (error.empty()) error = why;
  }
  bool ok() const { return error.empty(); }

  std::string error;

 private:
  static const char* KindName(Kind kind) {
    switch (kind) {
      case Kind::kNull:
        return "null";
      case Kind::kBool:
        return "true or false";
      case Kind::kNumber:
        return "a number";
      case Kind::kString:
        return "a string";
      case Kind::kArray:
        return "a list";
      case Kind::kObject:
        return "an object";
    }
    return "";
  }
};

void ReadSettings(Reader& r, const JsonValue& root, LoadSettings* s) {
  const JsonValue* o = r.Get(root, "settings", Kind::kObject);
  if (o == nullptr) return;
  s->script = r.Text(*o, "script");
  s->script_id = r.Text(*o, "script_id");
  s->load = int64_t(r.Count(*o, "load"));
  if (const JsonValue* shards = r.Get(*o, "shards", Kind::kArray)) {
    for (const JsonValue& shard : shards->items) {
      if (shard.kind != Kind::kString) return r.Fail("a shard is not a string");
      s->shards.push_back(shard.text);
    }
  }
  s->duration_s = r.Number(*o, "duration_s");
  s->iterations = int64_t(r.Count(*o, "iterations"));
  s->ramp = r.Number(*o, "ramp");
  s->size = r.Text(*o, "size");
  s->command_line = Bytes(r.Text(*o, "command_line"));
  s->start_at = r.Number(*o, "start_at");
}

void ReadFailures(Reader& r, const JsonValue& root, std::vector<TerminalFailure>* out) {
  const JsonValue* list = r.Get(root, "failures", Kind::kArray);
  if (list == nullptr) return;
  for (const JsonValue& f : list->items) {
    if (f.kind != Kind::kObject) return r.Fail("a failure is not an object");
    TerminalFailure failure;
    failure.terminal = int64_t(r.Count(f, "terminal"));
    const std::string kind = r.Text(f, "kind");
    bool known = false;
    for (size_t k = 0; k < kLoadErrorKinds; ++k) {
      if (kind == LoadErrorName(LoadError(k))) {
        failure.kind = LoadError(k);
        known = true;
      }
    }
    if (!known) return r.Fail("a failure of unknown kind \"" + kind + "\"");
    failure.line = int32_t(std::min<uint64_t>(r.Count(f, "line"), INT32_MAX));
    failure.command = Bytes(r.Text(f, "command"));
    failure.reason = Bytes(r.Text(f, "reason"));
    if (const JsonValue* rows = r.Get(f, "screen", Kind::kArray)) {
      for (const JsonValue& row : rows->items) failure.screen.push_back(Bytes(row.text));
    }
    out->push_back(std::move(failure));
  }
}

void ReadTimeline(Reader& r, const JsonValue& root, LoadReport* report) {
  const JsonValue* list = r.Get(root, "timeline", Kind::kArray);
  if (list == nullptr) return;
  for (const JsonValue& entry : list->items) {
    if (entry.kind != Kind::kObject) return r.Fail("a second of the timeline is not an object");
    const JsonValue* at = r.Get(entry, "second", Kind::kNumber);
    if (at == nullptr || !at->is_unsigned || report->timeline.count(int64_t(at->unsigned_value))) {
      return r.Fail("the timeline's seconds are not distinct whole numbers");
    }
    const auto second = int64_t(at->unsigned_value);
    SecondCounts& c = report->timeline[second];
    c.screens = r.Count(entry, "screens");
    c.replies = r.Count(entry, "replies");
    c.iterations = r.Count(entry, "iterations");
    c.errors = r.Count(entry, "errors");
    c.running = r.Count(entry, "running");
    Histogram h;
    r.ReadHistogram(entry, "histogram", &h);
    if (h.count() > 0) report->response.mutable_seconds()[second] = std::move(h);
    if (!r.ok()) return;
  }
}

void ReadTransactions(Reader& r, const JsonValue& root, ResponseTimes* response) {
  const JsonValue* list = r.Get(root, "transactions", Kind::kArray);
  if (list == nullptr) return;
  for (const JsonValue& entry : list->items) {
    if (entry.kind != Kind::kObject) return r.Fail("a transaction is not an object");
    const std::string name = r.Text(entry, "name");
    if (!r.ok() || name.empty() || response->names().count(name)) {
      return r.Fail("transaction names must be distinct and not empty");
    }
    TransactionStats& stats = response->mutable_names()[name];
    stats.errors = r.Count(entry, "errors");
    r.ReadHistogram(entry, "histogram", &stats.response);
    if (!r.ok()) return;
  }
}

void ReadThresholds(Reader& r, const JsonValue& root, std::vector<ThresholdVerdict>* out) {
  const JsonValue* list = r.Get(root, "thresholds", Kind::kArray);
  if (list == nullptr) return;
  for (const JsonValue& entry : list->items) {
    if (entry.kind != Kind::kObject) return r.Fail("a threshold is not an object");
    ThresholdVerdict v;
    v.threshold = r.Text(entry, "threshold");
    const JsonValue* passed = r.Get(entry, "passed", Kind::kBool);
    v.passed = passed != nullptr && passed->boolean;
    out->push_back(std::move(v));
  }
}

}  // namespace

std::string ReportJson(const LoadReport& r) {
  const LoadTotals& c = r.totals;
  std::string out = "{";
  out += "\"terminals\":" + std::to_string(r.terminals);
  out += ",\"connected\":" + U(c.connected);
  out += ",\"duration_s\":" + Fixed(r.seconds, 3);
  out += ",\"stopped\":" + (r.stopped.empty() ? std::string("null") : JsonQuote(r.stopped));
  out += ",\"iterations\":" + U(c.iterations);
  out += ",\"commands\":" + U(c.commands);
  out += ",\"screens\":" + U(c.screens);
  out += ",\"screens_per_second\":" + Fixed(r.seconds > 0 ? double(c.screens) / r.seconds : 0, 1);
  out += ",\"replies\":" + U(c.replies);
  out += ",\"errors\":{\"total\":" + U(c.error_count());
  for (size_t k = 0; k < kLoadErrorKinds; ++k) {
    out += ",\"" + std::string(LoadErrorName(LoadError(k))) + "\":" + U(c.errors[k]);
  }
  out += "},\"response_ms\":" + Percentiles(r.response.overall());
  out += ",\"peak_memory_kib\":" + U(r.peak_memory_kib);
  out += ",\"failures\":[";
  for (size_t i = 0; i < r.failures.size(); ++i) {
    const TerminalFailure& f = r.failures[i];
    out += i == 0 ? "{" : ",{";
    out += "\"terminal\":" + std::to_string(f.terminal);
    out += ",\"kind\":\"" + std::string(LoadErrorName(f.kind)) + "\"";
    out += ",\"line\":" + std::to_string(f.line);
    out += ",\"command\":" + JsonQuote(f.command);
    out += ",\"reason\":" + JsonQuote(f.reason);
    out += ",\"screen\":[";
    for (size_t s = 0; s < f.screen.size(); ++s)
      out += (s == 0 ? "" : ",") + JsonQuote(f.screen[s]);
    out += "]}";
  }
  out += "]";
  // What a merge needs, after what people and dashboards read first.
  out += ",\"version\":" + std::to_string(kReportVersion);
  out += ",\"layout\":" + JsonQuote(kHistogramLayout);
  out += ",\"started_at\":" + Fixed(r.started_at, 3);
  out += ",\"settings\":" + Settings(r.settings);
  out += ",\"histogram\":" + Buckets(r.response.overall());
  out += ",\"transactions\":[";
  bool first = true;
  for (const auto& [name, stats] : r.response.names()) {
    out += (first ? "{" : ",{") + std::string("\"name\":") + JsonQuote(name);
    out += ",\"count\":" + U(stats.response.count()) + ",\"errors\":" + U(stats.errors);
    out += ",\"response_ms\":" + Percentiles(stats.response);
    out += ",\"histogram\":" + Buckets(stats.response) + "}";
    first = false;
  }
  out += "],\"timeline\":[";
  // Every second that counted anything or timed a response.
  std::map<int64_t, SecondCounts> seconds = r.timeline;
  for (const auto& [second, h] : r.response.seconds()) seconds[second];
  first = true;
  static const Histogram kNone;
  for (const auto& [second, s] : seconds) {
    const auto h = r.response.seconds().find(second);
    out += (first ? "{" : ",{") + std::string("\"second\":") + std::to_string(second);
    out += ",\"screens\":" + U(s.screens) + ",\"replies\":" + U(s.replies);
    out += ",\"iterations\":" + U(s.iterations) + ",\"errors\":" + U(s.errors);
    out += ",\"running\":" + U(s.running);
    out += ",\"histogram\":" + Buckets(h == r.response.seconds().end() ? kNone : h->second) + "}";
    first = false;
  }
  out += "],\"thresholds\":[";
  for (size_t i = 0; i < r.thresholds.size(); ++i) {
    const ThresholdVerdict& v = r.thresholds[i];
    out += (i ? ",{" : "{") + std::string("\"threshold\":") + JsonQuote(v.threshold);
    out += ",\"value\":" + (v.measured ? Num(v.value) : std::string("null"));
    out += ",\"shown\":" + JsonQuote(v.measured || !v.shown.empty() ? v.shown : "nothing measured");
    out += std::string(",\"passed\":") + (v.passed ? "true" : "false") + "}";
  }
  out += "]}\n";
  return out;
}

bool ParseReportJson(std::string_view text, LoadReport* report, std::string* error) {
  JsonValue root;
  std::string why;
  if (!ParseJson(text, &root, &why)) {
    *error = "not JSON: " + why;
    return false;
  }
  if (root.kind != Kind::kObject) {
    *error = "not a load report: not a JSON object";
    return false;
  }
  const JsonValue* version = root.Find("version");
  if (version == nullptr || !version->is_unsigned || version->unsigned_value != kReportVersion) {
    *error =
        "not a load report of this marlsim (no \"version\" " + std::to_string(kReportVersion) + ")";
    return false;
  }
  Reader r;
  LoadReport out;
  const std::string layout = r.Text(root, "layout");
  if (r.ok() && layout != kHistogramLayout) {
    *error = "its histograms have the layout \"" + layout + "\", not \"" + kHistogramLayout + "\"";
    return false;
  }
  out.terminals = int64_t(r.Count(root, "terminals"));
  out.seconds = r.Number(root, "duration_s");
  if (const JsonValue* stopped = root.Find("stopped"); stopped != nullptr) {
    if (stopped->kind == Kind::kString) out.stopped = stopped->text;
  }
  out.totals.connected = r.Count(root, "connected");
  out.totals.iterations = r.Count(root, "iterations");
  out.totals.commands = r.Count(root, "commands");
  out.totals.screens = r.Count(root, "screens");
  out.totals.replies = r.Count(root, "replies");
  if (const JsonValue* errors = r.Get(root, "errors", Kind::kObject)) {
    for (size_t k = 0; k < kLoadErrorKinds; ++k) {
      out.totals.errors[k] = r.Count(*errors, LoadErrorName(LoadError(k)));
    }
  }
  out.peak_memory_kib = r.Count(root, "peak_memory_kib");
  ReadFailures(r, root, &out.failures);
  out.started_at = r.Number(root, "started_at");
  ReadSettings(r, root, &out.settings);
  r.ReadHistogram(root, "histogram", &out.response.mutable_overall());
  ReadTransactions(r, root, &out.response);
  ReadTimeline(r, root, &out);
  ReadThresholds(r, root, &out.thresholds);
  if (!r.ok()) {
    *error = "not a load report: " + r.error;
    return false;
  }
  *report = std::move(out);
  return true;
}

}  // namespace marl
