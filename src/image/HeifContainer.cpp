#include "image/HeifContainer.h"

#include <algorithm>
#include <map>
#include <new>
#include <string>
#include <utility>

#include "image/ByteSource.h"

namespace mv {

namespace {

constexpr uint32_t FourCC(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
           uint8_t(s[3]);
}

// Bounds on what one file may describe; each entry of these costs bytes in
// the meta box as well, so they only stop absurd but well-formed files.
constexpr size_t kMaxItems = 1u << 16;
constexpr size_t kMaxExtents = 1u << 18;
constexpr size_t kMaxAssociations = 1u << 18;
constexpr size_t kMaxReferences = 1u << 18;
constexpr int kMaxTopLevelBoxes = 1024;
constexpr size_t kMaxGridData = 64;
// What a coded picture's sides may exceed its 'ispe' by: less than one
// coding block, cut off by the conformance window.
constexpr uint64_t kCodedMargin = 64;

// Reads big-endian fields from a block of bytes; past the end every read
// gives 0 and Ok() turns false for good.
class Cursor {
public:
    Cursor(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    bool Ok() const { return m_bOk; }
    size_t Left() const { return m_n - m_at; }
    const uint8_t* Here() const { return m_p + m_at; }
    bool Skip(size_t n) {
        if (!m_bOk || n > Left()) return m_bOk = false;
        m_at += n;
        return true;
    }
    uint64_t Uint(unsigned bytes) {
        if (!m_bOk || bytes > Left()) {
            m_bOk = false;
            return 0;
        }
        uint64_t v = 0;
        for (unsigned i = 0; i < bytes; ++i) v = v << 8 | m_p[m_at + i];
        m_at += bytes;
        return v;
    }
    uint8_t U8() { return static_cast<uint8_t>(Uint(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Uint(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Uint(4)); }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_at = 0;
    bool m_bOk = true;
};

struct Box {
    uint32_t type = 0;
    const uint8_t* body = nullptr;
    size_t size = 0;
};

// The next box inside a parent; false at the parent's end and when a box
// does not fit in it (then the cursor is spent).
bool NextBox(Cursor& c, Box& box) {
    if (c.Left() < 8) return false;
    uint64_t size = c.U32();
    box.type = c.U32();
    uint64_t header = 8;
    if (size == 1) {
        size = c.Uint(8);
        header = 16;
    } else if (size == 0) {
        size = header + c.Left();
    }
    if (!c.Ok() || size < header || size - header > c.Left()) {
        c.Skip(c.Left() + 1);
        return false;
    }
    box.body = c.Here();
    box.size = static_cast<size_t>(size - header);
    c.Skip(box.size);
    return true;
}

struct Association {
    uint16_t index;  // 1-based in 'ipco'
    bool bEssential;
};

struct Item {
    uint32_t type = 0;
    bool bHasInfe = false;
    bool bHidden = false;
    bool bHasLocation = false;
    uint8_t method = 0;
    uint16_t dataReference = 0;
    uint64_t base = 0;
    std::vector<HeifCoded::Extent> extents;
    std::vector<Association> properties;
};

struct Reference {
    uint32_t type;
    uint32_t from;
    std::vector<uint32_t> to;
};

struct Meta {
    bool bPict = false;
    bool bHasPrimary = false;
    uint32_t primary = 0;
    std::map<uint32_t, Item> items;
    std::vector<Box> properties;  // the boxes of 'ipco'
    std::vector<Reference> references;
    const uint8_t* idat = nullptr;
    size_t idatSize = 0;
    size_t extents = 0, associations = 0, referenced = 0;
};

// Items are made as the boxes name them, up to kMaxItems.
Item* ItemFor(Meta& m, uint32_t id) {
    auto it = m.items.find(id);
    if (it != m.items.end()) return &it->second;
    if (m.items.size() >= kMaxItems) return nullptr;
    return &m.items[id];
}

bool ParseInfe(Meta& m, const Box& box) {
    Cursor c(box.body, box.size);
    const uint8_t version = c.U8();
    const uint32_t flags = static_cast<uint32_t>(c.Uint(3));
    if (version < 2) return c.Ok();  // no item type: not a picture item
    const uint32_t id = version == 2 ? c.U16() : c.U32();
    c.U16();  // protection index
    const uint32_t type = c.U32();
    if (!c.Ok()) return false;
    Item* item = ItemFor(m, id);
    if (!item) return false;
    item->bHasInfe = true;
    item->type = type;
    item->bHidden = (flags & 1) != 0;
    return true;
}

bool ParseIinf(Meta& m, const Box& box) {
    Cursor c(box.body, box.size);
    const uint8_t version = c.U8();
    c.Uint(3);
    c.Uint(version == 0 ? 2 : 4);  // entry count: the boxes themselves are what counts
    Box child;
    while (NextBox(c, child))
        if (child.type == FourCC("infe") && !ParseInfe(m, child)) return false;
    return c.Ok();
}

bool ParseIloc(Meta& m, const Box& box) {
    Cursor c(box.body, box.size);
    const uint8_t version = c.U8();
    c.Uint(3);
    if (version > 2) return false;
    const uint8_t sizes = c.U8(), sizes2 = c.U8();
    const unsigned offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = sizes2 >> 4;
    const unsigned indexSize = version >= 1 ? (sizes2 & 15) : 0;
    for (unsigned s : {offsetSize, lengthSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8) return false;
    const uint32_t count = version < 2 ? c.U16() : c.U32();
    for (uint32_t i = 0; i < count && c.Ok(); ++i) {
        const uint32_t id = version < 2 ? c.U16() : c.U32();
        const uint8_t method = version >= 1 ? static_cast<uint8_t>(c.U16() & 15) : 0;
        const uint16_t dataReference = c.U16();
        const uint64_t base = c.Uint(baseSize);
        const uint16_t extents = c.U16();
        if (!c.Ok()) return false;
        Item* item = ItemFor(m, id);
        if (!item || item->bHasLocation) return false;
        item->bHasLocation = true;
        item->method = method;
        item->dataReference = dataReference;
        item->base = base;
        // Each extent takes bytes of this box: a count the box cannot hold fails here.
        const uint64_t extentBytes = uint64_t(indexSize) + offsetSize + lengthSize;
        if (extentBytes * extents > c.Left() || m.extents + extents > kMaxExtents) return false;
        m.extents += extents;
        item->extents.reserve(extents);
        for (uint16_t e = 0; e < extents; ++e) {
            c.Uint(indexSize);
            const uint64_t offset = c.Uint(offsetSize);
            const uint64_t length = c.Uint(lengthSize);
            item->extents.push_back({offset, length});
        }
    }
    return c.Ok();
}

bool ParseIref(Meta& m, const Box& box) {
    Cursor c(box.body, box.size);
    const uint8_t version = c.U8();
    c.Uint(3);
    const unsigned idSize = version == 0 ? 2 : 4;
    Box child;
    while (NextBox(c, child)) {
        Cursor r(child.body, child.size);
        Reference ref{child.type, static_cast<uint32_t>(r.Uint(idSize)), {}};
        const uint16_t count = r.U16();
        if (!r.Ok() || uint64_t(count) * idSize > r.Left() || m.referenced + count > kMaxReferences ||
            m.references.size() >= kMaxItems)
            return false;
        m.referenced += count;
        ref.to.reserve(count);
        for (uint16_t i = 0; i < count; ++i) ref.to.push_back(static_cast<uint32_t>(r.Uint(idSize)));
        m.references.push_back(std::move(ref));
    }
    return c.Ok();
}

bool ParseIpma(Meta& m, const Box& box) {
    Cursor c(box.body, box.size);
    const uint8_t version = c.U8();
    const uint32_t flags = static_cast<uint32_t>(c.Uint(3));
    const uint32_t count = c.U32();
    for (uint32_t i = 0; i < count && c.Ok(); ++i) {
        const uint32_t id = version < 1 ? c.U16() : c.U32();
        const uint8_t n = c.U8();
        if (!c.Ok()) return false;
        if (m.associations + n > kMaxAssociations) return false;
        m.associations += n;
        Item* item = ItemFor(m, id);
        if (!item) return false;
        for (uint8_t k = 0; k < n; ++k) {
            if (flags & 1) {
                const uint16_t v = c.U16();
                item->properties.push_back({static_cast<uint16_t>(v & 0x7FFF), (v & 0x8000) != 0});
            } else {
                const uint8_t v = c.U8();
                item->properties.push_back({static_cast<uint16_t>(v & 0x7F), (v & 0x80) != 0});
            }
        }
    }
    return c.Ok();
}

bool ParseIprp(Meta& m, const Box& box) {
    Cursor c(box.body, box.size);
    Box child;
    while (NextBox(c, child)) {
        if (child.type == FourCC("ipco")) {
            Cursor p(child.body, child.size);
            Box property;
            while (NextBox(p, property)) {
                if (m.properties.size() >= 0x7FFF) return false;
                m.properties.push_back(property);
            }
            if (!p.Ok()) return false;
        } else if (child.type == FourCC("ipma")) {
            if (!ParseIpma(m, child)) return false;
        }
    }
    return c.Ok();
}

bool ParseMeta(Meta& m, const uint8_t* p, size_t n) {
    Cursor c(p, n);
    c.Uint(4);  // version and flags
    Box box;
    while (NextBox(c, box)) {
        const uint32_t t = box.type;
        if (t == FourCC("hdlr")) {
            Cursor h(box.body, box.size);
            h.Uint(8);  // version, flags, pre_defined
            m.bPict = h.U32() == FourCC("pict") && h.Ok();
        } else if (t == FourCC("pitm")) {
            Cursor h(box.body, box.size);
            const uint8_t version = h.U8();
            h.Uint(3);
            m.primary = static_cast<uint32_t>(h.Uint(version == 0 ? 2 : 4));
            m.bHasPrimary = h.Ok();
        } else if (t == FourCC("iinf")) {
            if (!ParseIinf(m, box)) return false;
        } else if (t == FourCC("iloc")) {
            if (!ParseIloc(m, box)) return false;
        } else if (t == FourCC("iref")) {
            if (!ParseIref(m, box)) return false;
        } else if (t == FourCC("iprp")) {
            if (!ParseIprp(m, box)) return false;
        } else if (t == FourCC("idat")) {
            m.idat = box.body;
            m.idatSize = box.size;
        }
    }
    return c.Ok();
}

// The item's properties in association order; false when one is named
// that 'ipco' does not have.
bool PropertiesOf(const Meta& m, const Item& item, std::vector<const Box*>& out) {
    out.clear();
    for (const Association& a : item.properties) {
        if (a.index == 0) continue;
        if (a.index > m.properties.size()) return false;
        out.push_back(&m.properties[a.index - 1]);
    }
    return true;
}

// What the properties of one coded picture (or grid) say.
struct Described {
    bool bHasSize = false;
    uint32_t width = 0, height = 0;                 // 'ispe'
    std::vector<int> steps;                         // rotations and mirrorings in order
    bool bCrop = false;
    int64_t clap[8] = {};  // width, height, horizontal and vertical offset, each as numerator, denominator
    bool bHasColour = false;
    HeifColour colour;
    bool bHasHvcC = false, bHasAv1C = false, bUnusualHvcC = false;
    std::vector<uint8_t> config;
};

bool ParseHvcC(const Box& box, Described& d) {
    Cursor c(box.body, box.size);
    c.Skip(21);
    const uint8_t lengthSize = static_cast<uint8_t>((c.U8() & 3) + 1);
    const uint8_t arrays = c.U8();
    if (!c.Ok()) return false;
    d.bUnusualHvcC = lengthSize != 4;
    d.config.clear();
    for (uint8_t a = 0; a < arrays; ++a) {
        c.U8();
        const uint16_t units = c.U16();
        for (uint16_t u = 0; u < units; ++u) {
            const uint16_t size = c.U16();
            if (!c.Ok() || size > c.Left()) return false;
            d.config.insert(d.config.end(), {0, 0, uint8_t(size >> 8), uint8_t(size)});
            d.config.insert(d.config.end(), c.Here(), c.Here() + size);
            c.Skip(size);
        }
    }
    d.bHasHvcC = c.Ok();
    return d.bHasHvcC;
}

bool Describe(const Meta& m, const Item& item, Described& d) {
    std::vector<const Box*> properties;
    if (!PropertiesOf(m, item, properties)) return false;
    for (const Box* p : properties) {
        Cursor c(p->body, p->size);
        switch (p->type) {
            case FourCC("ispe"):
                c.Uint(4);
                d.width = c.U32();
                d.height = c.U32();
                if (!c.Ok()) return false;
                d.bHasSize = true;
                break;
            case FourCC("irot"): {
                const int quarter = c.U8() & 3;
                if (!c.Ok()) return false;
                d.steps.push_back(quarter);
                break;
            }
            case FourCC("imir"): {
                const int axis = c.U8() & 1;
                if (!c.Ok()) return false;
                d.steps.push_back(axis ? 4 : 5);
                break;
            }
            case FourCC("clap"): {
                for (int k = 0; k < 8; ++k) {
                    const uint32_t v = c.U32();
                    // The offsets' numerators are signed.
                    d.clap[k] = (k == 4 || k == 6) ? int64_t(int32_t(v)) : int64_t(v);
                }
                if (!c.Ok()) return false;
                d.bCrop = true;
                break;
            }
            case FourCC("colr"):
                if (c.U32() == FourCC("nclx")) {
                    d.colour.primaries = c.U16();
                    d.colour.transfer = c.U16();
                    d.colour.matrix = c.U16();
                    d.colour.bFullRange = (c.U8() & 0x80) != 0;
                    if (!c.Ok()) return false;
                    d.bHasColour = true;
                }
                break;
            case FourCC("hvcC"):
                if (!d.bHasHvcC && !ParseHvcC(*p, d)) return false;
                break;
            case FourCC("av1C"):
                if (!d.bHasAv1C) {
                    if (!c.Skip(4)) return false;
                    d.config.assign(c.Here(), c.Here() + c.Left());
                    d.bHasAv1C = true;
                }
                break;
            default:
                break;
        }
    }
    return true;
}

// Whether the rotations among the steps turn the picture by an odd number of quarters.
bool OrientationOfStepsSwaps(const std::vector<int>& steps) {
    int quarters = 0;
    for (int st : steps)
        if (st < 4) quarters += st;
    return (quarters & 1) != 0;
}

// The clean aperture of a width x height picture as whole pixels: its
// width and height rounded down, its centre at the picture's centre plus
// the offsets, the left and top edges rounded down. False when a fraction
// has no denominator or the aperture does not lie inside the picture.
bool CleanAperture(const int64_t (&clap)[8], uint32_t width, uint32_t height, uint32_t& x, uint32_t& y, uint32_t& w,
                   uint32_t& h) {
    for (int k = 1; k < 8; k += 2)
        if (clap[k] <= 0) return false;
    const int64_t cw = clap[0] / clap[1], ch = clap[2] / clap[3];
    if (cw < 1 || ch < 1 || cw > int64_t(width) || ch > int64_t(height)) return false;
    // left = offset + (width - 1) / 2 - (cw - 1) / 2, in halves of the offset's denominator.
    auto edge = [](int64_t offN, int64_t offD, int64_t side, int64_t cut) {
        const int64_t twice = 2 * offN + (side - 1) * offD - (cut - 1) * offD;  // over 2 x offD
        const int64_t den = 2 * offD;
        return twice >= 0 ? twice / den : -((-twice + den - 1) / den);
    };
    const int64_t left = edge(clap[4], clap[5], width, cw), top = edge(clap[6], clap[7], height, ch);
    if (left < 0 || top < 0 || left + cw > int64_t(width) || top + ch > int64_t(height)) return false;
    x = uint32_t(left), y = uint32_t(top), w = uint32_t(cw), h = uint32_t(ch);
    return true;
}

// Every extent of the item inside the file (or the 'idat'), in file terms.
bool LocateData(const Meta& m, const Item& item, uint64_t fileSize, HeifCoded& coded) {
    if (!item.bHasLocation || item.dataReference != 0 || item.method > 1) return false;
    coded.bInIdat = item.method == 1;
    const uint64_t limit = coded.bInIdat ? m.idatSize : fileSize;
    coded.extents.clear();
    coded.extents.reserve(item.extents.size());
    for (const HeifCoded::Extent& e : item.extents) {
        if (item.base > limit || e.offset > limit - item.base || e.length > limit - item.base - e.offset) return false;
        coded.extents.push_back({item.base + e.offset, e.length});
    }
    return true;
}

bool LimitsAllow(uint64_t w, uint64_t h, const DecodeLimits& limits) {
    return w > 0 && h > 0 && w <= limits.maxSide && h <= limits.maxSide && w <= kMaxImageSide &&
           h <= kMaxImageSide && w * h <= limits.maxPixels && w * h <= kMaxImagePixels;
}

// Reads a coded picture's description into *coded; Library when the item
// is not a plain coded picture of the given codec.
HeifVerdict DescribeCoded(const Meta& m, uint32_t id, uint64_t fileSize, HeifCodec* codec, bool bFirst,
                          HeifCoded& coded, Described& d) {
    auto it = m.items.find(id);
    if (it == m.items.end() || !it->second.bHasInfe) return HeifVerdict::Unsupported;
    const Item& item = it->second;
    HeifCodec kind;
    if (item.type == FourCC("hvc1"))
        kind = HeifCodec::Hevc;
    else if (item.type == FourCC("av01"))
        kind = HeifCodec::Av1;
    else
        return HeifVerdict::Unsupported;
    if (!bFirst && kind != *codec) return HeifVerdict::Unsupported;
    *codec = kind;
    if (!Describe(m, item, d)) return HeifVerdict::Unsupported;
    if (kind == HeifCodec::Hevc ? (!d.bHasHvcC || d.bUnusualHvcC) : !d.bHasAv1C) return HeifVerdict::Unsupported;
    if (!d.bHasSize) return HeifVerdict::Unsupported;
    if (!LocateData(m, item, fileSize, coded)) return HeifVerdict::Invalid;
    coded.width = d.width;
    coded.height = d.height;
    // A stream far larger than any encoder makes for its size is refused
    // before it is read.
    const uint64_t bound = (uint64_t(d.width) + kCodedMargin) * (uint64_t(d.height) + kCodedMargin) *
                           kMaxCodedBytesPerPixel;
    if (coded.DataSize() + d.config.size() > bound) return HeifVerdict::Invalid;
    coded.config = std::move(d.config);
    coded.bHasColour = d.bHasColour;
    coded.colour = d.colour;
    return HeifVerdict::Direct;
}

bool ReadItemData(ByteSource& src, const Meta& m, const HeifCoded& coded, std::vector<uint8_t>& out) {
    const uint64_t total = coded.DataSize();
    if (total > kMaxGridData) return false;
    out.resize(static_cast<size_t>(total));
    size_t at = 0;
    for (const HeifCoded::Extent& e : coded.extents) {
        const size_t n = static_cast<size_t>(e.length);
        if (coded.bInIdat) {
            std::copy(m.idat + e.offset, m.idat + e.offset + n, out.begin() + at);
        } else if (!src.ReadAt(e.offset, out.data() + at, n)) {
            return false;
        }
        at += n;
    }
    return true;
}

HeifVerdict Interpret(ByteSource& src, const Meta& m, const DecodeLimits& limits, HeifPicture& pic) {
    if (!m.bPict || !m.bHasPrimary) return HeifVerdict::Unsupported;
    auto primaryIt = m.items.find(m.primary);
    if (primaryIt == m.items.end() || !primaryIt->second.bHasInfe) return HeifVerdict::Unsupported;
    const Item& primary = primaryIt->second;
    if (primary.bHidden) return HeifVerdict::Unsupported;

    Described d;
    if (!Describe(m, primary, d)) return HeifVerdict::Unsupported;
    if (!d.bHasSize) return HeifVerdict::Unsupported;
    // The shown part: the clean aperture, cut before the picture is turned
    // (a clean aperture, then a rotation, then a mirroring, as the format
    // orders them).
    uint32_t cropX = 0, cropY = 0, cropWidth = d.width, cropHeight = d.height;
    if (d.bCrop && !CleanAperture(d.clap, d.width, d.height, cropX, cropY, cropWidth, cropHeight))
        return HeifVerdict::Invalid;
    const bool bQuarter = OrientationOfStepsSwaps(d.steps);
    pic.uprightWidth = bQuarter ? cropHeight : cropWidth;
    pic.uprightHeight = bQuarter ? cropWidth : cropHeight;
    if (!LimitsAllow(pic.uprightWidth, pic.uprightHeight, limits)) return HeifVerdict::Invalid;
    pic.bCrop = d.bCrop;
    pic.cropX = cropX, pic.cropY = cropY, pic.cropWidth = cropWidth, pic.cropHeight = cropHeight;
    // A transparency layer ('auxl' to the primary picture) is left out: the
    // picture is shown opaque, as its colour is stored.
    pic.orientation = HeifStepsToOrientation(d.steps);
    const uint64_t fileSize = src.Size();

    if (primary.type == FourCC("hvc1") || primary.type == FourCC("av01")) {
        HeifCoded coded;
        Described own;
        const HeifVerdict v = DescribeCoded(m, m.primary, fileSize, &pic.codec, true, coded, own);
        if (v != HeifVerdict::Direct) return v;
        pic.width = pic.tileWidth = coded.width;
        pic.height = pic.tileHeight = coded.height;
        if (!LimitsAllow(pic.width, pic.height, limits)) return HeifVerdict::Invalid;
        pic.tiles.push_back(std::move(coded));
    } else if (primary.type == FourCC("grid")) {
        HeifCoded gridItem;
        if (!LocateData(m, primary, fileSize, gridItem)) return HeifVerdict::Invalid;
        std::vector<uint8_t> grid;
        if (!ReadItemData(src, m, gridItem, grid) || grid.size() < 8) return HeifVerdict::Unsupported;
        const bool bWide = (grid[1] & 1) != 0;
        if (bWide && grid.size() < 12) return HeifVerdict::Unsupported;
        pic.rows = grid[2] + 1u;
        pic.columns = grid[3] + 1u;
        Cursor c(grid.data() + 4, grid.size() - 4);
        pic.width = static_cast<uint32_t>(c.Uint(bWide ? 4 : 2));
        pic.height = static_cast<uint32_t>(c.Uint(bWide ? 4 : 2));
        if (!LimitsAllow(pic.width, pic.height, limits)) return HeifVerdict::Invalid;

        const Reference* tiles = nullptr;
        for (const Reference& r : m.references)
            if (r.type == FourCC("dimg") && r.from == m.primary) {
                tiles = &r;
                break;
            }
        if (!tiles || tiles->to.size() != size_t(pic.rows) * pic.columns) return HeifVerdict::Unsupported;
        pic.tiles.reserve(tiles->to.size());
        for (size_t i = 0; i < tiles->to.size(); ++i) {
            HeifCoded coded;
            Described t;
            const HeifVerdict v = DescribeCoded(m, tiles->to[i], fileSize, &pic.codec, i == 0, coded, t);
            if (v != HeifVerdict::Direct) return v;
            // Tiles turned on their own, or of different sizes, are left to the library.
            if (!t.steps.empty() || t.bCrop) return HeifVerdict::Unsupported;
            if (i == 0) {
                pic.tileWidth = coded.width;
                pic.tileHeight = coded.height;
            } else if (coded.width != pic.tileWidth || coded.height != pic.tileHeight) {
                return HeifVerdict::Unsupported;
            }
            pic.tiles.push_back(std::move(coded));
        }
        // The tiles cover the output, and none lies wholly outside it (the
        // library would leave a gap unpainted, or refuse the stray tile).
        const uint64_t tw = pic.tileWidth, th = pic.tileHeight;
        if (tw == 0 || th == 0 || tw * pic.columns < pic.width || th * pic.rows < pic.height ||
            tw * (pic.columns - 1) >= pic.width || th * (pic.rows - 1) >= pic.height)
            return HeifVerdict::Invalid;
        if (!LimitsAllow(tw, th, limits)) return HeifVerdict::Invalid;
        // No two tiles share coded bytes: each costs memory of its own, so
        // a small file may not make a large picture's worth of streams.
        std::vector<std::pair<uint64_t, uint64_t>> spans[2];
        for (const HeifCoded& t : pic.tiles)
            for (const HeifCoded::Extent& e : t.extents)
                if (e.length > 0) spans[t.bInIdat ? 1 : 0].push_back({e.offset, e.offset + e.length});
        for (auto& list : spans) {
            std::sort(list.begin(), list.end());
            for (size_t i = 1; i < list.size(); ++i)
                if (list[i].first < list[i - 1].second) return HeifVerdict::Invalid;
        }
    } else {
        return HeifVerdict::Unsupported;  // a derived picture other than a grid
    }
    if (m.idat) pic.idat.assign(m.idat, m.idat + m.idatSize);
    return HeifVerdict::Direct;
}

// Finds the top-level 'meta' box: its body's place and length.
bool FindMeta(ByteSource& src, uint64_t& offset, uint64_t& length) {
    const uint64_t fileSize = src.Size();
    uint64_t at = 0;
    for (int i = 0; i < kMaxTopLevelBoxes && fileSize - at >= 8; ++i) {
        uint8_t h[16];
        if (!src.ReadAt(at, h, 8)) return false;
        Cursor c(h, 8);
        uint64_t size = c.U32();
        const uint32_t type = c.U32();
        uint64_t header = 8;
        if (size == 1) {
            if (fileSize - at < 16 || !src.ReadAt(at + 8, h + 8, 8)) return false;
            Cursor big(h + 8, 8);
            size = big.Uint(8);
            header = 16;
        } else if (size == 0) {
            size = fileSize - at;
        }
        if (size < header || size > fileSize - at) return false;
        if (type == FourCC("meta")) {
            offset = at + header;
            length = size - header;
            return true;
        }
        at += size;
    }
    return false;
}

}  // namespace

uint64_t HeifCoded::DataSize() const {
    uint64_t total = 0;
    for (const Extent& e : extents) total += e.length;
    return total;
}

int HeifStepsToOrientation(const std::vector<int>& steps) {
    // A 3 x 2 picture of distinct labels is turned as the steps say and
    // compared with each orientation's view of it.
    struct Grid {
        int w, h;
        int v[6];
    };
    Grid g{3, 2, {0, 1, 2, 3, 4, 5}};
    for (int s : steps) {
        Grid out = g;
        if (s >= 4) {
            for (int y = 0; y < g.h; ++y)
                for (int x = 0; x < g.w; ++x)
                    out.v[y * g.w + x] = s == 4 ? g.v[y * g.w + (g.w - 1 - x)] : g.v[(g.h - 1 - y) * g.w + x];
        } else if (s != 0) {
            if (s != 2) std::swap(out.w, out.h);
            for (int y = 0; y < out.h; ++y)
                for (int x = 0; x < out.w; ++x) {
                    int sx, sy;  // anticlockwise by s quarters
                    if (s == 1) sx = g.w - 1 - y, sy = x;
                    else if (s == 2) sx = g.w - 1 - x, sy = g.h - 1 - y;
                    else sx = y, sy = g.h - 1 - x;
                    out.v[y * out.w + x] = g.v[sy * g.w + sx];
                }
        }
        g = out;
    }
    for (int o = 1; o <= 8; ++o) {
        const bool bSwap = o >= 5;
        if ((bSwap ? 2 : 3) != g.w) continue;
        bool bSame = true;
        for (int y = 0; y < g.h && bSame; ++y)
            for (int x = 0; x < g.w && bSame; ++x) {
                // Where orientation o reads the stored pixel for upright (x, y).
                int sx, sy;
                switch (o) {
                    case 1: sx = x, sy = y; break;
                    case 2: sx = 2 - x, sy = y; break;
                    case 3: sx = 2 - x, sy = 1 - y; break;
                    case 4: sx = x, sy = 1 - y; break;
                    case 5: sx = y, sy = x; break;
                    case 6: sx = y, sy = 1 - x; break;
                    case 7: sx = 2 - y, sy = 1 - x; break;
                    default: sx = 2 - y, sy = x; break;
                }
                bSame = g.v[y * g.w + x] == sy * 3 + sx;
            }
        if (bSame) return o;
    }
    return 1;
}

bool ReadHevcPictureSize(const uint8_t* nal, size_t size, uint32_t& width, uint32_t& height) {
    // The payload without its emulation-prevention bytes, as far as needed.
    uint8_t rbsp[256];
    size_t n = 0;
    int zeros = 0;
    for (size_t i = 2; i < size && n < sizeof rbsp; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp[n++] = nal[i];
    }
    size_t bit = 0;
    bool bOk = true;
    auto u = [&](int bits) {
        uint32_t v = 0;
        for (int k = 0; k < bits; ++k, ++bit) {
            if (bit >= n * 8) {
                bOk = false;
                return 0u;
            }
            v = v << 1 | ((rbsp[bit / 8] >> (7 - bit % 8)) & 1);
        }
        return v;
    };
    auto ue = [&]() {
        int leading = 0;
        while (bOk && u(1) == 0)
            if (++leading > 31) bOk = false;
        if (!bOk) return 0u;
        return static_cast<uint32_t>((uint64_t(1) << leading) - 1 + u(leading));
    };
    u(4);                                  // video parameter set
    const uint32_t subLayers = u(3);       // minus one
    u(1);
    u(96);                                 // general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (uint32_t i = 0; i < subLayers; ++i) {
        profile[i] = u(1) != 0;
        level[i] = u(1) != 0;
    }
    if (subLayers > 0)
        for (uint32_t i = subLayers; i < 8; ++i) u(2);
    for (uint32_t i = 0; i < subLayers; ++i) {
        if (profile[i]) u(88);
        if (level[i]) u(8);
    }
    ue();  // sequence parameter set id
    if (ue() == 3) u(1);  // chroma format; separate colour planes
    width = ue();
    height = ue();
    return bOk;
}

bool ReadAv1SequenceSize(const uint8_t* payload, size_t size, uint32_t& width, uint32_t& height) {
    size_t bit = 0;
    bool bOk = true;
    auto u = [&](int bits) {
        uint32_t v = 0;
        for (int k = 0; k < bits; ++k, ++bit) {
            if (bit >= size * 8) {
                bOk = false;
                return 0u;
            }
            v = v << 1 | ((payload[bit / 8] >> (7 - bit % 8)) & 1);
        }
        return v;
    };
    auto uvlc = [&]() {
        int leading = 0;
        while (bOk && u(1) == 0)
            if (++leading >= 32) bOk = false;
        if (bOk && leading > 0) u(leading);
    };
    u(3);  // profile
    u(1);  // still picture
    if (u(1)) {
        u(5);  // the reduced header's level
    } else {
        bool bDecoderModel = false;
        uint32_t delayBits = 0;
        if (u(1)) {  // timing info
            u(32), u(32);
            if (u(1)) uvlc();
            bDecoderModel = u(1) != 0;
            if (bDecoderModel) {
                delayBits = u(5) + 1;
                u(32), u(5), u(5);
            }
        }
        const bool bDisplayDelay = u(1) != 0;
        const uint32_t points = u(5) + 1;
        for (uint32_t i = 0; i < points && bOk; ++i) {
            u(12);
            if (u(5) > 7) u(1);  // level, tier
            if (bDecoderModel && u(1)) u(int(delayBits)), u(int(delayBits)), u(1);
            if (bDisplayDelay && u(1)) u(4);
        }
    }
    const int widthBits = int(u(4)) + 1, heightBits = int(u(4)) + 1;
    width = u(widthBits) + 1;
    height = u(heightBits) + 1;
    return bOk;
}

HeifVerdict ReadHeifPicture(ByteSource& src, const DecodeLimits& limits, HeifPicture& picture) {
    picture = HeifPicture();
    try {
        uint64_t offset = 0, length = 0;
        if (!FindMeta(src, offset, length)) return HeifVerdict::Invalid;
        if (length > kMaxHeifMetaBytes) return HeifVerdict::Unsupported;
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        if (!src.ReadAt(offset, bytes.data(), bytes.size())) return HeifVerdict::Invalid;
        Meta meta;
        if (!ParseMeta(meta, bytes.data(), bytes.size())) return HeifVerdict::Unsupported;
        const HeifVerdict v = Interpret(src, meta, limits, picture);
        if (v != HeifVerdict::Direct) {
            const uint32_t w = picture.uprightWidth, h = picture.uprightHeight;
            picture = HeifPicture();
            picture.uprightWidth = w;
            picture.uprightHeight = h;
        }
        return v;
    } catch (const std::bad_alloc&) {
        return HeifVerdict::Invalid;
    }
}

}  // namespace mv
