// Build-time generator: turns GNU Unifont .hex files into a compact glyph table
// indexed by Shift-JIS (CP932) code, compiled into the program.
//
//   gen-glyphs OUT.cpp PRIMARY.hex [FALLBACK.hex] [--full-width JIS.pcf.gz]
//
// Single-byte codes get an 8 x 16 glyph each. Double-byte codes get a 16 x 16
// glyph: every double-byte character is drawn full width, as on the Japanese
// fonts the program was made for. Where Unifont's glyph is only 8 pixels wide
// (symbols such as the marks on the score sheet), the character is taken from
// the 16-dot JIS X 0208 bitmap font given with --full-width (a PCF file, as the
// X11 font packages install it); a half-width glyph that font lacks is centred.
// The mapping from Shift-JIS to Unicode is iconv's CP932, so the screen shows
// exactly the characters the runtime's text conversion produces.
#include <iconv.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Glyph {
    int width = 0;                    // 8 or 16
    std::array<uint16_t, 16> rows{};  // left-aligned in the high bits
};

void load_hex(const std::string& path, std::map<uint32_t, Glyph>& out) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << "gen-glyphs: cannot read " << path << "\n";
        std::exit(1);
    }
    std::string line;
    while (std::getline(in, line)) {
        auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        uint32_t cp = std::stoul(line.substr(0, colon), nullptr, 16);
        std::string hex = line.substr(colon + 1);
        if (out.count(cp)) continue;  // the first file given wins
        Glyph g;
        if (hex.size() == 32) {
            g.width = 8;
            for (int r = 0; r < 16; ++r) g.rows[r] = uint16_t(std::stoul(hex.substr(r * 2, 2), nullptr, 16) << 8);
        } else if (hex.size() == 64) {
            g.width = 16;
            for (int r = 0; r < 16; ++r) g.rows[r] = uint16_t(std::stoul(hex.substr(r * 4, 4), nullptr, 16));
        } else {
            continue;
        }
        out[cp] = g;
    }
}

// --- The JIS X 0208 bitmap font (PCF) ------------------------------------------------

// Reads the PCF tables the glyphs need: metrics, bitmaps, encodings and the font's ascent.
class PcfFont {
public:
    explicit PcfFont(const std::string& path) {
        gzFile f = gzopen(path.c_str(), "rb");
        if (!f) fail(path, "cannot read");
        char buf[65536];
        int n;
        while ((n = gzread(f, buf, sizeof buf)) > 0) data_.insert(data_.end(), buf, buf + n);
        gzclose(f);
        if (data_.size() < 8 || std::string(data_.begin(), data_.begin() + 4) != "\1fcp") fail(path, "is no PCF font");
        const uint32_t tables = u32(4, false);
        for (uint32_t i = 0; i < tables; ++i) {
            const size_t at = 8 + size_t(i) * 16;
            toc_[u32(at, false)] = u32(at + 12, false);
        }
        for (uint32_t type : {kMetrics, kBitmaps, kEncodings})
            if (!toc_.count(type)) fail(path, "lacks a table it needs");
    }

    // The glyph of JIS code (row byte, cell byte) in a 16 x 16 cell whose baseline lies 14 rows
    // down (as Unifont's); false when the font has none or it is not 16 pixels wide.
    bool glyph(int b1, int b2, std::array<uint16_t, 16>& rows) const {
        size_t at = toc_.at(kEncodings);
        const uint32_t format = u32(at, false);
        const bool msb = format & kByteMask;
        const int min2 = s16(at + 4, msb), max2 = s16(at + 6, msb), min1 = s16(at + 8, msb), max1 = s16(at + 10, msb);
        if (b1 < min1 || b1 > max1 || b2 < min2 || b2 > max2) return false;
        const uint16_t index = uint16_t(s16(at + 14 + 2 * size_t((b1 - min1) * (max2 - min2 + 1) + (b2 - min2)), msb));
        if (index == 0xFFFF) return false;
        const Metrics m = metrics(index);
        if (m.width != 16 || m.right - m.left > 16) return false;
        rows = {};
        at = toc_.at(kBitmaps);
        const uint32_t bformat = u32(at, false);
        const bool bmsb = bformat & kByteMask;
        const uint32_t count = u32(at + 4, bmsb);
        const size_t offset = u32(at + 8 + 4 * size_t(index), bmsb);
        const size_t data = at + 8 + 4 * size_t(count) + 16;
        const int pad = 1 << (bformat & 3), unit = 1 << ((bformat >> 4) & 3);
        const int ink_w = m.right - m.left;
        const int stride = ((ink_w + 7) / 8 + pad - 1) / pad * pad;
        for (int r = 0; r < m.ascent + m.descent; ++r) {
            const int cell_row = 14 - m.ascent + r;
            if (cell_row < 0 || cell_row >= 16) continue;
            for (int c = 0; c < ink_w; ++c) {
                const int col = m.left + c;
                if (col < 0 || col >= 16) continue;
                int byte = c / 8;
                // Bytes within a scan unit are stored in the font's byte order when it differs from its bit order.
                if (bool(bformat & kBitMask) != bmsb && unit > 1) byte = byte / unit * unit + (unit - 1 - byte % unit);
                const uint8_t bits = data_.at(data + offset + size_t(r) * size_t(stride) + size_t(byte));
                const int bit = (bformat & kBitMask) ? 7 - c % 8 : c % 8;
                if (bits >> bit & 1) rows[size_t(cell_row)] |= uint16_t(0x8000 >> col);
            }
        }
        return true;
    }

private:
    static constexpr uint32_t kAccelerators = 2, kMetrics = 4, kBitmaps = 8, kEncodings = 32, kBdfAccelerators = 256;
    static constexpr uint32_t kByteMask = 1 << 2, kBitMask = 1 << 3, kCompressedMetrics = 0x100;
    struct Metrics {
        int left = 0, right = 0, width = 0, ascent = 0, descent = 0;
    };

