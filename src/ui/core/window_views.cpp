#include "ui/core/window_views.h"

#include <cstdio>
#include <cstring>

#include "app/screen_setup.h"
#include "forms/form.h"
#include "terminal.h"

namespace marl {

namespace {

char Printable(char b) {
  return b >= 0x20 && b <= 0x7E ? b : '.';
}

void AppendHeading(std::string& out, const char* name, int32_t rows, int32_t columns,
                   int32_t cursor_row, int32_t cursor_column) {
  char heading[96];
  std::snprintf(heading, sizeof heading, "%s %d %d %d %d\n", name, int(rows), int(columns),
                int(cursor_row), int(cursor_column));
  out += heading;
}

}  // namespace

std::string WindowText(const WindowView& view, const char* name, int32_t cursor_row,
                       int32_t cursor_column, bool attributes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  AppendHeading(out, name, view.rows, view.columns, cursor_row, cursor_column);
  out.reserve(out.size() + size_t(view.rows) * size_t(view.columns + 1));
  for (int32_t r = 0; r < view.rows; ++r) {
    for (int32_t c = 0; c < view.columns; ++c) {
      const ViewCell& cell = view.at(r, c);
      out.push_back(attributes ? kHex[cell.attribute & 0x0F] : Printable(cell.byte));
    }
    out.push_back('\n');
  }
  return out;
}

std::string GridText(const Terminal& t) {
  const ScreenState& s = t.screen;
  const int32_t rows = s.rows > 0 ? s.rows : 0;
  const int32_t columns = s.columns > 0 ? s.columns : 0;
  // The grid may be smaller than rows x columns after a size change; cells
  // beyond it show as blanks.
  const int64_t allocated = s.grid != nullptr ? int64_t(s.grid_rows) * s.grid_columns : 0;
  std::string out;
  const bool too_large = int64_t(rows) * columns > kMaxGridCells;
  AppendHeading(out, "grid", too_large ? 0 : rows, too_large ? 0 : columns, s.draw.row,
                s.draw.column);
  if (too_large) return out;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) {
      const int64_t offset = int64_t(r) * columns + c;
      out.push_back(offset < allocated ? Printable(s.grid[offset]) : ' ');
    }
    out.push_back('\n');
  }
  return out;
}

void VisibleCursor(const Terminal& t, const WindowView& view, int32_t* row, int32_t* column) {
  *row = t.screen.draw.row;
  *column = t.screen.draw.column;
  if (view.field_row < 0) return;
  *row = view.field_row;
  *column = view.field_column;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(char(c));
    } else if (c >= 0x20 && c <= 0x7E) {
      out.push_back(char(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
      out += escaped;
    }
  }
  out += "\"";
  return out;
}

std::string StateJson(const Terminal& t, bool connected) {
  const auto flag = [](int64_t v) { return v ? "true" : "false"; };
  const auto number = [](int64_t v) { return std::to_string(v); };
  std::string out = "{";
  out += "\"rows\":" + number(t.screen.rows);
  out += ",\"cols\":" + number(t.screen.columns);
  out += std::string(",\"waiting\":") + flag(t.session.waiting);
  out += ",\"text_dialect\":" + number(t.session.text_dialect);
  out += std::string(",\"insert\":") + flag(t.keys.insert_mode);
  out += std::string(",\"ping\":") + flag(t.link.ping_mode);
  out += std::string(",\"auto\":") + flag(t.session.auto_mode);
  out += std::string(",\"connected\":") + flag(connected);
  out += ",\"form\":";
  const Form* form = t.screen.current_form;
  if (form == nullptr) {
    out += "null}";
    return out;
  }
  out += "{\"form_id\":" + number(form->form_id);
  out += std::string(",\"is_table\":") + flag(form->is_table);
  out += ",\"current_field\":" + number(form->current_field);
  out += ",\"cursor\":" + number(form->cursor);
  out += ",\"top_row\":" + number(form->top_row);
  out += ",\"fields\":[";
  const int32_t count = form->fields != nullptr ? form->field_count : 0;
  for (int32_t i = 0; i < count; ++i) {
    const FormField& f = form->fields[i];
    if (i > 0) out += ",";
    out += "{\"row\":" + number(f.row);
    out += ",\"column\":" + number(f.column);
    out += ",\"width\":" + number(f.width);
    out += ",\"length\":" + number(f.length);
    out += ",\"flags\":" + number(f.flags);
    out += std::string(",\"modified\":") + flag(f.modified);
    out += ",\"reply_kind\":" +
           JsonString(std::string_view(reinterpret_cast<const char*>(&f.reply_kind), 1));
    const size_t length =
        f.buffer != nullptr && f.length > 0 ? strnlen(f.buffer, size_t(f.length)) : 0;
    out +=
        ",\"value\":" + JsonString(std::string_view(f.buffer != nullptr ? f.buffer : "", length));
    out += "}";
  }
  out += "]}}";
  return out;
}

}  // namespace marl
