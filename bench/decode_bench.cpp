// Decoding speed of the three picture readers and of DrawTo24, on a
// 1920 x 1080 picture made in memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/DibDraw.h"
#include "image/ImageBMP.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "image/TestPictures.h"

namespace {

constexpr int kW = 1920, kH = 1080;

std::vector<uint8_t> Rgb() {
    std::vector<uint8_t> px(static_cast<size_t>(kW) * kH * 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * kW + x) * 3];
            p[0] = static_cast<uint8_t>(x / 8);
            p[1] = static_cast<uint8_t>(y / 5);
            p[2] = static_cast<uint8_t>((x ^ y) & 0xFF);
        }
    return px;
}

mv::test::Pixels Picture() {
    mv::test::Pixels px;
    px.width = kW;
    px.height = kH;
    px.channels = 3;
    px.data = Rgb();
    return px;
}

const std::vector<uint8_t>& JpegFile() {
    static const std::vector<uint8_t> bytes = mv::test::EncodeJpeg(Picture(), 90);
    return bytes;
}

const std::vector<uint8_t>& PngFile() {
    static const std::vector<uint8_t> bytes = mv::test::EncodePng(Picture(), 2);
    return bytes;
}

// An 8-bit BMP file with a grey table.
const std::vector<uint8_t>& Bmp8File() {
    static const std::vector<uint8_t> bytes = [] {
        const uint32_t stride = mv::Image::BytesPerRow(kW, 8);
        std::vector<uint8_t> v(14 + 40 + 1024 + static_cast<size_t>(stride) * kH);
        v[0] = 'B';
        v[1] = 'M';
        const uint32_t off = 14 + 40 + 1024;
        std::memcpy(&v[10], &off, 4);
        mv::DibHeader h;
        h.biWidth = kW;
        h.biHeight = kH;
        h.biBitCount = 8;
        mv::WriteHeader(&v[14], h);
        for (int i = 0; i < 256; ++i) v[54 + 4 * i] = v[55 + 4 * i] = v[56 + 4 * i] = static_cast<uint8_t>(i);
        for (size_t i = off; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 7);
        return v;
    }();
    return bytes;
}

void BM_DecodeJpeg(benchmark::State& state) {
    const auto& f = JpegFile();
    for (auto _ : state) benchmark::DoNotOptimize(mv::ImageJPEG::FromMemory(f.data(), f.size()).IsValid());
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_DecodePng(benchmark::State& state) {
    const auto& f = PngFile();
    for (auto _ : state) benchmark::DoNotOptimize(mv::ImagePNG::FromMemory(f.data(), f.size()).IsValid());
}
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);

void BM_ReadAndDrawBmp8(benchmark::State& state) {
    const auto& f = Bmp8File();
    for (auto _ : state) {
        mv::ImageBMP img = mv::ImageBMP::FromMemory(f.data(), f.size());
        benchmark::DoNotOptimize(mv::DrawTo24(img).IsValid());
    }
}
BENCHMARK(BM_ReadAndDrawBmp8)->Unit(benchmark::kMillisecond);

}  // namespace
