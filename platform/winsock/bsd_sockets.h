// The system side of the WinSock layer: BSD socket calls behind plain integers, so that the
// WinSock side never sees the system's socket headers (their names and macros collide).
// Every call returns its result (>= 0) or minus a WinSock error code.
// Addresses and ports are in network order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bsd_sockets
{
enum option_e { OPTION_BROADCAST, OPTION_REUSE_ADDRESS, OPTION_NO_DELAY };

int open(bool stream);
int set_nonblocking(int fd, bool on);
int set_option(int fd, option_e option, int value);
int bind(int fd, uint32_t address, uint16_t port);
int listen(int fd, int backlog);
// how: 0 receiving, 1 sending, 2 both.
int shutdown(int fd, int how);
int close(int fd);
// One datagram; a longer one than `length` is consumed whole and fails with WSAEMSGSIZE.
int receive_from(int fd, char *buffer, int length, uint32_t *address, uint16_t *port);
int send_to(int fd, const char *buffer, int length, uint32_t address, uint16_t port);

// A numeric IPv4 text (the forms inet_aton reads); false when it is none.
bool parse_ipv4(const char *text, uint32_t *address);
// IPv4 addresses of a host name, in the resolver's order.
int resolve(const char *name, std::vector<uint32_t> &addresses);
// IPv4 addresses of the interfaces that are up and not loopback, in interface order.
void interface_addresses(std::vector<uint32_t> &addresses);
// Broadcast addresses of the IPv4 interfaces that are up and broadcast-capable, in interface
// order, each once.
void interface_broadcast_addresses(std::vector<uint32_t> &addresses);
int host_name(std::string &name);
} // namespace bsd_sockets
