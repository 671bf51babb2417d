// The game's saved data: the Best 20 table and the player's settings, kept between runs.
//
// The text formats and the rules for merging with what another copy of the program
// saved meanwhile live here, free of any platform; the place the bytes are kept is the
// runtime's Store (a folder of files on the desktop, the browser's storage on the web).
//
// Both formats are plain UTF-8 text, one item per line, with a version line first:
//
//   zell-bowling best20 1          zell-bowling settings 1
//   games 12                       level 4
//   entry 187 4 bowling "Taro"     layout bowling
//   entry 150 2 random "ゼル"      speed 3
//                                  name "Taro"
//                                  mascot 7
//                                  fullscreen no
//                                  scale-mode sharp
//
// Lines starting with '#' are comments. Names are quoted; '"' and '\' are escaped with
// '\', and a byte of the game's 12-byte Shift-JIS name field that is no character (half
// of a double-byte character cut at the field's end) is written as \xNN.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/backend.h"
#include "runtime/storage/store.h"

namespace zell {

// --- The Best 20 table ---------------------------------------------------------------

struct BestEntry {
    int score = 0;
    std::string name;  // the 12-byte Shift-JIS field, spaces included
    int level = 1;     // 1..4
    int layout = 1;    // 1 Bowling type, 2 Random
    bool operator==(const BestEntry&) const = default;
};

struct BestTable {
    static constexpr size_t kSize = 20;
    int games = 0;                   // games started since the table was last emptied
    std::vector<BestEntry> entries;  // best first, at most kSize
    bool operator==(const BestTable&) const = default;
};

// A record read back: what read correctly (nullopt when the text is no record of this kind
// and of a version this program reads) and what did not ("" when all of it did).
template <class T>
struct Reading {
    std::optional<T> value;
    std::string problem;
};

std::string format_best_table(const BestTable& t);
// The entries that read correctly, made a valid table (sorted, twenty at most, a count of
// games no smaller than the entries).
Reading<BestTable> read_best_table(std::string_view text);
// The table only when the whole text reads correctly; else nullopt with the reason.
std::optional<BestTable> parse_best_table(std::string_view text, std::string* why);

// --- Settings ------------------------------------------------------------------------

// Every item is optional: a file holds what the player has changed.
struct SavedSettings {
    std::optional<int> level;         // 1..4
    std::optional<int> layout;        // 1..2
    std::optional<int> speed;         // 1..6
    std::optional<std::string> name;  // the 12-byte Shift-JIS field
    std::optional<int> mascot;        // 1..7
    std::optional<bool> fullscreen;
    std::optional<ScaleMode> scale_mode;
    bool operator==(const SavedSettings&) const = default;
};

// The window's presentation as saved: what the player last switched, defaults for the rest.
DisplaySettings saved_display(const SavedSettings& s);

std::string format_settings(const SavedSettings& s);
// The items that read correctly.
Reading<SavedSettings> read_settings(std::string_view text);
std::optional<SavedSettings> parse_settings(std::string_view text, std::string* why);

// A name field (Shift-JIS, padded with spaces) as the quoted text of the files, and back
// (nullopt for text that is not a quoted name of at most 12 bytes).
std::string quote_name(std::string_view sjis_field);
std::optional<std::string> unquote_name(std::string_view quoted);

// --- Keeping ---------------------------------------------------------------------------

// Loads at start-up and saves on change, through one store for the scores and one for the
// settings (either may be absent: nothing is read or written for it). Problems go to the
// report function as one line each; a store that cannot be written is reported once and
// then left alone for the rest of the run, and the game goes on.
class SaveKeeper {
public:
    using Report = std::function<void(const std::string&)>;
    static constexpr const char* kBestRecord = "best20.txt";
    static constexpr const char* kSettingsRecord = "settings.txt";

    SaveKeeper(std::unique_ptr<Store> scores, std::unique_ptr<Store> settings, Report report);

    // The saved table; empty when there is none or it cannot be read (then set aside).
    BestTable load_best();
    SavedSettings load_settings();

    // Under the lock: reads the saved table again (another copy may have saved meanwhile),
    // lets change update it and writes it back; returns the table as it now stands. When the
    // saved table cannot be used, change works on `current` instead.
    BestTable update_best(const BestTable& current, const std::function<void(BestTable&)>& change);
    // The same for the settings: change sets the items that changed.
    void update_settings(const std::function<void(SavedSettings&)>& change);
    // Keeps what the player switched of the window's presentation (F10, F11); what did not
    // change, such as a choice made on the command line, stays out of the file.
    void keep_display_switch(const DisplaySettings& before, const DisplaySettings& now);

    bool saves_scores() const { return scores_ != nullptr; }
    // The scores' store, where the replays are kept beside the table (nullptr: nothing is saved),
    // and the report of problems with it.
    Store* scores_store() const { return scores_slot_.broken ? nullptr : scores_; }
    void report(const std::string& line) const {
        if (report_) report_(line);
    }
    // Where the table is kept, for the help ("" when nothing is saved).
    std::string best_location() const;

private:
    struct Slot {
        std::unique_ptr<Store> store;
        std::string record;
        bool broken = false;  // cannot be written: left alone for the rest of the run
    };
    template <class T>
    std::optional<T> load(Slot& slot, Reading<T> (*read)(std::string_view));
    template <class T>
    T update(Slot& slot, T current, Reading<T> (*read)(std::string_view), std::string (*format)(const T&),
             const std::function<void(T&)>& change);
    // Sets a record aside that did not read correctly, and says so once; partly: some of it
    // did, and the game goes on with that.
    void unusable(Slot& slot, const std::string& why, bool partly);
    void cannot_write(Slot& slot, const std::string& why);

    Slot scores_slot_, settings_slot_;
    Store* scores_ = nullptr;
    Report report_;
};

}  // namespace zell
