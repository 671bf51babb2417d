#include "game/data/saved_data.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "runtime/text/sjis.h"

namespace zell {
namespace {

// Version 2 closes each record with an end line, so that a file cut short at any byte,
// even at a line's end, is seen; version 1 files are still read.
constexpr int kVersion = 2;
constexpr int kEndVersion = 2;
constexpr std::string_view kEndLine = "end";
constexpr const char* kBestHeader = "zell-bowling best20";
constexpr const char* kSettingsHeader = "zell-bowling settings";
constexpr size_t kNameBytes = 12;
constexpr int kMaxScore = 300;
// Game counts are kept as single precision in the game: whole numbers stay exact below 2^24.
constexpr int kMaxGames = 16'777'216;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Splits off the first word of s (up to a blank).
std::string_view next_word(std::string_view& s) {
    s = trim(s);
    size_t end = s.find_first_of(" \t");
    std::string_view w = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view{} : trim(s.substr(end));
    return w;
}

std::optional<int> to_int(std::string_view w, int lo, int hi) {
    int v = 0;
    auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (ec != std::errc{} || end != w.data() + w.size() || v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<int> to_layout(std::string_view w) {
    if (w == "bowling") return 1;
    if (w == "random") return 2;
    return std::nullopt;
}

const char* layout_word(int layout) { return layout == 2 ? "random" : "bowling"; }

bool by_score(const BestEntry& a, const BestEntry& b) { return a.score > b.score; }

// The record only when all of it read correctly.
template <class T>
std::optional<T> whole(Reading<T> r, std::string* why) {
    if (why) *why = r.problem;
    if (!r.problem.empty()) return std::nullopt;
    return r.value;
}

std::string pad_name(std::string sjis) {
    if (sjis.size() < kNameBytes) sjis.append(kNameBytes - sjis.size(), ' ');
    return sjis;
}

// The lines of a record after its version line. Calls item for each line that is not blank
// or a comment, up to the closing line; item returns false for a line it cannot read, which
// is skipped and noted in *problem (the first one only), as is a record of version 2 or later
// that lacks its closing line (it was cut short). False, with the reason in *problem, for
// text that is no record of this kind and version at all.
template <class Item>
bool read_lines(std::string_view text, const char* header, std::string* problem, Item item) {
    int n = 0, version = 0;
    bool ended = false;
    auto note = [&](const std::string& what) {
        if (problem->empty()) *problem = "line " + std::to_string(n) + ": " + what;
    };
    // Line by line, as std::getline splits them (no string stream: the browser's module stays small).
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++n;
        std::string_view rest = trim(line);
        if (rest.empty() || rest.front() == '#') continue;
        if (version == 0) {
            std::string_view h = header;
            std::string refused;
            if (rest.substr(0, h.size()) != h) refused = "not a " + std::string(header) + " file";
            auto v = refused.empty() ? to_int(trim(rest.substr(h.size())), 1, 1'000'000) : std::nullopt;
            if (refused.empty() && !v) refused = "no version number";
            if (v && *v > kVersion)
                refused = "written by a newer version of the program (format " + std::to_string(*v) + ")";
            if (!refused.empty()) {
                note(refused);
                return false;
            }
            version = *v;
            continue;
        }
        std::string_view key = next_word(rest);
        std::string what;
        if (ended) note("text after the end line");
        else if (version >= kEndVersion && key == kEndLine && rest.empty()) ended = true;
        else if (!item(key, rest, what)) note(what.empty() ? "cannot read \"" + std::string(key) + "\"" : what);
    }
    if (version == 0) {
        n = 0;
        note("empty file");
        return false;
    }
    if (version >= kEndVersion && !ended) note("no end line: the file was cut short");
    return true;
}

}  // namespace

// --- Names ------------------------------------------------------------------------------

std::string quote_name(std::string_view field) {
    while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
    std::string out = "\"";
    for (size_t i = 0; i < field.size();) {
        auto b = uint8_t(field[i]);
        size_t n = is_sjis_lead(b) && i + 1 < field.size() ? 2 : 1;
        std::string_view ch = field.substr(i, n);
        std::string utf8 = b >= 0x20 && b != 0x7F ? to_utf8(ch) : std::string{};
        if (ch == "\"" || ch == "\\") {
            out += '\\';
            out += ch;
        } else if (!utf8.empty() && utf8 != "\xEF\xBF\xBD" && try_to_sjis(utf8) == std::string(ch)) {
            out += utf8;
        } else {
            // No character: each byte as \xNN, so that the field comes back byte for byte.
            for (char c : ch) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(uint8_t(c)));
                out += hex;
            }
        }
        i += n;
    }
    return out + "\"";
}

