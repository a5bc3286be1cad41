#include "assets/textures.h"

#include <GL/gl.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "platform/tga.h"

unsigned textureNames[textureSlotCount];

namespace {

constexpr const char* assetFolder = "stuff";
constexpr const char* boxCaption = "Kelvora";

// In slot order, starting at canBottomSlot.
constexpr const char* texturePaths[] = {
    "stuff/texb.tga",    "stuff/text.tga",    "stuff/texl.tga",   "stuff/frase1.tga",
    "stuff/frase2.tga",  "stuff/frase3.tga",  "stuff/frase4.tga", "stuff/frase5.tga",
    "stuff/frase6.tga",  "stuff/frase7.tga",  "stuff/frase8.tga", "stuff/frase9.tga",
    "stuff/frase10.tga",
};
static_assert(canBottomSlot + std::size(texturePaths) == textureSlotCount);

// Files that could not be used, with why, until loadTextures shows them.
std::vector<std::string> failures;

// The usual reason for every file failing at once is a show started from the
// wrong folder; say so before the list.
std::string missingFolderHint() {
    std::error_code ec;
    if (std::filesystem::is_directory(assetFolder, ec)) return {};
    const std::filesystem::path here = std::filesystem::current_path(ec);
    // Short lines: the box has to fit a 640 x 480 screen.
    return std::string("There is no folder \"") + assetFolder + "\" in the current directory\n" +
           (ec ? std::string("(unknown)") : here.string()) +
           ".\nStart the show from the folder that holds \"" + assetFolder + "\".\n\n";
}

}  // namespace

void loadTextures() {
    int slot = canBottomSlot;
    for (const char* path : texturePaths) loadTexture(slot++, path);
    if (failures.empty()) return;
    std::string text = missingFolderHint() +
                       "These pictures could not be loaded and stay blank:\n";
    for (const std::string& failure : failures) text += "\n" + failure;
    failures.clear();
    platform::messageBox(text.c_str(), boxCaption, platform::BoxIcon::error);
}

void loadTexture(int slot, const char* path) {
    if (slot < 0 || slot >= textureSlotCount) {
        failures.push_back(std::string(path ? path : "(no file name)") + ": texture slot " +
                           std::to_string(slot) + " does not exist");
        return;
    }
    // The object is created, bound and configured before its file is read, so
    // a slot whose file fails still names a texture (one without an image).
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &textureNames[slot]);
    glBindTexture(GL_TEXTURE_2D, textureNames[slot]);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // Repetition lets the backdrop reach its rows through negative t.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    TexLoader loader;  // owns the pixels until this function returns
    const _IMAGE_INFO* image = loader.LoadTGA(path);
    if (image == nullptr) {
        failures.push_back(loader.error());
        return;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    const bool rgb = image->components == 3;
    glTexImage2D(GL_TEXTURE_2D, 0, rgb ? GL_RGB5 : GL_RGBA, image->width, image->height, 0,
                 rgb ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, image->pixels);
}
