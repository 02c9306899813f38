#include "platform/ui/Picture.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

// libjpeg's header needs the standard types declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/os/Files.h"

namespace ui {

namespace {

constexpr size_t kMaxFileBytes = size_t{256} << 20;
constexpr long kMaxDecoderMemory = 512L << 20;  // beyond it libjpeg stops with an error
// A Huffman-coded JPEG spends at least one bit on each 8 x 8 block of its most finely sampled
// component, which covers at worst 256 pixels of the picture: more than 2048 pixels per byte
// of the file cannot be a whole picture. Decoding such a declared size only to find the data
// missing takes seconds, so it is refused at once (with room to spare for odd encoders).
constexpr uint64_t kMaxPixelsPerByte = 8192;

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back
// into the step that called libjpeg. Warnings are kept quiet; a file that ends too early counts.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool truncated;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<ErrorManager*>(info->err)->truncated = true;
}

struct Decoder {
    jpeg_decompress_struct info;
    ErrorManager err;
    bool created;
};

// Each step below calls libjpeg under a setjmp of its own and holds no object with a destructor,
// so that the jump of an error skips nothing; it answers false after an error.
bool Begin(Decoder& d, const std::string& bytes) {
    d.info.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = OnError;
    d.err.pub.emit_message = OnMessage;
    d.err.truncated = false;
    d.created = false;
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.info, TRUE);
    return true;
}

bool ScaledSize(Decoder& d, int num, JDIMENSION& width, JDIMENSION& height) {
    if (setjmp(d.err.jump))
        return false;
    d.info.scale_num = static_cast<unsigned>(num);
    d.info.scale_denom = 8;
    d.info.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&d.info);
    width = d.info.output_width;
    height = d.info.output_height;
    return true;
}

bool Start(Decoder& d) {
    if (setjmp(d.err.jump))
        return false;
    jpeg_start_decompress(&d.info);
    return d.info.output_components == 3;
}

using RowSink = void (*)(void* context, const JSAMPLE* row, JDIMENSION y);

bool ReadRows(Decoder& d, JSAMPROW row, RowSink sink, void* context) {
    if (setjmp(d.err.jump))
        return false;
    while (d.info.output_scanline < d.info.output_height) {
        const JDIMENSION y = d.info.output_scanline;
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
            return false;
        sink(context, row, y);
    }
    return true;
}

class DecoderGuard {
public:
    explicit DecoderGuard(Decoder& d) : d_(d) {}
    ~DecoderGuard() {
        if (d_.created)
            jpeg_destroy_decompress(&d_.info);
    }
    DecoderGuard(const DecoderGuard&) = delete;
    DecoderGuard& operator=(const DecoderGuard&) = delete;

private:
    Decoder& d_;
};

PictureError NotReadable(const std::string& path) {
    return PictureError("Die Datei " + path + " ist keine lesbare JPEG-Grafikdatei.");
}

// Averages rows of the decoded picture into the rows of the smaller bitmap as they arrive.
struct Shrink {
    int sourceWidth, sourceHeight;
    Bitmap* out;
    std::vector<int> column;          // source column -> target column
    std::vector<uint32_t> perColumn;  // source columns per target column
    std::vector<uint64_t> sums;       // per target column and colour
    int row = 0;                      // the target row being summed
    uint32_t rows = 0;                // source rows summed into it

    void Flush() {
        if (rows == 0)
            return;
        uint8_t* dst = out->pixels.data() + static_cast<size_t>(row) * Bitmap::Stride(out->width);
        for (int x = 0; x < out->width; ++x) {
            const uint64_t n = uint64_t{perColumn[static_cast<size_t>(x)]} * rows;
            for (int c = 0; c < 3; ++c) {
                const uint64_t v = n ? (sums[static_cast<size_t>(x) * 3 + static_cast<size_t>(c)] + n / 2) / n : 0;
                dst[x * 3 + (2 - c)] = static_cast<uint8_t>(v);  // RGB in, BGR out
            }
        }
        std::fill(sums.begin(), sums.end(), 0);
        rows = 0;
    }

    static void Take(void* context, const JSAMPLE* src, JDIMENSION y) {
        auto& s = *static_cast<Shrink*>(context);
        const int target = static_cast<int>(int64_t{y} * s.out->height / s.sourceHeight);
        if (target != s.row) {
            s.Flush();
            s.row = target;
        }
        uint64_t* sums = s.sums.data();
        const int* column = s.column.data();
        for (int x = 0; x < s.sourceWidth; ++x) {
            uint64_t* cell = sums + static_cast<size_t>(column[x]) * 3;
            cell[0] += src[0];
            cell[1] += src[1];
            cell[2] += src[2];
            src += 3;
        }
        ++s.rows;
    }
};

