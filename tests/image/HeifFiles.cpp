#include "image/HeifFiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
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

std::vector<uint8_t> ClapBox(uint32_t width, uint32_t height, int32_t horizontalOffset, int32_t verticalOffset) {
    std::vector<uint8_t> body;
    for (uint32_t v : {width, 1u, height, 1u, uint32_t(horizontalOffset), 1u, uint32_t(verticalOffset), 1u})
        Be(body, v, 4);
    return MakeBox("clap", body);
}

namespace {

// Bits, most significant first.
struct Bits {
    std::vector<uint8_t> bytes;
    size_t bit = 0;  // reading position
    size_t count = 0;  // written
    bool bOk = true;
    uint32_t Read(int n) {
        uint32_t v = 0;
        for (int k = 0; k < n; ++k, ++bit) {
            if (bit >= bytes.size() * 8) {
                bOk = false;
                return 0;
            }
            v = v << 1 | ((bytes[bit / 8] >> (7 - bit % 8)) & 1);
        }
        return v;
    }
    uint32_t ReadUe() {
        int zeros = 0;
        while (bOk && Read(1) == 0) ++zeros;
        return bOk ? (1u << zeros) - 1 + Read(zeros) : 0;
    }
    void Write(uint32_t v, int n) {
        for (int k = n - 1; k >= 0; --k, ++count) {
            if (count % 8 == 0) bytes.push_back(0);
            if ((v >> k) & 1) bytes.back() |= uint8_t(0x80 >> (count % 8));
        }
    }
    void WriteUe(uint32_t v) {
        const uint64_t x = uint64_t(v) + 1;
        int n = 0;
        while ((x >> (n + 1)) != 0) ++n;
        Write(0, n);
        Write(uint32_t(x), n + 1);
    }
};

// The bits of from before position `cut`, the new fields, then from's bits
// after `resume` up to its last set bit (the stop bit), padded to a byte.
std::vector<uint8_t> Splice(const Bits& from, size_t cut, const std::function<void(Bits&)>& fields, size_t resume) {
    Bits out;
    Bits copy = from;
    copy.bit = 0;
    for (size_t i = 0; i < cut; ++i) out.Write(copy.Read(1), 1);
    fields(out);
    size_t last = from.bytes.size() * 8;
    while (last > resume && !((from.bytes[(last - 1) / 8] >> (7 - (last - 1) % 8)) & 1)) --last;
    copy.bit = resume;
    while (copy.bit < last) out.Write(copy.Read(1), 1);
    return out.bytes;
}

// An HEVC sequence parameter set (header included) claiming width x height.
bool RewriteSps(std::vector<uint8_t>& nal, uint32_t width, uint32_t height) {
    Bits in;  // the payload without its emulation-prevention bytes
    for (size_t i = 2, zeros = 0; i < nal.size(); ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        in.bytes.push_back(nal[i]);
    }
    in.Read(4);
    const uint32_t subLayers = in.Read(3);
    in.Read(1);
    in.Read(32), in.Read(32), in.Read(32);
    bool profile[8] = {}, level[8] = {};
    for (uint32_t i = 0; i < subLayers; ++i) profile[i] = in.Read(1), level[i] = in.Read(1);
    if (subLayers > 0)
        for (uint32_t i = subLayers; i < 8; ++i) in.Read(2);
    for (uint32_t i = 0; i < subLayers; ++i) {
        if (profile[i]) in.Read(32), in.Read(32), in.Read(24);
        if (level[i]) in.Read(8);
    }
    in.ReadUe();
    if (in.ReadUe() == 3) in.Read(1);
    const size_t cut = in.bit;
    in.ReadUe(), in.ReadUe();
    if (!in.bOk) return false;
    const std::vector<uint8_t> rbsp = Splice(in, cut, [&](Bits& b) { b.WriteUe(width), b.WriteUe(height); }, in.bit);
    std::vector<uint8_t> out(nal.begin(), nal.begin() + 2);
    int zeros = 0;
    for (uint8_t byte : rbsp) {
        if (zeros >= 2 && byte <= 3) out.push_back(3), zeros = 0;
        out.push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    nal = out;
    return true;
}

// An AV1 sequence header OBU's payload claiming frames up to width x height.
bool RewriteSequenceHeader(std::vector<uint8_t>& payload, uint32_t width, uint32_t height) {
    Bits in;
    in.bytes = payload;
    in.Read(3), in.Read(1);
    if (in.Read(1)) {
        in.Read(5);
    } else {
        bool bModel = false;
        uint32_t delayBits = 0;
        if (in.Read(1)) {
            in.Read(32), in.Read(32);
            if (in.Read(1)) in.ReadUe();  // uvlc and ue have the same prefix form
            bModel = in.Read(1) != 0;
            if (bModel) delayBits = in.Read(5) + 1, in.Read(32), in.Read(10);
        }
        const bool bDelay = in.Read(1) != 0;
        const uint32_t points = in.Read(5) + 1;
        for (uint32_t i = 0; i < points; ++i) {
            in.Read(12);
            if (in.Read(5) > 7) in.Read(1);
            if (bModel && in.Read(1)) in.Read(int(delayBits)), in.Read(int(delayBits)), in.Read(1);
            if (bDelay && in.Read(1)) in.Read(4);
        }
    }
    const size_t cut = in.bit;
    const int wb = int(in.Read(4)) + 1, hb = int(in.Read(4)) + 1;
    in.Read(wb), in.Read(hb);
    if (!in.bOk) return false;
    payload = Splice(in, cut, [&](Bits& b) { b.Write(15, 4), b.Write(15, 4), b.Write(width - 1, 16), b.Write(height - 1, 16); },
                     in.bit);
    return true;
}

// Rewrites every sequence header among AV1 OBUs (each with its size field).
bool RewriteObus(std::vector<uint8_t>& obus, uint32_t width, uint32_t height, bool& bFound) {
    std::vector<uint8_t> out;
    size_t at = 0;
    while (at < obus.size()) {
        const uint8_t header = obus[at];
        const size_t headerBytes = (header & 4) ? 2 : 1;
        if (!(header & 2)) return false;
        size_t p = at + headerBytes;
        uint64_t n = 0;
        for (int shift = 0;; shift += 7) {
            if (p >= obus.size()) return false;
            const uint8_t b = obus[p++];
            n |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) break;
        }
        if (n > obus.size() - p) return false;
        std::vector<uint8_t> payload(obus.begin() + p, obus.begin() + p + n);
        if (((header >> 3) & 15) == 1) {
            if (!RewriteSequenceHeader(payload, width, height)) return false;
            bFound = true;
        }
        out.insert(out.end(), obus.begin() + at, obus.begin() + at + headerBytes);
        for (uint64_t v = payload.size();;) {  // leb128
            const uint8_t b = uint8_t(v & 0x7F);
            v >>= 7;
            out.push_back(v ? uint8_t(b | 0x80) : b);
            if (!v) break;
        }
        out.insert(out.end(), payload.begin(), payload.end());
        at = p + n;
    }
    obus = out;
    return true;
}

// Rewrites every sequence parameter set among NAL units behind 4-byte lengths.
bool RewriteNals(std::vector<uint8_t>& units, uint32_t width, uint32_t height, bool& bFound) {
    std::vector<uint8_t> out;
    for (size_t at = 0; at < units.size();) {
        if (units.size() - at < 4) return false;
        const size_t n = Get32(&units[at]);
        at += 4;
        if (n > units.size() - at) return false;
        std::vector<uint8_t> nal(units.begin() + at, units.begin() + at + n);
        if (n >= 2 && ((nal[0] >> 1) & 0x3F) == 33) {
            if (!RewriteSps(nal, width, height)) return false;
            bFound = true;
        }
        Be(out, nal.size(), 4);
        out.insert(out.end(), nal.begin(), nal.end());
        at += n;
    }
    units = out;
    return true;
}

}  // namespace

