#include "platform/polled_keys.h"

#include "platform/platform.h"

namespace platform::polledkeys {

namespace {

struct PolledKey {
    unsigned virtualKey;
    bool held;
    bool pressedSinceRead;
};
PolledKey polledKeys[] = {
    {vkLeft, false, false},
    {vkUp, false, false},
    {vkRight, false, false},
    {vkDown, false, false},
};

PolledKey* polledKey(unsigned virtualKey) {
    for (PolledKey& key : polledKeys)
        if (key.virtualKey == virtualKey) return &key;
    return nullptr;
}

}  // namespace

bool isPolled(unsigned virtualKey) { return polledKey(virtualKey) != nullptr; }

void arrived(unsigned virtualKey, bool down) {
    PolledKey* key = polledKey(virtualKey);
    if (key == nullptr) return;
    key->held = down;
    if (down) key->pressedSinceRead = true;
}

void releaseAll() {
    for (PolledKey& key : polledKeys) key.held = false;
}

unsigned short read(unsigned virtualKey) {
    PolledKey* key = polledKey(virtualKey);
    if (key == nullptr) return 0;
    unsigned short state = key->held ? 0x8000 : 0;
    if (key->pressedSinceRead) state |= 1;
    key->pressedSinceRead = false;
    return state;
}

}  // namespace platform::polledkeys
