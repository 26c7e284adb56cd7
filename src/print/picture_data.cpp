#include "print/picture_data.h"

#include <cstring>

namespace qv {
namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

const EmbeddedPicture* FindPicture(std::string_view name) {
    for (std::size_t i = 0; i < kEmbeddedPictureCount; ++i)
        if (name == kEmbeddedPictures[i].name)
            return &kEmbeddedPictures[i];
    return nullptr;
}

PngImage ReadPngForPdf(const unsigned char* bytes, std::size_t size) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PngImage image;
    if (size < 8 || std::memcmp(bytes, kSignature, 8) != 0)
        return {};
    std::size_t pos = 8;
    bool header = false;
    while (pos + 12 <= size) {
        const std::uint32_t length = BigEndian32(bytes + pos);
        const unsigned char* type = bytes + pos + 4;
        if (length > size - pos - 12)
            return {};
        const unsigned char* body = bytes + pos + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // Width, height, bit depth 8, colour type 2 (RGB), no interlace.
            if (length != 13 || body[8] != 8 || body[9] != 2 || body[12] != 0)
                return {};
            image.width = BigEndian32(body);
            image.height = BigEndian32(body + 4);
            header = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            image.data.append(reinterpret_cast<const char*>(body), length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        pos += 12 + length;
    }
    if (!header || image.width == 0 || image.height == 0 || image.data.empty())
        return {};
    return image;
}

} // namespace qv
