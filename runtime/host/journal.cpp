#include "runtime/host/journal.h"

#include <charconv>

#include "runtime/core/errors.h"

namespace zell {

namespace {

bool plain_byte(unsigned char c) { return c > ' ' && c < 0x7F && c != '"' && c != '\\'; }

// The number at the start of text (consumed); nullopt when there is none or it is too large.
std::optional<uint64_t> take_number(std::string_view& text) {
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc{} || end == text.data()) return std::nullopt;
    text.remove_prefix(size_t(end - text.data()));
    return n;
}

bool take_blank(std::string_view& text) {
    if (text.empty() || text.front() != ' ') return false;
    text.remove_prefix(1);
    return true;
}

// The services a journal knows, with the number of arguments each channel carries.
int channel_arguments(std::string_view service) {
    if (service == "key" || service == "any" || service == "time") return 0;
    if (service == "date" || service == "position") return 1;
    if (service == "button") return 2;
    return -1;
}

}  // namespace

std::string encode_journal_value(std::string_view value) {
    bool plain = !value.empty();
    for (unsigned char c : value) plain = plain && plain_byte(c);
    if (plain) return std::string(value);
    std::string out = "\"";
    for (unsigned char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < ' ' || c >= 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::optional<std::string> decode_journal_value(std::string_view& text) {
    std::string out;
    if (text.empty()) return std::nullopt;
    if (text.front() != '"') {
        size_t n = 0;
        while (n < text.size() && plain_byte(static_cast<unsigned char>(text[n]))) ++n;
        if (n == 0) return std::nullopt;
        out = text.substr(0, n);
        text.remove_prefix(n);
        return out;
    }
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return out;
        }
        if (c != '\\') {
            if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) >= 0x7F) return std::nullopt;
            out += c;
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        if (text[i] == '"' || text[i] == '\\') {
            out += text[i];
        } else if (text[i] == 'x' && i + 2 < text.size()) {
            unsigned v = 0;
            auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, v, 16);
            if (ec != std::errc{} || end != text.data() + i + 3) return std::nullopt;
            out += char(v);
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;  // no closing quote
}

