// The show's TGA reader: strict, bounds-checked, and small. It reads
// true-colour images (uncompressed or run-length, 24 or 32 bits, either
// vertical origin) whose sides are powers of two up to 4096, and hands back
// red-green-blue(-alpha) bytes in packed rows, the image's top row first.
#pragma once

#include <memory>
#include <string>
#include <vector>

// What LoadTGA returns; the texture set-up reads these four fields in order.
struct _IMAGE_INFO {
    unsigned char* pixels;
    int height;
    int width;
    int components;  // 3: red, green, blue; 4: red, green, blue, alpha
};

class TexLoader {
public:
    // Null when the file cannot be used; error() then says why, naming the
    // file. The record and its pixels belong to this loader.
    _IMAGE_INFO* LoadTGA(const char* path);
    const std::string& error() const { return lastError; }

private:
    _IMAGE_INFO image{};
    std::vector<unsigned char> pixelBytes;
    std::string lastError;
};
