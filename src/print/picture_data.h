// The program's pictures as PNG files compiled into the print subsystem: the
// class icons "class_00" .. "class_96" and the replica bitmaps "MASTER", "RW",
// "RO", "SR", "SPRW", "SPRO".
#pragma once

#include "core/replica_vocabulary.h" // ReplicaPictureName: the bitmap of a replica type

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

struct EmbeddedPicture {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

extern const EmbeddedPicture kEmbeddedPictures[];
extern const std::size_t kEmbeddedPictureCount;

// The PNG of a picture by name, or nullptr.
const EmbeddedPicture* FindPicture(std::string_view name);

// What a PDF needs of a PNG (8-bit RGB, not interlaced): its size and its
// compressed image data (the IDAT chunks joined), which a PDF reads with the
// PNG predictors. Empty data when the file is not such a PNG.
struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string data;
};
PngImage ReadPngForPdf(const unsigned char* bytes, std::size_t size);

} // namespace qv
