/*
 * Holds a pseudo-terminal open for the Wine tests: prints the slave's path on
 * one line, then keeps the pair alive until it is terminated, reading and
 * discarding whatever the program under test sends so that its writes never
 * block. It keeps its own slave descriptor open so that the master does not
 * report a hang-up each time the program closes the port.
 *
 * Built natively on the fly: cc -o pty_hold pty_hold.c
 */
#define _XOPEN_SOURCE 600
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static volatile sig_atomic_t stopping = 0;

static void onSignal(int signalNumber)
{
    (void)signalNumber;
    stopping = 1;
}

int main(void)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("pty_hold: posix_openpt");
        return 1;
    }
    const char* slavePath = ptsname(master);
    if (!slavePath) {
        perror("pty_hold: ptsname");
        return 1;
    }
    int slave = open(slavePath, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        perror("pty_hold: open slave");
        return 1;
    }

    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = onSignal;
    sigaction(SIGTERM, &action, NULL);
    sigaction(SIGINT, &action, NULL);
    sigaction(SIGHUP, &action, NULL);
    signal(SIGPIPE, SIG_IGN);

    printf("%s\n", slavePath);
    fflush(stdout);

    char discard[4096];
    while (!stopping) {
        struct pollfd watch = {master, POLLIN, 0};
        const int ready = poll(&watch, 1, 200);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (watch.revents & POLLIN)) {
            if (read(master, discard, sizeof discard) < 0 && errno != EAGAIN && errno != EINTR) usleep(50000);
        } else if (ready > 0) {
            usleep(50000);  /* hang-up or error: wait instead of spinning */
        }
    }
    close(slave);
    close(master);
    return 0;
}
