/* Prints the running program's file and libtarn's, once at the start and again for every line it
 * reads, so that a test can move them while it runs. */
#include <stdio.h>

#include "tarn/c.h"

static void show(tarn_status (*get)(char**, size_t*))
{
    char* path = NULL;
    get(&path, NULL);
    printf("%s\n", path ? path : "(none)");
    tarn_free(path);
}

int main(void)
{
    char line[16];
    do {
        show(tarn_getexecutablepath);
        show(tarn_getlibrarypath);
        fflush(stdout);
    } while (fgets(line, sizeof line, stdin));
    return 0;
}
