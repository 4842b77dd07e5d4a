#include "demo/demo_session.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "host/form_text.h"
#include "host/host_records.h"

namespace marl::demo {

using host::CommandRecord;
using host::FormText;
using host::Header;
using host::MessageKind;
using host::TerminalMessage;
namespace field = host::field;
namespace attribute = host::attribute;
namespace option = host::option;

namespace {

// Labels that sit in a bank reference or a form must not carry markup.
std::string CleanName(const std::string& typed) {
  std::string name;
  for (const char c : typed) {
    if (std::isalnum(static_cast<unsigned char>(c)) && name.size() < 10) name += c;
  }
  return name;
}

std::string Trim(const std::string& s) {
  const size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? "" : s.substr(0, end + 1);
}

const host::ReplyField* Field(const TerminalMessage& m, int index) {
  for (const host::ReplyField& f : m.fields) {
    if (f.index == index) return &f;
  }
  return nullptr;
}

int ItemIndex(const std::string& code) {
  for (size_t i = 0; i < kCatalog.size(); ++i) {
    if (code == kCatalog[i].code) return int(i);
  }
  return -1;
}

std::string Count(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%5d", n);
  return text;
}

// A stored form shown at once; the slot is emptied first, so the form is
// always built from this text.
std::string Show(int slot, const FormText& form, int start_field = 0) {
  Header header;
  header.word = option::kReleaseSlot;
  header.current_field = start_field;
  return CommandRecord(host::StoreAndShowBody(slot, form.str()), header);
}

std::string SignInTitle() {
  // Test seam: a host whose sign-in screen changed, for the tests that show
  // a recorded session failing against it. Printable ASCII, and short
  // enough for the narrowest screen's row.
  static const std::string title = [] {
    constexpr size_t kLongest = 16;
    const char* given = std::getenv("MARLSIM_DEMO_TITLE");
    if (given == nullptr) return std::string(" MARL WAREHOUSE ");
    std::string text;
    for (const char* c = given; *c != 0 && text.size() < kLongest; ++c) {
      text.push_back(*c >= 0x20 && *c <= 0x7E && *c != '\\' ? *c : '?');
    }
    return text;
  }();
  return title;
}

}  // namespace

std::string Printable(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", b);
      out += hex;
    }
  }
  return out;
}

std::string DemoSession::ErrorTone() const {
  return CommandRecord(host::ToneBody(-1, 2, 5));
}

std::string DemoSession::LoginScreen(const std::string& message) {
  screen_ = Screen::kLogin;
  FormText form = FormText::FieldForm(columns_);
  form.Attribute(attribute::kReverse).Text(SignInTitle()).Attribute(attribute::kNormal);
  form.EndRow().Text(message).EndRow().Text("Password: ").Text(kPassword).EndRow().EndRow();
  form.Text("User: ").Field(0, 10, user_).EndRow().Text("Pass: ").Field(field::kPassword, 10);
  return Show(kLoginSlot, form, user_.empty() ? 0 : 1);
}

std::string DemoSession::MenuScreen() {
  screen_ = Screen::kMenu;
  // Every row of a table form is a row the entry moves through, so the menu
  // is its items alone; Up and Down move the one-cell entry field from item
  // to item, round the end, and Enter sends the row's number.
  FormText form = FormText::TableText(columns_);
  form.Text("1 Receive goods").EndRow().Text("2 Received list").EndRow();
  form.Text("3 Ping test").EndRow().Text("4 Log out ").Bank(0);
  Header header;
  header.word = option::kReplyRow | option::kNoSendWhenFull | option::kWrap;
  header.entry_width = 1;
  return CommandRecord(host::TableTextBody(form.str()), header);
}

std::string DemoSession::ReceiveScreen(const std::string& message, int start_field) {
  screen_ = Screen::kReceive;
  FormText form = FormText::FieldForm(columns_);
  form.Attribute(attribute::kReverse).Text(" RECEIVE GOODS ").Attribute(attribute::kNormal);
  form.EndRow().Text(message).EndRow().Text("F2 scan   F3 menu").EndRow().EndRow();
  // Scans of a label "*CODE*" go to Item and lose their stars.
  form.Text("Item: ").ScanField(0, "*", 8).EndRow().Text("Qty:  ").Field(field::kNumeric, 5);
  return Show(kReceiveSlot, form, start_field);
}

