/* The least a terminal can do: connect, send the power-up, and stay until
 * standard input ends. The start-up bench holds marlsim's start against it.
 *   null_client PORT ROWS COLUMNS ADDRESS */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in host = {0};
  host.sin_family = AF_INET;
  host.sin_port = htons((unsigned short)atoi(argv[1]));
  host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, (struct sockaddr*)&host, sizeof host) != 0) return 1;
  /* The power-up: its text, a zero byte, then the address. */
  char power_up[128];
  const int text = snprintf(power_up, sizeof power_up, "P,Rows=%s,Cols=%s", argv[2], argv[3]);
  const int all = text + 1 + snprintf(power_up + text + 1, sizeof power_up - (size_t)text - 1,
                                      "IP=%s", argv[4]);
  if (all >= (int)sizeof power_up || write(fd, power_up, (size_t)all) != all) return 1;
  char rest[64];
  while (read(0, rest, sizeof rest) > 0) {
  }
  return 0;
}
