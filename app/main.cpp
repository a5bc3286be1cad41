// The process entry: brings up the window system, then runs the show.
#include <cstdio>
#include <string>

#include "app/shell.h"
#include "platform/platform.h"

int main() {
    std::string error;
    if (!platform::start(error)) {
        // Without a display no box can be shown.
        std::fprintf(stderr, "kelvora: cannot start: %s\n", error.c_str());
        return 1;
    }
    const int status = winMain();
    platform::stop();
    return status;
}
