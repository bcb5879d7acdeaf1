// The picture libraries of the later formats, as both builds link them: the
// Windows build's static libheif must have its HEVC and AV1 decoders built in
// and registered, and libwebp and giflib must read back what they wrote.
#include <gtest/gtest.h>

#include <gif_lib.h>
#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The built-in decoders register themselves when the program starts, before
// any heif_init (and a heif_deinit that ends the last heif_init would take
// them away again for the rest of the program).
TEST(PictureLibraries, HeifHasItsHevcAndAv1Decoders) {
    EXPECT_TRUE(heif_have_decoder_for_format(heif_compression_HEVC));
    EXPECT_TRUE(heif_have_decoder_for_format(heif_compression_AV1));
}

TEST(PictureLibraries, WebpReadsBackALosslessPicture) {
    const int w = 5, h = 3;
    std::vector<uint8_t> rgb(w * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37 + 11);
    uint8_t* file = nullptr;
    size_t size = WebPEncodeLosslessRGB(rgb.data(), w, h, w * 3, &file);
    ASSERT_GT(size, 0u);

    WebPData data{file, size};
    WebPDemuxer* demux = WebPDemux(&data);
    ASSERT_NE(demux, nullptr);
    EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT), 1u);
    WebPDemuxDelete(demux);

    int dw = 0, dh = 0;
    uint8_t* back = WebPDecodeRGB(file, size, &dw, &dh);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    EXPECT_EQ(std::memcmp(back, rgb.data(), rgb.size()), 0);
    WebPFree(back);
    WebPFree(file);
}

TEST(PictureLibraries, GifReadsBackAPicture) {
    const int w = 4, h = 2;
    const GifByteType pixels[w * h] = {0, 1, 2, 3, 3, 2, 1, 0};
    const GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {10, 20, 30}};
    std::vector<GifByteType> file;
    int error = 0;
    GifFileType* out = EGifOpen(&file, [](GifFileType* g, const GifByteType* b, int n) {
        auto* v = static_cast<std::vector<GifByteType>*>(g->UserData);
        v->insert(v->end(), b, b + n);
        return n;
    }, &error);
    ASSERT_NE(out, nullptr);
    ColorMapObject* map = GifMakeMapObject(4, colours);
    ASSERT_EQ(EGifPutScreenDesc(out, w, h, 2, 0, map), GIF_OK);
    ASSERT_EQ(EGifPutImageDesc(out, 0, 0, w, h, false, nullptr), GIF_OK);
    for (int y = 0; y < h; ++y)
        ASSERT_EQ(EGifPutLine(out, const_cast<GifByteType*>(pixels + y * w), w), GIF_OK);
    ASSERT_EQ(EGifCloseFile(out, &error), GIF_OK);
    GifFreeMapObject(map);

    struct Reader { const std::vector<GifByteType>* bytes; size_t at; } reader{&file, 0};
    GifFileType* in = DGifOpen(&reader, [](GifFileType* g, GifByteType* b, int n) {
        auto* r = static_cast<Reader*>(g->UserData);
        int k = static_cast<int>(std::min<size_t>(n, r->bytes->size() - r->at));
        std::memcpy(b, r->bytes->data() + r->at, k);
        r->at += k;
        return k;
    }, &error);
    ASSERT_NE(in, nullptr);
    ASSERT_EQ(DGifSlurp(in), GIF_OK);
    ASSERT_EQ(in->ImageCount, 1);
    EXPECT_EQ(in->SWidth, w);
    EXPECT_EQ(in->SHeight, h);
    EXPECT_EQ(std::memcmp(in->SavedImages[0].RasterBits, pixels, sizeof pixels), 0);
    EXPECT_EQ(in->SColorMap->Colors[3].Blue, 30);
    DGifCloseFile(in, &error);
}

}  // namespace
