// The committed images and music in stuff/ are what the show can use: TGA
// files that OpenGL 1.1 accepts as they are, and an MP3 track the audio
// library can play. Runs with the repository root as working directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/tga.h"

namespace {

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool isPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

std::vector<std::string> textureFiles() {
    std::vector<std::string> files = {"stuff/texb.tga", "stuff/text.tga", "stuff/texl.tga"};
    for (int i = 1; i <= 10; ++i) files.push_back("stuff/frase" + std::to_string(i) + ".tga");
    return files;
}

// Bytes of pixel data that a run-length stream of w*h pixels takes, or -1
// when the stream ends early or a packet crosses the end of the file.
long runLengthBytes(const std::vector<unsigned char>& f, size_t start, long pixels) {
    size_t pos = start;
    long seen = 0;
    while (seen < pixels) {
        if (pos >= f.size()) return -1;
        const int count = (f[pos] & 0x7F) + 1;
        const size_t data = (f[pos] & 0x80) ? 3 : 3 * size_t(count);
        pos += 1 + data;
        seen += count;
        if (pos > f.size()) return -1;
    }
    return seen == pixels ? long(pos - start) : -1;
}

}  // namespace

TEST(MediaFiles, EveryTextureIsATrueColourTgaWithPowerOfTwoSides) {
    for (const std::string& path : textureFiles()) {
        SCOPED_TRACE(path);
        const auto f = readFile(path);
        ASSERT_GE(f.size(), 18u) << "missing or truncated";
        const int idLength = f[0], colourMapType = f[1], type = f[2];
        const int width = f[12] | f[13] << 8, height = f[14] | f[15] << 8;
        EXPECT_EQ(0, colourMapType);
        EXPECT_TRUE(type == 2 || type == 10) << "image type " << type;
        EXPECT_EQ(24, f[16]) << "bits per pixel";
        EXPECT_EQ(0, f[17] & 0xCF) << "only the vertical origin bit may be set";
        EXPECT_TRUE(isPowerOfTwo(width)) << "width " << width;
        EXPECT_TRUE(isPowerOfTwo(height)) << "height " << height;
        if (path.find("frase") != std::string::npos) {
            // The backdrop shows the top-left 640 x 480 texel for texel.
            EXPECT_EQ(1024, width);
            EXPECT_EQ(512, height);
        }
        const size_t start = 18 + size_t(idLength);
        const long pixels = long(width) * height;
        const long dataBytes = type == 10 ? runLengthBytes(f, start, pixels) : 3 * pixels;
        ASSERT_GE(dataBytes, 0) << "run-length data ends before " << pixels << " pixels";
        // At most a TGA 2.0 footer (26 bytes) may follow the pixels.
        EXPECT_LE(start + size_t(dataBytes), f.size());
        EXPECT_GE(start + size_t(dataBytes) + 26, f.size());
    }
}

TEST(MediaFiles, TheShowsReaderLoadsEveryTextureAsRgb) {
    for (const std::string& path : textureFiles()) {
        SCOPED_TRACE(path);
        TexLoader loader;
        const _IMAGE_INFO* image = loader.LoadTGA(path.c_str());
        ASSERT_NE(nullptr, image) << loader.error();
        EXPECT_EQ(3, image->components);
        EXPECT_TRUE(isPowerOfTwo(image->width) && isPowerOfTwo(image->height));
    }
}

// The can shows the label's rows from t = 0 (top) to 95/128: the red brand
// band must sit inside them, with the image's first row at the top.
TEST(MediaFiles, LabelBrandBandLiesInTheRowsTheCanShows) {
    TexLoader loader;
    const _IMAGE_INFO* image = loader.LoadTGA("stuff/texl.tga");
    ASSERT_NE(nullptr, image) << loader.error();
    auto pixel = [&](int x, int y) { return image->pixels + 3 * (size_t(y) * image->width + x); };
    const int visibleRows = image->height * 95 / 128;
    const unsigned char* band = pixel(0, visibleRows / 5);  // left edge, between the copies of the name
    EXPECT_GT(band[0], band[1] + 80) << "red over green in the brand band";
    const unsigned char* below = pixel(0, image->height - 1);
    EXPECT_NEAR(below[0], below[1], 16) << "the unseen bottom rows are plain metal";
}

TEST(MediaFiles, MusicIsAnMp3TrackOfOneToTwoMinutesInStereoAt44100) {
    const auto f = readFile("stuff/kelvora.mp3");
    ASSERT_GE(f.size(), 4u) << "stuff/kelvora.mp3 missing or empty";
    size_t pos = 0;
    if (f[0] == 'I' && f[1] == 'D' && f[2] == '3' && f.size() >= 10)  // skip an ID3v2 tag
        pos = 10 + (size_t(f[6] & 0x7F) << 21 | size_t(f[7] & 0x7F) << 14 | size_t(f[8] & 0x7F) << 7 | (f[9] & 0x7F));
    ASSERT_LT(pos + 4, f.size());
    const unsigned char* h = &f[pos];
    ASSERT_EQ(0xFF, h[0]) << "frame sync";
    ASSERT_EQ(0xE0, h[1] & 0xE0) << "frame sync";
    EXPECT_EQ(3, (h[1] >> 3) & 3) << "MPEG-1";
    EXPECT_EQ(1, (h[1] >> 1) & 3) << "Layer III";
    static const int kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    const int bitrate = kbps[h[2] >> 4];
    EXPECT_GE(bitrate, 128);
    EXPECT_EQ(0, (h[2] >> 2) & 3) << "44.1 kHz";
    EXPECT_NE(3, h[3] >> 6) << "not mono";
    if (bitrate > 0) {
        const double seconds = double(f.size() - pos) * 8 / (bitrate * 1000.0);
        EXPECT_GE(seconds, 60.0);
        EXPECT_LE(seconds, 121.0);
    }
}