    [[noreturn]] static void fail(const std::string& path, const char* why) {
        std::cerr << "gen-glyphs: " << path << " " << why << "\n";
        std::exit(1);
    }
    uint32_t u32(size_t at, bool msb) const {
        const uint8_t* p = &data_.at(at + 3) - 3;
        return msb ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                   : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    int s16(size_t at, bool msb) const {
        const uint8_t* p = &data_.at(at + 1) - 1;
        return int16_t(msb ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    }
    Metrics metrics(uint16_t index) const {
        const size_t at = toc_.at(kMetrics);
        const uint32_t format = u32(at, false);
        const bool msb = format & kByteMask;
        if (format & kCompressedMetrics) {
            const size_t p = at + 6 + size_t(index) * 5;
            auto b = [&](size_t k) { return int(data_.at(p + k)) - 0x80; };
            return {b(0), b(1), b(2), b(3), b(4)};
        }
        const size_t p = at + 8 + size_t(index) * 12;
        return {s16(p, msb), s16(p + 2, msb), s16(p + 4, msb), s16(p + 6, msb), s16(p + 8, msb)};
    }

    std::vector<uint8_t> data_;
    std::map<uint32_t, size_t> toc_;  // table type -> offset
};

// The JIS X 0208 code of a double-byte Shift-JIS code in the JIS rows (lead 0x81..0xEF), or 0.
int sjis_to_jis(int lead, int trail) {
    if (lead < 0x81 || (lead > 0x9F && lead < 0xE0) || lead > 0xEF) return 0;
    int row = (lead - (lead >= 0xE0 ? 0xC1 : 0x81)) * 2, cell;
    if (trail >= 0x9F) {
        ++row;
        cell = trail - 0x9F;
    } else {
        cell = trail - (trail >= 0x80 ? 0x41 : 0x40);
    }
    return (row + 0x21) << 8 | (cell + 0x21);
}

// Converts one CP932 byte sequence to a single Unicode scalar; 0 when it maps to none.
uint32_t to_unicode(iconv_t cd, const std::string& bytes) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[4];
    std::copy(bytes.begin(), bytes.end(), in);
    char* ip = in;
    size_t il = bytes.size();
    uint32_t outbuf[4] = {};
    char* op = reinterpret_cast<char*>(outbuf);
    size_t ol = sizeof outbuf;
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return 0;
    if (sizeof outbuf - ol != 4) return 0;  // must be exactly one character
    return outbuf[0];
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> hex_files;
    std::unique_ptr<PcfFont> full_width;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--full-width" && i + 1 < argc) full_width = std::make_unique<PcfFont>(argv[++i]);
        else hex_files.push_back(argv[i]);
    }
    if (argc < 3 || hex_files.empty()) {
        std::cerr << "usage: gen-glyphs OUT.cpp PRIMARY.hex [FALLBACK.hex] [--full-width JIS.pcf.gz]\n";
        return 2;
    }
    std::map<uint32_t, Glyph> font;
    for (const std::string& f : hex_files) load_hex(f, font);

    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == iconv_t(-1)) {
        std::cerr << "gen-glyphs: iconv has no CP932\n";
        return 1;
    }

    std::ostringstream single;
    for (int b = 0; b < 256; ++b) {
        Glyph g;
        bool printable = (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF);
        if (printable) {
            uint32_t cp = to_unicode(cd, std::string(1, char(b)));
            auto it = font.find(cp);
            if (it != font.end()) g = it->second;
        }
        for (int r = 0; r < 16; ++r) {
            // A 16-wide glyph for a half-width code keeps its left half.
            single << "0x" << std::hex << ((g.rows[r] >> 8) & 0xFF) << std::dec << ",";
        }
        single << "\n";
    }

    // Double-byte codes: lead 0x81..0x9F, 0xE0..0xFC; trail 0x40..0xFC except 0x7F.
    std::vector<uint16_t> index(60 * 189, 0);
    std::vector<std::array<uint16_t, 16>> glyphs(1);  // glyph 0: blank
    int from_full_width = 0;
    for (int li = 0; li < 60; ++li) {
        int lead = li < 31 ? 0x81 + li : 0xE0 + (li - 31);
        for (int ti = 0; ti < 189; ++ti) {
            int trail = 0x40 + ti;
            if (trail == 0x7F) continue;
            std::string s{char(lead), char(trail)};
            uint32_t cp = to_unicode(cd, s);
            if (cp == 0) continue;
            auto it = font.find(cp);
            std::array<uint16_t, 16> rows{};
            const int jis = sjis_to_jis(lead, trail);
            if (it != font.end() && it->second.width == 16) {
                rows = it->second.rows;
            } else if (full_width && jis && full_width->glyph(jis >> 8, jis & 0xFF, rows)) {
                ++from_full_width;
            } else if (it != font.end()) {
                for (int r = 0; r < 16; ++r) rows[r] = uint16_t(it->second.rows[r] >> 4);
            } else {
                continue;
            }
            index[li * 189 + ti] = uint16_t(glyphs.size());
            glyphs.push_back(rows);
        }
    }
    iconv_close(cd);
    if (full_width) std::cout << "gen-glyphs: " << from_full_width << " full-width glyphs from the JIS font\n";

    std::ofstream out(argv[1]);
    out << "// Generated by gen-glyphs from GNU Unifont. Do not edit.\n"
        << "#include <cstdint>\n"
        << "namespace zell::glyphdata {\n"
        << "extern const uint8_t kSingle[256 * 16];\n"
        << "extern const uint8_t kDoublePresent[60 * 24];\n"
        << "extern const uint16_t kRowFirstGlyph[60];\n"
        << "extern const uint8_t kDoubleLeft[];\n"
        << "extern const uint8_t kDoubleRight[];\n"
        << "extern const int kDoubleGlyphCount;\n"
        << "const uint8_t kSingle[256 * 16] = {\n"
        << single.str() << "};\n"
        << "const uint8_t kDoublePresent[60 * 24] = {\n";
    // The glyphs follow the codes in order, one a code that has one: a row's glyph numbers are its
    // first one and then a count of the codes before that have one. So the index is stored as a
    // bit a code (trail 0x40 + i at bit i % 8 of byte i / 8 of the row) and each row's first glyph.
    std::vector<uint8_t> present(60 * 24, 0);
    std::vector<uint16_t> row_first(60, 0);
    uint16_t next = 1;
    for (int li = 0; li < 60; ++li) {
        row_first[li] = next;
        for (int ti = 0; ti < 189; ++ti) {
            if (index[li * 189 + ti] == 0) continue;
            if (index[li * 189 + ti] != next++) {
                std::cerr << "gen-glyphs: glyphs out of code order\n";
                return 1;
            }
            present[li * 24 + ti / 8] |= uint8_t(1u << (ti % 8));
        }
    }
    for (size_t i = 0; i < present.size(); ++i) out << int(present[i]) << ((i % 24 == 23) ? ",\n" : ",");
    out << "};\nconst uint16_t kRowFirstGlyph[60] = {";
    for (uint16_t f : row_first) out << f << ",";
    // The left halves of all glyphs, then the right halves: each compresses far better alone
    // (the page's module is sent compressed).
    for (int half : {8, 0}) {
        out << (half ? "};\nconst uint8_t kDoubleLeft[] = {\n" : "};\nconst uint8_t kDoubleRight[] = {\n");
        for (auto& g : glyphs) {
            for (auto r : g) out << ((r >> half) & 0xFF) << ",";
            out << "\n";
        }
    }
    out << "};\nconst int kDoubleGlyphCount = " << glyphs.size() << ";\n}  // namespace zell::glyphdata\n";
    return out ? 0 : 1;
}
