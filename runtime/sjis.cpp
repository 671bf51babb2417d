#include "runtime/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <stdexcept>
#include <vector>

namespace zell {
namespace {

// One iconv conversion descriptor per direction, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == iconv_t(-1)) throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in; returns false at the first unconvertible or invalid sequence,
    // with *consumed set to the number of input bytes converted so far.
    bool convert(std::string_view in, std::string& out, size_t* consumed) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* ip = const_cast<char*>(in.data());
        size_t il = in.size();
        std::vector<char> buf(in.size() * 4 + 16);
        bool ok = true;
        while (il > 0) {
            char* op = buf.data();
            size_t ol = buf.size();
            size_t r = iconv(cd_, &ip, &il, &op, &ol);
            out.append(buf.data(), size_t(op - buf.data()));
            if (r == size_t(-1) && errno != E2BIG) {
                ok = false;
                break;
            }
        }
        *consumed = in.size() - il;
        return ok;
    }

private:
    iconv_t cd_;
};

Converter& to_sjis_converter() {
    static Converter c("CP932", "UTF-8");
    return c;
}
Converter& to_utf8_converter() {
    static Converter c("UTF-8", "CP932");
    return c;
}

// Length of the UTF-8 sequence starting with byte b (1 for an invalid byte).
size_t utf8_length(uint8_t b) {
    if (b >= 0xF0) return 4;
    if (b >= 0xE0) return 3;
    if (b >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::optional<std::string> try_to_sjis(std::string_view utf8) {
    std::string out;
    size_t consumed = 0;
    if (!to_sjis_converter().convert(utf8, out, &consumed)) return std::nullopt;
    return out;
}

std::string to_sjis(std::string_view utf8) {
    std::string out;
    while (!utf8.empty()) {
        size_t consumed = 0;
        if (to_sjis_converter().convert(utf8, out, &consumed)) break;
        out += '?';
        size_t skip = std::min(utf8.size() - consumed, utf8_length(uint8_t(utf8[consumed])));
        utf8.remove_prefix(consumed + std::max<size_t>(skip, 1));
    }
    return out;
}

std::string to_utf8(std::string_view sjis) {
    std::string out;
    while (!sjis.empty()) {
        size_t consumed = 0;
        if (to_utf8_converter().convert(sjis, out, &consumed)) break;
        out += "\xEF\xBF\xBD";
        size_t skip = is_sjis_lead(uint8_t(sjis[consumed])) && consumed + 1 < sjis.size() ? 2 : 1;
        sjis.remove_prefix(consumed + skip);
    }
    return out;
}

const std::string& cached_sjis(const char* utf8) {
    // Map nodes never move, so the references handed out stay valid.
    static std::map<std::string_view, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, to_sjis(utf8)).first;
    return it->second;
}

}  // namespace zell