std::optional<std::string> unquote_name(std::string_view q) {
    if (q.size() < 2 || q.front() != '"' || q.back() != '"') return std::nullopt;
    q = q.substr(1, q.size() - 2);
    std::string sjis;
    std::string run;  // UTF-8 text waiting for conversion
    auto flush = [&] {
        if (run.empty()) return true;
        auto s = try_to_sjis(run);
        if (!s) return false;
        sjis += *s;
        run.clear();
        return true;
    };
    for (size_t i = 0; i < q.size(); ++i) {
        if (q[i] == '"') return std::nullopt;
        if (q[i] != '\\') {
            run += q[i];
            continue;
        }
        if (!flush() || ++i >= q.size()) return std::nullopt;
        if (q[i] == '"' || q[i] == '\\') {
            sjis += q[i];
        } else if (q[i] == 'x' && i + 2 < q.size()) {
            auto v = 0;
            auto [end, ec] = std::from_chars(q.data() + i + 1, q.data() + i + 3, v, 16);
            if (ec != std::errc{} || end != q.data() + i + 3) return std::nullopt;
            sjis += char(v);
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (!flush() || sjis.size() > kNameBytes) return std::nullopt;
    return pad_name(std::move(sjis));
}

// --- The Best 20 table -------------------------------------------------------------------

std::string format_best_table(const BestTable& t) {
    std::string out = "# Zell Bowling: the Best 20 table, best first; among equal scores the older first.\n";
    out += "# entry SCORE LEVEL LAYOUT \"NAME\"\n";
    out += std::string(kBestHeader) + " " + std::to_string(kVersion) + "\n";
    out += "games " + std::to_string(t.games) + "\n";
    for (const BestEntry& e : t.entries)
        out += "entry " + std::to_string(e.score) + " " + std::to_string(e.level) + " " + layout_word(e.layout) + " " +
               quote_name(e.name) + "\n";
    return out + std::string(kEndLine) + "\n";
}

Reading<BestTable> read_best_table(std::string_view text) {
    Reading<BestTable> r;
    BestTable t;
    bool games_seen = false;
    auto item = [&](std::string_view key, std::string_view rest, std::string&) {
        if (key == "games" && !games_seen) {
            auto g = to_int(rest, 0, kMaxGames);
            games_seen = g.has_value();
            if (g) t.games = *g;
            return games_seen;
        }
        if (key != "entry") return false;
        auto score = to_int(next_word(rest), 0, kMaxScore);
        auto level = to_int(next_word(rest), 1, 4);
        auto layout = to_layout(next_word(rest));
        auto name = unquote_name(rest);
        if (!score || !level || !layout || !name) return false;
        t.entries.push_back({*score, std::move(*name), *level, *layout});
        return true;
    };
    if (!read_lines(text, kBestHeader, &r.problem, item)) return r;
    // What read correctly makes a valid table again: best first (the file's order among
    // equal scores), twenty at most, and at least one game for each entry.
    auto note = [&r](const char* what) {
        if (r.problem.empty()) r.problem = what;
    };
    if (!std::is_sorted(t.entries.begin(), t.entries.end(), by_score)) {
        note("entries out of order");
        std::stable_sort(t.entries.begin(), t.entries.end(), by_score);
    }
    if (t.entries.size() > BestTable::kSize) {
        note("more than 20 entries");
        t.entries.resize(BestTable::kSize);
    }
    if (!games_seen || size_t(t.games) < t.entries.size()) {
        note("the count of games is missing or smaller than the number of entries");
        t.games = std::max(t.games, int(t.entries.size()));
    }
    r.value = std::move(t);
    return r;
}

std::optional<BestTable> parse_best_table(std::string_view text, std::string* why) {
    return whole(read_best_table(text), why);
}

// --- Settings -------------------------------------------------------------------------------

DisplaySettings saved_display(const SavedSettings& s) {
    DisplaySettings d;
    d.fullscreen = s.fullscreen.value_or(false);
    d.scale_mode = s.scale_mode.value_or(ScaleMode::Sharp);
    return d;
}

std::string format_settings(const SavedSettings& s) {
    std::string out = "# Zell Bowling: the player's settings (the options chosen in the menu, the window).\n";
    out += std::string(kSettingsHeader) + " " + std::to_string(kVersion) + "\n";
    if (s.level) out += "level " + std::to_string(*s.level) + "\n";
    if (s.layout) out += std::string("layout ") + layout_word(*s.layout) + "\n";
    if (s.speed) out += "speed " + std::to_string(*s.speed) + "\n";
    if (s.name) out += "name " + quote_name(*s.name) + "\n";
    if (s.mascot) out += "mascot " + std::to_string(*s.mascot) + "\n";
    if (s.fullscreen) out += std::string("fullscreen ") + (*s.fullscreen ? "yes" : "no") + "\n";
    if (s.scale_mode)
        out += std::string("scale-mode ") + (*s.scale_mode == ScaleMode::Integer ? "integer" : "sharp") + "\n";
    return out + std::string(kEndLine) + "\n";
}

Reading<SavedSettings> read_settings(std::string_view text) {
    Reading<SavedSettings> r;
    SavedSettings s;
    auto item = [&s](std::string_view key, std::string_view v, std::string&) {
        if (key == "level") return bool(s.level = to_int(v, 1, 4));
        if (key == "layout") return bool(s.layout = to_layout(v));
        if (key == "speed") return bool(s.speed = to_int(v, 1, 6));
        if (key == "name") return bool(s.name = unquote_name(v));
        if (key == "mascot") return bool(s.mascot = to_int(v, 1, 7));
        if (key == "fullscreen") {
            if (v == "yes" || v == "no") s.fullscreen = v == "yes";
            return s.fullscreen.has_value();
        }
        if (key == "scale-mode") {
            if (v == "sharp") s.scale_mode = ScaleMode::Sharp;
            else if (v == "integer") s.scale_mode = ScaleMode::Integer;
            return s.scale_mode.has_value();
        }
        return false;
    };
    if (read_lines(text, kSettingsHeader, &r.problem, item)) r.value = s;
    return r;
}

std::optional<SavedSettings> parse_settings(std::string_view text, std::string* why) {
    return whole(read_settings(text), why);
}

// --- Keeping -------------------------------------------------------------------------------

SaveKeeper::SaveKeeper(std::unique_ptr<Store> scores, std::unique_ptr<Store> settings, Report report)
    : report_(std::move(report)) {
    scores_slot_.store = std::move(scores);
    scores_slot_.record = kBestRecord;
    settings_slot_.store = std::move(settings);
    settings_slot_.record = kSettingsRecord;
    scores_ = scores_slot_.store.get();
}

std::string SaveKeeper::best_location() const { return scores_ ? scores_->where(kBestRecord) : std::string{}; }

void SaveKeeper::unusable(Slot& slot, const std::string& why, bool partly) {
    std::string path = slot.store->where(slot.record);
    std::string moved_why;
    std::string moved = slot.store->set_aside(slot.record, &moved_why);
    if (moved.empty()) {
        // Never overwrite what cannot be read and cannot be kept aside.
        slot.broken = true;
        report_(path + " cannot be read (" + why + ") nor moved aside (" + moved_why +
                "); it is left as it is and nothing is saved there in this run");
        return;
    }
    report_(path + (partly ? " cannot be read in full (" : " cannot be read (") + why + "); it is kept as " + moved +
            (partly ? " and the game goes on with what could be read" : " and the game starts afresh"));
}

void SaveKeeper::cannot_write(Slot& slot, const std::string& why) {
    slot.broken = true;
    report_("cannot save " + slot.store->where(slot.record) + " (" + why + "); the game goes on without saving it");
}

template <class T>
std::optional<T> SaveKeeper::load(Slot& slot, Reading<T> (*read)(std::string_view)) {
    if (!slot.store) return std::nullopt;
    Store::ReadResult r = slot.store->read(slot.record);
    if (r.status == Store::Status::Missing) return std::nullopt;
    if (r.status != Store::Status::Ok) {
        unusable(slot, r.why, false);
        return std::nullopt;
    }
    Reading<T> t = read(r.bytes);
    if (!t.problem.empty()) unusable(slot, t.problem, t.value.has_value());
    return t.value;
}

BestTable SaveKeeper::load_best() { return load<BestTable>(scores_slot_, read_best_table).value_or(BestTable{}); }

SavedSettings SaveKeeper::load_settings() {
    return load<SavedSettings>(settings_slot_, read_settings).value_or(SavedSettings{});
}

template <class T>
T SaveKeeper::update(Slot& slot, T current, Reading<T> (*read)(std::string_view), std::string (*format)(const T&),
                     const std::function<void(T&)>& change) {
    if (!slot.store || slot.broken) {
        change(current);
        return current;
    }
    std::string why;
    if (!slot.store->lock(slot.record, &why)) {
        cannot_write(slot, why);
        change(current);
        return current;
    }
    if (auto saved = load<T>(slot, read)) current = std::move(*saved);
    change(current);
    if (!slot.broken && !slot.store->write(slot.record, format(current), &why)) cannot_write(slot, why);
    slot.store->unlock(slot.record);
    return current;
}

BestTable SaveKeeper::update_best(const BestTable& current, const std::function<void(BestTable&)>& change) {
    return update<BestTable>(scores_slot_, current, read_best_table, format_best_table, change);
}

void SaveKeeper::update_settings(const std::function<void(SavedSettings&)>& change) {
    update<SavedSettings>(settings_slot_, SavedSettings{}, read_settings, format_settings, change);
}

void SaveKeeper::keep_display_switch(const DisplaySettings& before, const DisplaySettings& now) {
    if (now.fullscreen == before.fullscreen && now.scale_mode == before.scale_mode) return;
    update_settings([&](SavedSettings& s) {
        if (now.fullscreen != before.fullscreen) s.fullscreen = now.fullscreen;
        if (now.scale_mode != before.scale_mode) s.scale_mode = now.scale_mode;
    });
}

}  // namespace zell
