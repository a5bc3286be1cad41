#include "assets/tga.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

constexpr std::size_t headerSize = 18;
constexpr int maxSide = 4096;  // what the show's textures may be at most
constexpr int typeTrueColour = 2;
constexpr int typeTrueColourRunLength = 10;
constexpr int descriptorRightToLeft = 0x10;
constexpr int descriptorTopToBottom = 0x20;
constexpr int descriptorInterleaving = 0xC0;
constexpr int packetIsRun = 0x80;
constexpr int packetCountMask = 0x7F;

// Thrown with the reason (without the file name) when the file cannot be used.
struct Unusable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& reason) { throw Unusable(reason); }

std::string num(std::uintmax_t value) { return std::to_string(value); }

struct Header {
    int idLength;
    int width;
    int height;
    int bytesPerPixel;
    bool runLength;
    bool topToBottom;
    bool rightToLeft;
};

const char* typeName(int type) {
    switch (type) {
        case 0: return "no image data";
        case 1: return "colour-mapped";
        case 3: return "grey-scale";
        case 9: return "run-length colour-mapped";
        case 11: return "run-length grey-scale";
        case 32:
        case 33: return "compressed colour-mapped";
        default: return "unknown";
    }
}

int little16(const unsigned char* p) { return p[0] | p[1] << 8; }

bool isPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

void checkSide(const char* side, int value, const char* bytes) {
    const std::string where = std::string(" (header bytes ") + bytes + ")";
    if (value == 0) fail(std::string(side) + " is 0" + where);
    if (value > maxSide)
        fail(std::string(side) + " " + num(value) + where + " is larger than " + num(maxSide));
    if (!isPowerOfTwo(value))
        fail(std::string(side) + " " + num(value) + where + " is not a power of two");
}

// Checked in the order that gives the most telling reason: a grey-scale file
// is reported as grey-scale, not as having 8 bits per pixel.
Header parseHeader(const unsigned char* h) {
    const int type = h[2];
    if (type != typeTrueColour && type != typeTrueColourRunLength)
        fail("image type " + num(type) + " (" + typeName(type) +
             ") is not supported; only true-colour types 2 and 10 are");
    if (h[1] != 0) fail("has a colour map (header byte 1 is " + num(h[1]) + ")");
    const int bits = h[16];
    if (bits != 24 && bits != 32)
        fail(num(bits) + " bits per pixel (header byte 16) is not supported; only 24 or 32");
    const int descriptor = h[17];
    if (descriptor & descriptorInterleaving)
        fail("interleaved rows (header byte 17 is " + num(descriptor) + ") are not supported");
    Header header{};
    header.idLength = h[0];
    header.width = little16(h + 12);
    header.height = little16(h + 14);
    checkSide("width", header.width, "12-13");
    checkSide("height", header.height, "14-15");
    header.bytesPerPixel = bits / 8;
    header.runLength = type == typeTrueColourRunLength;
    header.topToBottom = descriptor & descriptorTopToBottom;
    header.rightToLeft = descriptor & descriptorRightToLeft;
    return header;
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File openFile(const char* path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) fail("no such file");
    if (status.type() == std::filesystem::file_type::directory) fail("is a directory, not a file");
    // A pipe or device could block the show or never end.
    if (!ec && status.type() != std::filesystem::file_type::regular) fail("is not a regular file");
    File file(std::fopen(path, "rb"), &std::fclose);
    if (!file) fail(std::string("cannot be opened: ") + std::strerror(errno));
    return file;
}

// Appends up to `count` bytes; stops early only at the end of the file.
void readInto(std::FILE* file, std::vector<unsigned char>& bytes, std::size_t count) {
    const std::size_t start = bytes.size();
    bytes.resize(start + count);
    const std::size_t got = std::fread(bytes.data() + start, 1, count, file);
    if (std::ferror(file)) fail("read error at byte " + num(start + got) + ": " + std::strerror(errno));
    bytes.resize(start + got);
}

// Turns the file's blue-green-red(-alpha) pixels, in file order, into packed
// red-green-blue(-alpha) rows with the image's top row first.
class PixelSink {
public:
    PixelSink(const Header& h, std::vector<unsigned char>& out) : h(h), out(out) {
        out.assign(pixelCount() * h.bytesPerPixel, 0);
    }
    // noexcept: the web build would otherwise make each call through
    // JavaScript, as it does every call that might throw inside a try.
    std::size_t pixelCount() const noexcept { return static_cast<std::size_t>(h.width) * h.height; }
    void put(std::size_t index, const unsigned char* bgra) noexcept {
        std::size_t row = index / h.width;
        std::size_t column = index % h.width;
        if (!h.topToBottom) row = h.height - 1 - row;
        if (h.rightToLeft) column = h.width - 1 - column;
        unsigned char* rgba = &out[(row * h.width + column) * h.bytesPerPixel];
        rgba[0] = bgra[2];
        rgba[1] = bgra[1];
        rgba[2] = bgra[0];
        if (h.bytesPerPixel == 4) rgba[3] = bgra[3];
    }

private:
    const Header& h;
    std::vector<unsigned char>& out;
};

