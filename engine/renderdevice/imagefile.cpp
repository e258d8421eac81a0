#include "engine/renderdevice/imagefile.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <vector>

namespace Kestrel {
namespace {

const char* const CUT_SHORT = "is cut short";
const char* const DAMAGED = "is damaged";
const char* const BAD_SIZE = "has no size between 1 and 8192 pixels per side";
const char* const UNKNOWN_FORMAT = "is not an image the texture loader reads (PNG, JPEG, BMP, ICO, "
                                   "CUR, GIF, TGA, PNM, TIFF, XPM, WebP VP8 or PCX)";

// Bounds-checked reads; a read past the end gives 0, so callers check `has`
// before trusting a value.
class Bytes {
public:
    explicit Bytes(const std::string& bytes) : m_Bytes(bytes) {}
    size_t size() const { return m_Bytes.size(); }
    bool has(uint64_t offset, uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
    uint32_t at(uint64_t offset) const {
        return offset < size() ? static_cast<unsigned char>(m_Bytes[offset]) : 0;
    }
    uint32_t little(uint64_t offset, int count) const {
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = value << 8 | at(offset + i);
        return value;
    }
    uint32_t big(uint64_t offset, int count) const {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 8 | at(offset + i);
        return value;
    }
    bool startsWith(const char* magic, size_t length, size_t offset = 0) const {
        return has(offset, length) && m_Bytes.compare(offset, length, magic, length) == 0;
    }
    const std::string& text() const { return m_Bytes; }

private:
    const std::string& m_Bytes;
};

const char* sideProblem(uint64_t width, uint64_t height) {
    const bool fits =
        width > 0 && height > 0 && width <= MAX_IMAGE_SIDE && height <= MAX_IMAGE_SIDE;
    return fits ? nullptr : BAD_SIZE;
}

// Every chunk from the image header to the end chunk must lie inside the file:
// the image library takes a read past the end for data and can loop for ever.
const char* pngProblem(const Bytes& b) {
    const size_t frame = 12; // length, type and checksum around the data
    uint64_t offset = 8;
    for (bool first = true;; first = false) {
        if (!b.has(offset, frame) || !b.has(offset + frame, b.big(offset, 4)))
            return CUT_SHORT;
        const std::string type = b.text().substr(offset + 4, 4);
        if (first && (type != "IHDR" || b.big(offset, 4) != 13))
            return "does not start with an image header";
        if (first && sideProblem(b.big(offset + 8, 4), b.big(offset + 12, 4)))
            return BAD_SIZE;
        if (type == "IEND")
            return nullptr;
        offset += frame + b.big(offset, 4);
    }
}

bool isFrameMarker(uint32_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Segments up to the first scan lie inside the file, and the end marker
// follows it: the decoder fills a cut-short scan with grey and reports success.
const char* jpegProblem(const Bytes& b) {
    uint64_t offset = 2;
    bool sized = false;
    for (;;) {
        if (!b.has(offset, 4))
            return CUT_SHORT;
        const uint32_t marker = b.at(offset + 1);
        if (b.at(offset) != 0xFF || marker == 0xD9)
            return DAMAGED;
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            offset += marker == 0xFF ? 1 : 2;
            continue;
        }
        const uint32_t length = b.big(offset + 2, 2);
        if (length < 2 || !b.has(offset + 2, length))
            return CUT_SHORT;
        if (isFrameMarker(marker)) {
            if (length < 8 || sideProblem(b.big(offset + 7, 2), b.big(offset + 5, 2)))
                return length < 8 ? DAMAGED : BAD_SIZE;
            sized = true;
        }
        if (marker == 0xDA) {
            if (!sized)
                return DAMAGED;
            return b.text().find("\xFF\xD9", offset + 2 + length) == std::string::npos ? CUT_SHORT
                                                                                       : nullptr;
        }
        offset += 2 + length;
    }
}

const char* bmpProblem(const Bytes& b) {
    const uint32_t infoSize = b.little(14, 4);
    if (!b.has(0, 18) || !b.has(14, infoSize))
        return CUT_SHORT;
    if (infoSize < 12)
        return DAMAGED;
    const bool core = infoSize == 12;
    const uint64_t width = core ? b.little(18, 2) : b.little(18, 4);
    const int64_t signedHeight = core ? b.little(20, 2) : int32_t(b.little(22, 4));
    const uint64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    const uint32_t bits = core ? b.little(24, 2) : b.little(28, 2);
    const uint32_t compression = core ? 0 : b.little(30, 4);
    if (const char* problem = sideProblem(width, height))
        return problem;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return DAMAGED;
    const uint64_t rowBytes = (width * bits + 31) / 32 * 4;
    const bool packed = compression == 0 || compression == 3;
    return b.has(b.little(10, 4), packed ? rowBytes * height : 1) ? nullptr : CUT_SHORT;
}

// Icons and cursors: every directory entry's image lies inside the file.
const char* iconProblem(const Bytes& b) {
    const uint32_t count = b.little(4, 2);
    if (count == 0)
        return DAMAGED;
    if (!b.has(6, uint64_t(count) * 16))
        return CUT_SHORT;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = 6 + uint64_t(i) * 16;
        if (!b.has(b.little(entry + 12, 4), b.little(entry + 8, 4)))
            return CUT_SHORT;
    }
    return nullptr;
}

uint64_t colorTableBytes(uint32_t flags) {
    return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0;
}

// Past a chain of data sub-blocks, or 0 when it runs past the end of the file.
uint64_t skipSubBlocks(const Bytes& b, uint64_t offset) {
    for (;;) {
        if (!b.has(offset, 1))
            return 0;
        const uint32_t length = b.at(offset);
        offset += 1 + length;
        if (length == 0)
            return b.has(offset, 0) ? offset : 0;
    }
}

// Blocks up to the end of the first image lie inside the file: the image
// library reads an extension that runs past the end for ever.
const char* gifProblem(const Bytes& b) {
    if (!b.has(0, 13))
        return CUT_SHORT;
    uint64_t offset = 13 + colorTableBytes(b.at(10));
    for (;;) {
        if (!b.has(offset, 1))
            return CUT_SHORT;
        const uint32_t introducer = b.at(offset);
        if (introducer == '!') {
            offset = skipSubBlocks(b, offset + 2);
        } else if (introducer == ',') {
            if (!b.has(offset, 11))
                return CUT_SHORT;
            if (const char* problem = sideProblem(b.little(offset + 5, 2), b.little(offset + 7, 2)))
                return problem;
            offset += 10 + colorTableBytes(b.at(offset + 9));
            const uint32_t codeSize = b.at(offset);
            if (codeSize < 2 || codeSize > 8)
                return DAMAGED;
            return skipSubBlocks(b, offset + 1) ? nullptr : CUT_SHORT;
        } else {
            return DAMAGED;
        }
        if (offset == 0)
            return CUT_SHORT;
    }
}

// Uncompressed pixels, or run-length packets that reach every pixel, lie
// inside the file; the image library reads missing pixels as zero.
const char* tgaProblem(const Bytes& b) {
    if (!b.has(0, 18))
        return CUT_SHORT;
    const uint32_t type = b.at(2);
    const uint32_t depth = b.at(16);
    if (b.at(1) > 1 || (type & ~8u) < 1 || (type & ~8u) > 3)
        return DAMAGED;
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32)
        return DAMAGED;
    const uint64_t width = b.little(12, 2), height = b.little(14, 2);
    if (const char* problem = sideProblem(width, height))
        return problem;
    const uint64_t pixelBytes = (depth + 7) / 8;
    const uint64_t mapBytes = b.at(1) ? b.little(5, 2) * ((b.at(7) + 7) / 8) : 0;
    uint64_t offset = 18 + b.at(0) + mapBytes;
    const uint64_t pixels = width * height;
    if (type < 8)
        return b.has(offset, pixels * pixelBytes) ? nullptr : CUT_SHORT;
    for (uint64_t done = 0; done < pixels;) {
        if (!b.has(offset, 1))
            return CUT_SHORT;
        const uint32_t packet = b.at(offset);
        const uint64_t count = (packet & 0x7F) + 1;
        offset += 1 + (packet & 0x80 ? pixelBytes : count * pixelBytes);
        done += count;
    }
    return b.has(offset, 0) ? nullptr : CUT_SHORT;
}

// Reads the next number of a PNM header or ASCII raster, skipping white space
// and comments; false at the end of the file or at anything else.
bool readPnmNumber(const Bytes& b, uint64_t& offset, uint64_t& value, bool singleDigit) {
    while (b.has(offset, 1) && (std::isspace(int(b.at(offset))) || b.at(offset) == '#')) {
        if (b.at(offset) == '#') {
            while (b.has(offset, 1) && b.at(offset) != '\n')
                ++offset;
        } else {
            ++offset;
        }
    }
    if (!b.has(offset, 1) || !std::isdigit(int(b.at(offset))))
        return false;
    value = 0;
    do {
        value = std::min<uint64_t>(value * 10 + (b.at(offset++) - '0'), UINT32_MAX);
    } while (!singleDigit && b.has(offset, 1) && std::isdigit(int(b.at(offset))));
    return true;
}

// The raster holds every sample the header promises.
const char* pnmProblem(const Bytes& b) {
    const uint32_t kind = b.at(1) - '0';
    const bool bitmap = kind == 1 || kind == 4;
    uint64_t offset = 2, width = 0, height = 0, maximum = 1;
    if (!readPnmNumber(b, offset, width, false) || !readPnmNumber(b, offset, height, false) ||
        (!bitmap && !readPnmNumber(b, offset, maximum, false)))
        return b.has(offset, 1) ? DAMAGED : CUT_SHORT;
    if (const char* problem = sideProblem(width, height))
        return problem;
    if (maximum == 0 || maximum > 255)
        return DAMAGED;
    const uint64_t samples = width * height * (kind == 3 || kind == 6 ? 3 : 1);
    if (kind >= 4)
        return b.has(offset + 1, kind == 4 ? (width + 7) / 8 * height : samples) ? nullptr
                                                                                 : CUT_SHORT;
    uint64_t value = 0;
    for (uint64_t i = 0; i < samples; ++i) {
        if (!readPnmNumber(b, offset, value, kind == 1))
            return b.has(offset, 1) ? DAMAGED : CUT_SHORT;
    }
    return nullptr;
}

// One directory entry of a TIFF file: element i of its values, wherever they lie.
struct TiffField {
    const Bytes& b;
    bool little;
    uint64_t entry;

