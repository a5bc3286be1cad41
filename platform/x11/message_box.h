// Message boxes on X through GTK: modal, captioned, the kind's icon from the
// desktop's icon theme, one OK button (Return or Esc close the box too), and
// text that fits the screen whatever its length or bytes.
#pragma once

#include "platform/platform.h"

namespace platform {

struct ScreenArea {
    int x = 0, y = 0, width = 0, height = 0;
};

// Blocks until the user closes the box, which stands centred on the monitor
// under the middle of `over` when given, else on the monitor at the screen's
// origin, where the show stands; on the monitor as it is at that moment.
// Where no toolkit can start, the box goes to standard error instead.
void showMessageBox(const char* text, const char* caption, BoxIcon icon,
                    const ScreenArea* over);

// From now on the boxes are Wayland windows, which the compositor places.
void boxesOnWayland();

}  // namespace platform
