/* The least a terminal can do: connect, send the power-up, and stay until
 * standard input ends. The start-up bench holds marlsim's start against it.
 *   null_client PORT ROWS COLUMNS [ADDRESS]
 * Without ADDRESS it finds its own as the terminal does: what this
 * machine's name resolves to, since the power-up carries it. */
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static void FindAddress(char* text, size_t size) {
  char name[65] = {0};
  struct addrinfo hints = {0};
  struct addrinfo* found = NULL;
  snprintf(text, size, "0.0.0.0");
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  if (gethostname(name, sizeof name - 1) != 0) return;
  if (getaddrinfo(name, NULL, &hints, &found) == 0 && found != NULL) {
    inet_ntop(AF_INET, &((const struct sockaddr_in*)found->ai_addr)->sin_addr, text,
              (socklen_t)size);
  }
  if (found != NULL) freeaddrinfo(found);
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return 2;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in host = {0};
  host.sin_family = AF_INET;
  host.sin_port = htons((unsigned short)atoi(argv[1]));
  host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, (struct sockaddr*)&host, sizeof host) != 0) return 1;
  char address[INET_ADDRSTRLEN];
  if (argc == 5) {
    snprintf(address, sizeof address, "%s", argv[4]);
  } else {
    FindAddress(address, sizeof address);
  }
  /* The power-up: its text, a zero byte, then the address. */
  char power_up[128];
  const int text = snprintf(power_up, sizeof power_up, "P,Rows=%s,Cols=%s", argv[2], argv[3]);
  const int all =
      text + 1 +
      snprintf(power_up + text + 1, sizeof power_up - (size_t)text - 1, "IP=%s", address);
  if (all >= (int)sizeof power_up || write(fd, power_up, (size_t)all) != all) return 1;
  char rest[64];
  while (read(0, rest, sizeof rest) > 0) {
  }
  return 0;
}
