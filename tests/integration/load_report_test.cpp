// One load run in two shards against the demo host, merged: the merged
// report is the shards' reports added up, its percentiles come from their
// combined buckets, it counts what one process running every terminal
// counts, a threshold that must fail fails with its own exit status, and
// the HTML page is well formed and holds its charts. Then the bad inputs of
// shards, thresholds and merging.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "ui/load/json_reader.h"

namespace marl::testing {
namespace {

constexpr int kTerminals = 6;

// The demo host on a port of its own, for as long as the test runs.
class DemoHost {
 public:
  explicit DemoHost(const std::string& directory)
      : process_({DEMO_HOST_PATH, "--port", "0", "--quiet"}, directory) {
    std::string said;
    const auto deadline = harness::Clock::now() + std::chrono::seconds(30);
    std::smatch m;
    while (!std::regex_search(said, m, std::regex("listening on [0-9.]+:([0-9]+)")) &&
           harness::Clock::now() < deadline) {
      said += process_.RemainingOutput(200);
    }
    if (!m.empty()) port_ = std::stoi(m[1]);
  }
  ~DemoHost() { kill(process_.pid(), SIGTERM); }
  int port() const { return port_; }

 private:
  Process process_;
  int port_ = 0;
};

JsonValue Json(const std::string& text) {
  JsonValue v;
  std::string error;
  EXPECT_TRUE(ParseJson(text, &v, &error)) << error << "\n" << text.substr(0, 200);
  return v;
}

uint64_t Count(const JsonValue& object, const char* key) {
  const JsonValue* v = object.Find(key);
  return v != nullptr && v->is_unsigned ? v->unsigned_value : UINT64_MAX;
}

// The samples a report's histogram holds, each as its bucket's lower edge.
std::vector<uint64_t> Samples(const JsonValue& report) {
  std::vector<uint64_t> samples;
  for (const JsonValue& b : report.Find("histogram")->Find("buckets")->items) {
    samples.insert(samples.end(), b.items[1].unsigned_value, b.items[0].unsigned_value);
  }
  return samples;
}

struct ShardedRun {
  TempDir dir;
  DemoHost host{dir.path()};