bool WithCodedSize(CodedPicture& picture, uint32_t width, uint32_t height) {
    std::vector<uint8_t>& box = picture.config;
    bool bFound = false;
    std::vector<uint8_t> body;
    if (picture.bAv1) {
        if (box.size() < 12) return false;
        std::vector<uint8_t> obus(box.begin() + 12, box.end());
        if (!RewriteObus(obus, width, height, bFound)) return false;
        body.assign(box.begin() + 8, box.begin() + 12);
        body.insert(body.end(), obus.begin(), obus.end());
        if (!RewriteObus(picture.data, width, height, bFound)) return false;
    } else {
        // hvcC: 22 bytes, the array count, then arrays of units behind 2-byte lengths.
        if (box.size() < 8 + 23) return false;
        body.assign(box.begin() + 8, box.begin() + 8 + 23);
        size_t at = 8 + 23;
        for (int a = 0; a < box[8 + 22]; ++a) {
            if (box.size() - at < 3) return false;
            body.insert(body.end(), box.begin() + at, box.begin() + at + 3);
            const int units = box[at + 1] << 8 | box[at + 2];
            at += 3;
            for (int u = 0; u < units; ++u) {
                if (box.size() - at < 2) return false;
                const size_t n = size_t(box[at] << 8 | box[at + 1]);
                if (box.size() - at - 2 < n) return false;
                std::vector<uint8_t> nal(box.begin() + at + 2, box.begin() + at + 2 + n);
                at += 2 + n;
                if (((nal[0] >> 1) & 0x3F) == 33) {
                    if (!RewriteSps(nal, width, height)) return false;
                    bFound = true;
                }
                Be(body, nal.size(), 2);
                body.insert(body.end(), nal.begin(), nal.end());
            }
        }
        if (!RewriteNals(picture.data, width, height, bFound)) return false;
    }
    box = MakeBox(picture.bAv1 ? "av1C" : "hvcC", body);
    return bFound;
}

