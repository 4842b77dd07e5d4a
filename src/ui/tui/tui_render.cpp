#include "ui/tui/tui_render.h"

#include <ncursesw/curses.h>

#include <algorithm>

#include "ui/pixels/code_page.h"

namespace marl {

namespace {

// The box around the main window and the status line under it.
constexpr int32_t kFrame = 2;

attr_t Attributes(uint8_t attribute) {
  attr_t a = A_NORMAL;
  if (attribute & 0x01) a |= A_REVERSE;
  if (attribute & 0x02) a |= A_UNDERLINE;
  if (attribute & 0x08) a |= A_BOLD;
  return a;
}

bool Inside(int y, int x) {
  return y >= 0 && x >= 0 && y < LINES && x < COLS;
}

void Put(int y, int x, char32_t c, attr_t a, bool unicode) {
  if (!Inside(y, x)) return;
  // Control bytes show as the headless view shows them.
  if (c < 0x20 || c == 0x7F || c == 0) c = '.';
  if (c >= 0x80 && !unicode) c = '?';
  wchar_t text[2] = {wchar_t(c), 0};
  cchar_t cell;
  setcchar(&cell, text, a, 0, nullptr);
  mvadd_wch(y, x, &cell);
}

void PutText(int y, int x, const std::string& text, attr_t a, bool unicode, int limit = 1 << 30) {
  for (size_t i = 0; i < text.size() && int(i) < limit; ++i) {
    Put(y, x + int(i), CodePageToUnicode(static_cast<uint8_t>(text[i])), a, unicode);
  }
}

// A frame of `height` x `width` cells with its title in the top edge; the
// inside is blanked.
void Frame(int top, int left, int height, int width, const std::string& title, bool unicode) {
  // A screen far larger than the terminal costs no more than the terminal.
  const int bottom = std::min(top + height, LINES);
  const int right = std::min(left + width, COLS);
  for (int y = std::max(top, 0); y < bottom; ++y) {
    for (int x = std::max(left, 0); x < right; ++x) {
      const bool edge_y = y == top || y == top + height - 1;
      const bool edge_x = x == left || x == left + width - 1;
      // Box-drawing characters where the terminal takes Unicode; the line
      // drawing set of older terminals is left alone, as too many misdraw it.
      char32_t c = ' ';
      if (edge_y && edge_x) {
        c = !unicode   ? U'+'
            : y == top ? (x == left ? U'\u250C' : U'\u2510')
                       : (x == left ? U'\u2514' : U'\u2518');
      } else if (edge_y) {
        c = unicode ? U'\u2500' : U'-';
      } else if (edge_x) {
        c = unicode ? U'\u2502' : U'|';
      }
      Put(y, x, c, A_NORMAL, unicode);
    }
  }
  if (!title.empty() && int(title.size()) + 4 <= width) {
    PutText(top, left + (width - int(title.size()) - 2) / 2, " " + title + " ", A_NORMAL, unicode);
  }
}

// Only the cells that the terminal can show are looked at, however large
// the window.
void DrawCells(int32_t rows, int32_t columns,
               const std::function<const ViewCell&(int32_t, int32_t)>& cell, int top, int left,
               int bottom_limit, bool unicode) {
  for (int32_t r = 0; r < rows && top + r < bottom_limit && top + r < LINES; ++r) {
    for (int32_t c = 0; c < columns && left + c < COLS; ++c) {
      const ViewCell& v = cell(r, c);
      Put(top + r, left + c, CodePageToUnicode(static_cast<uint8_t>(v.byte)),
          Attributes(v.attribute), unicode);
    }
  }
}

// Cuts a text into lines of at most `width` characters, at blanks where it can.
std::vector<std::string> Wrap(const std::string& text, int width) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    while (int(line.size()) > width) {
      size_t cut = line.rfind(' ', size_t(width));
      if (cut == std::string::npos || cut == 0) cut = size_t(width);
      lines.push_back(line.substr(0, cut));
      line.erase(0, line[cut] == ' ' ? cut + 1 : cut);
    }
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

void DrawMessageBox(const TuiMessageBox& box, bool unicode) {
  const int wrap = std::max(8, std::min(60, COLS - 4));
  const std::vector<std::string> lines = Wrap(box.text, wrap);
  const std::string buttons = box.ok_cancel ? "< OK >  < Cancel >" : "< OK >";
  int inner = int(std::max(buttons.size(), box.caption.size() + 2));
  for (const std::string& line : lines) inner = std::max(inner, int(line.size()));
  const int height = int(lines.size()) + 4;
  const int width = inner + 4;
  const int top = std::max(0, (LINES - height) / 2);
  const int left = std::max(0, (COLS - width) / 2);
  Frame(top, left, height, width, box.caption, unicode);
  for (size_t i = 0; i < lines.size(); ++i) {
    PutText(top + 1 + int(i), left + 2, lines[i], A_NORMAL, unicode);
  }
  const int y = top + height - 2;
  const int x = left + (width - int(buttons.size())) / 2;
  PutText(y, x, "< OK >", A_REVERSE, unicode);
  if (box.ok_cancel) PutText(y, x + 8, "< Cancel >", A_NORMAL, unicode);
}

void DrawHelp(const std::vector<std::string>& help, bool unicode) {
  int inner = 0;
  for (const std::string& line : help) inner = std::max(inner, int(line.size()));
  const int height = int(help.size()) + 2;
  const int width = inner + 4;
  const int top = std::max(0, (LINES - height) / 2);
  const int left = std::max(0, (COLS - width) / 2);
  Frame(top, left, height, width, "marlsim keys", unicode);
  for (size_t i = 0; i < help.size(); ++i) {
    PutText(top + 1 + int(i), left + 2, help[i], A_NORMAL, unicode);
  }
}

}  // namespace

std::string ClipNotice(int32_t screen_rows, int32_t screen_columns, int32_t rows, int32_t columns) {
  const int64_t need_rows = int64_t(screen_rows) + kFrame + 1;
  const int64_t need_columns = int64_t(screen_columns) + kFrame;
  if (rows >= need_rows && columns >= need_columns) return "";
  // A terminal just narrower than the size it names shows the whole notice:
  // the longest form that fits that size.
  const std::string size = std::to_string(need_columns) + "x" + std::to_string(need_rows);
  for (const std::string& notice :
       {"TOO SMALL: need " + size, "TOO SMALL " + size, "need " + size}) {
    if (int64_t(notice.size()) <= need_columns) return notice;
  }
  return size;
}

void RenderView(const TuiView& view, bool unicode) {
  erase();
  // Before the first size is known there is no screen to frame: the status
  // line alone, at the top.
  const bool framed = view.cell && view.rows > 0 && view.columns > 0;
  const int screen_rows = framed ? view.rows : 0;
  const int screen_columns = framed ? view.columns : 0;
  // The status line sits under the box, or on the last line when the box
  // does not fit.
  const int status_row =
      framed ? int(std::min<int64_t>(int64_t(screen_rows) + kFrame, LINES - 1)) : 0;
  if (framed) {
    // A frame cut off by a small terminal has no bottom edge to show.
    // The window's caption where the frame is wide enough, else its short form.
    const std::string caption = "Corvanex Marlpoint Simulator";
    const bool whole = int64_t(caption.size()) + 4 <= int64_t(screen_columns) + kFrame;
    Frame(0, 0, screen_rows + kFrame, screen_columns + kFrame, whole ? caption : "Marlpoint",
          unicode);
    DrawCells(screen_rows, screen_columns, view.cell, kScreenTop, kScreenLeft, status_row, unicode);
  }

  const std::string notice = ClipNotice(screen_rows, screen_columns, LINES, COLS);
  std::string status = notice.empty() ? view.status : notice + " | " + view.status;
  status.resize(size_t(std::max(COLS, 0)), ' ');
  PutText(status_row, 0, status, A_REVERSE, unicode, COLS);

  int cursor_y = -1;
  int cursor_x = -1;
  if (view.setup) {
    const WindowView& setup = *view.setup;
    const int top = std::max(0, (LINES - setup.rows - kFrame) / 2);
    const int left = std::max(0, (COLS - setup.columns - kFrame) / 2);
    Frame(top, left, setup.rows + kFrame, setup.columns + kFrame, "Screen Setup", unicode);
    DrawCells(
        setup.rows, setup.columns,
        [&setup](int32_t r, int32_t c) -> const ViewCell& { return setup.at(r, c); }, top + 1,
        left + 1, LINES, unicode);
    for (const TuiFieldBox& f : view.fields) {
      const int y = top + 1 + f.row;
      const int x = left + 1 + f.column;
      // The field's border, as brackets beside it.
      if (f.column > 0) Put(y, x - 1, '[', A_NORMAL, unicode);
      if (f.column + f.width < setup.columns) Put(y, x + f.width, ']', A_NORMAL, unicode);
      // The field's text is in the setup window's cells already.
      for (int i = 0; i < f.width && f.column + i < setup.columns; ++i) {
        if (f.row < 0 || f.row >= setup.rows || f.column + i < 0) continue;
        const ViewCell& v = setup.at(f.row, f.column + i);
        Put(y, x + i, CodePageToUnicode(static_cast<uint8_t>(v.byte)),
            f.focused ? A_REVERSE : A_UNDERLINE, unicode);
      }
    }
    if (setup.field_row >= 0) {
      cursor_y = top + 1 + setup.field_row;
      cursor_x = left + 1 + setup.field_column;
    }
  } else if (view.caret_visible && view.caret_row >= 0 && view.caret_row < screen_rows &&
             view.caret_column >= 0 && view.caret_column < screen_columns) {
    cursor_y = kScreenTop + view.caret_row;
    cursor_x = kScreenLeft + view.caret_column;
    if (cursor_y >= status_row) cursor_y = -1;
  }
  if (view.box) {
    DrawMessageBox(*view.box, unicode);
    cursor_y = -1;
  } else if (view.help) {
    DrawHelp(*view.help, unicode);
    cursor_y = -1;
  }
  if (cursor_y >= 0 && Inside(cursor_y, cursor_x)) {
    move(cursor_y, cursor_x);
    curs_set(1);
  } else {
    curs_set(0);
  }
  refresh();
}

}  // namespace marl
