// Test helpers: TGA files made byte by byte in a temporary folder, so that no
// binary fixture is needed.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace tgatest {

struct Layout {
    int width = 4;
    int height = 4;
    int components = 3;  // 3: 24 bits, 4: 32 bits
    bool runLength = false;
    bool topToBottom = false;  // the default TGA origin is the bottom left
    bool rightToLeft = false;
    std::string id;  // the image ID field
};

// Channel values that survive a 5-bit texture format unchanged.
inline unsigned char fiveBitExact(int q) { return static_cast<unsigned char>((q & 31) << 3 | (q & 31) >> 2); }

// Red-green-blue(-alpha) bytes, top row first: what a reader must return.
// Neighbouring pixels in pairs are equal so that run-length packets occur.
inline std::vector<unsigned char> pattern(const Layout& l, int seed = 0) {
    std::vector<unsigned char> rgba;
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            for (int c = 0; c < l.components; ++c)
                rgba.push_back(fiveBitExact((x / 2) * 7 + y * 3 + c * 11 + seed));
    return rgba;
}

inline std::vector<unsigned char> header(const Layout& l) {
    std::vector<unsigned char> h(18, 0);
    h[0] = static_cast<unsigned char>(l.id.size());
    h[2] = l.runLength ? 10 : 2;
    h[12] = l.width & 0xFF;
    h[13] = l.width >> 8 & 0xFF;
    h[14] = l.height & 0xFF;
    h[15] = l.height >> 8 & 0xFF;
    h[16] = static_cast<unsigned char>(l.components * 8);
    h[17] = static_cast<unsigned char>((l.components == 4 ? 8 : 0) | (l.rightToLeft ? 0x10 : 0) |
                                       (l.topToBottom ? 0x20 : 0));
    return h;
}

// A whole file: header, ID field, and the pixels in the layout's order as
// blue-green-red(-alpha), greedily run-length encoded when asked.
inline std::vector<unsigned char> encode(const Layout& l, const std::vector<unsigned char>& rgba) {
    const int n = l.components;
    std::vector<std::vector<unsigned char>> filePixels;
    for (int fileRow = 0; fileRow < l.height; ++fileRow)
        for (int fileColumn = 0; fileColumn < l.width; ++fileColumn) {
            const int row = l.topToBottom ? fileRow : l.height - 1 - fileRow;
            const int column = l.rightToLeft ? l.width - 1 - fileColumn : fileColumn;
            const unsigned char* p = &rgba[(static_cast<std::size_t>(row) * l.width + column) * n];
            std::vector<unsigned char> bgra{p[2], p[1], p[0]};
            if (n == 4) bgra.push_back(p[3]);
            filePixels.push_back(bgra);
        }
    std::vector<unsigned char> out = header(l);
    for (char c : l.id) out.push_back(static_cast<unsigned char>(c));
    const std::size_t total = filePixels.size();
    for (std::size_t i = 0; i < total;) {
        if (!l.runLength) {
            out.insert(out.end(), filePixels[i].begin(), filePixels[i].end());
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < total && run < 128 && filePixels[i + run] == filePixels[i]) ++run;
        if (run >= 2) {
            out.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
            out.insert(out.end(), filePixels[i].begin(), filePixels[i].end());
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < total && raw < 128 &&
               !(i + raw + 1 < total && filePixels[i + raw] == filePixels[i + raw + 1]))
            ++raw;
        out.push_back(static_cast<unsigned char>(raw - 1));
        for (std::size_t k = 0; k < raw; ++k)
            out.insert(out.end(), filePixels[i + k].begin(), filePixels[i + k].end());
        i += raw;
    }
    return out;
}

inline void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        do root = base / ("kelvora-tga-" + std::to_string(random()));
        while (!std::filesystem::create_directory(root));
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return root / name; }
    const std::filesystem::path& path() const { return root; }

private:
    std::filesystem::path root;
};

}  // namespace tgatest