    uint32_t read(uint64_t offset, int count) const {
        return little ? b.little(offset, count) : b.big(offset, count);
    }
    uint32_t tag() const { return read(entry, 2); }
    uint32_t elementSize() const {
        static const uint32_t SIZES[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
        const uint32_t type = read(entry + 2, 2);
        return type < 13 ? SIZES[type] : 0;
    }
    uint64_t count() const { return read(entry + 4, 4); }
    uint64_t dataOffset() const {
        return count() * elementSize() <= 4 ? entry + 8 : read(entry + 8, 4);
    }
    bool inside() const { return b.has(dataOffset(), count() * elementSize()); }
    uint32_t value(uint64_t i) const {
        const uint32_t size = elementSize();
        return read(dataOffset() + i * size, size == 2 ? 2 : 4);
    }
};

// The first directory, its values and the image data it points to lie inside
// the file.
const char* tiffProblem(const Bytes& b) {
    const bool little = b.at(0) == 'I';
    const TiffField header{b, little, 0};
    const uint64_t directory = header.read(4, 4);
    if (!b.has(directory, 2) || !b.has(directory + 2, header.read(directory, 2) * 12 + 4))
        return CUT_SHORT;
    uint64_t width = 0, height = 0;
    const TiffField* offsets = nullptr;
    const TiffField* lengths = nullptr;
    std::vector<TiffField> fields;
    for (uint64_t i = 0; i < header.read(directory, 2); ++i)
        fields.push_back(TiffField{b, little, directory + 2 + i * 12});
    for (const TiffField& field : fields) {
        if (!field.inside())
            return CUT_SHORT;
        const uint32_t tag = field.tag();
        // A type of unknown size passes any count: the strip loop below ran
        // up to 2^32 - 1 times.
        const bool read =
            tag == 256 || tag == 257 || tag == 273 || tag == 324 || tag == 279 || tag == 325;
        if (read && field.elementSize() == 0)
            return DAMAGED;
        width = tag == 256 ? field.value(0) : width;
        height = tag == 257 ? field.value(0) : height;
        offsets = tag == 273 || tag == 324 ? &field : offsets;
        lengths = tag == 279 || tag == 325 ? &field : lengths;
    }
    if (const char* problem = sideProblem(width, height))
        return problem;
    if (!offsets || !lengths || offsets->count() != lengths->count())
        return DAMAGED;
    for (uint64_t i = 0; i < offsets->count(); ++i) {
        if (!b.has(offsets->value(i), lengths->value(i)))
            return CUT_SHORT;
    }
    return nullptr;
}

// The next whitespace-separated count of a header; a sign, which the stream
// would read as a huge unsigned value, makes it fail.
bool readCount(std::istream& in, uint64_t& count) {
    in >> std::ws;
    return std::isdigit(in.peek()) && (in >> count);
}

// The header string, every colour and every pixel row is there, rows exactly
// as long as the width says, and every pixel names a colour: the image library
// reads the rest of a longer row as the next line and dereferences a missing
// line or colour.
const char* xpmProblem(const Bytes& b) {
    std::vector<std::string> strings;
    for (size_t open = b.text().find('"'); open != std::string::npos;) {
        const size_t close = b.text().find('"', open + 1);
        if (close == std::string::npos)
            break;
        strings.push_back(b.text().substr(open + 1, close - open - 1));
        open = b.text().find('"', close + 1);
    }
    if (strings.empty())
        return CUT_SHORT;
    std::istringstream header(strings[0]);
    uint64_t width = 0, height = 0, colors = 0, perPixel = 0;
    if (!readCount(header, width) || !readCount(header, height) || !readCount(header, colors) ||
        !readCount(header, perPixel))
        return DAMAGED;
    if (const char* problem = sideProblem(width, height))
        return problem;
    if (colors == 0 || perPixel == 0 || perPixel > 8)
        return DAMAGED;
    // Differences, not sums: a count near the top of its range would wrap.
    const uint64_t lines = strings.size() - 1;
    if (colors > lines || height > lines - colors)
        return CUT_SHORT;
    std::set<std::string> keys;
    for (uint64_t i = 1; i <= colors; ++i) {
        std::istringstream words(strings[i].size() > perPixel ? strings[i].substr(perPixel) : "");
        std::string kind, value;
        if (!(words >> kind >> value))
            return DAMAGED;
        keys.insert(strings[i].substr(0, perPixel));
    }
    for (uint64_t row = 0; row < height; ++row) {
        const std::string& pixels = strings[1 + colors + row];
        if (pixels.size() != width * perPixel)
            return DAMAGED;
        for (uint64_t x = 0; x < width; ++x) {
            if (keys.count(pixels.substr(x * perPixel, perPixel)) == 0)
                return DAMAGED;
        }
    }
    return nullptr;
}

// The image library allocates what the container's length field says.
const char* webpProblem(const Bytes& b) {
    if (!b.has(0, 30) || !b.has(8, b.little(4, 4)) || !b.has(20, b.little(16, 4)))
        return CUT_SHORT;
    if (b.little(4, 4) < 22 || !b.startsWith("\x9d\x01\x2a", 3, 23))
        return DAMAGED;
    return sideProblem(b.little(26, 2) & 0x3FFF, b.little(28, 2) & 0x3FFF);
}

// A consistent header, the run-length data of every row and the palette that
// 8-bit images keep at the end.
const char* pcxProblem(const Bytes& b) {
    if (!b.has(0, 128))
        return CUT_SHORT;
    const uint32_t bits = b.at(3), planes = b.at(65);
    const uint32_t left = b.little(4, 2), top = b.little(6, 2);
    const uint32_t right = b.little(8, 2), bottom = b.little(10, 2);
    if (right < left || bottom < top)
        return BAD_SIZE;
    const uint64_t width = right - left + 1, height = bottom - top + 1;
    if (const char* problem = sideProblem(width, height))
        return problem;
    const uint64_t lineBytes = b.little(66, 2);
    if ((bits != 1 && bits != 8) || planes == 0 || planes > 4 || lineBytes < (width * bits + 7) / 8)
        return DAMAGED;
    uint64_t offset = 128;
    for (uint64_t done = 0, total = lineBytes * planes * height; done < total; ++offset) {
        if (!b.has(offset, 1))
            return CUT_SHORT;
        const uint32_t code = b.at(offset);
        const bool run = (code & 0xC0) == 0xC0;
        done += run ? code & 0x3F : 1;
        offset += run ? 1 : 0;
    }
    const bool palette = bits == 8 && planes == 1;
    return !palette || b.has(offset, 769) ? nullptr : CUT_SHORT;
}

bool hasExtension(const std::string& path, const char* extension) {
    const size_t length = std::char_traits<char>::length(extension);
    if (path.size() < length)
        return false;
    return std::equal(path.end() - length, path.end(), extension, [](char a, char e) {
        return std::tolower(static_cast<unsigned char>(a)) == e;
    });
}

// TGA has no signature; as with the image library, its name decides first.
ImageFormat recognise(const Bytes& b, const std::string& path) {
    if (hasExtension(path, ".tga"))
        return IMAGE_TGA;
    if (b.startsWith("\x89PNG\r\n\x1a\n", 8))
        return IMAGE_PNG;
    if (b.startsWith("\xFF\xD8\xFF", 3))
        return IMAGE_JPEG;
    if (b.startsWith("BM", 2))
        return IMAGE_BMP;
    if (b.startsWith("\0\0\1\0", 4) || b.startsWith("\0\0\2\0", 4))
        return b.at(2) == 1 ? IMAGE_ICO : IMAGE_CUR;
    if (b.startsWith("GIF87a", 6) || b.startsWith("GIF89a", 6))
        return IMAGE_GIF;
    if (b.at(0) == 'P' && b.at(1) >= '1' && b.at(1) <= '6' && std::isspace(int(b.at(2))))
        return IMAGE_PNM;
    if (b.startsWith("II*\0", 4) || b.startsWith("MM\0*", 4))
        return IMAGE_TIFF;
    if (b.startsWith("/* XPM */", 9))
        return IMAGE_XPM;
    if (b.startsWith("RIFF", 4) && b.startsWith("WEBPVP8 ", 8, 8))
        return IMAGE_WEBP;
    if (b.startsWith("\x0A\x05\x01", 3))
        return IMAGE_PCX;
    return IMAGE_UNKNOWN;
}

} // namespace

ImageCheck checkImageFile(const std::string& bytes, const std::string& path) {
    typedef const char* (*Check)(const Bytes&);
    static const Check CHECKS[] = {nullptr,     pngProblem,  jpegProblem, bmpProblem, iconProblem,
                                   iconProblem, gifProblem,  tgaProblem,  pnmProblem, tiffProblem,
                                   xpmProblem,  webpProblem, pcxProblem};
    static_assert(sizeof(CHECKS) / sizeof(CHECKS[0]) == IMAGE_FORMAT_COUNT, "one check per format");
    const Bytes b(bytes);
    const ImageFormat format = recognise(b, path);
    if (bytes.size() > size_t(INT32_MAX))
        return {format, "is too large"};
    return {format, format == IMAGE_UNKNOWN ? UNKNOWN_FORMAT : CHECKS[format](b)};
}

} // namespace Kestrel
