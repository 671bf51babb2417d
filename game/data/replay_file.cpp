#include "game/data/replay_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <set>

#include "runtime/text/sjis.h"

namespace zell {

namespace {

// A replay holds at most this many reads (a player idle for hours reads some hundred thousand
// times): a damaged count cannot keep the program reading for ever.
constexpr uint64_t kMaxReads = 20'000'000;

template <class T>
bool parse_number(std::string_view text, T& out, int base = 10) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return ec == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// "key rest": the rest when the line starts with key and a blank.
std::optional<std::string_view> after_key(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || !line.starts_with(key) || line[key.size()] != ' ') return std::nullopt;
    return line.substr(key.size() + 1);
}

bool date_like(std::string_view d) {
    static constexpr std::string_view kPattern = "0000-00-00 00:00:00";
    if (d.size() != kPattern.size()) return false;
    for (size_t i = 0; i < d.size(); ++i)
        if (kPattern[i] == '0' ? (d[i] < '0' || d[i] > '9') : d[i] != kPattern[i]) return false;
    return true;
}

// The lines of a text, each without its line end; a last line without one is kept too.
std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// Parses the header lines from lines[0]; the index of the "journal" line after it, or nullopt.
std::optional<size_t> parse_header(const std::vector<std::string_view>& lines, ReplayHeader& h, std::string* why) {
    size_t n = 0;
    auto fail = [&](const std::string& reason) -> std::optional<size_t> {
        if (why) *why = "line " + std::to_string(n + 1) + ": " + reason;
        return std::nullopt;
    };
    auto field = [&](std::string_view key) -> std::optional<std::string_view> {
        if (n >= lines.size()) return std::nullopt;
        return after_key(lines[n], key);
    };
    if (lines.empty()) return fail("the file is empty");
    auto v = after_key(lines[0], "zell-bowling replay");
    if (!v || !parse_number(*v, h.version) || h.version < 1) return fail("this is no zell-bowling replay");
    if (h.version > ReplayHeader::kVersion)
        return fail("format version " + std::to_string(h.version) + " is newer than this program plays (" +
                    std::to_string(ReplayHeader::kVersion) + ")");
    ++n;
    if (!(v = field("program")) || v->empty() || v->find(' ') != std::string_view::npos)
        return fail("expected \"program VERSION\"");
    h.program = *v;
    ++n;
    if (!(v = field("date")) || !date_like(*v)) return fail("expected \"date YYYY-MM-DD HH:MM:SS\"");
    h.date = *v;
    ++n;
    auto small = [&](std::string_view key, int low, int high, int& out) {
        auto value = field(key);
        return value && parse_number(*value, out) && out >= low && out <= high;
    };
    if (!small("level", 1, 4, h.level)) return fail("expected \"level N\", N from 1 to 4");
    ++n;
    if (!(v = field("layout")) || (*v != "bowling" && *v != "random"))
        return fail("expected \"layout bowling\" or \"layout random\"");
    h.layout = *v == "bowling" ? 1 : 2;
    ++n;
    if (!small("speed", 1, 6, h.speed)) return fail("expected \"speed N\", N from 1 to 6");
    ++n;
    std::optional<std::string> name;
    if (!(v = field("name")) || !(name = unquote_name(*v))) return fail("expected \"name\" and a quoted name");
    h.name = *name;
    ++n;
    if (!small("mascot", 1, 7, h.mascot)) return fail("expected \"mascot N\", N from 1 to 7");
    ++n;
    v = field("seed");
    const size_t blank = v ? v->find(' ') : std::string_view::npos;
    if (blank == std::string_view::npos || !parse_number(v->substr(0, blank), h.seed_state) ||
        !parse_number(v->substr(blank + 1), h.seed))
        return fail("expected \"seed STATE SECONDS\"");
    ++n;
    if (!(v = field("random")) || !parse_number(*v, h.random)) return fail("expected \"random STATE\"");
    ++n;
    if (!(v = field("first")) || (*v != "yes" && *v != "no")) return fail("expected \"first yes\" or \"first no\"");
    h.first = *v == "yes";
    ++n;
    if (n >= lines.size() || lines[n] != "journal") return fail("expected \"journal\"");
    return n;
}

// Characters that cannot stand in a file name on any system the game runs on.
bool unsafe_in_file_name(unsigned char c) {
    return c < ' ' || c == 0x7F || std::string_view("/\\:*?\"<>| .").find(char(c)) != std::string_view::npos;
}

}  // namespace

