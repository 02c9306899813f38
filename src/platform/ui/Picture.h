// Pictures for the image control: JPEG files decoded at the size they are shown at.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {

// Pixels, rows top-down, 3 bytes per pixel in the order blue, green, red, each row padded to a
// multiple of 4 bytes (the layout of a Windows DIB).
struct Bitmap {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    static size_t Stride(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
    bool Empty() const { return width <= 0 || height <= 0; }
    // The pixel at (x, y) as 0xRRGGBB.
    uint32_t At(int x, int y) const;
};

// The file is missing, unreadable or no JPEG picture libjpeg can decode; what() says so in German.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The size a picture of width x height takes in a box of boxWidth x boxHeight when it is
// stretched proportionally (scaled up or down until it touches two sides, at least 1 x 1).
void FitInto(int width, int height, int boxWidth, int boxHeight, int& fitWidth, int& fitHeight);

// A JPEG file, read into memory and its header checked. Throws PictureError for anything that
// is not a readable JPEG, at once for a declared size the file is far too small to hold; a
// damaged file never ends the program.
class JpegFile {
public:
    explicit JpegFile(const std::string& path);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The picture at width x height: libjpeg decodes at the smallest of its scales 1/8 ... 8/8
    // that is not smaller than that size, and the result is averaged down (or, for a size above
    // the picture's own, repeated up) to it.
    Bitmap Decode(int width, int height) const;

private:
    std::string path_, bytes_;
    int width_ = 0, height_ = 0;
};

}  // namespace ui
