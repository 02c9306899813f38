// The photo dialog's preview of a large picture: a 6000 x 4000 JPEG (made here) decoded at the
// size the preview shows it (417 x 278), against libjpeg-turbo decoding the same file at 1/8
// scale, the cheapest decode libjpeg offers. See README.md.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "host/Pictures.h"
#include "platform/ui/Forms.h"

namespace {

const std::string& BigPicture() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "ve1_photo_bench_6000x4000.jpg";
        if (!sim::WriteJpeg(file.string(), 6000, 4000, 7))
            std::abort();
        return file.string();
    }();
    return path;
}

// The baseline: libjpeg-turbo alone, from the file, at 1/8 scale, every row read.
void BM_Baseline_LibjpegEighth(benchmark::State& state) {
    const std::string& path = BigPicture();
    std::vector<JSAMPLE> row;
    for (auto _ : state) {
        FILE* in = std::fopen(path.c_str(), "rb");
        jpeg_decompress_struct info{};
        jpeg_error_mgr err{};
        info.err = jpeg_std_error(&err);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, in);
        jpeg_read_header(&info, TRUE);
        info.scale_num = 1;
        info.scale_denom = 8;
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        row.resize(static_cast<size_t>(info.output_width) * 3);
        JSAMPROW p = row.data();
        while (info.output_scanline < info.output_height)
            jpeg_read_scanlines(&info, &p, 1);
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(in);
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_Baseline_LibjpegEighth)->Unit(benchmark::kMillisecond);

// The preview: the image control loads the file, stretched proportionally into 417 x 302.
void BM_Preview(benchmark::State& state) {
    const std::string& path = BigPicture();
    class Preview : public ui::Form {
    public:
        Preview() : ui::Form("TPreview", "", 417, 302), Image1(Add<ui::Image>("Image1")) {
            Image1.SetBounds(0, 0, 417, 302);
            Image1.Stretch = Image1.Proportional = true;
        }
        ui::Image& Image1;
    } form;
    for (auto _ : state) {
        form.Image1.LoadFromFile(path);
        benchmark::DoNotOptimize(form.Image1.Shown.pixels.data());
    }
    state.counters["shown_width"] = form.Image1.Shown.width;
    state.counters["shown_height"] = form.Image1.Shown.height;
}
BENCHMARK(BM_Preview)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
