// libFuzzer target for the TGA reader: every input is handed to LoadTGA as a
// file. The reader must either return an image whose fields agree with each
// other or refuse with a message naming the file; anything else (a crash, a
// sanitizer report, an image with no message) is a finding.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/tga.h"

namespace {

// One in-memory file for the whole run, reached by path through /proc, so
// that the reader's own file handling is exercised without touching the disk.
int memoryFile() {
    static const int fd = [] {
        const int f = memfd_create("kelvora-tga-fuzz", 0);
        if (f < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return f;
    }();
    return fd;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "tga_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memoryFile();
    check(ftruncate(fd, 0) == 0, "cannot empty the in-memory file");
    check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "cannot fill the in-memory file");
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    TexLoader loader;
    const _IMAGE_INFO* image = loader.LoadTGA(path.c_str());
    if (image == nullptr) {
        check(loader.error().rfind(path + ": ", 0) == 0, "refused without naming the file");
        return 0;
    }
    check(loader.error().empty(), "an image came with an error message");
    check(image->width > 0 && image->height > 0, "an image with no size");
    check(image->components == 3 || image->components == 4, "an image with odd components");
    // Touch every byte so that a short pixel buffer shows up under the sanitizer.
    const std::size_t bytes = static_cast<std::size_t>(image->width) * image->height * image->components;
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += image->pixels[i];
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