std::string pixelOf(std::size_t pixel, std::size_t total) {
    return "pixel " + num(pixel) + " of " + num(total);
}

void decodeUncompressed(const std::vector<unsigned char>& file, std::size_t at, const Header& h,
                        PixelSink& sink) {
    const std::size_t total = sink.pixelCount();
    const std::size_t size = h.bytesPerPixel;
    for (std::size_t pixel = 0; pixel < total; ++pixel, at += size) {
        if (file.size() < at + size)
            fail("file ends at byte " + num(file.size()) + ", inside the pixel data (" +
                 pixelOf(pixel, total) + ")");
        sink.put(pixel, &file[at]);
    }
}

// Packets may cross row ends (many writers do that) but never the image's end.
void decodeRunLength(const std::vector<unsigned char>& file, std::size_t at, const Header& h,
                     PixelSink& sink) {
    const std::size_t total = sink.pixelCount();
    const std::size_t size = h.bytesPerPixel;
    for (std::size_t pixel = 0; pixel < total;) {
        const std::size_t packetAt = at;
        if (at >= file.size())
            fail("file ends at byte " + num(file.size()) + ", before the packet for " +
                 pixelOf(pixel, total));
        const int head = file[at++];
        const bool run = head & packetIsRun;
        const std::size_t count = (head & packetCountMask) + 1;
        // Named only for a failure: building the name for every packet costs
        // the web build a call through JavaScript each (it catches exceptions).
        const auto packet = [&] {
            return std::string(run ? "run-length" : "raw") + " packet at byte " + num(packetAt);
        };
        if (count > total - pixel)
            fail(packet() + " runs past the end of the image (" + pixelOf(pixel, total) + ", " +
                 num(count) + " pixels long)");
        const std::size_t dataSize = run ? size : count * size;
        if (file.size() < at + dataSize)
            fail("file ends at byte " + num(file.size()) + ", inside the " + packet() + " (" +
                 pixelOf(pixel, total) + ")");
        for (std::size_t i = 0; i < count; ++i) sink.put(pixel + i, &file[run ? at : at + i * size]);
        pixel += count;
        at += dataSize;
    }
}

}  // namespace

_IMAGE_INFO* TexLoader::LoadTGA(const char* path) {
    image = {};
    pixelBytes.clear();
    lastError.clear();
    if (path == nullptr) {
        lastError = "(no file name): cannot read a texture without a path";
        return nullptr;
    }
    try {
        File handle = openFile(path);
        std::vector<unsigned char> file;
        readInto(handle.get(), file, headerSize);
        if (file.size() < headerSize)
            fail("file ends at byte " + num(file.size()) + ", inside the " + num(headerSize) +
                 "-byte header");
        const Header h = parseHeader(file.data());
        // Read no more than the header allows: a run-length image is at worst
        // one packet byte per pixel longer than an uncompressed one. Footers
        // and extension areas after the pixels are not needed.
        const std::size_t pixels = static_cast<std::size_t>(h.width) * h.height;
        std::size_t wanted = h.idLength + pixels * (h.bytesPerPixel + (h.runLength ? 1 : 0));
        std::error_code ec;
        const std::uintmax_t onDisk = std::filesystem::file_size(path, ec);
        if (!ec && onDisk >= headerSize) wanted = std::min<std::uintmax_t>(wanted, onDisk - headerSize);
        readInto(handle.get(), file, wanted);

        const std::size_t dataAt = headerSize + h.idLength;
        if (file.size() < dataAt)
            fail("file ends at byte " + num(file.size()) + ", inside the " + num(h.idLength) +
                 "-byte image ID field");
        PixelSink sink(h, pixelBytes);
        if (h.runLength)
            decodeRunLength(file, dataAt, h, sink);
        else
            decodeUncompressed(file, dataAt, h, sink);
        image.pixels = pixelBytes.data();
        image.height = h.height;
        image.width = h.width;
        image.components = h.bytesPerPixel;
        return &image;
    } catch (const Unusable& e) {
        lastError = std::string(path) + ": " + e.what();
    } catch (const std::bad_alloc&) {
        lastError = std::string(path) + ": not enough memory to read it";
    }
    pixelBytes = {};
    return nullptr;
}
