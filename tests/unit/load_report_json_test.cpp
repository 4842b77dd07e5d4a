// Load reports read back and merged: the strict JSON reader, a report
// through its file and back, and what --merge adds up or refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/load/json_reader.h"
#include "ui/load/report_json.h"
#include "ui/load/report_merge.h"

namespace marl {
namespace {

TEST(JsonReader, TakesWhatTheFormatAllowsAndNothingElse) {
  struct Case {
    std::string text;
    const char* says;  // nullptr: it parses
  };
  const Case cases[] = {
      {R"({"a":[1,2.5,-3e2,true,false,null,"x"],"b":{}})", nullptr},
      {" [ ] ", nullptr},
      {"", "ends early"},
      {R"({"a":1)", "ends early"},
      {R"({"a":"tru)", "ends early"},
      {R"({"a":1,})", "expected a key"},
      {"[1,]", "expected a value"},
      {"[1 2]", "expected ',' or ']'"},
      {"01", "more after the end"},
      {"1.x", "digits after '.'"},
      {"1ex", "digits in its exponent"},
      {"[1.", "ends early"},
      {"+1", "expected a value"},
      {"tru", "unknown word"},
      {R"("\x")", "unknown escape"},
      {"\"a\x01\"", "control character"},
      {R"({"a":1,"a":2})", "comes twice"},
      {R"("\ud800")", "lone high surrogate"},
      {R"("\udc00")", "lone low surrogate"},
      {R"("\u12zz")", "bad \\u escape"},
      {R"("\u12")", "short \\u escape"},
      {"\"\xff\"", "not UTF-8"},
      {"\"\xc3\"", "not UTF-8"},
      {"\"\xe0\x80\x80\"", "not UTF-8"},  // an overlong form
      {std::string(100, '['), "nested too deeply"},
      {"{\"a\":1}\n// note", "more after the end"},
  };
  for (const Case& c : cases) {
    JsonValue v;
    std::string error;
    const bool ok = ParseJson(c.text, &v, &error);
    if (c.says == nullptr) {
      EXPECT_TRUE(ok) << c.text << ": " << error;
    } else {
      EXPECT_FALSE(ok) << c.text;
      EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
    }
  }
}

TEST(JsonReader, KeepsLargeCountsExactAndDecodesEscapes) {
  JsonValue v;
  std::string error;
  ASSERT_TRUE(ParseJson(R"([18446744073709551615,18446744073709551616,9007199254740993,
                            "\u00e9\ud83d\ude00\/"])",
                        &v, &error))
      << error;
  EXPECT_TRUE(v.items[0].is_unsigned);
  EXPECT_EQ(v.items[0].unsigned_value, UINT64_MAX);
  EXPECT_FALSE(v.items[1].is_unsigned);  // too large: a number, not a count
  EXPECT_EQ(v.items[2].unsigned_value, 9007199254740993ull);
  EXPECT_EQ(v.items[3].text, "\xc3\xa9\xf0\x9f\x98\x80/");
  // Where it went wrong, by line and column.
  EXPECT_FALSE(ParseJson("{\n  \"a\": x}", &v, &error));
  EXPECT_EQ(error.substr(0, 18), "line 2, column 8: ");
}

// A report with a little of everything a merge must keep.
LoadReport Sample(uint64_t base_us, int64_t second, const std::string& shard) {
  LoadReport r;
  r.terminals = 10;
  r.seconds = 2;
  r.started_at = double(second) + 0.25;
  r.totals.connected = 9;
  r.totals.iterations = 40;
  r.totals.commands = 120;
  r.totals.screens = 50;
  r.totals.replies = 60;
  r.totals.errors[size_t(LoadError::kConnect)] = 1;
  r.peak_memory_kib = 1000;
  for (uint64_t i = 0; i < 50; ++i) r.response.AddAt(second + int64_t(i % 2), base_us + i * 137);
  r.response.AddAt(second, base_us, "sign-in");
  r.response.mutable_names()["sign-in"].errors = 1;
  r.timeline[second] = {20, 25, 15, 1, 9};
  r.timeline[second + 1] = {30, 35, 25, 0, 0};
  TerminalFailure f;
  f.terminal = shard == "1/2" ? 3 : 8;
  f.kind = LoadError::kConnect;
  f.reason = "Failed to Connect!";
  f.screen = {"caf\xe9 \"1\" <b>", "  "};
  r.failures.push_back(f);
  r.settings.script = "turn.txt";
  r.settings.script_id = "0123456789abcdef";
  r.settings.load = 20;
  r.settings.shards = {shard};
  r.settings.iterations = 4;
  r.settings.size = "20x16";
  r.settings.command_line = "-H127.0.0.1 -P4055";
  r.thresholds.push_back({"p99<200ms", true, 1, "1 ms", true});
  return r;
}

