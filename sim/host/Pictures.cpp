#include "Pictures.h"

#include <cstdio>
#include <memory>
#include <vector>

// libjpeg's header needs the standard types declared first.
#include <jpeglib.h>

namespace sim {

namespace {
struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
}  // namespace

bool WriteJpeg(const std::string& path, int width, int height, unsigned seed) {
    std::unique_ptr<FILE, FileClose> out(std::fopen(path.c_str(), "wb"));
    if (!out || width <= 0 || height <= 0)
        return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out.get());
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[x * 3 + 0] = static_cast<JSAMPLE>((x * 255 / width + seed * 71) & 0xFF);
            row[x * 3 + 1] = static_cast<JSAMPLE>((y * 255 / height + seed * 37) & 0xFF);
            row[x * 3 + 2] = static_cast<JSAMPLE>((seed * 113) & 0xFF);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace sim