std::optional<JournalEntry> parse_journal_line(std::string_view line, int line_no, std::string* why) {
    JournalEntry e;
    e.line = line_no;
    auto fail = [&](const char* reason) -> std::optional<JournalEntry> {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (line.starts_with("same ")) {
        line.remove_prefix(5);
        auto n = take_number(line);
        if (!n || *n == 0 || !line.empty()) return fail("\"same\" needs a count of 1 or more");
        e.kind = JournalEntry::Kind::Same;
        e.count = *n;
        return e;
    }
    if (!line.starts_with("@")) {
        e.kind = JournalEntry::Kind::Mark;
        e.value = line;
        return e;
    }
    line.remove_prefix(1);
    auto ms = take_number(line);
    if (!ms || !take_blank(line)) return fail("a read needs its time in milliseconds after @");
    e.ms = *ms;
    const size_t end = std::min(line.find(' '), line.size());
    const std::string_view service = line.substr(0, end);
    const int arguments = channel_arguments(service);
    if (arguments < 0) return fail("unknown input service");
    e.channel = service;
    line.remove_prefix(end);
    for (int a = 0; a < arguments; ++a) {
        std::optional<std::string> arg;
        if (!take_blank(line) || !(arg = decode_journal_value(line))) return fail("a read's channel is incomplete");
        // Appended piece by piece: GCC 12 takes `" " + string` for an overlapping copy (-Wrestrict).
        e.channel += ' ';
        e.channel += encode_journal_value(*arg);
    }
    std::optional<std::string> value;
    if (!take_blank(line) || !(value = decode_journal_value(line)) || !line.empty())
        return fail("a read needs one value after its channel");
    e.value = *value;
    return e;
}

// --- Recording --------------------------------------------------------------------------------

JournalRecorder::JournalRecorder(std::function<uint64_t()> now_ms) : now_ms_(std::move(now_ms)), start_ms_(now_ms_()) {}

std::string JournalRecorder::read(const std::string& channel, std::string given) {
    auto it = last_.find(channel);
    if (it != last_.end() && it->second == given) {
        ++same_;
        return given;
    }
    flush_same();
    text_ += '@';
    text_ += std::to_string(now_ms_() - start_ms_);
    text_ += ' ';
    text_ += channel;
    text_ += ' ';
    text_ += encode_journal_value(given);
    text_ += '\n';
    last_[channel] = given;
    return given;
}

void JournalRecorder::mark(std::string_view line) {
    flush_same();
    text_ += line;
    text_ += '\n';
}

const std::string& JournalRecorder::text() {
    flush_same();
    return text_;
}

void JournalRecorder::flush_same() {
    if (same_ == 0) return;
    text_ += "same " + std::to_string(same_) + "\n";
    same_ = 0;
}

// --- Playing back -------------------------------------------------------------------------------

JournalPlayer::JournalPlayer(std::vector<JournalEntry> entries, std::function<void(uint64_t)> wait,
                             std::function<uint64_t()> now_us)
    : entries_(std::move(entries)), wait_(std::move(wait)), now_us_(std::move(now_us)) {
    if (now_us_) last_change_us_ = now_us_();
}

std::string JournalPlayer::what_is_next() const {
    if (same_left_ > 0) return std::to_string(same_left_) + " more reads (line " + std::to_string(same_line_) + ")";
    if (next_ == entries_.size()) return "the end of the file";
    const JournalEntry& e = entries_[next_];
    const std::string at = " (line " + std::to_string(e.line) + ")";
    if (e.kind == JournalEntry::Kind::Mark) return "\"" + e.value + "\"" + at;
    if (e.kind == JournalEntry::Kind::Read) return "a read of " + e.channel + at;
    return "more reads" + at;
}

void JournalPlayer::diverge(const std::string& why, const std::string& place) {
    if (divergence_.empty()) divergence_ = !place.empty() ? place + ": " + why : place_ ? place_() + ": " + why : why;
    throw ProgramEnd{kDivergedExitCode};
}

std::string JournalPlayer::read(const std::string& channel, std::string) {
    if (same_left_ == 0 && next_ < entries_.size() && entries_[next_].kind == JournalEntry::Kind::Same) {
        same_left_ = entries_[next_].count;
        same_line_ = entries_[next_].line;
        ++next_;
    }
    if (same_left_ > 0) {
        auto it = last_.find(channel);
        if (it == last_.end())
            diverge("the game read " + channel + ", which the file has not given yet (line " +
                    std::to_string(same_line_) + ")");
        --same_left_;
        return it->second;
    }
    if (next_ == entries_.size() || entries_[next_].kind != JournalEntry::Kind::Read ||
        entries_[next_].channel != channel)
        diverge("the game read " + channel + " where the file has " + what_is_next());
    const JournalEntry& e = entries_[next_++];
    if (wait_ && now_us_) {
        // The player's pace between two changes, a long wait cut short; time the program spent on
        // its own (a throw's animation) counts towards it.
        const uint64_t gap_us = (e.ms > last_change_ms_ ? e.ms - last_change_ms_ : 0) * 1000;
        const uint64_t due = last_change_us_ + gap_us, now = now_us_();
        if (due > now) wait_(std::min(due - now, kMaxPauseUs));
        last_change_us_ = now_us_();
    }
    last_change_ms_ = e.ms;
    last_[channel] = e.value;
    return e.value;
}

const JournalEntry& JournalPlayer::take_mark(const std::string& expected_what) {
    if (same_left_ > 0)
        diverge("the file has " + std::to_string(same_left_) + " more reads (line " + std::to_string(same_line_) +
                ") before " + expected_what);
    if (next_ == entries_.size() || entries_[next_].kind != JournalEntry::Kind::Mark)
        diverge("the game reached " + expected_what + " where the file has " + what_is_next());
    return entries_[next_++];
}

const JournalEntry* JournalPlayer::next_mark() const {
    for (size_t i = next_; i < entries_.size(); ++i)
        if (entries_[i].kind == JournalEntry::Kind::Mark) return &entries_[i];
    return nullptr;
}

}  // namespace zell
