#include "ui/load/html_report.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "ui/load/histogram.h"

namespace marl {

namespace {

// Text for the page: markup characters escaped, and the terminal's bytes
// (its code page, not UTF-8) as the characters they stand for, so the page
// stays well formed whatever a screen held.
std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto b = uint8_t(c);
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (b >= 0x80) {
      out += "&#" + std::to_string(b < 0xA0 ? 0xFFFD : b) + ";";
    } else if (b < 0x20 && c != '\n' && c != '\t') {
      out += "&#xFFFD;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Fmt(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, std::isfinite(value) ? value : 0.0);
  return text;
}

std::string Ms(double ms) {
  return ms >= 100 ? Fmt("%.0f ms", ms) : ms >= 10 ? Fmt("%.1f ms", ms) : Fmt("%.2f ms", ms);
}

std::string Count(uint64_t n) {
  // Thin spaces between thousands, for reading large counts at a glance.
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += "&#8201;";
    out += digits[i];
  }
  return out;
}

std::string Utc(double seconds) {
  const auto t = time_t(seconds);
  tm parts{};
  if (seconds <= 0 || gmtime_r(&t, &parts) == nullptr) return "not given";
  char text[40];
  strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
  return text;
}

std::string Elapsed(double s) {
  if (s < 60) return Fmt("%.0f s", s);
  const auto whole = int64_t(s);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(whole / 60),
                static_cast<long long>(whole % 60));
  return text;
}

