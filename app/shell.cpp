#include "app/shell.h"

#include <GL/gl.h>

#include <ctime>
#include <vector>

#include "app/display_mode.h"
#include "app/frame_pacer.h"
#include "app/keyboard.h"
#include "assets/music.h"
#include "assets/textures.h"
#include "camera/camera.h"
#include "render/can_field.h"
#include "render/frame.h"
#include "show/camera_path.h"
#include "show/random.h"
#include "show/scene_director.h"

platform::Window* mainWindow = nullptr;
platform::DeviceContext* deviceContext = nullptr;
platform::GLContext* renderingContext = nullptr;
platform::Palette* palette = nullptr;
int quitFlag = 0;

namespace {

constexpr const char* className = "Kelvora";
constexpr const char* windowTitle = "Kelvora";
constexpr const char* demoCaption = "OpenGL Demo";
constexpr int windowWidth = 640;
constexpr int windowHeight = 480;

constexpr const char* switchWarning = "About to switch to 640x480x16M OpenGL mode";
constexpr const char* switchFailure = "Could not set satisfactory screen resolution!";
constexpr const char* windowFailure = "Could not create window!";
constexpr const char* closingText =
    "GFX: TAVIN MERODE\nC\u00d3DIGO: MERODE OLSAN\nSFX: QUIRELLO\n\n"
    "KELVORA REVITALIZA\nCUERPO Y MENTE";

// The one pixel format the show asks for; the display grants the closest it has.
platform::PixelFormat pixelFormatRequest;

// Set once by winMain, before the window (and with it initShow) exists.
ShowOptions showOptions;
// The cap's cadence; without a cap it never waits.
FramePacer framePacer{0};

// One frame of the show, then whatever wait the cap asks for.
void drawFrame() {
    renderFrame();
    framePacer.waitForNextFrame();
}

void teardown() {
    releaseGL();
    platform::restoreDisplayMode();
    platform::showCursor(true);
    platform::messageBox(closingText, className, platform::BoxIcon::information);
    platform::postQuitMessage(0);
    // The loop must stop however the window went (Esc, a window-manager close):
    // there is nothing left to draw on.
    quitFlag = 1;
}

void onCreate(platform::Window* window) {
    bindGL(window);
    platform::showCursor(false);
    initShow(showOptions);
}

}  // namespace

int winMain(const ShowOptions& options) {
    showOptions = options;
    framePacer = FramePacer(frameMicrosecondsAt(options.framesPerSecond));
    if (!platform::registerWindowClass(className, wndProc)) return 0;

    if (!options.windowed) {
        platform::messageBox(switchWarning, demoCaption, platform::BoxIcon::warning);
        if (!changeDisplayMode()) {
            platform::messageBox(switchFailure, demoCaption, platform::BoxIcon::error);
            // The loop never looks at quit requests: the show goes on in its
            // window at the top left of the primary monitor, at the desktop's
            // resolution.
            platform::postQuitMessage(0);
        }
    }

    // The whole show starts inside this call, in the create message.
    const auto style =
        options.windowed ? platform::WindowStyle::decorated : platform::WindowStyle::borderless;
    mainWindow =
        platform::createWindow(className, windowTitle, 0, 0, windowWidth, windowHeight, style);

    // Also without a window: these steps then find no context and do no harm.
    finishStartUp();

    if (mainWindow == nullptr) {
        // Only the teardown of a window restores the desktop; there is none.
        platform::restoreDisplayMode();
        platform::messageBox(windowFailure, className, platform::BoxIcon::error);
        return 0;
    }

    while (quitFlag == 0) {
        platform::MessageRecord message;
        if (platform::peekMessage(message)) platform::dispatchMessage(message);
        // Esc (or any other end of the window) ran the teardown inside that
        // message: the contexts are gone, so no frame is drawn.
        if (quitFlag != 0) break;
        drawFrame();
    }
    return 0;
}

