#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "platform/fake/platform_fake.h"
#include "tests/gl/gl_context.h"
#include "tests/support/tga_writer.h"

using tgatest::Layout;

namespace {

constexpr const char* fileNames[] = {
    "texb.tga",    "text.tga",    "texl.tga",    "frase1.tga",  "frase2.tga",
    "frase3.tga",  "frase4.tga",  "frase5.tga",  "frase6.tga",  "frase7.tga",
    "frase8.tga",  "frase9.tga",  "frase10.tga",
};

struct Level {
    GLint width = -1, height = -1, internalFormat = -1;
};

Level levelZero(GLuint name) {
    glBindTexture(GL_TEXTURE_2D, name);
    Level level;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &level.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &level.internalFormat);
    return level;
}

// Level 0 as packed bytes, texture row 0 first.
std::vector<unsigned char> texels(GLuint name, const Layout& l) {
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(l.width) * l.height * l.components);
    glGetTexImage(GL_TEXTURE_2D, 0, l.components == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

GLint textureParameter(GLenum parameter) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

// Each of the thirteen files gets its own size and pixels, so that a texture
// in the wrong slot shows.
Layout layoutOfSlot(int slot) {
    Layout l;
    l.width = 2 << (slot % 4);
    l.height = 2 << (slot % 3);
    l.components = slot % 2 == 0 ? 3 : 4;
    l.runLength = slot % 3 == 0;
    return l;
}

class TextureLoading : public ::testing::Test {
protected:
    void SetUp() override {
        makeOffscreenContext();
        platform::fake::reset();
        startDir = std::filesystem::current_path();
        std::filesystem::create_directory(dir / "stuff");
    }
    void TearDown() override { std::filesystem::current_path(startDir); }

    void writeStuff() {
        for (int slot = canBottomSlot; slot < textureSlotCount; ++slot) {
            const Layout l = layoutOfSlot(slot);
            tgatest::writeFile(dir / "stuff" / fileNames[slot - canBottomSlot],
                               tgatest::encode(l, tgatest::pattern(l, slot)));
        }
    }
    // Runs the start-up loading with the temporary folder as current directory.
    void loadFromTempDir() {
        std::filesystem::current_path(dir.path());
        loadTextures();
        std::filesystem::current_path(startDir);
    }
    void expectLoaded(int slot) {
        const Layout l = layoutOfSlot(slot);
        const Level level = levelZero(textureNames[slot]);
        EXPECT_EQ(l.width, level.width) << "slot " << slot;
        EXPECT_EQ(l.height, level.height) << "slot " << slot;
        EXPECT_EQ(tgatest::pattern(l, slot), texels(textureNames[slot], l)) << "slot " << slot;
    }

    tgatest::TempDir dir;
    std::filesystem::path startDir;
};

// State that the upload must set itself, whatever was in force before.
void disturbTextureState() {
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
}

}  // namespace

// Rows of 6 bytes would be padded under the default unpack alignment; the
// bottom-origin file must still come out with its top row as texture row 0.
TEST_F(TextureLoading, LoadTextureUploadsTheFilesPixelsTopRowFirst) {
    struct Case {
        Layout layout;
        GLint internalFormat;
    };
    Layout rgbBottomUp;
    rgbBottomUp.width = 2;
    rgbBottomUp.height = 8;
    Layout rgbaTopDownRunLength;
    rgbaTopDownRunLength.width = 16;
    rgbaTopDownRunLength.height = 4;
    rgbaTopDownRunLength.components = 4;
    rgbaTopDownRunLength.runLength = true;
    rgbaTopDownRunLength.topToBottom = true;
    // Channel values are exact in five bits, so a 5-bit store reads back equal.
    for (const Case& c : {Case{rgbBottomUp, GL_RGB5}, Case{rgbaTopDownRunLength, GL_RGBA}}) {
        const auto pixels = tgatest::pattern(c.layout, 3);
        const auto path = dir / "picture.tga";
        tgatest::writeFile(path, tgatest::encode(c.layout, pixels));
        disturbTextureState();
        textureNames[canLabelSlot] = 0;

        loadTexture(canLabelSlot, path.c_str());

        const GLuint name = textureNames[canLabelSlot];
        ASSERT_NE(0u, name);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLint>(name), bound);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        GLint envMode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
        EXPECT_EQ(GL_REPLACE, envMode);
        EXPECT_EQ(GL_REPEAT, textureParameter(GL_TEXTURE_WRAP_S));
        EXPECT_EQ(GL_REPEAT, textureParameter(GL_TEXTURE_WRAP_T));
        EXPECT_EQ(GL_NEAREST, textureParameter(GL_TEXTURE_MAG_FILTER));
        EXPECT_EQ(GL_NEAREST, textureParameter(GL_TEXTURE_MIN_FILTER));

        const Level level = levelZero(name);
        EXPECT_EQ(c.layout.width, level.width);
        EXPECT_EQ(c.layout.height, level.height);
        EXPECT_EQ(c.internalFormat, level.internalFormat);
        EXPECT_EQ(pixels, texels(name, c.layout)) << c.layout.components << " components";
    }
    EXPECT_EQ(0, platform::fake::count("messageBox"));
}

