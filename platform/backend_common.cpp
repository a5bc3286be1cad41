#include "platform/backend_common.h"

#include <deque>
#include <string>

#include "platform/polled_keys.h"

namespace platform {

struct Palette {
    std::vector<PaletteEntry> entries;
};

namespace {

std::deque<MessageRecord> postedMessages;
std::string registeredClass;

using common::channelBits;

}  // namespace

WindowProc common::windowProc = nullptr;

bool registerWindowClass(const char* className, WindowProc procedure) {
    if (procedure == nullptr || !registeredClass.empty()) return false;
    registeredClass = className;
    common::windowProc = procedure;
    return true;
}

bool common::isRegisteredClass(const char* className) {
    return common::windowProc != nullptr && registeredClass == className;
}

void common::post(const MessageRecord& message) { postedMessages.push_back(message); }
void common::clearPosted() { postedMessages.clear(); }

unsigned short asyncKeyState(unsigned virtualKey) {
    common::gatherInput();
    return polledkeys::read(virtualKey);
}

bool peekMessage(MessageRecord& message) {
    if (!postedMessages.empty()) {
        message = postedMessages.front();
        postedMessages.pop_front();
        return true;
    }
    if (common::nextWindowSystemMessage(message)) return true;
    if (Window* window = common::windowNeedingPaint()) {
        message = {window, msgPaint, 0, 0};
        return true;
    }
    return false;
}

void postQuitMessage(int exitCode) {
    common::post({nullptr, msgQuit, static_cast<std::uintptr_t>(exitCode), 0});
}

int choosePixelFormat(DeviceContext* dc, const PixelFormat&) { return dc ? 1 : 0; }

bool setPixelFormat(DeviceContext* dc, int index, const PixelFormat& request) {
    if (dc == nullptr || index != 1 || dc->formatSet) return false;
    // What the window's surface has, whatever was asked: true colour, no alpha.
    dc->format = request;
    dc->format.flags &= ~static_cast<unsigned>(pfdNeedPalette);
    dc->format.rgba = true;
    dc->format.colorBits = 3 * channelBits;
    dc->format.redBits = dc->format.greenBits = dc->format.blueBits = channelBits;
    dc->format.redShift = 2 * channelBits;
    dc->format.greenShift = channelBits;
    dc->format.blueShift = 0;
    dc->format.alphaBits = 0;
    dc->format.depthBits = common::depthBitsOf(dc->window);
    dc->formatSet = true;
    return true;
}

PixelFormat describePixelFormat(DeviceContext* dc) { return dc ? dc->format : PixelFormat{}; }

// A true-colour surface has no palette to realise; these serve the shell's
// palette path, which a true-colour format never takes.
Palette* createPalette(const std::vector<PaletteEntry>& entries) { return new Palette{entries}; }
void deletePalette(Palette* palette) { delete palette; }
void selectPalette(DeviceContext*, Palette*) {}
int realizePalette(DeviceContext*) { return 0; }
void updateColors(DeviceContext*) {}

}  // namespace platform