TEST(ReportJson, AReportReadBackIsTheReportWritten) {
  const LoadReport r = Sample(1500, 1796576400, "1/2");
  LoadReport back;
  std::string error;
  ASSERT_TRUE(ParseReportJson(ReportJson(r), &back, &error)) << error;
  EXPECT_EQ(back.terminals, 10);
  EXPECT_EQ(back.totals.screens, 50u);
  EXPECT_EQ(back.totals.errors[size_t(LoadError::kConnect)], 1u);
  EXPECT_DOUBLE_EQ(back.started_at, r.started_at);
  EXPECT_TRUE(back.response.overall() == r.response.overall());
  EXPECT_TRUE(back.response.seconds() == r.response.seconds());
  EXPECT_TRUE(back.response.names().at("sign-in").response ==
              r.response.names().at("sign-in").response);
  EXPECT_EQ(back.response.names().at("sign-in").errors, 1u);
  EXPECT_EQ(back.timeline.at(1796576400).replies, 25u);
  EXPECT_EQ(back.timeline.at(1796576401).iterations, 25u);
  ASSERT_EQ(back.failures.size(), 1u);
  EXPECT_EQ(back.failures[0].screen, r.failures[0].screen);  // the code page's bytes too
  EXPECT_EQ(back.settings.shards, std::vector<std::string>{"1/2"});
  EXPECT_EQ(back.settings.script_id, "0123456789abcdef");
  EXPECT_EQ(back.settings.command_line, r.settings.command_line);
  ASSERT_EQ(back.thresholds.size(), 1u);
  EXPECT_EQ(back.thresholds[0].threshold, "p99<200ms");
}

TEST(ReportJson, ABrokenOrForeignReportIsRefusedWithItsReason) {
  const std::string good = ReportJson(Sample(1500, 1796576400, "1/2"));
  auto changed = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  struct Case {
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"", "not JSON"},
      {"load report", "not JSON"},
      {"[1,2]", "not a JSON object"},
      {good.substr(0, good.size() / 2), "not JSON"},  // truncated
      {changed("\"version\":1", "\"version\":2"), "version"},
      {changed("\"us-decimal-900\"", "\"hdr-3\""), "layout \"hdr-3\""},
      {changed("\"screens\":50,", "\"screens\":-50,"), "\"screens\""},
      {changed("\"screens\":50,", "\"screens\":5.5,"), "\"screens\""},
      {changed("\"buckets\":[[1500,", "\"buckets\":[[1501,"), "lower edge"},
      {changed("{\"count\":51,\"min_us\"", "{\"count\":52,\"min_us\""), "counts other than"},
      {changed("\"settings\":{", "\"setting\":{"), "\"settings\""},
      {changed("\"kind\":\"connect\"", "\"kind\":\"boom\""), "unknown kind"},
  };
  for (const Case& c : cases) {
    LoadReport r;
    std::string error;
    EXPECT_FALSE(ParseReportJson(c.text, &r, &error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
  // Cut anywhere, it is refused, never half read.
  for (size_t length = 0; length < good.size(); length += 97) {
    LoadReport r;
    std::string error;
    EXPECT_FALSE(ParseReportJson(good.substr(0, length), &r, &error)) << length;
  }
}

TEST(ReportMerge, CountsAddHistogramsMergeAndSecondsLineUp) {
  LoadReport merged = Sample(1500, 1796576400, "1/2");
  const LoadReport second_shard = Sample(40000, 1796576401, "2/2");
  std::string error;
  ASSERT_TRUE(MergeReport(second_shard, "b.json", "a.json", &merged, &error)) << error;
  EXPECT_EQ(merged.terminals, 20);
  EXPECT_EQ(merged.totals.screens, 100u);
  EXPECT_EQ(merged.totals.error_count(), 2u);
  // From the first start to the last end.
  EXPECT_DOUBLE_EQ(merged.started_at, 1796576400.25);
  EXPECT_DOUBLE_EQ(merged.seconds, 3);
  Histogram both = Sample(1500, 1796576400, "1/2").response.overall();
  both.Merge(second_shard.response.overall());
  EXPECT_TRUE(merged.response.overall() == both);
  EXPECT_EQ(merged.response.names().at("sign-in").response.count(), 2u);
  // The second both shards ran in is summed; the others are each one's.
  EXPECT_EQ(merged.timeline.at(1796576400).screens, 20u);
  EXPECT_EQ(merged.timeline.at(1796576401).screens, 30u + 20u);
  EXPECT_EQ(merged.timeline.at(1796576402).screens, 30u);
  EXPECT_EQ(merged.response.seconds().at(1796576401).count(), 25u + 26u);  // and one named
  ASSERT_EQ(merged.failures.size(), 2u);
  EXPECT_EQ(merged.failures[1].terminal, 8);
  EXPECT_EQ(merged.settings.shards, (std::vector<std::string>{"1/2", "2/2"}));

  LoadReport other = Sample(1500, 1796576400, "2/2");
  other.settings.script = "other.txt";
  other.settings.script_id = "fedcba9876543210";
  EXPECT_FALSE(MergeReport(other, "c.json", "a.json", &merged, &error));
  EXPECT_EQ(error, "cannot merge c.json: its script (other.txt) is not a.json's (turn.txt)");
  // The same shard again: the same report twice.
  EXPECT_FALSE(MergeReport(second_shard, "b2.json", "a.json", &merged, &error));
  EXPECT_EQ(error, "cannot merge b2.json: shard 2/2 is merged already");
}

}  // namespace
}  // namespace marl