std::vector<uint8_t> FlatLosslessWebp(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
    std::vector<uint8_t> bits;  // least significant bit first
    size_t n = 0;
    auto put = [&](uint32_t v, int count) {
        for (int i = 0; i < count; ++i, ++n) {
            if (n % 8 == 0) bits.push_back(0);
            if ((v >> i) & 1) bits.back() |= uint8_t(1u << (n % 8));
        }
    };
    put(0x2F, 8);  // signature
    put(uint32_t(width - 1), 14);
    put(uint32_t(height - 1), 14);
    put(0, 1);  // no alpha
    put(0, 3);  // version
    put(0, 1);  // no transform
    put(0, 1);  // no colour cache
    put(0, 1);  // one set of prefix codes
    // Green, red, blue, alpha and distance: each a simple code of one 8-bit symbol.
    for (uint32_t symbol : {uint32_t(green), uint32_t(red), uint32_t(blue), 255u, 0u}) {
        put(1, 1);
        put(0, 1);
        put(1, 1);
        put(symbol, 8);
    }
    if (bits.size() % 2) bits.push_back(0);
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'};
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) file.push_back(uint8_t(v >> (8 * i)));
    };
    le32(uint32_t(bits.size()));
    file.insert(file.end(), bits.begin(), bits.end());
    const uint32_t riff = uint32_t(file.size() - 8);
    for (int i = 0; i < 4; ++i) file[4 + i] = uint8_t(riff >> (8 * i));
    return file;
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
        uint64_t at = dataStart, firstTileAt = 0;
        for (const ItemOut& item : items) {
            const bool bShared = layout.bShareData && item.id > firstTile;
            if (item.id == firstTile) firstTileAt = at;
            Be(iloc, item.id, 2);
            Be(iloc, 0, 2);
            Be(iloc, 1, 2);
            Be(iloc, bShared ? firstTileAt : at, 4);
            Be(iloc, item.data.size(), 4);
            if (!bShared) at += item.data.size();
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
    for (const ItemOut& item : items)
        if (!layout.bShareData || item.id <= firstTile) mdat.insert(mdat.end(), item.data.begin(), item.data.end());
    std::vector<uint8_t> file = ftyp;
    file.insert(file.end(), meta.begin(), meta.end());
    const auto mdatBox = MakeBox("mdat", mdat);
    file.insert(file.end(), mdatBox.begin(), mdatBox.end());
    return file;
}

}  // namespace mv::test
