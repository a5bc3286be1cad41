/* Test-only: counts the frames a running show presents, from outside. Loaded
 * with LD_PRELOAD, it stands in for SDL_GL_SwapWindow (SDL itself reaches
 * glXSwapBuffers through dlsym on libGL, where a preload cannot intercept it),
 * counts each call and passes it on. The count goes to the file named in
 * KELVORA_SWAP_COUNT_FILE, rewritten every refreshEvery frames (or every
 * KELVORA_SWAP_COUNT_EVERY) and at exit, or to standard error when that is
 * unset. The show itself reads no environment.
 *
 * With KELVORA_SWAP_SNAPSHOTS="100 300" and KELVORA_SWAP_SNAPSHOT_DIR=dir it
 * also saves the frames of those counts, as drawn, to dir/frame100.ppm and so
 * on: exact pictures of a frame, whatever the timing of the run. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static const unsigned long refreshEvery = 50;

static unsigned long swaps;

/* OpenGL's own values, so that no OpenGL header is needed. */
enum { glBack = 0x0405, glViewport = 0x0BA2, glPackAlignment = 0x0D05, glRgb = 0x1907, glUnsignedByte = 0x1401 };

/* True when the count is one of those listed in KELVORA_SWAP_SNAPSHOTS. */
static int wanted(unsigned long count) {
    const char* list = getenv("KELVORA_SWAP_SNAPSHOTS");
    char* end;
    while (list != NULL && *list != '\0') {
        const unsigned long n = strtoul(list, &end, 10);
        if (end == list) break;
        if (n == count) return 1;
        list = end;
    }
    return 0;
}

/* The back buffer, about to be shown, as a binary PPM (top row first). */
static void snapshot(unsigned long count) {
    void (*getIntegerv)(unsigned, int*) = (void (*)(unsigned, int*))dlsym(RTLD_DEFAULT, "glGetIntegerv");
    void (*readBuffer)(unsigned) = (void (*)(unsigned))dlsym(RTLD_DEFAULT, "glReadBuffer");
    void (*pixelStorei)(unsigned, int) = (void (*)(unsigned, int))dlsym(RTLD_DEFAULT, "glPixelStorei");
    void (*readPixels)(int, int, int, int, unsigned, unsigned, void*) =
        (void (*)(int, int, int, int, unsigned, unsigned, void*))dlsym(RTLD_DEFAULT, "glReadPixels");
    const char* dir = getenv("KELVORA_SWAP_SNAPSHOT_DIR");
    if (!getIntegerv || !readBuffer || !pixelStorei || !readPixels || dir == NULL) return;
    int view[4];
    getIntegerv(glViewport, view);
    const int width = view[2], height = view[3];
    unsigned char* pixels = malloc((size_t)width * height * 3);
    if (pixels == NULL) return;
    readBuffer(glBack);
    pixelStorei(glPackAlignment, 1);
    readPixels(0, 0, width, height, glRgb, glUnsignedByte, pixels);
    char path[4096], temporary[4200];
    snprintf(path, sizeof path, "%s/frame%lu.ppm", dir, count);
    snprintf(temporary, sizeof temporary, "%s.new", path);
    FILE* file = fopen(temporary, "wb");
    if (file != NULL) {
        fprintf(file, "P6\n%d %d\n255\n", width, height);
        for (int row = height - 1; row >= 0; --row) fwrite(pixels + (size_t)row * width * 3, 3, width, file);
        if (fclose(file) == 0) rename(temporary, path);  /* seen whole or not at all */
    }
    free(pixels);
}

/* Waits while the hold file allows fewer than count frames. */
static void hold(unsigned long count) {
    const char* path = getenv("KELVORA_SWAP_HOLD_FILE");
    const struct timespec pause = {0, 5 * 1000 * 1000};
    for (;;) {
        FILE* file = path != NULL ? fopen(path, "r") : NULL;
        if (file == NULL) return;
        unsigned long allowed = 0;
        const int read = fscanf(file, "%lu", &allowed) == 1;  /* a file half written holds */
        fclose(file);
        if (read && count <= allowed) return;
        nanosleep(&pause, NULL);
    }
}

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
    if (wanted(swaps + 1)) snapshot(swaps + 1);
    hold(swaps + 1);
    real(window);
    static unsigned long every;
    if (every == 0) {
        const char* asked = getenv("KELVORA_SWAP_COUNT_EVERY");
        every = asked != NULL && strtoul(asked, NULL, 10) > 0 ? strtoul(asked, NULL, 10) : refreshEvery;
    }
    if (++swaps % every == 0 && getenv("KELVORA_SWAP_COUNT_FILE") != NULL) report();
}

/* Libraries stay loaded until the process ends, so that a leak report at exit
 * names the library that made the allocation (Mesa's driver, which SDL loads
 * and unloads, would otherwise show as an unknown module) and the sanitizer
 * and valgrind suppressions can match it. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
