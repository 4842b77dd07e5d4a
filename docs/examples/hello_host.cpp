// hello_host: a complete host for one Marlpoint terminal, built on the
// marlsim host toolkit. It asks for a name and greets it, until the
// terminal goes away.
//
//   hello_host [PORT]      (4055 when not given)
//   marlsim -H127.0.0.1 -PPORT
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/form_text.h"
#include "host/host_records.h"
#include "host/terminal_messages.h"

namespace host = marl::host;

// Slot 1 holds the one screen: a greeting and a field for the name.
std::string Greeting(int columns, const std::string& message) {
  host::FormText form = host::FormText::FieldForm(columns);
  form.Text("Hello!").EndRow().Text(message).EndRow().Text("Name: ").Field(0, 10);
  host::Header header;
  header.word = host::option::kReleaseSlot;  // build the form afresh each time
  return host::CommandRecord(host::StoreAndShowBody(1, form.str()), header);
}

int main(int argc, char** argv) {
  const int port = argc > 1 ? std::atoi(argv[1]) : 4055;
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0) {
    std::perror("hello_host");
    return 1;
  }
  std::printf("listening on port %d\n", port);
  std::fflush(stdout);
  const int terminal = accept(listener, nullptr, nullptr);

  std::string received;
  int columns = 20;
  char buffer[4096];
  for (ssize_t n; (n = recv(terminal, buffer, sizeof buffer, 0)) > 0;) {
    received.append(buffer, size_t(n));
    // The terminal frames nothing: take message after message from the front.
    for (;;) {
      host::TerminalMessage message;
      const host::ParseResult r = host::ParseTerminalMessage(received, &message);
      if (r.status == host::ParseStatus::kIncomplete) break;
      received.erase(0, r.used);
      if (r.status == host::ParseStatus::kMalformed) continue;
      std::string answer;
      if (message.kind == host::MessageKind::kPowerUp) {
        columns = message.columns;
        answer = Greeting(columns, "What is your name?");
      } else if (message.kind == host::MessageKind::kFormReply) {
        std::string name;
        for (const host::ReplyField& field : message.fields) {
          if (field.index == 0) name = field.value;
        }
        answer = Greeting(columns, name.empty() ? "Please type a name" : "Hello, " + name);
      }
      send(terminal, answer.data(), answer.size(), MSG_NOSIGNAL);
    }
  }
  close(terminal);
  close(listener);
  return 0;
}