std::intptr_t wndProc(platform::Window* window, unsigned message, std::uintptr_t wParam,
                      std::intptr_t lParam) {
    switch (message) {
        case platform::msgCreate:
            onCreate(window);
            return 0;
        case platform::msgDestroy:
            teardown();
            return 0;
        case platform::msgSize: {
            const int width = static_cast<int>(lParam & 0xFFFF);
            const int height = static_cast<int>((lParam >> 16) & 0xFFFF);
            resizeViewport(width, height);
            // The full-screen show keeps its 640 x 480 view; a window the
            // user resizes is filled by the picture.
            if (showOptions.windowed) camera.setViewport(width, height == 0 ? 1 : height);
            return 0;
        }
        case platform::msgPaint:
            // Never validated: the window system keeps asking for paints.
            drawFrame();
            return 0;
        case platform::msgKeyDown:
            onKeyDown(static_cast<unsigned>(wParam));
            return 0;
        case platform::msgQueryNewPalette:
            if (palette == nullptr) return 0;
            {
                platform::selectPalette(deviceContext, palette);
                const int mapped = platform::realizePalette(deviceContext);
                platform::invalidateWindow(window);
                return mapped;
            }
        case platform::msgPaletteChanged:
            if (palette != nullptr && reinterpret_cast<platform::Window*>(wParam) != window) {
                platform::selectPalette(deviceContext, palette);
                platform::realizePalette(deviceContext);
                platform::updateColors(deviceContext);
            }
            return 0;
        default:
            return platform::defWindowProc(window, message, wParam, lParam);
    }
}

void finishStartUp() { startDrawing(windowWidth, windowHeight, true); }

void startDrawing(int width, int height, bool hidesCursor) {
    resizeViewport(width, height);
    platform::showWindow(mainWindow);
    if (hidesCursor) platform::setCursorImage(false);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    camera.setup(showFieldOfView, static_cast<float>(width), static_cast<float>(height));
}

void initShow(const ShowOptions& options) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    loadTextures();
    // The angle table takes the first draws of the seeded generator and the
    // scene director all later ones: this order fixes the whole show.
    seedRandom(options.seed ? *options.seed : static_cast<unsigned>(std::time(nullptr)));
    fillAngleTable();
    setupLighting();
    initPathNodes();
    if (options.music) startMusic();
    chooseScene();
    updateCameraPath();
    camera.update();
}

bool bindGL(platform::Window* window) {
    deviceContext = platform::getDC(window);
    setupPixelFormat(deviceContext);
    palette = createPalette(deviceContext);
    renderingContext = platform::createGLContext(deviceContext);
    return renderingContext != nullptr &&
           platform::makeGLContextCurrent(deviceContext, renderingContext);
}

void releaseGL() {
    platform::makeGLContextCurrent(deviceContext, nullptr);
    platform::deleteGLContext(renderingContext);
    renderingContext = nullptr;
    if (palette != nullptr) platform::deletePalette(palette);
    palette = nullptr;
    platform::releaseDC(mainWindow, deviceContext);
}

void resizeViewport(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void setupPixelFormat(platform::DeviceContext* dc) {
    pixelFormatRequest = platform::PixelFormat{};
    pixelFormatRequest.flags =
        platform::pfdDrawToWindow | platform::pfdSupportOpenGL | platform::pfdDoubleBuffer;
    pixelFormatRequest.rgba = true;
    pixelFormatRequest.colorBits = 24;
    pixelFormatRequest.depthBits = 32;
    const int index = platform::choosePixelFormat(dc, pixelFormatRequest);
    platform::setPixelFormat(dc, index, pixelFormatRequest);
}

platform::Palette* createPalette(platform::DeviceContext* dc) {
    const platform::PixelFormat format = platform::describePixelFormat(dc);
    if ((format.flags & platform::pfdNeedPalette) == 0) return nullptr;

    const int entryCount = 1 << format.colorBits;
    std::vector<platform::PaletteEntry> entries(static_cast<std::size_t>(entryCount));
    // Spreads each channel's levels evenly over 0..255; a channel of 0 bits is 0.
    auto level = [](int index, int shift, int bits) -> std::uint8_t {
        const int mask = (1 << bits) - 1;
        if (mask == 0) return 0;
        return static_cast<std::uint8_t>(static_cast<double>((index >> shift) & mask) * 255.0 / mask);
    };
    for (int i = 0; i < entryCount; ++i) {
        auto& entry = entries[static_cast<std::size_t>(i)];
        entry.red = level(i, format.redShift, format.redBits);
        entry.green = level(i, format.greenShift, format.greenBits);
        entry.blue = level(i, format.blueShift, format.blueBits);
        entry.flags = 0;
    }
    platform::Palette* created = platform::createPalette(entries);
    platform::selectPalette(dc, created);
    platform::realizePalette(dc);
    return created;
}