// Keeps every decoded row (small pictures shown larger than they are).
struct Keep {
    int width;
    std::vector<uint8_t> rgb;
    static void Take(void* context, const JSAMPLE* src, JDIMENSION y) {
        auto& k = *static_cast<Keep*>(context);
        std::copy(src, src + k.width * 3, k.rgb.begin() + static_cast<std::ptrdiff_t>(size_t{y} * k.width * 3));
    }
};

}  // namespace

uint32_t Bitmap::At(int x, int y) const {
    const uint8_t* p = pixels.data() + static_cast<size_t>(y) * Stride(width) + static_cast<size_t>(x) * 3;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void FitInto(int width, int height, int boxWidth, int boxHeight, int& fitWidth, int& fitHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        fitWidth = fitHeight = 0;
        return;
    }
    if (int64_t{width} * boxHeight >= int64_t{height} * boxWidth) {
        fitWidth = boxWidth;
        fitHeight = static_cast<int>(int64_t{boxWidth} * height / width);
    } else {
        fitHeight = boxHeight;
        fitWidth = static_cast<int>(int64_t{boxHeight} * width / height);
    }
    fitWidth = std::max(fitWidth, 1);
    fitHeight = std::max(fitHeight, 1);
}

JpegFile::JpegFile(const std::string& path) : path_(path) {
    if (!os::ReadWholeFile(path, bytes_, kMaxFileBytes))
        throw PictureError("Die Datei " + path + " kann nicht gelesen werden.");
    Decoder d{};
    DecoderGuard guard(d);
    if (!Begin(d, bytes_) || d.info.image_width == 0 || d.info.image_height == 0)
        throw NotReadable(path);
    if (uint64_t{d.info.image_width} * d.info.image_height > kMaxPixelsPerByte * bytes_.size())
        throw NotReadable(path);
    width_ = static_cast<int>(d.info.image_width);
    height_ = static_cast<int>(d.info.image_height);
}

Bitmap JpegFile::Decode(int width, int height) const {
    Bitmap out;
    if (width <= 0 || height <= 0)
        return out;
    Decoder d{};
    DecoderGuard guard(d);
    if (!Begin(d, bytes_))
        throw NotReadable(path_);
    // The smallest scale that still gives at least the wanted size.
    JDIMENSION sw = 0, sh = 0;
    for (int num = 1; num <= 8; ++num) {
        if (!ScaledSize(d, num, sw, sh))
            throw NotReadable(path_);
        if (static_cast<int64_t>(sw) >= width && static_cast<int64_t>(sh) >= height)
            break;
    }
    if (!Start(d))
        throw NotReadable(path_);
    out.width = width;
    out.height = height;
    out.pixels.assign(Bitmap::Stride(width) * static_cast<size_t>(height), 0);
    std::vector<JSAMPLE> row(static_cast<size_t>(sw) * 3);
    const int w = static_cast<int>(sw), h = static_cast<int>(sh);
    if (w >= width && h >= height) {
        Shrink s{w, h, &out, std::vector<int>(sw), std::vector<uint32_t>(static_cast<size_t>(width)),
                 std::vector<uint64_t>(static_cast<size_t>(width) * 3)};
        for (int x = 0; x < w; ++x) {
            s.column[static_cast<size_t>(x)] = static_cast<int>(int64_t{x} * width / w);
            ++s.perColumn[static_cast<size_t>(s.column[static_cast<size_t>(x)])];
        }
        if (!ReadRows(d, row.data(), &Shrink::Take, &s) || d.err.truncated)
            throw NotReadable(path_);
        s.Flush();
        return out;
    }
    Keep k{w, std::vector<uint8_t>(static_cast<size_t>(w) * static_cast<size_t>(h) * 3)};
    if (!ReadRows(d, row.data(), &Keep::Take, &k) || d.err.truncated)
        throw NotReadable(path_);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = k.rgb.data() + static_cast<size_t>(int64_t{y} * h / height) * static_cast<size_t>(w) * 3;
        uint8_t* dst = out.pixels.data() + static_cast<size_t>(y) * Bitmap::Stride(width);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = src + static_cast<size_t>(int64_t{x} * w / width) * 3;
            dst[x * 3] = p[2];
            dst[x * 3 + 1] = p[1];
            dst[x * 3 + 2] = p[0];
        }
    }
    return out;
}

}  // namespace ui
