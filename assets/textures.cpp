#include "assets/textures.h"

#include <GL/gl.h>

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "assets/data_folder.h"
#include "platform/platform.h"
#include "assets/tga.h"

unsigned textureNames[textureSlotCount];

namespace {

constexpr const char* boxCaption = "Kelvora";

// In slot order, starting at canBottomSlot.
constexpr const char* textureFiles[] = {
    "texb.tga",   "text.tga",   "texl.tga",   "frase1.tga", "frase2.tga",
    "frase3.tga", "frase4.tga", "frase5.tga", "frase6.tga", "frase7.tga",
    "frase8.tga", "frase9.tga", "frase10.tga",
};
static_assert(canBottomSlot + std::size(textureFiles) == textureSlotCount);

// Files that could not be used, with why, until loadTextures shows them.
std::vector<std::string> failures;

}  // namespace

void loadTextures() {
    int slot = canBottomSlot;
    std::size_t foundNowhere = 0;
    for (const char* name : textureFiles) {
        const std::optional<std::string> found = findDataFile(name);
        if (!found) ++foundNowhere;
        loadTexture(slot++, found.value_or(missingDataFile(name)).c_str());
    }
    if (failures.empty()) return;
    // A file found nowhere: the box says where it was looked for, and, when
    // none was found (the show started from the wrong folder), what to do.
    std::string text;
    if (foundNowhere > 0) text = searchedPlacesText(foundNowhere == std::size(textureFiles)) + "\n";
    text += "These pictures could not be loaded and stay blank:\n";
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
