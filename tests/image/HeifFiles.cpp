#include "image/HeifFiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include <libheif/heif.h>

namespace mv::test {

namespace {

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void Be(std::vector<uint8_t>& v, uint64_t x, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) v.push_back(uint8_t(x >> (8 * i)));
}

uint32_t Tag(const char* s) { return Get32(reinterpret_cast<const uint8_t*>(s)); }

// A box with the given body; a full box when version >= 0.
std::vector<uint8_t> MakeBox(const char* type, const std::vector<uint8_t>& body, int version = -1, uint32_t flags = 0) {
    std::vector<uint8_t> b;
    const size_t size = 8 + (version >= 0 ? 4 : 0) + body.size();
    Be(b, size, 4);
    b.insert(b.end(), type, type + 4);
    if (version >= 0) {
        b.push_back(uint8_t(version));
        Be(b, flags, 3);
    }
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

struct RawBox {
    uint32_t type;
    size_t start, body, end;  // offsets in the file
};

// The child boxes of [from, to) of the file.
std::vector<RawBox> Children(const std::vector<uint8_t>& f, size_t from, size_t to) {
    std::vector<RawBox> out;
    while (from + 8 <= to) {
        const uint32_t size = Get32(&f[from]);
        if (size < 8 || size > to - from) break;
        out.push_back({Get32(&f[from + 4]), from, from + 8, from + size});
        from += size;
    }
    return out;
}

const RawBox* Find(const std::vector<RawBox>& boxes, const char* type) {
    for (const RawBox& b : boxes)
        if (b.type == Tag(type)) return &b;
    return nullptr;
}

}  // namespace

Pixels PhotoLike(int w, int h, uint32_t seed, int channels) {
    Pixels px;
    px.width = w;
    px.height = h;
    px.channels = channels;
    px.data.resize(static_cast<size_t>(w) * h * channels);
    uint32_t s = seed | 1u;
    auto grain = [&s]() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return static_cast<int>(s % 9u) - 4;
    };
    auto clamp = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < h; ++y) {
        const double fy = static_cast<double>(y) / h;
        for (int x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w;
            const double wave = 40.0 * std::sin(x * 0.021 + seed % 7) + 30.0 * std::cos(y * 0.017);
            uint8_t* p = &px.data[(static_cast<size_t>(y) * w + x) * channels];
            p[0] = clamp(50 + 160 * fx + 0.7 * wave + grain());
            p[1] = clamp(40 + 150 * fy + 0.4 * wave + grain());
            p[2] = clamp(210 - 140 * fx * fy - 0.6 * wave + grain());
            if (channels == 4) p[3] = 255;
        }
    }
    return px;
}

Pixels Crop(const Pixels& px, int x, int y, int w, int h) {
    w = std::min(w, px.width - x);
    h = std::min(h, px.height - y);
    Pixels out;
    out.width = w;
    out.height = h;
    out.channels = px.channels;
    for (int row = 0; row < h; ++row) {
        const uint8_t* p = &px.data[(static_cast<size_t>(y + row) * px.width + x) * px.channels];
        out.data.insert(out.data.end(), p, p + static_cast<size_t>(w) * px.channels);
    }
    return out;
}

bool SplitHeif(const std::vector<uint8_t>& f, CodedPicture& out) {
    out = CodedPicture();
    const std::vector<RawBox> top = Children(f, 0, f.size());
    const RawBox* meta = Find(top, "meta");
    if (!meta) return false;
    const std::vector<RawBox> inMeta = Children(f, meta->body + 4, meta->end);
    const RawBox* iloc = Find(inMeta, "iloc");
    const RawBox* iprp = Find(inMeta, "iprp");
    if (!iloc || !iprp) return false;
    const std::vector<RawBox> inIprp = Children(f, iprp->body, iprp->end);
    const RawBox* ipco = Find(inIprp, "ipco");
    if (!ipco) return false;
    // heif-enc's files hold one item: every property is its own.
    for (const RawBox& p : Children(f, ipco->body, ipco->end)) {
        std::vector<uint8_t> bytes(f.begin() + p.start, f.begin() + p.end);
        if (p.type == Tag("hvcC") || p.type == Tag("av1C")) {
            out.bAv1 = p.type == Tag("av1C");
            out.config = bytes;
        } else if (p.type == Tag("ispe")) {
            out.width = Get32(&f[p.body + 4]);
            out.height = Get32(&f[p.body + 8]);
        } else if (p.type == Tag("colr") || p.type == Tag("pixi")) {
            out.extra.push_back(bytes);
        }
    }
    // iloc version 0 or 1: one item, one extent.
    const uint8_t* b = &f[iloc->body];
    const int version = b[0];
    const int offsetSize = b[4] >> 4, lengthSize = b[4] & 15, baseSize = b[5] >> 4;
    size_t at = iloc->body + 8 + 2 + (version == 1 ? 2 : 0) + 2;  // count, item, method, data reference
    auto read = [&](int n) {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | f[at++];
        return v;
    };
    const uint64_t base = read(baseSize);
    if (read(2) != 1) return false;
    const uint64_t offset = base + read(offsetSize), length = read(lengthSize);
    if (offset + length > f.size()) return false;
    out.data.assign(f.begin() + offset, f.begin() + offset + length);
    return !out.config.empty() && out.width > 0;
}

