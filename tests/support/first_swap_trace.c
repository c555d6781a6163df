/* Preloaded into a program to time its first frame from outside: after the first
 * SDL_GL_SwapWindow returns, writes "first-frame <unix seconds.nanoseconds>" to stderr. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

typedef struct SDL_Window SDL_Window;

void SDL_GL_SwapWindow(SDL_Window* window) {
    static void (*realSwap)(SDL_Window*);
    static int swapped;
    if (!realSwap) realSwap = (void (*)(SDL_Window*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    if (realSwap) realSwap(window);
    if (swapped++ == 0) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        fprintf(stderr, "first-frame %lld.%09ld\n", (long long)now.tv_sec, now.tv_nsec);
        fflush(stderr);
    }
}