std::string DemoSession::TallyStore() {
  FormText form = FormText::FieldForm(columns_);
  form.Attribute(attribute::kReverse).Text(" RECEIVED ").Bank(0).Text(" ");
  form.Attribute(attribute::kNormal).EndRow().Text("Esc or F3: menu").EndRow();
  for (size_t i = 0; i < kCatalog.size(); ++i) {
    char label[24];
    std::snprintf(label, sizeof label, "%s %-9s", kCatalog[i].code, kCatalog[i].name);
    if (i > 0) form.EndRow();
    form.Text(label).Field(field::kProtected, 5, Count(counts_[i]));
  }
  Header header;
  header.word = option::kReleaseSlot;
  return CommandRecord(host::StoreBody(kTallySlot, form.str()), header);
}

std::string DemoSession::PingScreen() {
  screen_ = Screen::kPing;
  FormText form = FormText::FieldForm(columns_);
  form.Attribute(attribute::kReverse).Text(" PING TEST ").Attribute(attribute::kNormal).EndRow();
  form.Text("Ctrl+N starts and").EndRow().Text("stops the test.").EndRow();
  form.Text("Esc: menu").EndRow().EndRow().Text("Answered: ");
  form.Field(field::kProtected, 4, std::to_string(pings_));
  return Show(kPingSlot, form);
}

Answer DemoSession::PowerUp(const TerminalMessage& m) {
  signed_in_ = false;
  counts_ = {};
  next_scan_ = 0;
  // Every screen is built as wide as the terminal says it is: a size no
  // terminal has would cost the host (and every other terminal) dearly.
  if (m.columns > kMaxScreenSide || m.rows > kMaxScreenSide) {
    columns_ = kDefaultColumns;
    return {ErrorTone() + LoginScreen("Size refused"),
            {},
            0,
            "power-up: refused " + std::to_string(m.rows) + " x " + std::to_string(m.columns) +
                ", at most " + std::to_string(kMaxScreenSide) + " a side; login screen " +
                std::to_string(kDefaultColumns) + " wide"};
  }
  if (m.columns > 0) columns_ = m.columns;
  return {LoginScreen("Sign in, any name"), {}, 0, "power-up: login screen"};
}

Answer DemoSession::Login(const TerminalMessage& m) {
  if (m.reply_letter != 'w') return {LoginScreen("Sign in, any name"), {}, 0, "login: shown again"};
  if (const host::ReplyField* f = Field(m, 0)) user_ = CleanName(f->value);
  const host::ReplyField* pass = Field(m, 1);
  if (user_.empty()) {
    return {ErrorTone() + LoginScreen("Type a name"), {}, 0, "login: no name"};
  }
  // Enter on User ends the turn as any Enter does: the name is kept and the
  // cursor goes on to Pass, as a person expects of a sign-in form.
  if (pass == nullptr || Trim(pass->value).empty()) {
    return {LoginScreen("Now the password"), {}, 0, "login: " + user_ + ", on to the password"};
  }
  if (Trim(pass->value) != kPassword) {
    return {ErrorTone() + LoginScreen("Wrong password"), {}, 0, "login: wrong password"};
  }
  signed_in_ = true;
  // The operator's name goes to bank 0, where the screens refer to it; F2
  // and F3 end the turn with the letters s and b.
  // The terminal expands bank references only once it has read a record of
  // the text dialect, so the bank goes in one: D, no options, '/', the body.
  std::string out = host::TextDisplayRecord("", host::SetBankBody(0, user_));
  out += CommandRecord(host::KeyMapsBody({"", "@As", "@Ab"}));
  out += TallyStore();
  out += MenuScreen();
  return {out, {}, 0, "login: " + user_ + " signed in"};
}

Answer DemoSession::MenuPick(const TerminalMessage& m) {
  if (m.reply_letter == 'w') {
    switch (m.row) {
      case 0:
        item_.clear();
        return {ReceiveScreen("Scan or type", 0), {}, 0, "menu: receive goods"};
      case 1:
        screen_ = Screen::kTally;
        return {CommandRecord(host::ShowStoredBody(kTallySlot)), {}, 0, "menu: received list"};
      case 2:
        pings_ = 0;
        return {PingScreen(), {}, 0, "menu: ping test"};
      case 3:
        signed_in_ = false;
        screen_ = Screen::kNone;
        return {host::ResetRecord(), {}, 0, "menu: log out (reset)"};
      default:
        break;
    }
  }
  return {MenuScreen(), {}, 0, "menu: shown again"};
}