std::string format_replay_header(const ReplayHeader& h) {
    std::string out = "zell-bowling replay " + std::to_string(ReplayHeader::kVersion) + "\n";
    out += "program " + h.program + "\n";
    out += "date " + h.date + "\n";
    out += "level " + std::to_string(h.level) + "\n";
    out += std::string("layout ") + (h.layout == 1 ? "bowling" : "random") + "\n";
    out += "speed " + std::to_string(h.speed) + "\n";
    out += "name " + quote_name(h.name) + "\n";
    out += "mascot " + std::to_string(h.mascot) + "\n";
    out += "seed " + std::to_string(h.seed_state) + " " + std::to_string(h.seed) + "\n";
    out += "random " + std::to_string(h.random) + "\n";
    out += std::string("first ") + (h.first ? "yes" : "no") + "\n";
    return out + "journal\n";
}

std::string format_throw_mark(const ThrowMark& m) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "throw %d %d %d %08X", m.frame, m.throw_no, m.pins, unsigned(m.checksum));
    return buf;
}

std::optional<ThrowMark> parse_throw_mark(std::string_view line) {
    auto rest = after_key(line, "throw");
    if (!rest) return std::nullopt;
    std::vector<std::string_view> parts;
    while (!rest->empty() && parts.size() < 5) {
        const size_t end = std::min(rest->find(' '), rest->size());
        parts.push_back(rest->substr(0, end));
        rest->remove_prefix(std::min(end + 1, rest->size()));
    }
    ThrowMark m;
    if (parts.size() != 4 || !parse_number(parts[0], m.frame) || m.frame < 1 || m.frame > 12 ||
        !parse_number(parts[1], m.throw_no) || m.throw_no < 1 || m.throw_no > 2 || !parse_number(parts[2], m.pins) ||
        m.pins < 0 || m.pins > 10 || parts[3].size() != 8 || !parse_number(parts[3], m.checksum, 16))
        return std::nullopt;
    return m;
}

std::string format_replay_end(std::optional<int> score) {
    return score ? "end " + std::to_string(*score) : std::string("end gave-up");
}

std::optional<ReplayHeader> parse_replay_header(std::string_view text, std::string* why) {
    ReplayHeader h;
    if (!parse_header(split_lines(text.substr(0, 4096)), h, why)) return std::nullopt;
    return h;
}

std::optional<Replay> parse_replay(std::string_view text, std::string* why) {
    const std::vector<std::string_view> lines = split_lines(text);
    Replay r;
    auto journal_at = parse_header(lines, r.header, why);
    if (!journal_at) return std::nullopt;
    auto fail = [&](size_t n, const std::string& reason) -> std::optional<Replay> {
        if (why) *why = "line " + std::to_string(n + 1) + ": " + reason;
        return std::nullopt;
    };
    uint64_t reads = 0;
    for (size_t n = *journal_at + 1; n < lines.size(); ++n) {
        std::string reason;
        auto e = parse_journal_line(lines[n], int(n + 1), &reason);
        if (!e) return fail(n, reason);
        reads += e->kind == JournalEntry::Kind::Same ? e->count : 1;
        if (reads > kMaxReads) return fail(n, "more reads than any game makes");
        if (e->kind == JournalEntry::Kind::Mark) {
            if (auto end = after_key(lines[n], "end")) {
                int score = 0;
                if (*end == "gave-up") r.score.reset();
                else if (parse_number(*end, score) && score >= 0 && score <= 300) r.score = score;
                else return fail(n, "expected \"end SCORE\" (0 to 300) or \"end gave-up\"");
                for (size_t k = n + 1; k < lines.size(); ++k)
                    if (!lines[k].empty()) return fail(k, "nothing may follow the end line");
                return r;
            }
            if (!parse_throw_mark(lines[n]))
                return fail(n, "expected a read (@MS ...), \"same N\", \"throw FRAME THROW PINS CHECKSUM\" or \"end\"");
        }
        r.journal.push_back(std::move(*e));
    }
    return fail(lines.size() > 0 ? lines.size() - 1 : 0, "the file is cut short: it has no end line");
}

