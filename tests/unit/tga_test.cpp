#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/tga.h"
#include "tests/support/tga_writer.h"

// A reference reader to compare pixels with. Static, so that no other test
// file that embeds it clashes at link time.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

using tgatest::Layout;

namespace {

std::vector<unsigned char> withByte(std::vector<unsigned char> bytes, std::size_t at, unsigned char value) {
    bytes[at] = value;
    return bytes;
}

std::vector<unsigned char> cut(std::vector<unsigned char> bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

std::vector<unsigned char> sized(int width, int height) {
    Layout l;
    l.width = width;
    l.height = height;
    return tgatest::header(l);  // only the header: the reader must stop there
}

}  // namespace

// Every layout the show accepts, read by both readers from the same bytes:
// same size, same component count and the same pixels, which are also the
// ones written. stb_image, like this reader, returns the top row first unless
// told to flip, so no row reordering is needed between the two.
TEST(TgaReader, ReadsEveryAcceptedLayoutLikeStbImage) {
    tgatest::TempDir dir;
    const int sizes[][2] = {{1, 1}, {8, 4}, {4, 16}, {64, 32}, {4096, 2}};
    int fileNumber = 0;
    for (const auto& size : sizes)
        for (int components : {3, 4})
            for (bool runLength : {false, true})
                for (bool topToBottom : {false, true})
                    for (const std::string& id :
                         {std::string(), std::string("made by hand"), std::string(255, '#')}) {
                        Layout l;
                        l.width = size[0];
                        l.height = size[1];
                        l.components = components;
                        l.runLength = runLength;
                        l.topToBottom = topToBottom;
                        l.id = id;
                        const auto expected = tgatest::pattern(l, fileNumber);
                        const auto bytes = tgatest::encode(l, expected);
                        const auto path = dir / ("image" + std::to_string(fileNumber++) + ".tga");
                        tgatest::writeFile(path, bytes);
                        SCOPED_TRACE(::testing::Message()
                                     << l.width << "x" << l.height << " components " << components
                                     << (runLength ? " run-length" : " uncompressed")
                                     << (topToBottom ? " top origin" : " bottom origin")
                                     << " id length " << l.id.size());

                        TexLoader loader;
                        const _IMAGE_INFO* image = loader.LoadTGA(path.string().c_str());
                        ASSERT_NE(nullptr, image) << loader.error();
                        EXPECT_EQ("", loader.error());
                        EXPECT_EQ(l.width, image->width);
                        EXPECT_EQ(l.height, image->height);
                        EXPECT_EQ(components, image->components);
                        const std::vector<unsigned char> ours(image->pixels, image->pixels + expected.size());
                        EXPECT_EQ(expected, ours);

                        int w = 0, h = 0, n = 0;
                        unsigned char* theirs = stbi_load_from_memory(
                            bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 0);
                        ASSERT_NE(nullptr, theirs) << stbi_failure_reason();
                        EXPECT_EQ(image->width, w);
                        EXPECT_EQ(image->height, h);
                        EXPECT_EQ(image->components, n);
                        EXPECT_EQ(ours, std::vector<unsigned char>(theirs, theirs + expected.size()));
                        stbi_image_free(theirs);
                    }
}

// stb_image ignores the right-to-left flag; this reader turns the rows back
// so that the first byte is always the image's top left pixel.
TEST(TgaReader, MirrorsRightToLeftImages) {
    tgatest::TempDir dir;
    for (bool runLength : {false, true})
        for (bool topToBottom : {false, true}) {
            Layout l;
            l.width = 8;
            l.height = 2;
            l.rightToLeft = true;
            l.runLength = runLength;
            l.topToBottom = topToBottom;
            const auto expected = tgatest::pattern(l);
            tgatest::writeFile(dir / "mirrored.tga", tgatest::encode(l, expected));
            TexLoader loader;
            const _IMAGE_INFO* image = loader.LoadTGA((dir / "mirrored.tga").string().c_str());
            ASSERT_NE(nullptr, image) << loader.error();
            EXPECT_EQ(expected, std::vector<unsigned char>(image->pixels, image->pixels + expected.size()))
                << "run-length " << runLength << ", top origin " << topToBottom;
        }
}

// One run-length packet may span several rows; only the image's end limits it.
TEST(TgaReader, RunLengthPacketsMayCrossRowEnds) {
    tgatest::TempDir dir;
    std::vector<unsigned char> bytes = sized(4, 4);
    bytes[2] = 10;
    for (unsigned char b : {0x80 | 9, 1, 2, 3, 0x80 | 5, 4, 5, 6}) bytes.push_back(b);
    tgatest::writeFile(dir / "rows.tga", bytes);
    TexLoader loader;
    const _IMAGE_INFO* image = loader.LoadTGA((dir / "rows.tga").string().c_str());
    ASSERT_NE(nullptr, image) << loader.error();
    // Bottom origin: the file's first ten pixels are the bottom two rows and
    // the left half of the row above.
    std::vector<unsigned char> expected;
    for (int pixel = 0; pixel < 16; ++pixel) {
        const int fileIndex = (3 - pixel / 4) * 4 + pixel % 4;
        const bool firstRun = fileIndex < 10;
        for (unsigned char c : firstRun ? std::vector<unsigned char>{3, 2, 1}
                                        : std::vector<unsigned char>{6, 5, 4})
            expected.push_back(c);
    }
    EXPECT_EQ(expected, std::vector<unsigned char>(image->pixels, image->pixels + 48));
}

// Each unusable file is refused with its name, the reason and the place.
TEST(TgaReader, RefusesWhatTheShowCannotUseAndSaysWhereAndWhy) {
    Layout small;
    const auto good = tgatest::encode(small, tgatest::pattern(small));  // 4x4, 24 bits: 66 bytes
    Layout smallRle = small;
    smallRle.runLength = true;
    const auto goodRle = tgatest::encode(smallRle, tgatest::pattern(smallRle));
    std::vector<unsigned char> withId = good;
    withId[0] = 20;  // claims an ID field longer than what follows the header
    std::vector<unsigned char> runTooLong = sized(4, 4);
    runTooLong[2] = 10;
    for (unsigned char b : {0x80 | 127, 1, 2, 3}) runTooLong.push_back(b);
    std::vector<unsigned char> rawTooLong = sized(4, 4);
    rawTooLong[2] = 10;
    for (unsigned char b : {0x80 | 13, 1, 2, 3, 2, 7, 7, 7, 8, 8, 8, 9, 9, 9}) rawTooLong.push_back(b);
    std::vector<unsigned char> rleCutInPacket = cut(runTooLong, 20);
    rleCutInPacket[18] = 0x80 | 3;

    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        std::string reason;
    };
    const Case cases[] = {
        {"empty", {}, "file ends at byte 0, inside the 18-byte header"},
        {"short header", cut(good, 10), "file ends at byte 10, inside the 18-byte header"},
        {"short ID field", cut(withId, 23), "file ends at byte 23, inside the 20-byte image ID field"},
        {"short pixel data", cut(good, 64), "file ends at byte 64, inside the pixel data (pixel 15 of 16)"},
        {"run-length data ends between packets", cut(goodRle, goodRle.size() - 4),
         "file ends at byte " + std::to_string(goodRle.size() - 4) +
             ", before the packet for pixel 14 of 16"},
        {"run-length data ends inside a packet", rleCutInPacket,
         "file ends at byte 20, inside the run-length packet at byte 18 (pixel 0 of 16)"},
        {"run past the end", runTooLong,
         "run-length packet at byte 18 runs past the end of the image (pixel 0 of 16, 128 pixels long)"},
        {"raw packet past the end", rawTooLong,
         "raw packet at byte 22 runs past the end of the image (pixel 14 of 16, 3 pixels long)"},
        {"colour-mapped", withByte(withByte(good, 2, 1), 1, 1),
         "image type 1 (colour-mapped) is not supported; only true-colour types 2 and 10 are"},
        {"run-length colour-mapped", withByte(good, 2, 9), "image type 9 (run-length colour-mapped)"},
        {"grey-scale", withByte(withByte(good, 2, 3), 16, 8), "image type 3 (grey-scale)"},
        {"run-length grey-scale", withByte(good, 2, 11), "image type 11 (run-length grey-scale)"},
        {"no image data", withByte(good, 2, 0), "image type 0 (no image data)"},
        {"true colour with a colour map", withByte(good, 1, 1), "has a colour map (header byte 1 is 1)"},
        {"16 bits", withByte(good, 16, 16),
         "16 bits per pixel (header byte 16) is not supported; only 24 or 32"},
        {"interleaved", withByte(good, 17, 0x40), "interleaved rows (header byte 17 is 64) are not supported"},
        {"width not a power of two", sized(640, 512), "width 640 (header bytes 12-13) is not a power of two"},
        {"height not a power of two", sized(1024, 480), "height 480 (header bytes 14-15) is not a power of two"},
        {"8192 wide", sized(8192, 4), "width 8192 (header bytes 12-13) is larger than 4096"},
        {"65535 high", sized(4, 65535), "height 65535 (header bytes 14-15) is larger than 4096"},
        {"65535 both ways", sized(65535, 65535), "width 65535 (header bytes 12-13) is larger than 4096"},
        {"zero width", sized(0, 4), "width is 0 (header bytes 12-13)"},
        {"zero height", sized(4, 0), "height is 0 (header bytes 14-15)"},
    };
    tgatest::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = (dir / "bad.tga").string();
        tgatest::writeFile(path, c.bytes);
        TexLoader loader;
        EXPECT_EQ(nullptr, loader.LoadTGA(path.c_str())) << c.name;
        EXPECT_EQ(0u, loader.error().rfind(path + ": " + c.reason, 0))
            << c.name << "\n  expected: " << path << ": " << c.reason << "\n  actual:   " << loader.error();
    }
}

TEST(TgaReader, RefusesPathsThatAreNotFiles) {
    tgatest::TempDir dir;
    const std::string missing = (dir / "absent.tga").string();
    const std::string folder = dir.path().string();
    TexLoader loader;
    EXPECT_EQ(nullptr, loader.LoadTGA(missing.c_str()));
    EXPECT_EQ(missing + ": no such file", loader.error());
    EXPECT_EQ(nullptr, loader.LoadTGA(folder.c_str()));
    EXPECT_EQ(folder + ": is a directory, not a file", loader.error());
#ifndef _WIN32  // Windows keeps its devices out of the file tree
    EXPECT_EQ(nullptr, loader.LoadTGA("/dev/null"));
    EXPECT_EQ("/dev/null: is not a regular file", loader.error());
#endif
    EXPECT_EQ(nullptr, loader.LoadTGA(nullptr));
    EXPECT_NE("", loader.error());
}