TEST_F(TextureLoading, LoadTexturesFillsSlotsTwoToFourteenInOrderWithoutABox) {
    writeStuff();
    loadFromTempDir();

    EXPECT_EQ(0u, textureNames[0]);
    EXPECT_EQ(0u, textureNames[1]);
    std::set<unsigned> distinct;
    for (int slot = canBottomSlot; slot < textureSlotCount; ++slot) {
        EXPECT_NE(0u, textureNames[slot]) << "slot " << slot;
        distinct.insert(textureNames[slot]);
        expectLoaded(slot);
    }
    EXPECT_EQ(13u, distinct.size());
    EXPECT_EQ(0, platform::fake::count("messageBox"));
}

TEST_F(TextureLoading, BadFilesAreListedInOneErrorBoxAndTheOtherSlotsLoad) {
    writeStuff();
    std::filesystem::remove(dir / "stuff" / "texl.tga");
    std::filesystem::resize_file(dir / "stuff" / "frase3.tga", 30);
    loadFromTempDir();

    ASSERT_EQ(1, platform::fake::count("messageBox "));
    const int box = platform::fake::find("messageBox error Kelvora: ");
    ASSERT_NE(-1, box);
    const std::string& text = platform::fake::journal()[box];
    EXPECT_NE(std::string::npos, text.find("\nstuff/texl.tga: no such file")) << text;
    EXPECT_NE(std::string::npos, text.find("\nstuff/frase3.tga: file ends at byte 30, inside the"))
        << text;
    // The missing one was looked for in the installed folder too.
    EXPECT_NE(std::string::npos, text.find("and in the installed folder\n" +
                                           platform::fake::script().installedDataFolder + "\n"))
        << text;
    EXPECT_EQ(std::string::npos, text.find("Start the show")) << text;
    EXPECT_EQ(std::string::npos, text.find("texb.tga")) << text;

    // The failed slots still name a texture, configured but without an image.
    for (int slot : {int{canLabelSlot}, firstPhraseSlot + 2}) {
        ASSERT_NE(0u, textureNames[slot]) << "slot " << slot;
        EXPECT_EQ(0, levelZero(textureNames[slot]).width) << "slot " << slot;
        EXPECT_EQ(GL_REPEAT, textureParameter(GL_TEXTURE_WRAP_T)) << "slot " << slot;
        EXPECT_EQ(GL_NEAREST, textureParameter(GL_TEXTURE_MIN_FILTER)) << "slot " << slot;
    }
    for (int slot = canBottomSlot; slot < textureSlotCount; ++slot)
        if (slot != canLabelSlot && slot != firstPhraseSlot + 2) expectLoaded(slot);
}

// The likeliest mistake, starting the show from another folder, is named as
// such, with both places searched.
TEST_F(TextureLoading, WithoutAStuffFolderTheBoxNamesBothPlacesSearched) {
    std::filesystem::remove(dir / "stuff");
    loadFromTempDir();

    ASSERT_EQ(1, platform::fake::count("messageBox error Kelvora: "));
    const std::string& text = platform::fake::journal()[platform::fake::find("messageBox")];
    const std::string hint = "messageBox error Kelvora: Looked for in the folder \"stuff\" in the current directory\n" +
                             std::filesystem::canonical(dir.path()).string() +
                             "\nand in the installed folder\n" +
                             platform::fake::script().installedDataFolder +
                             "\nStart the show from the folder that holds \"stuff\",\nor install it.\n";
    EXPECT_EQ(0u, text.rfind(hint, 0)) << "expected start: " << hint << "\nactual: " << text;
    for (const char* file : fileNames)
        EXPECT_NE(std::string::npos, text.find("stuff/" + std::string(file) + ": no such file")) << file;
}

// Started elsewhere, an installed show reads the installed folder, also past
// a folder "stuff" there that is not the show's (a user's own).
TEST_F(TextureLoading, WithoutTheFilesHereTheInstalledFolderIsRead) {
    writeStuff();
    std::filesystem::rename(dir / "stuff", dir / "installed");
    std::filesystem::create_directories(dir / "elsewhere" / "stuff");
    tgatest::writeFile(dir / "elsewhere" / "stuff" / "notes.txt", {'h', 'i'});
    platform::fake::script().installedDataFolder = (dir / "installed").string();
    std::filesystem::current_path(dir / "elsewhere");
    loadTextures();
    std::filesystem::current_path(startDir);

    EXPECT_EQ(0, platform::fake::count("messageBox")) << platform::fake::journal().back();
    for (int slot = canBottomSlot; slot < textureSlotCount; ++slot) expectLoaded(slot);
}

// A slot outside the table is refused without touching any name, and reported
// with the next start-up's box.
TEST_F(TextureLoading, SlotsOutsideTheTableAreRefused) {
    writeStuff();
    loadFromTempDir();
    const std::vector<unsigned> before(textureNames, textureNames + textureSlotCount);
    loadTexture(-1, "stuff/texb.tga");
    loadTexture(textureSlotCount, "stuff/texb.tga");
    EXPECT_EQ(0, platform::fake::count("messageBox"));

    loadFromTempDir();
    EXPECT_EQ(before[0], textureNames[0]);
    EXPECT_EQ(before[1], textureNames[1]);
    ASSERT_EQ(1, platform::fake::count("messageBox error Kelvora: "));
    const std::string& text = platform::fake::journal()[platform::fake::find("messageBox")];
    EXPECT_NE(std::string::npos, text.find("stuff/texb.tga: texture slot -1 does not exist")) << text;
    EXPECT_NE(std::string::npos, text.find("stuff/texb.tga: texture slot 15 does not exist")) << text;
}