std::string replay_record_name(const ReplayHeader& h, std::optional<int> score, int suffix) {
    std::string stamp;
    for (char c : h.date)
        if (c >= '0' && c <= '9') stamp += c;
    if (stamp.size() == 14) stamp.insert(8, "-");
    std::string name;
    std::string field = h.name;
    while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.pop_back();
    for (unsigned char c : to_utf8(field)) name += unsafe_in_file_name(c) ? '_' : char(c);
    if (name.empty()) name = "player";
    std::string out = std::string(ReplayShelf::kFolder) + "/" + stamp + "-" +
                      (score ? std::to_string(*score) : std::string("gave-up")) + "-" + name;
    if (suffix > 1) {
        out += '-';  // appended, not `"-" + string`: GCC 12 warns of an overlap there (-Wrestrict)
        out += std::to_string(suffix);
    }
    return out + ".replay";
}

std::string ReplayShelf::keep(const ReplayHeader& h, std::optional<int> score, std::string_view text,
                              std::string* why) {
    const std::string lock = std::string(kFolder) + "/" + kFolder;
    if (!store_.lock(lock, why)) return {};
    std::string kept;
    // Under the lock no other copy of the game takes a name between the look and the write.
    for (int suffix = 1; suffix <= 1000 && kept.empty(); ++suffix) {
        const std::string name = replay_record_name(h, score, suffix);
        const Store::ReadResult existing = store_.read(name);
        if (existing.status != Store::Status::Missing) continue;
        if (!store_.write(name, text, why)) break;
        kept = name;
    }
    if (kept.empty() && why && why->empty()) *why = "every name for it is taken";
    store_.unlock(lock);
    return kept;
}

bool ReplayShelf::prune(const BestTable& table, std::string* why) {
    const std::string lock = std::string(kFolder) + "/" + kFolder;
    if (!store_.lock(lock, why)) return false;
    std::vector<std::string> names;
    for (std::string& n : store_.list(kFolder))
        if (n.ends_with(".replay")) names.push_back(std::move(n));
    // Named by date first: the newest last.
    std::sort(names.begin(), names.end());
    bool ok = true;
    for (size_t i = 0; i + kKeptReplays < names.size(); ++i) {
        const Store::ReadResult r = store_.read(names[i]);
        if (r.status != Store::Status::Ok) continue;  // not ours to judge: left alone
        auto h = parse_replay_header(r.bytes, nullptr);
        if (!h) continue;
        // The score is on the end line.
        std::optional<int> score;
        const size_t end = r.bytes.rfind("\nend ");
        int n = 0;
        if (end != std::string::npos) {
            std::string_view s = std::string_view(r.bytes).substr(end + 5);
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
            if (parse_number(s, n)) score = n;
        }
        const bool in_table =
            score && std::any_of(table.entries.begin(), table.entries.end(), [&](const BestEntry& e) {
                return e.score == *score && e.level == h->level && e.layout == h->layout && e.name == h->name;
            });
        if (!in_table && !store_.remove(names[i], why)) ok = false;
    }
    store_.unlock(lock);
    return ok;
}

}  // namespace zell
