/* Test-only: counts the frames a running show presents, from outside. Loaded
 * with LD_PRELOAD, it stands in for SDL_GL_SwapWindow (SDL itself reaches
 * glXSwapBuffers through dlsym on libGL, where a preload cannot intercept it),
 * counts each call and passes it on. The count goes to the file named in
 * KELVORA_SWAP_COUNT_FILE, rewritten every refreshEvery frames and at exit, or
 * to standard error when that is unset. The show itself reads no environment. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static const unsigned long refreshEvery = 50;

static unsigned long swaps;

static void report(void) {
    const char* path = getenv("KELVORA_SWAP_COUNT_FILE");
    if (path == NULL) {
        fprintf(stderr, "swap_counter: %lu frames\n", swaps);
        return;
    }
    /* Written beside and renamed, so that a reader never sees half a number. */
    char temporary[4096];
    snprintf(temporary, sizeof temporary, "%s.new", path);
    FILE* file = fopen(temporary, "w");
    if (file == NULL) return;
    fprintf(file, "%lu\n", swaps);
    if (fclose(file) == 0) rename(temporary, path);
}

__attribute__((constructor)) static void start(void) { atexit(report); }

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*);
    if (real == NULL) {
        *(void**)&real = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
        if (real == NULL) {
            fprintf(stderr, "swap_counter: no SDL_GL_SwapWindow to pass on to\n");
            abort();
        }
    }
    real(window);
    if (++swaps % refreshEvery == 0 && getenv("KELVORA_SWAP_COUNT_FILE") != NULL) report();
}

/* Libraries stay loaded until the process ends, so that a leak report at exit
 * names the library that made the allocation (Mesa's driver, which SDL loads
 * and unloads, would otherwise show as an unknown module) and the sanitizer
 * and valgrind suppressions can match it. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
