#include "app/keyboard.h"

#include "app/shell.h"
#include "platform/platform.h"
#include "show/scene_director.h"

namespace {

constexpr float scaleKeyStep = 10.0f;   // F1, F2
constexpr float vertexKeyStep = 10.0f;  // F3, F4
// F3 stops here so that the can walk always advances.
constexpr float smallestSteppableVertexStep = 10.0f;

}  // namespace

void onKeyDown(unsigned virtualKey) {
    switch (virtualKey) {
        case platform::vkEscape:
            // The teardown, closing box included, runs inside destroyWindow.
            platform::destroyWindow(mainWindow);
            quitFlag = 1;
            break;
        case platform::vkF1:
            sceneScale += scaleKeyStep;
            break;
        case platform::vkF2:
            sceneScale -= scaleKeyStep;
            break;
        case platform::vkF3:
            if (vertexStep > smallestSteppableVertexStep) vertexStep -= vertexKeyStep;
            break;
        case platform::vkF4:
            vertexStep += vertexKeyStep;
            break;
        default:
            break;
    }
}
