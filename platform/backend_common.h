// What the SDL and web backends do alike, written once: the polled arrow
// keys (platform/polled_keys.h), the message queue with its standing repaint request, the true-colour
// pixel format and the palette calls that such a format never needs. No
// system header here; each backend supplies the three hooks below.
#pragma once

#include "platform/platform.h"

namespace platform {

struct DeviceContext {
    Window* window = nullptr;
    PixelFormat format;  // what the display granted
    bool formatSet = false;
};

namespace common {

// Of each colour channel, in both backends' surfaces.
inline constexpr int channelBits = 8;

// --- Supplied by the backend ---
// The window system's next message, if one waits; never waits itself.
bool nextWindowSystemMessage(MessageRecord& message);
// The window while its contents are invalid (nothing ever validates them), else null.
Window* windowNeedingPaint();
// The depth buffer the window's surface has, the only one it can take.
int depthBitsOf(Window* window);
// Takes in the input events that have reached the process, so that a key's
// state is read as it is now. (SDL_PollEvent alone does not: it pumps only
// once the queue it last filled is empty, and held keys keep it full.)
void gatherInput();

// --- Used by the backend ---
// The one window class's procedure, once registerWindowClass has taken it.
extern WindowProc windowProc;
// True when `className` is that class.
bool isRegisteredClass(const char* className);
// Queued for peekMessage ahead of the window system's own messages.
void post(const MessageRecord& message);
void clearPosted();

}  // namespace common
}  // namespace platform
