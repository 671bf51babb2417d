// The journal of what the program read from the player: the results of the input services
// (keys, mouse position and buttons, any input, the clock's time and date) in the order the
// program read them. Recorded, it is a few lines per change; played back, the program reads
// the journal instead of the player and does exactly what it did when it was recorded.
//
// The text of a journal, one entry a line (the replay format in docs/replays.md):
//   @MS CHANNEL VALUE   a read whose value differs from what its channel gave last, or the channel's
//                       first read; MS: milliseconds since the journal began
//   same N              the next N reads each give what their channel gave last
// A CHANNEL is the service with its arguments: key, any, time, date FORMAT, position FUNCTION,
// button FUNCTION BUTTON. A VALUE (and the date's FORMAT) is a word of printable ASCII or a
// quoted string with \" \\ and \xNN escapes; a key with nothing typed reads "-".
// Other lines (marks) are the program's own: the journal keeps them in order and hands them back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zell {

// What the host passes every read of an input service through.
class Journal {
public:
    virtual ~Journal() = default;
    // One read: channel names the service and its arguments, given is what the player's input
    // gave (encoded as a value); returns the value the program sees.
    virtual std::string read(const std::string& channel, std::string given) = 0;
    // True while the journal plays back: the program waits for the journal, not for the player.
    virtual bool playing() const = 0;
    // A value the service cannot give (only a journal played from a file can hold one).
    virtual void refuse(const std::string& why) = 0;
};

// A value as a journal writes it: a plain word, or quoted with escapes.
std::string encode_journal_value(std::string_view value);
// Back from the text at the start of `text` (consumed); nullopt when it is no value.
std::optional<std::string> decode_journal_value(std::string_view& text);

// One line of a journal's text.
struct JournalEntry {
    enum class Kind { Read, Same, Mark };
    Kind kind = Kind::Read;
    std::string channel;  // Read
    std::string value;    // Read: the value; Mark: the whole line
    uint64_t ms = 0;      // Read
    uint64_t count = 0;   // Same
    int line = 0;         // where it is in its file, for messages
};

// Parses an "@..." or "same ..." line (nullopt with why when it is malformed); any other line is
// a mark, which the caller checks.
std::optional<JournalEntry> parse_journal_line(std::string_view line, int line_no, std::string* why);

// Records reads as the journal's text.
class JournalRecorder final : public Journal {
public:
    // now_ms: the clock the reads are timed with (its value at construction is time 0).
    explicit JournalRecorder(std::function<uint64_t()> now_ms);
    std::string read(const std::string& channel, std::string given) override;
    bool playing() const override { return false; }
    void refuse(const std::string&) override {}
    // A line of the program's own, kept in order among the reads.
    void mark(std::string_view line);
    // The text so far, every line ended.
    const std::string& text();

private:
    void flush_same();
    std::function<uint64_t()> now_ms_;
    uint64_t start_ms_;
    std::map<std::string, std::string, std::less<>> last_;
    uint64_t same_ = 0;
    std::string text_;
};

// Plays a journal back. A read that does not follow the journal (another service than the file
// has next, a read where the file has a mark, a read past the end) diverges: the reason goes to
// diverged() and the program ends with exit code 3.
class JournalPlayer final : public Journal {
public:
    static constexpr int kDivergedExitCode = 3;
    // The longest pause between two changes when paced: a player's long wait is cut to this.
    static constexpr uint64_t kMaxPauseUs = 1'000'000;
    // wait(us): pauses the program, showing its screen; absent, the journal is played as fast as it
    // can be (no pauses at all). now_us: the clock the pauses are measured with.
    JournalPlayer(std::vector<JournalEntry> entries, std::function<void(uint64_t)> wait,
                  std::function<uint64_t()> now_us);
    std::string read(const std::string& channel, std::string given) override;
    bool playing() const override { return true; }
    void refuse(const std::string& why) override { diverge(why); }
    // The next mark, which must come now (the reads before it all made); else diverges.
    const JournalEntry& take_mark(const std::string& expected_what);
    // The next mark without taking it; nullptr when only reads or nothing follow before the end.
    const JournalEntry* next_mark() const;
    bool at_end() const { return next_ == entries_.size() && same_left_ == 0; }
    // What the file has next, with its line, for a message: "the end of the file" at its end.
    std::string what_is_next() const;
    // Diverges: sets the reason and ends the program (exit code 3). place: where the program is,
    // when it is not what the place function says.
    [[noreturn]] void diverge(const std::string& why, const std::string& place = {});
    const std::string& divergence() const { return divergence_; }
    // Prefixes every reason with where the program is (the game names its frame and throw).
    void set_place(std::function<std::string()> place) { place_ = std::move(place); }

private:
    std::vector<JournalEntry> entries_;
    size_t next_ = 0;
    uint64_t same_left_ = 0;
    int same_line_ = 0;
    std::map<std::string, std::string, std::less<>> last_;
    std::function<void(uint64_t)> wait_;
    std::function<uint64_t()> now_us_;
    uint64_t last_change_ms_ = 0, last_change_us_ = 0;
    std::function<std::string()> place_;
    std::string divergence_;
};

}  // namespace zell
