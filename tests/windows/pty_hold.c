/* Holds a pseudo-terminal open for the Wine tests (cc -o pty_hold pty_hold.c): prints
 * the slave's path, then swallows what the program under test sends until terminated.
 * Its own slave descriptor stays open so the master does not hang up at each close. */
#define _XOPEN_SOURCE 600
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(void)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    const char* slavePath = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : NULL;
    if (!slavePath || open(slavePath, O_RDWR | O_NOCTTY) < 0) {
        perror("pty_hold");
        return 1;
    }
    printf("%s\n", slavePath);
    fflush(stdout);
    char discard[4096];
    for (;;)
        if (read(master, discard, sizeof discard) <= 0) usleep(50000); /* an error: wait instead of spinning */
}