// 1, 2 or 5 times a power of ten, at least `raw`.
double NiceStep(double raw) {
  if (!(raw > 0)) return 1;
  const double power = std::pow(10, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

struct Series {
  std::string label;
  std::string color;
  std::vector<std::optional<double>> values;  // one a second; nothing where unmeasured
  bool right = false;                         // on an axis of its own, at the right
};

double Top(const Series& s) {
  double top = 0;
  for (const auto& v : s.values) {
    if (v) top = std::max(top, *v);
  }
  return top;
}

constexpr double kWidth = 1000;
constexpr double kHeight = 240;
constexpr double kLeft = 64;
constexpr double kRight = 48;
constexpr double kTop = 16;
constexpr double kBottom = 34;
// Less of a second than this at a run's ends is not charted.
constexpr double kSliver = 0.2;

// One chart over the run's seconds: lines, or bars for a single series of
// counts. `unit` labels the y axis's ticks.
std::string Chart(const std::string& id, const std::vector<Series>& series, bool bars,
                  const std::string& unit, size_t seconds) {
  double top = 0;
  double right_top = 0;
  for (const Series& s : series)
    (s.right ? right_top : top) = std::max(s.right ? right_top : top, Top(s));
  const double step = NiceStep(top / 4);
  const double y_max = std::max(step, std::ceil(top / step) * step);
  // The right axis has as many ticks as the left one.
  const double ticks = std::round(y_max / step);
  const double right_step = NiceStep(right_top / ticks);
  const double right_max = right_step * ticks;
  const double plot_w = kWidth - kLeft - kRight;
  const double plot_h = kHeight - kTop - kBottom;
  const double span = double(std::max<size_t>(seconds, 1));
  auto x_of = [&](double i) {
    return kLeft + plot_w * (bars ? (i + 0.5) / span : i / std::max(1.0, span - 1));
  };
  auto y_of = [&](double v, bool right = false) {
    return kTop + plot_h * (1 - v / (right ? right_max : y_max));
  };

  std::string svg = "<svg id=\"" + id + "\" class=\"chart\" viewBox=\"0 0 " + Fmt("%.0f", kWidth) +
                    " " + Fmt("%.0f", kHeight) + "\" role=\"img\">";
  // Grid and y ticks.
  for (double v = 0; v <= y_max + step / 2; v += step) {
    const std::string y = Fmt("%.1f", y_of(v));
    svg += "<line class=\"grid\" x1=\"" + Fmt("%.0f", kLeft) + "\" x2=\"" +
           Fmt("%.0f", kWidth - kRight) + "\" y1=\"" + y + "\" y2=\"" + y + "\"/>";
    const std::string label = step < 1 ? Fmt("%.2g", v) : Fmt("%.0f", v);
    svg += "<text class=\"tick\" x=\"" + Fmt("%.0f", kLeft - 8) + "\" y=\"" +
           Fmt("%.1f", y_of(v) + 4) + "\" text-anchor=\"end\">" + label + Escape(unit) + "</text>";
    if (right_top > 0) {
      svg += "<text class=\"tick right\" x=\"" + Fmt("%.0f", kWidth - kRight + 6) + "\" y=\"" +
             Fmt("%.1f", y_of(v) + 4) + "\">" + Fmt("%.0f", v / step * right_step) + "</text>";
    }
  }
  // x ticks: about eight, at round seconds.
  const double x_step = NiceStep(span / 8);
  for (double t = 0; t < span; t += x_step) {
    svg += "<text class=\"tick\" x=\"" + Fmt("%.1f", x_of(t)) + "\" y=\"" +
           Fmt("%.0f", kHeight - 12) + "\" text-anchor=\"middle\">" + Elapsed(t) + "</text>";
  }
  svg += "<line class=\"axis\" x1=\"" + Fmt("%.0f", kLeft) + "\" x2=\"" +
         Fmt("%.0f", kWidth - kRight) + "\" y1=\"" + Fmt("%.1f", y_of(0)) + "\" y2=\"" +
         Fmt("%.1f", y_of(0)) + "\"/>";
  if (seconds == 0 || top <= 0) {
    svg += "<text class=\"empty\" x=\"" + Fmt("%.0f", kLeft + plot_w / 2) + "\" y=\"" +
           Fmt("%.0f", kTop + plot_h / 2) + "\" text-anchor=\"middle\">" +
           (seconds == 0 ? "no seconds recorded" : "none") + "</text>";
  }
  for (const Series& s : series) {
    if (bars) {
      const double w = std::max(1.0, plot_w / span * 0.8);
      for (size_t i = 0; i < s.values.size(); ++i) {
        if (!s.values[i] || *s.values[i] <= 0) continue;
        svg += "<rect fill=\"" + s.color + "\" x=\"" + Fmt("%.1f", x_of(double(i)) - w / 2) +
               "\" y=\"" + Fmt("%.1f", y_of(*s.values[i])) + "\" width=\"" + Fmt("%.1f", w) +
               "\" height=\"" + Fmt("%.1f", y_of(0) - y_of(*s.values[i])) + "\"><title>" +
               Elapsed(double(i)) + ": " + Fmt("%.0f", *s.values[i]) + "</title></rect>";
      }
      continue;
    }
    std::string path;
    bool pen_down = false;
    for (size_t i = 0; i < s.values.size(); ++i) {
      if (!s.values[i]) {
        pen_down = false;
        continue;
      }
      path += (pen_down ? "L" : "M") + Fmt("%.1f", x_of(double(i))) + "," +
              Fmt("%.1f", y_of(*s.values[i], s.right));
      pen_down = true;
    }
    if (s.values.size() == 1 && s.values[0]) {
      svg += "<circle fill=\"" + s.color + "\" r=\"3\" cx=\"" + Fmt("%.1f", x_of(0)) + "\" cy=\"" +
             Fmt("%.1f", y_of(*s.values[0])) + "\"/>";
    }
    if (!path.empty()) {
      svg += std::string("<path class=\"line") + (s.right ? " thin" : "") + "\" stroke=\"" +
             s.color + "\" d=\"" + path + "\"/>";
    }
  }
  svg += "</svg>";
  std::string legend = "<div class=\"legend\">";
  for (const Series& s : series) {
    legend += "<span><i style=\"background:" + s.color + "\"></i>" + Escape(s.label) +
              (s.right ? " (right)" : "") + "</span>";
  }
  return svg + legend + "</div>";
}

std::string Tile(const std::string& label, const std::string& value, const std::string& note,
                 const char* tone = "") {
  return std::string("<div class=\"tile ") + tone + "\"><div class=\"label\">" + label +
         "</div><div class=\"value\">" + value + "</div><div class=\"note\">" + note +
         "</div></div>";
}

std::string Row(const std::string& name, const Histogram& h, uint64_t errors, bool overall) {
  std::string row = std::string("<tr") + (overall ? " class=\"overall\"" : "") + "><td>" +
                    Escape(name) + "</td><td class=\"n\">" + Count(h.count()) +
                    "</td><td class=\"n" + (errors > 0 ? " bad" : "") + "\">" + Count(errors) +
                    "</td>";
  for (const double q : {0.5, 0.9, 0.95, 0.99, 0.999}) {
    row += "<td class=\"n\">" + (h.count() ? Ms(h.QuantileMs(q)) : "&#8211;") + "</td>";
  }
  return row + "<td class=\"n\">" + (h.count() ? Ms(double(h.max()) / 1000) : "&#8211;") +
         "</td></tr>";
}

constexpr const char* kStyle = R"(
body{font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;color:#1f2937;background:#f3f4f6;margin:0}
main{max-width:1060px;margin:0 auto;padding:28px 24px 48px}
h1{font-size:26px;margin:0 0 2px}h2{font-size:17px;margin:0 0 10px;color:#111827}
.sub{color:#6b7280;margin:0 0 18px}
.verdict{border-radius:10px;padding:12px 16px;margin:0 0 18px;font-weight:600}
.verdict.pass{background:#dcfce7;color:#166534}.verdict.fail{background:#fee2e2;color:#991b1b}
.verdict.none{background:#e5e7eb;color:#374151}
.tiles{display:grid;grid-template-columns:repeat(4,1fr);gap:12px;margin:0 0 18px}
.tile{background:#fff;border-radius:10px;padding:12px 14px;box-shadow:0 1px 2px rgba(0,0,0,.06)}
.tile .label{font-size:12px;text-transform:uppercase;letter-spacing:.05em;color:#6b7280}
.tile .value{font-size:24px;font-weight:650;margin:2px 0}.tile .note{font-size:12.5px;color:#6b7280}
.tile.bad .value{color:#b91c1c}.tile.good .value{color:#15803d}
section{background:#fff;border-radius:10px;padding:16px 18px;margin:0 0 16px;box-shadow:0 1px 2px rgba(0,0,0,.06)}
.chart{width:100%;height:auto;display:block}
.grid{stroke:#e5e7eb;stroke-width:1}.axis{stroke:#9ca3af;stroke-width:1}
.tick{font-size:12px;fill:#6b7280}.empty{font-size:14px;fill:#9ca3af}
.line{fill:none;stroke-width:2;stroke-linejoin:round;stroke-linecap:round}.line.thin{stroke-width:1.5;stroke-dasharray:5 4}
.legend{display:flex;gap:18px;font-size:13px;color:#4b5563;margin:4px 0 0 64px}
.legend i{display:inline-block;width:12px;height:12px;border-radius:3px;margin-right:6px;vertical-align:-1px}
table{border-collapse:collapse;width:100%;font-size:14px}
th{text-align:left;font-weight:600;color:#6b7280;font-size:12.5px;text-transform:uppercase;letter-spacing:.04em;border-bottom:2px solid #e5e7eb;padding:6px 8px}
td{border-bottom:1px solid #f1f5f9;padding:6px 8px}td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}
tr.overall td{font-weight:650;background:#f9fafb}.bad{color:#b91c1c}
.badge{display:inline-block;border-radius:999px;padding:1px 10px;font-size:12.5px;font-weight:650}
.badge.pass{background:#dcfce7;color:#166534}.badge.fail{background:#fee2e2;color:#991b1b}
pre{background:#111827;color:#e5e7eb;border-radius:8px;padding:8px 10px;display:inline-block;margin:6px 0 0;font-size:13px}
.failures{display:grid;grid-template-columns:repeat(3,1fr);gap:14px}.failure{font-size:13.5px}
.settings td:first-child{color:#6b7280;width:220px}
footer{color:#9ca3af;font-size:12.5px;text-align:center;margin-top:20px}
)";

}  // namespace

std::string ReportHtml(const LoadReport& r) {
  const LoadTotals& c = r.totals;
  const Histogram& all = r.response.overall();

  // The seconds of the run, from the first one that counted to the last,
  // gaps included.
  int64_t first = 0;
  int64_t last = -1;
  auto widen = [&](int64_t s) {
    if (last < first) {
      first = last = s;
    } else {
      first = std::min(first, s);
      last = std::max(last, s);
    }
  };
  for (const auto& [s, counts] : r.timeline) widen(s);
  for (const auto& [s, h] : r.response.seconds()) widen(s);
  // A run of days has more seconds than a page can show; it keeps its first day.
  const size_t seconds = last < first ? 0 : size_t(std::min<int64_t>(last - first + 1, 86400));
  Series screens{"screens a second", "#2563eb", {}};
  Series running{"terminals running", "#9ca3af", {}, true};
  Series errors{"errors", "#dc2626", {}};
  Series median{"median", "#2563eb", {}};
  Series p90{"p90", "#f59e0b", {}};
  Series p99{"p99", "#dc2626", {}};
  for (size_t i = 0; i < seconds; ++i) {
    const int64_t s = first + int64_t(i);
    // The run's first and last seconds are partly outside it: their screens
    // a second are their screens over the part inside. A sliver of a
    // second at either end says more about the clock than about the host,
    // and is left out of the charts (not of the counts).
    const double inside =
        std::min(double(s + 1), r.started_at + r.seconds) - std::max(double(s), r.started_at);
    const bool sliver = seconds > 1 && (i == 0 || i + 1 == seconds) && inside < kSliver;
    const auto counts = r.timeline.find(s);
    const bool counted = counts != r.timeline.end() && !sliver;
    screens.values.push_back(counted ? std::optional<double>(double(counts->second.screens) /
                                                             std::clamp(inside, kSliver, 1.0))
                                     : std::nullopt);
    running.values.push_back(counted ? std::optional<double>(double(counts->second.running))
                                     : std::nullopt);
    errors.values.push_back(counted ? std::optional<double>(double(counts->second.errors))
                                    : std::nullopt);
    const auto h = r.response.seconds().find(s);
    if (sliver || h == r.response.seconds().end() || h->second.count() == 0) {
      median.values.emplace_back();
      p90.values.emplace_back();
      p99.values.emplace_back();
    } else {
      median.values.emplace_back(h->second.QuantileMs(0.5));
      p90.values.emplace_back(h->second.QuantileMs(0.9));
      p99.values.emplace_back(h->second.QuantileMs(0.99));
    }
  }

  size_t failed = 0;
  for (const ThresholdVerdict& v : r.thresholds) failed += v.passed ? 0 : 1;
  const double per_second = r.seconds > 0 ? double(c.screens) / r.seconds : 0;
  const uint64_t error_count = c.error_count();

  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>"
      "<title>marlsim load report: " +
      Escape(r.settings.script) + "</title><style>" + kStyle + "</style></head><body><main>";
  page += "<h1>Load report</h1><p class=\"sub\">" + Escape(r.settings.script) + " &#183; " +
          Count(uint64_t(r.terminals)) + " terminals &#183; started " + Utc(r.started_at) +
          (r.settings.shards.empty()
               ? ""
               : " &#183; " + std::to_string(r.settings.shards.size()) + " shards merged") +
          (r.stopped.empty() ? "" : " &#183; " + Escape(r.stopped)) + "</p>";
  // One line that says how the run went: the thresholds' verdict, then
  // the terminals', as the exit status weighs them.
  {
    const size_t n = r.thresholds.size();
    std::vector<std::string> parts;
    if (failed > 0) {
      parts.push_back(n == 1 ? "The threshold failed"
                             : std::to_string(failed) + " of " + std::to_string(n) +
                                   " thresholds failed");
    } else if (n > 0) {
      parts.push_back(n == 1 ? "The threshold passed"
                             : "All " + std::to_string(n) + " thresholds passed");
    }
    if (error_count > 0) {
      parts.push_back(Count(error_count) + (error_count == 1 ? " terminal" : " terminals") +
                      " failed");
    } else if (parts.empty()) {
      parts.push_back("Every terminal ran its script through");
    }
    if (!r.stopped.empty()) parts.push_back("the run was " + Escape(r.stopped));
    const bool good = failed == 0 && error_count == 0 && r.stopped.empty();
    std::string line = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) line += "; " + parts[i];
    page += std::string("<div class=\"verdict ") +
            (good ? "pass\">&#10003; " : "fail\">&#10007; ") + line + "</div>";
  }

  page += "<div class=\"tiles\">";
  page += Tile("Terminals", Count(c.connected) + " / " + Count(uint64_t(r.terminals)),
               "connected of started");
  page += Tile("Duration", Fmt("%.1f s", r.seconds), Count(c.iterations) + " iterations");
  page += Tile("Screens a second", Fmt("%.1f", per_second), Count(c.screens) + " screens");
  page += Tile("Errors", Count(error_count), Count(c.replies) + " replies sent",
               error_count > 0 ? "bad" : "good");
  page += Tile("Median", all.count() ? Ms(all.QuantileMs(0.5)) : "&#8211;",
               Count(all.count()) + " replies answered");
  page += Tile("p95", all.count() ? Ms(all.QuantileMs(0.95)) : "&#8211;", "response time");
  page += Tile("p99", all.count() ? Ms(all.QuantileMs(0.99)) : "&#8211;", "response time");
  page += Tile("Max", all.count() ? Ms(double(all.max()) / 1000) : "&#8211;",
               Count(r.peak_memory_kib / 1024) + " MiB memory at peak");
  page += "</div>";

  page += "<section><h2>Screens a second</h2>" +
          Chart("screens", {screens, running}, false, "", seconds) + "</section>";
  page += "<section><h2>Response time</h2>" +
          Chart("response", {median, p90, p99}, false, " ms", seconds) + "</section>";
  page += "<section><h2>Errors a second</h2>" + Chart("errors", {errors}, true, "", seconds) +
          "</section>";

  page +=
      "<section><h2>Transactions</h2><table><thead><tr><th>name</th><th class=\"n\">count</th>"
      "<th class=\"n\">errors</th><th class=\"n\">median</th><th class=\"n\">p90</th>"
      "<th class=\"n\">p95</th><th class=\"n\">p99</th><th class=\"n\">p99.9</th>"
      "<th class=\"n\">max</th></tr></thead><tbody>";
  page += Row("all", all, error_count, true);
  for (const auto& [name, stats] : r.response.names()) {
    page += Row(name, stats.response, stats.errors, false);
  }
  page += "</tbody></table></section>";

  if (!r.thresholds.empty()) {
    page +=
        "<section><h2>Thresholds</h2><table><thead><tr><th>threshold</th><th>measured</th>"
        "<th>verdict</th></tr></thead><tbody>";
    for (const ThresholdVerdict& v : r.thresholds) {
      page += "<tr><td><code>" + Escape(v.threshold) + "</code></td><td>" +
              Escape(v.measured || !v.shown.empty() ? v.shown : "nothing measured") + "</td><td>" +
              (v.passed ? "<span class=\"badge pass\">passed</span>"
                        : "<span class=\"badge fail\">failed</span>") +
              "</td></tr>";
    }
    page += "</tbody></table></section>";
  }

  if (!r.failures.empty()) {
    page += "<section><h2>Failed terminals</h2><div class=\"failures\">";
    constexpr size_t kShown = 12;
    for (size_t i = 0; i < r.failures.size() && i < kShown; ++i) {
      const TerminalFailure& f = r.failures[i];
      page += "<div class=\"failure\"><div><b>terminal " + std::to_string(f.terminal) +
              "</b> <span class=\"badge fail\">" + LoadErrorName(f.kind) + "</span></div><div>" +
              Escape(f.reason);
      if (f.line > 0) {
        page += " at line " + std::to_string(f.line) + ": <code>" + Escape(f.command) + "</code>";
      }
      page += "</div>";
      // Blank rows at the bottom say nothing.
      size_t rows = f.screen.size();
      while (rows > 0 && f.screen[rows - 1].find_first_not_of(' ') == std::string::npos) --rows;
      if (rows > 0) {
        page += "<pre>";
        for (size_t row = 0; row < rows; ++row) page += Escape(f.screen[row]) + "\n";
        page += "</pre>";
      }
      page += "</div>";
    }
    page += "</div>";
    if (r.failures.size() > kShown) {
      page += "<p>... and " + std::to_string(r.failures.size() - kShown) +
              " more in the JSON report.</p>";
    }
    page += "</section>";
  }

  const LoadSettings& s = r.settings;
  auto setting = [](const std::string& name, const std::string& value) {
    return "<tr><td>" + name + "</td><td>" + value + "</td></tr>";
  };
  std::string shards;
  for (const std::string& shard : s.shards) shards += (shards.empty() ? "" : ", ") + Escape(shard);
  page += "<section><h2>Settings</h2><table class=\"settings\"><tbody>";
  page += setting("script", "<code>" + Escape(s.script) + "</code> (" + Escape(s.script_id) + ")");
  page += setting("terminals (--load)", Count(uint64_t(std::max<int64_t>(0, s.load))));
  page += setting("shards", shards.empty() ? "one process" : shards);
  page += setting("duration", s.duration_s > 0 ? Fmt("%g s", s.duration_s) : "not limited");
  page += setting("iterations", s.iterations > 0 ? std::to_string(s.iterations) : "not limited");
  page += setting("ramp", s.ramp > 0 ? Fmt("%g terminals a second", s.ramp) : "all at once");
  page += setting("screen size", Escape(s.size));
  page += setting("terminal command line", "<code>" + Escape(s.command_line) + "</code>");
  page += setting("start at", Utc(s.start_at));
  page += setting("started", Utc(r.started_at));
  page += setting("histogram layout",
                  kHistogramLayout + std::string(" (buckets at most 1% wide; percentiles "
                                                 "never above the true value)"));
  page += "</tbody></table></section>";
  page += "<footer>marlsim load report</footer></main></body></html>\n";
  return page;
}

}  // namespace marl