std::vector<uint8_t> EncodeHeifFile(const Pixels& px, bool bAv1, int quality) {
    if (px.channels != 3 && px.channels != 4) return {};
    const bool bAlpha = px.channels == 4;
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    std::vector<uint8_t> file;
    bool bOk = heif_context_get_encoder_for_format(ctx, bAv1 ? heif_compression_AV1 : heif_compression_HEVC,
                                                   &encoder).code == heif_error_Ok;
    if (bOk) {
        heif_encoder_set_lossy_quality(encoder, quality);
        if (!bAv1) heif_encoder_set_parameter(encoder, "preset", "fast");
        bOk = heif_image_create(px.width, px.height, heif_colorspace_RGB,
                                bAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image)
                      .code == heif_error_Ok &&
              heif_image_add_plane(image, heif_channel_interleaved, px.width, px.height, 8).code == heif_error_Ok;
    }
    if (bOk) {
        int stride = 0;
        uint8_t* dst = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < px.height; ++y)
            std::memcpy(dst + static_cast<size_t>(y) * stride,
                        &px.data[static_cast<size_t>(y) * px.width * px.channels],
                        static_cast<size_t>(px.width) * px.channels);
        bOk = heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code == heif_error_Ok;
    }
    if (bOk) {
        heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* user) {
                               auto* v = static_cast<std::vector<uint8_t>*>(user);
                               v->insert(v->end(), static_cast<const uint8_t*>(data),
                                         static_cast<const uint8_t*>(data) + size);
                               return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                           }};
        bOk = heif_context_write(ctx, &writer, &file).code == heif_error_Ok;
    }
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(ctx);
    return bOk ? file : std::vector<uint8_t>();
}

bool EncodeHeif(const Pixels& px, bool bAv1, int quality, CodedPicture& out) {
    return px.channels == 3 && SplitHeif(EncodeHeifFile(px, bAv1, quality), out);
}

std::vector<uint8_t> IrotBox(int quarters) { return MakeBox("irot", {uint8_t(quarters & 3)}); }
std::vector<uint8_t> ImirBox(bool bLeftRight) { return MakeBox("imir", {uint8_t(bLeftRight ? 1 : 0)}); }

std::vector<uint8_t> NclxBox(int primaries, int transfer, int matrix, bool bFullRange) {
    std::vector<uint8_t> body = {'n', 'c', 'l', 'x'};
    Be(body, primaries, 2);
    Be(body, transfer, 2);
    Be(body, matrix, 2);
    body.push_back(bFullRange ? 0x80 : 0);
    return MakeBox("colr", body);
}

