#include "platform/box_text.h"

namespace platform {

namespace {

constexpr char32_t replacement = U'\uFFFD';
constexpr char32_t ellipsis = U'\u2026';

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes UTF-8 as the Unicode standard recommends: a maximal subpart of a
// well-formed sequence that breaks off, or a byte that can start none, is one
// U+FFFD. Overlong forms, surrogates and values past U+10FFFF are invalid.
std::u32string decode(std::string_view bytes) {
    std::u32string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int length = 0;
        char32_t value = 0;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (lead < 0x80) {
            out += lead;
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, value = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, value = lead & 0x07;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
        } else {
            out += replacement;
            ++i;
            continue;
        }
        std::size_t next = i + 1;
        for (int k = 1; k < length; ++k, ++next) {
            if (next >= bytes.size()) break;
            const auto byte = static_cast<unsigned char>(bytes[next]);
            if (!isContinuation(byte) || (k == 1 && (byte < low || byte > high))) break;
            value = (value << 6) | (byte & 0x3F);
        }
        out += next - i == static_cast<std::size_t>(length) ? value : replacement;
        i = next;
    }
    return out;
}

std::string encode(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The word's middle gives way to an ellipsis. What follows a path's last "/"
// is kept whole when it leaves room for a start; otherwise both ends are kept.
std::u32string shortened(const std::u32string& word, std::size_t maxLength) {
    if (word.size() <= maxLength) return word;
    if (maxLength < 2) return word.substr(0, maxLength);
    const std::size_t room = maxLength - 1;  // for the ellipsis
    const std::size_t slash = word.find_last_of(U'/', word.size() - 2);
    std::size_t tail = room / 2;
    if (slash != std::u32string::npos && word.size() - slash < room) tail = word.size() - slash;
    return word.substr(0, room - tail) + ellipsis + word.substr(word.size() - tail);
}

}  // namespace

std::string fitBoxText(std::string_view text, std::size_t maxWordLength) {
    const std::u32string decoded = decode(text);
    std::u32string out;
    std::size_t start = 0;
    while (start < decoded.size()) {
        std::size_t end = decoded.find_first_of(U" \n", start);
        if (end == start) {
            out += decoded[start++];
            continue;
        }
        if (end == std::u32string::npos) end = decoded.size();
        out += shortened(decoded.substr(start, end - start), maxWordLength);
        start = end;
    }
    return encode(out);
}

}  // namespace platform