  Lines Args(const std::string& report, const Lines& more) {
    Lines args = {"--load",       std::to_string(kTerminals),
                  "--script",     RECEIVE_LOOP,
                  "--iterations", "2",
                  "--size",       "20x16",
                  "--report",     dir.File(report)};
    args.insert(args.end(), more.begin(), more.end());
    args.insert(args.end(), {"-H127.0.0.1", "-P" + std::to_string(host.port()), "-IMS"});
    return args;
  }
};

TEST(LoadShards, TwoShardsMergedAreOneRunAndItsThresholdsJudgeTheWhole) {
  ShardedRun run;
  ASSERT_NE(run.host.port(), 0);
  // Both shards start at the same moment on the wall clock.
  const std::string start_at = std::to_string(std::time(nullptr) + 2);
  {
    Marlsim first(
        run.Args("a.json", {"--shard", "1/2", "--start-at", start_at, "--threshold", "p99<60s"}),
        run.dir.path());
    Marlsim second(run.Args("b.json", {"--shard", "2/2", "--start-at", start_at}), run.dir.path());
    EXPECT_EQ(first.Wait(60000), 0) << first.Diagnostics();
    EXPECT_EQ(second.Wait(60000), 0) << second.Diagnostics();
  }
  Marlsim single(run.Args("single.json", {}), run.dir.path());
  EXPECT_EQ(single.Wait(60000), 0) << single.Diagnostics();

  Marlsim merge({"--merge", "a.json", "--merge", "b.json", "--report", "m.json", "--html", "m.html",
                 "--threshold", "median<1us"},
                run.dir.path());
  EXPECT_EQ(merge.Wait(30000), 3) << merge.Diagnostics();
  const std::string text = merge.RemainingOutput(1000);
  EXPECT_NE(text.find("threshold   median<1us: "), std::string::npos) << text;
  EXPECT_NE(text.find(", FAILED"), std::string::npos) << text;
  EXPECT_NE(text.find("threshold   p99<60s: "), std::string::npos) << "the shard's own";

  const JsonValue a = Json(run.dir.Read("a.json"));
  const JsonValue b = Json(run.dir.Read("b.json"));
  const JsonValue m = Json(run.dir.Read("m.json"));
  const JsonValue one = Json(run.dir.Read("single.json"));
  for (const char* key :
       {"terminals", "connected", "iterations", "commands", "screens", "replies"}) {
    EXPECT_EQ(Count(m, key), Count(a, key) + Count(b, key)) << key;
  }
  EXPECT_EQ(Count(a, "terminals"), uint64_t(kTerminals / 2));
  // One process running every terminal counts the same work.
  for (const char* key : {"terminals", "iterations", "commands", "replies"}) {
    EXPECT_EQ(Count(m, key), Count(one, key)) << key;
  }
  EXPECT_EQ(Count(*m.Find("histogram"), "count"), Count(*one.Find("histogram"), "count"));

  // The merged percentiles are those of the shards' samples together.
  std::vector<uint64_t> samples = Samples(a);
  const std::vector<uint64_t> more = Samples(b);
  samples.insert(samples.end(), more.begin(), more.end());
  std::sort(samples.begin(), samples.end());
  ASSERT_EQ(samples, Samples(m));
  const uint64_t smallest = Count(*m.Find("histogram"), "min_us");
  EXPECT_EQ(smallest,
            std::min(Count(*a.Find("histogram"), "min_us"), Count(*b.Find("histogram"), "min_us")));
  const JsonValue& response = *m.Find("response_ms");
  struct Percentile {
    const char* key;
    size_t rank;  // nearest, from 1
  };
  const size_t n = samples.size();
  for (const Percentile& p :
       {Percentile{"median", (n + 1) / 2}, Percentile{"p90", (n * 9 + 9) / 10},
        Percentile{"p99", (n * 99 + 99) / 100}}) {
    const double expected = double(std::max(samples[p.rank - 1], smallest)) / 1000;
    EXPECT_NEAR(response.Find(p.key)->number, expected, 0.0005) << p.key;
  }

  // Every second of the shards' timelines is in the merged one, added up.
  uint64_t screens = 0;
  for (const JsonValue& second : m.Find("timeline")->items) screens += Count(second, "screens");
  EXPECT_EQ(screens, Count(m, "screens"));
  const JsonValue& shards = *m.Find("settings")->Find("shards");
  ASSERT_EQ(shards.items.size(), 2u);
  EXPECT_EQ(shards.items[0].text + " " + shards.items[1].text, "1/2 2/2");
  const JsonValue& verdicts = *m.Find("thresholds");
  ASSERT_EQ(verdicts.items.size(), 2u);
  EXPECT_TRUE(verdicts.items[0].Find("passed")->boolean);
  EXPECT_FALSE(verdicts.items[1].Find("passed")->boolean);

  // The page: well-formed, three charts, no script and nothing fetched.
  const std::string check = Shell(
      "python3 -c \"import sys, xml.etree.ElementTree as E; t = E.parse(sys.argv[1]); "
      "print(len(t.findall('.//svg')), len(t.findall('.//script')), "
      "len([e for e in t.iter() if 'src' in e.attrib or 'href' in e.attrib]))\" " +
      run.dir.File("m.html") + " 2>&1");
  EXPECT_EQ(check, "3 0 0\n");
  const std::string page = run.dir.Read("m.html");
  EXPECT_EQ(page.find("http"), std::string::npos);
}

TEST(LoadShards, CtrlCWhileWaitingForTheStartStillWritesTheReport) {
  TempDir dir;
  dir.Write("turn.txt", "wait ready 5000\n");
  const std::string start_at = std::to_string(std::time(nullptr) + 3600);
  Marlsim sim(
      {"--load", "4", "--shard", "2/2", "--start-at", start_at, "--script", "turn.txt", "--size",
       "20x16", "--report", "r.json", "--html", "r.html", "-P" + std::to_string(UnusedPort())},
      dir.path());
  // It says it waits once Ctrl+C is held back for the driver to take. (A
  // thread that blocks SIGINT proves nothing: a sanitizer's own thread does.)
  Until([&] { return sim.Diagnostics().find("waiting for --start-at") != std::string::npos; },
        60000);
  kill(sim.pid(), SIGINT);
  EXPECT_EQ(sim.Wait(30000), 130) << sim.Diagnostics();
  const JsonValue r = Json(dir.Read("r.json"));
  EXPECT_EQ(Count(r, "terminals"), 2u);
  EXPECT_EQ(Count(r, "connected"), 0u);
  const JsonValue* stopped = r.Find("stopped");
  ASSERT_NE(stopped, nullptr);
  EXPECT_EQ(stopped->text, "interrupted");
  EXPECT_NE(dir.Read("r.html").find("the run was interrupted"), std::string::npos);
}

TEST(LoadShards, BadShardsThresholdsAndReportsAreRefusedWithTheirReason) {
  TempDir dir;
  dir.Write("turn.txt", "wait ready 5000\nkey Enter\n");
  dir.Write("other.txt", "wait ready 5000\n");
  dir.Write("half.json", "{\"terminals\":3,\"connected\":");
  dir.Write("notes.json", "shard one went fine\n");
  // Two real reports of different scripts, from runs whose host is not there.
  const std::string port = "-P" + std::to_string(UnusedPort());
  for (const char* script : {"turn", "other"}) {
    Marlsim sim({"--load", "1", "--script", std::string(script) + ".txt", "--size", "20x16",
                 "--report", std::string(script) + ".json", port},
                dir.path());
    EXPECT_EQ(sim.Wait(30000), 2) << sim.Diagnostics();
  }
  struct Case {
    Lines args;
    std::string says;
  };
  const Lines load = {"--load", "4", "--script", "turn.txt", "--size", "20x16", port};
  auto with = [&](Lines more) {
    more.insert(more.begin(), load.begin(), load.end());
    return more;
  };
  const std::vector<Case> cases = {
      {with({"--shard", "0/4"}), "--shard needs I/N, shard I of N counted from 1"},
      {{"--load", "2", "--script", "turn.txt", "--shard", "1/3", port}, "gets none of --load 2"},
      {with({"--threshold", "p99<<200ms"}), "--threshold \"p99<<200ms\": expected a number"},
      {with({"--start-at", "teatime"}), "--start-at needs seconds since 1970"},
      {{"--shard", "1/2"}, "go with --load"},
      {{"--merge", "turn.json", "--merge", "half.json"}, "half.json: not JSON: "},
      {{"--merge", "notes.json"}, "notes.json: not JSON: line 1, column 1"},
      {{"--merge", "nowhere.json"}, "nowhere.json: cannot read it"},
      {{"--merge", "turn.json", "--merge", "other.json"},
       "cannot merge other.json: its script (other.txt) is not turn.json's (turn.txt)"},
      {{"--merge", "turn.json", "--load", "2", "--script", "turn.txt"}, "runs no terminals"},
  };
  for (const Case& c : cases) {
    Marlsim sim(c.args, dir.path());
    EXPECT_EQ(sim.Wait(30000), 1) << c.says;
    EXPECT_NE(sim.Diagnostics().find(c.says), std::string::npos) << sim.Diagnostics();
  }
  // Nothing written over by a refused merge.
  EXPECT_EQ(dir.Read("half.json"), "{\"terminals\":3,\"connected\":");
}

}  // namespace
// The demo host's sign-in, up to the key that sends it (line 6 unmarked).
constexpr const char* kSignIn =
    "wait text \"MARL WAREHOUSE\" 10000\n"
    "click 88 57\n"
    "type \"rf{n:03}\"\n"
    "key Tab\n"
    "type \"demo\"\n";

TEST(LoadTransactions, MarksNameWhatFollowsAndTheRestIsNamedByTheLineThatSentIt) {
  struct Case {
    const char* what;
    std::string script;
    int iterations;
    int status;
    // name: answered, errors
    std::map<std::string, std::pair<uint64_t, uint64_t>> names;
  };
  // Two terminals. A script's last reply goes unanswered: the terminal ends
  // with it. Each pass starts unmarked again.
  const std::vector<Case> cases = {
      {"marks and lines",
       std::string(kSignIn) + "key Enter\n"
                              "wait text \"1 Receive goods\" 20000\n"
                              "mark \"receive\"\n"
                              "key Enter\n"
                              "wait text \"RECEIVE GOODS\" 20000\n"
                              "mark \"back\"\n"
                              "key F3\n"
                              "wait text \"1 Receive goods\" 20000\n"
                              "key Up\n"
                              "key Enter\n",
       2,
       0,
       {{"power-up", {2, 0}}, {"line 6", {4, 0}}, {"receive", {4, 0}}, {"back", {6, 0}}}},
      {"a failed wait counts against the mark before it",
       std::string(kSignIn) + "mark \"sign-in\"\n"
                              "key Enter\n"
                              "wait text \"1 Receive goods\" 20000\n"
                              "wait text \"NO SUCH SCREEN\" 300\n",
       1,
       2,
       {{"power-up", {2, 0}}, {"sign-in", {2, 2}}}},
  };
  TempDir dir;
  DemoHost host(dir.path());
  ASSERT_NE(host.port(), 0);
  for (const Case& c : cases) {
    dir.Write("turn.txt", c.script);
    Marlsim sim({"--load", "2", "--script", "turn.txt", "--iterations",
                 std::to_string(c.iterations), "--size", "20x16", "--report", "r.json",
                 "-H127.0.0.1", "-P" + std::to_string(host.port()), "-IMT"},
                dir.path());
    EXPECT_EQ(sim.Wait(60000), c.status) << c.what << "\n" << sim.Diagnostics();
    const JsonValue r = Json(dir.Read("r.json"));
    std::map<std::string, std::pair<uint64_t, uint64_t>> names;
    uint64_t answered = 0;
    for (const JsonValue& t : r.Find("transactions")->items) {
      names[t.Find("name")->text] = {Count(t, "count"), Count(t, "errors")};
      answered += Count(t, "count");
    }
    EXPECT_EQ(names, c.names) << c.what;
    // Every answered reply has its name.
    EXPECT_EQ(answered, Count(*r.Find("response_ms"), "count")) << c.what;
  }
}

}  // namespace marl::testing
