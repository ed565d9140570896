/* Preloaded (LD_PRELOAD) into an exit relay of the test world's onion
 * network: every IPv4 connection that the relay opens leaves from the
 * address in VELQUIN_BIND_ADDRESS (the exit's own 127.0.0.N), so that the
 * IP-echo server sees which exit a circuit used. The relay's own
 * outbound-address option binds nothing for loopback destinations, and in
 * the test world every destination is on loopback. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>

int connect(int fd, const struct sockaddr* to, socklen_t length) {
    static int (*next)(int, const struct sockaddr*, socklen_t);
    if (!next)
        next = (int (*)(int, const struct sockaddr*, socklen_t))dlsym(RTLD_NEXT, "connect");
    const char* from = getenv("VELQUIN_BIND_ADDRESS");
    struct sockaddr_in here;
    socklen_t size = sizeof here;
    /* Only a socket that is not bound yet: one the caller bound keeps its
     * address. */
    if (from && to && to->sa_family == AF_INET &&
        getsockname(fd, (struct sockaddr*)&here, &size) == 0 && here.sin_family == AF_INET &&
        here.sin_port == 0) {
        struct sockaddr_in bound = {0};
        bound.sin_family = AF_INET;
        if (inet_pton(AF_INET, from, &bound.sin_addr) == 1 &&
            bind(fd, (struct sockaddr*)&bound, sizeof bound) != 0)
            return -1;
    }
    return next(fd, to, length);
}