Answer DemoSession::Receive(const TerminalMessage& m) {
  if (m.reply_letter == 'b' || m.reply_letter == 'z') {
    return {MenuScreen(), {}, 0, "receive: back to the menu"};
  }
  const host::ReplyField* item = Field(m, 0);
  if (item != nullptr) item_ = Trim(item->value);
  if (item_.size() > kItemWidth) {
    item_.clear();
    return {ErrorTone() + ReceiveScreen("Item too long", 0), {}, 0, "receive: item too long"};
  }
  if (m.reply_letter == 's') {
    // The host plays the scanner: the next label of the delivery.
    const Item& next = kCatalog[next_scan_++ % kCatalog.size()];
    std::string out = ReceiveScreen("Scanned", 1);
    out += CommandRecord(host::InjectScanBody(std::string("*") + next.code + "*"));
    return {out, {}, 0, std::string("receive: scan of ") + next.code};
  }
  const int index = ItemIndex(item_);
  const host::ReplyField* qty = Field(m, 1);
  // strtol saturates where atoi would overflow.
  const long count = qty != nullptr ? std::strtol(Trim(qty->value).c_str(), nullptr, 10) : 0;
  if (index < 0) {
    const std::string shown = item_.empty() ? "No item" : "No item " + item_;
    return {ErrorTone() + ReceiveScreen(shown, 0), {}, 0, "receive: unknown item " + item_};
  }
  if (count < 1 || count > 9999) {
    return {ErrorTone() + ReceiveScreen("Qty 1 to 9999", 0), {}, 0, "receive: bad quantity"};
  }
  if (counts_[size_t(index)] > kMaxTally - count) {
    return {ErrorTone() + ReceiveScreen("Tally full", 0),
            {},
            0,
            "receive: tally of " + item_ + " full at " + std::to_string(counts_[size_t(index)])};
  }
  counts_[size_t(index)] += int(count);
  std::string out = CommandRecord(host::UpdateBody(
      kTallySlot,
      host::UpdateData(index, host::FieldType(field::kProtected), Count(counts_[size_t(index)]))));
  const std::string done = "+" + std::to_string(count) + " " + item_;
  item_.clear();
  out += ReceiveScreen(done, 0);
  return {out, {}, 0, "receive: " + done};
}

Answer DemoSession::Ping() {
  if (screen_ != Screen::kPing || pings_ >= kPingLimit) return {{}, {}, 0, "ping: not answered"};
  ++pings_;
  return {{}, CommandRecord(host::PingBody()), kPingDelayMs, "ping: answered"};
}

Answer DemoSession::OnMessage(const TerminalMessage& m) {
  switch (m.kind) {
    case MessageKind::kPowerUp:
      return PowerUp(m);
    case MessageKind::kSimulatorId:
      return {{}, {}, 0, "simulator " + m.id};
    case MessageKind::kStatus:
      return {{}, {}, 0, m.status == '0' ? "status: done" : "status: refused"};
    case MessageKind::kPing:
      return Ping();
    case MessageKind::kIdentification:
    case MessageKind::kInfoRequest:
      return {{}, {}, 0, "noted"};
    case MessageKind::kFormReply:
    case MessageKind::kTableReply:
      break;
  }
  // A reply to a screen that is no longer shown gets the current one again;
  // before sign-in every reply gets the login screen.
  const bool table = m.kind == MessageKind::kTableReply;
  if (!signed_in_) {
    if (!table && m.form_id == kLoginSlot) return Login(m);
    return {LoginScreen("Sign in, any name"), {}, 0, "not signed in: login screen"};
  }
  if (table) {
    if (screen_ == Screen::kMenu) return MenuPick(m);
  } else if (m.form_id == kReceiveSlot && screen_ == Screen::kReceive) {
    return Receive(m);
  } else if ((m.form_id == kTallySlot && screen_ == Screen::kTally) ||
             (m.form_id == kPingSlot && screen_ == Screen::kPing)) {
    return {MenuScreen(), {}, 0, "back to the menu"};
  }
  return {MenuScreen(), {}, 0, "reply to an old screen: menu"};
}

}  // namespace marl::demo