std::vector<uint8_t> WriteHeif(const HeifLayout& layout) {
    const bool bAv1 = !layout.tiles.empty() && layout.tiles[0].bAv1;
    const uint16_t gridId = 1;
    const uint16_t firstTile = layout.bGrid ? 2 : 1;
    const uint16_t primary = layout.bGrid ? gridId : firstTile;

    // Properties, each box once, and every item's associations (index, essential).
    std::vector<std::vector<uint8_t>> properties;
    std::map<std::vector<uint8_t>, uint16_t> index;
    auto use = [&](const std::vector<uint8_t>& box) {
        auto it = index.find(box);
        if (it != index.end()) return it->second;
        properties.push_back(box);
        return index[box] = static_cast<uint16_t>(properties.size());
    };
    auto ispe = [](uint32_t w, uint32_t h) {
        std::vector<uint8_t> body;
        Be(body, w, 4);
        Be(body, h, 4);
        return MakeBox("ispe", body, 0);
    };
    struct ItemOut {
        uint16_t id;
        const char* type;
        bool bHidden;
        std::vector<std::pair<uint16_t, bool>> props;
        std::vector<uint8_t> data;
    };
    std::vector<ItemOut> items;
    if (layout.bGrid) {
        ItemOut grid{gridId, "grid", false, {}, {}};
        const bool bWide = layout.width > 0xFFFF || layout.height > 0xFFFF;
        grid.data = {0, uint8_t(bWide ? 1 : 0), uint8_t(layout.rows - 1), uint8_t(layout.columns - 1)};
        Be(grid.data, layout.width, bWide ? 4 : 2);
        Be(grid.data, layout.height, bWide ? 4 : 2);
        grid.props.push_back({use(ispe(layout.width, layout.height)), false});
        for (const auto& extra : layout.tiles[0].extra) grid.props.push_back({use(extra), false});
        items.push_back(grid);
    }
    for (size_t i = 0; i < layout.tiles.size(); ++i) {
        const CodedPicture& t = layout.tiles[i];
        ItemOut item{static_cast<uint16_t>(firstTile + i), t.bAv1 ? "av01" : "hvc1", layout.bGrid, {}, t.data};
        item.props.push_back({use(t.config), true});
        item.props.push_back({use(ispe(t.width, t.height)), false});
        for (const auto& extra : t.extra) item.props.push_back({use(extra), false});
        items.push_back(item);
    }
    for (ItemOut& item : items)
        if (item.id == primary)
            for (const auto& t : layout.transforms) item.props.push_back({use(t), true});

    auto buildMeta = [&](uint64_t dataStart) {
        std::vector<uint8_t> hdlr(4, 0);
        hdlr.insert(hdlr.end(), {'p', 'i', 'c', 't'});
        hdlr.insert(hdlr.end(), 13, 0);
        std::vector<uint8_t> pitm;
        Be(pitm, primary, 2);
        std::vector<uint8_t> iinf;
        Be(iinf, items.size(), 2);
        for (const ItemOut& item : items) {
            std::vector<uint8_t> infe;
            Be(infe, item.id, 2);
            Be(infe, 0, 2);
            infe.insert(infe.end(), item.type, item.type + 4);
            infe.push_back(0);
            const auto box = MakeBox("infe", infe, 2, item.bHidden ? 1 : 0);
            iinf.insert(iinf.end(), box.begin(), box.end());
        }
        std::vector<uint8_t> iloc = {0x44, 0x00};
        Be(iloc, items.size(), 2);
        uint64_t at = dataStart;
        for (const ItemOut& item : items) {
            Be(iloc, item.id, 2);
            Be(iloc, 0, 2);
            Be(iloc, 1, 2);
            Be(iloc, at, 4);
            Be(iloc, item.data.size(), 4);
            at += item.data.size();
        }
        std::vector<uint8_t> ipco;
        for (const auto& p : properties) ipco.insert(ipco.end(), p.begin(), p.end());
        const bool bWideIndex = properties.size() > 127;
        std::vector<uint8_t> ipma;
        Be(ipma, items.size(), 4);
        for (const ItemOut& item : items) {
            Be(ipma, item.id, 2);
            ipma.push_back(uint8_t(item.props.size()));
            for (const auto& [i, bEssential] : item.props)
                Be(ipma, (bEssential ? (bWideIndex ? 0x8000 : 0x80) : 0) | i, bWideIndex ? 2 : 1);
        }
        std::vector<uint8_t> iprp = MakeBox("ipco", ipco);
        const auto ipmaBox = MakeBox("ipma", ipma, 0, bWideIndex ? 1 : 0);
        iprp.insert(iprp.end(), ipmaBox.begin(), ipmaBox.end());
        std::vector<uint8_t> body;
        for (const auto& box : {MakeBox("hdlr", hdlr, 0), MakeBox("pitm", pitm, 0), MakeBox("iinf", iinf, 0),
                                MakeBox("iloc", iloc, 0), MakeBox("iprp", iprp)})
            body.insert(body.end(), box.begin(), box.end());
        if (layout.bGrid) {
            std::vector<uint8_t> dimg;
            Be(dimg, gridId, 2);
            Be(dimg, layout.tiles.size(), 2);
            for (size_t i = 0; i < layout.tiles.size(); ++i) Be(dimg, firstTile + i, 2);
            const auto iref = MakeBox("iref", MakeBox("dimg", dimg), 0);
            body.insert(body.end(), iref.begin(), iref.end());
        }
        return MakeBox("meta", body, 0);
    };

    std::vector<uint8_t> ftypBody;
    const char* major = bAv1 ? "avif" : "heic";
    ftypBody.insert(ftypBody.end(), major, major + 4);
    Be(ftypBody, 0, 4);
    const char* compatible = bAv1 ? "avifmif1miaf" : "mif1heicmiaf";
    ftypBody.insert(ftypBody.end(), compatible, compatible + 12);
    const std::vector<uint8_t> ftyp = MakeBox("ftyp", ftypBody);
    const size_t metaSize = buildMeta(0).size();
    const std::vector<uint8_t> meta = buildMeta(ftyp.size() + metaSize + 8);
    std::vector<uint8_t> mdat;
    for (const ItemOut& item : items) mdat.insert(mdat.end(), item.data.begin(), item.data.end());
    std::vector<uint8_t> file = ftyp;
    file.insert(file.end(), meta.begin(), meta.end());
    const auto mdatBox = MakeBox("mdat", mdat);
    file.insert(file.end(), mdatBox.begin(), mdatBox.end());
    return file;
}

}  // namespace mv::test
