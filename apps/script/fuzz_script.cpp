// zell-fuzz: a seeded random driver for the scripted runner. Each seed makes one random
// script (keys, floods of keys, raw bytes, typed text with characters that have no
// Shift-JIS form, clicks, drags and double-clicks anywhere, closing at random moments),
// runs it in-process on the headless backend and checks that the program ended through
// a normal path (End or a closed window, exit code 0, no run-time error) within its
// virtual time limit. Scripts that reach something new (a line of the program seen at a
// pump, or a pair of successive places where it waited for input: one screen to the next)
// can be kept as corpus candidates, optionally minimised.
//
// Usage: zell-fuzz [--seed N] [--runs N] [--seconds S] [--commands N] [--out DIR]
//                  [--corpus DIR] [--keep] [--minimize] [--watchdog S]
//   --seed N      first seed (default 1); seeds N, N+1, ... are run in turn
//   --runs N      number of seeds (default 100); --seconds S stops after S s of real time instead
//   --commands N  most commands in one script (default 60)
//   --out DIR     work folder (default zell-fuzz-out): the running script is written to
//                 DIR/current.script before each run, a failure to DIR/fail-SEED.script with
//                 DIR/fail-SEED.log (fail-corpus-NAME.* for a corpus script), kept scripts to
//                 DIR/keep/, and everything reached (lines, transitions) to DIR/reached.txt
//   --corpus DIR  first replay every DIR/*.script (checked like the others); what they reach
//                 counts as seen, so that only scripts reaching something beyond them are kept
//   --keep        keep the scripts that reach a new line or a new transition between waiting places
//   --minimize    shorten each kept script while it still reaches what was new in it
//   --watchdog S  a run taking longer than S s of real time is reported as hung (default 120)
//
// Exit code 0 when every run ended normally, 1 when one did not, 2 on bad usage.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "apps/script/runner.h"
#include "apps/script/script.h"

namespace {

using Clock = std::chrono::steady_clock;

// --- Script generation ---------------------------------------------------------------

class Generator {
public:
    explicit Generator(uint64_t seed, int max_commands) : rng_(seed), max_commands_(max_commands) {}

    // The script's lines; the first sets a virtual time limit that no sound run can reach.
    std::vector<std::string> script() {
        std::vector<std::string> lines;
        if (chance(30)) {
            char clock[64];
            std::snprintf(clock, sizeof clock, "clock %04d-%02d-%02d %02d:%02d:%02d", between(1990, 2100),
                          between(1, 12), between(1, 28), between(0, 23), between(0, 59), between(0, 59));
            lines.push_back(clock);
        }
        if (chance(50)) lines.push_back("midi " + std::to_string(between(0, 2)));
        int commands = between(1, max_commands_);
        if (chance(25)) commands -= game(lines);
        while (commands > 0) commands -= chance(2) ? game(lines) : phrase(lines);
        lines.insert(lines.begin(), "limit " + std::to_string(std::min(limit_s_, zell::script::kMaxLimitS)));
        return lines;
    }

private:
    // Virtual time a sound program may need: the title, a throw after each mouse command
    // (the simulation stops after 20,001 steps of 4 ms), a few seconds after any other.
    static constexpr int kStartS = 60;
    static constexpr int kPerMouseS = 90;
    static constexpr int kPerOtherS = 10;

    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <class T>
    const T& pick(const std::vector<T>& v) {
        return v[size_t(between(0, int(v.size()) - 1))];
    }

    // One phrase: a single command or a short sequence that moves the program on
    // (a menu choice, a throw). Returns the number of commands added.
    int phrase(std::vector<std::string>& out) {
        int roll = between(1, 100);
        if (roll <= 14) return add(out, "key " + key_name(), kPerOtherS);
        if (roll <= 18) return add(out, "key " + key_name() + " " + std::to_string(flood_count()), kPerOtherS);
        if (roll <= 23) {
            std::string c = "char " + std::to_string(between(0, 255));
            if (chance(20)) c += " " + std::to_string(flood_count());
            return add(out, c, kPerOtherS);
        }
        if (roll <= 30) return add(out, "type " + text(), kPerOtherS);
        if (roll <= 50) return add(out, mouse_command(), kPerMouseS);
        if (roll <= 52) return add(out, "wait", kPerOtherS);
        if (roll <= 54) return add(out, "close", kPerOtherS);
        if (roll <= 57) {
            int ms = between(0, 10000);
            limit_s_ += ms / 1000 + 1;
            return add(out, "close " + std::to_string(ms), 0);
        }
        if (roll <= 58) return add(out, chance(50) ? "text t.txt" : "shot s.png", 0);
        if (roll <= 72) {  // a menu choice: the highlight moved, then Enter
            int n = 0;
            for (int moves = between(0, 4); moves > 0; --moves) n += add(out, chance(50) ? "key Up" : "key Down", 0);
            return n + add(out, "key Enter", kPerOtherS);
        }
        return throw_ball(out);
    }

    // A throw: the ball placed in the strip (often above the head pin), then flicked or dropped.
    int throw_ball(std::vector<std::string>& out) {
        auto place = chance(50) ? std::pair{between(270, 330), between(630, 702)} : strip();
        int n = add(out, "click left " + point(place), kPerMouseS);
        if (chance(60)) return n + add(out, "drag " + point(strip()) + " " + point(anywhere()), kPerMouseS);
        return n + add(out, "click left " + point(strip()), kPerMouseS);
    }

    // A game started from the menu (when its first item is highlighted) and played for up to
    // 24 throws, a stray input now and then, and a key for the end of the game.
    int game(std::vector<std::string>& out) {
        int n = add(out, "key Enter", kPerOtherS);
        for (int throws = between(1, 24); throws > 0; --throws) n += chance(10) ? phrase(out) : throw_ball(out);
        return n + add(out, "key Space", kPerOtherS);
    }

    int add(std::vector<std::string>& out, std::string line, int seconds) {
        out.push_back(std::move(line));
        limit_s_ += seconds;
        return 1;
    }

    int flood_count() {
        static const std::vector<int> counts = {2, 10, 254, 255, 256, 300, 1000};
        return pick(counts);
    }

    std::string key_name() {
        static const std::vector<std::string> names = {
            "Enter", "Enter",     "Enter", "Up",    "Up",   "Down", "Down",   "Left",     "Left",   "Right",  "Right",
            "Esc",   "Backspace", "Tab",   "Space", "Home", "End",  "PageUp", "PageDown", "Insert", "Delete", "F1",
            "F2",    "F3",        "F4",    "F5",    "F6",   "F7",   "F8",     "F9",       "F10",    "F11",    "F12",
        };
        if (chance(15)) return std::string(1, char(between(33, 126)));
        return pick(names);
    }

    // Text as typed through an input method: ASCII, Japanese that has a Shift-JIS form,
    // characters that have none, stray bytes that are not UTF-8, and control characters.
    std::string text() {
        static const std::vector<std::string> pieces = {
            "a", "Z", "7", " ",  ",", "\"",       "あ",   "ン",   "漢",   "字",   "ｱ",    "ﾟ",    "〜", "①",    "Ⅻ",
            "😀", "🎳", "€", "한", "ß", "\xE2\x82", "\x80", "\xFF", "\x81", "\x01", "\x03", "\x08", "\t", "\x1B",
        };
        std::string s;
        int n = chance(10) ? between(100, 300) : between(1, 20);
        for (int i = 0; i < n; ++i) s += chance(40) ? std::string(1, char(between(33, 126))) : pick(pieces);
        if (s[0] == ' ') s[0] = '_';  // the command takes one blank after its name
        return s;
    }

    std::string mouse_command() {
        static const std::vector<std::string> buttons = {"left", "left", "left", "right"};
        switch (between(1, 8)) {
        case 1: return "click " + pick(buttons) + " " + point(any_place());
        case 7: return "tap " + pick(buttons) + " " + point(any_place());
        case 2: return "dblclick " + pick(buttons) + " " + point(any_place());
        case 3: return "drag " + point(any_place()) + " " + point(any_place());
        case 4: return "press " + pick(buttons) + " " + point(any_place());
        case 5: return "release " + pick(buttons) + " " + point(any_place());
        case 6: return "move " + point(any_place());
        default: return "click left " + point(strip());
        }
    }

    static std::string point(std::pair<int, int> p) { return std::to_string(p.first) + " " + std::to_string(p.second); }

    // The placing strip above the line y = 630, walls of every level included.
    std::pair<int, int> strip() { return {between(60, 540), between(625, 702)}; }
    std::pair<int, int> in_window() { return {between(0, 647), between(0, 701)}; }
    std::pair<int, int> around_window() { return {between(-100, 750), between(-100, 800)}; }
    std::pair<int, int> wild() {
        static const std::vector<int> far = {
            -zell::script::kMaxCoordinate, -100000, -32769, -32768, 32767, 32768, 65536, 100000,
            zell::script::kMaxCoordinate};
        return {chance(50) ? pick(far) : between(-5000, 5000), chance(50) ? pick(far) : between(-5000, 5000)};
    }
    std::pair<int, int> anywhere() { return chance(70) ? in_window() : chance(70) ? around_window() : wild(); }
    std::pair<int, int> any_place() { return chance(40) ? strip() : anywhere(); }

    std::mt19937_64 rng_;
    int max_commands_;
    int limit_s_ = kStartS;
};

std::string join(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

// --- Running and checking ------------------------------------------------------------

struct Options {
    uint64_t seed = 1;
    long runs = 100;
    double seconds = 0;
    int commands = 60;
    std::string out = "zell-fuzz-out";
    std::string corpus;
    bool keep = false;
    bool minimize = false;
    double watchdog_s = 120;
};

// Real-time guard: a run that takes too long is reported with its script and ends the fuzzer.
class Watchdog {
public:
    Watchdog(double limit_s, std::string script_path)
        : limit_ms_(int64_t(limit_s * 1000)), path_(std::move(script_path)) {
        thread_ = std::thread([this] { watch(); });
    }
    ~Watchdog() {
        done_ = true;
        thread_.join();
    }
    void start() { started_ms_ = now_ms(); }
    void stop() { started_ms_ = 0; }

private:
    // Milliseconds of the steady clock, 64 bits wide: on Windows, where long has 32 bits, a long
    // would overflow after 24 days of the clock's epoch (the machine's start).
    static int64_t now_ms() {
        return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
    }
    void watch() {
        while (!done_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const int64_t started = started_ms_;
            if (started && now_ms() - started > limit_ms_) {
                std::fprintf(stderr, "zell-fuzz: a case still running after %lld ms of real time: hung? script in %s\n",
                             (long long)limit_ms_, path_.c_str());
                std::_Exit(1);
            }
        }
    }
    int64_t limit_ms_;
    std::string path_;
    std::atomic<bool> done_{false};
    std::atomic<int64_t> started_ms_{0};
    std::thread thread_;
};

class Fuzzer {
public:
    explicit Fuzzer(Options o)
        : o_(std::move(o)), work_(o_.out + "/run"), watchdog_(o_.watchdog_s, o_.out + "/current.script") {}

    int main() {
        auto t0 = Clock::now();
        long cases = 0, failures = 0, kept = 0;
        if (!o_.corpus.empty()) failures += replay_corpus();
        for (uint64_t seed = o_.seed;; ++seed) {
            double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
            if (o_.seconds > 0 ? elapsed >= o_.seconds : cases >= o_.runs) break;
            std::vector<std::string> lines = Generator(seed, o_.commands).script();
            auto result = run(std::to_string(seed), join(lines));
            ++cases;
            if (!result) {
                ++failures;
                continue;
            }
            std::vector<std::string> fresh;
            for (const std::string& f : features(*result))
                if (seen_.insert(f).second) fresh.push_back(f);
            if (o_.keep && !fresh.empty()) {
                if (o_.minimize) lines = minimize(lines, fresh);
                keep(seed, lines, fresh.size());
                ++kept;
            }
            if (cases % 100 == 0) progress(cases, failures, kept, t0);
        }
        progress(cases, failures, kept, t0);
        std::map<std::string, int> reached;  // waiting place -> transitions into it
        for (const std::string& f : seen_)
            if (f.rfind(kWaitedAt, 0) == 0) ++reached[f.substr(f.find(" -> ") + 4)];
        for (const auto& [place, n] : reached)
            std::printf("  waited at %s (reached from %d place(s))\n", place.c_str(), n);
        std::ofstream reached_out(o_.out + "/reached.txt");
        for (const std::string& f : seen_) reached_out << f << "\n";
        if (o_.minimize) std::printf("zell-fuzz: minimising ran %ld more cases\n", minimize_runs_);
        return failures ? 1 : 0;
    }

private:
    // Runs every script of the corpus folder, checked like the others; what they reach counts
    // as seen, so that only what is new beyond the corpus is kept. Returns the failures.
    long replay_corpus() {
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(o_.corpus))
            if (e.path().extension() == ".script") files.push_back(e.path());
        std::sort(files.begin(), files.end());
        long failures = 0;
        for (const auto& f : files) {
            std::ifstream in(f);
            std::stringstream text;
            text << in.rdbuf();
            auto result = run("corpus-" + f.stem().string(), text.str());
            if (!result) {
                ++failures;
                continue;
            }
            for (const std::string& feature : features(*result)) seen_.insert(feature);
        }
        std::printf("zell-fuzz: replayed %zu corpus scripts, %ld failed\n", files.size(), failures);
        return failures;
    }

    // Runs one script; nullopt (after reporting it as case `name`) when the program did not end normally.
    std::optional<zell::script::RunResult> run(const std::string& name, const std::string& text) {
        std::ofstream(o_.out + "/current.script") << text;
        std::string error;
        auto script = zell::script::parse(text, &error);
        if (!script) {
            report(name, text, "the script does not parse: " + error + "\n");
            return std::nullopt;
        }
        watchdog_.start();
        auto result = zell::script::run(*script, work_);
        watchdog_.stop();
        if (!result.ended_normally()) {
            report(name, text, result.log);
            return std::nullopt;
        }
        return result;
    }

    void report(const std::string& name, const std::string& text, const std::string& log) {
        std::string base = o_.out + "/fail-" + name;
        std::ofstream(base + ".script") << text;
        std::ofstream(base + ".log") << log;
        std::printf("zell-fuzz: case %s FAILED, see %s.script and .log\n%s", name.c_str(), base.c_str(), log.c_str());
        std::fflush(stdout);
    }

    // What a run reached: the positions seen at pumps and the transitions between waiting places.
    static constexpr const char* kWaitedAt = "wait ";
    static std::set<std::string> features(const zell::script::RunResult& r) {
        std::set<std::string> out;
        for (const auto& p : r.positions) out.insert("line " + p);
        std::string prev = "start";
        for (const auto& w : r.waits) {
            out.insert(kWaitedAt + prev + " -> " + w);
            prev = w;
        }
        return out;
    }

    // Drops chunks of commands (halves, quarters, ... single lines) as long as the shorter
    // script still ends normally and reaches everything wanted.
    std::vector<std::string> minimize(std::vector<std::string> lines, const std::vector<std::string>& wanted) {
        auto still_good = [&](const std::vector<std::string>& candidate) {
            ++minimize_runs_;
            std::string error;
            auto script = zell::script::parse(join(candidate), &error);
            if (!script) return false;
            watchdog_.start();
            auto r = zell::script::run(*script, work_);
            watchdog_.stop();
            if (!r.ended_normally()) return false;
            auto got = features(r);
            for (const std::string& f : wanted)
                if (!got.count(f)) return false;
            return true;
        };
        for (size_t chunk = (lines.size() + 1) / 2; chunk >= 1; chunk /= 2) {
            for (size_t at = 1; at < lines.size();) {  // line 0 is the limit
                std::vector<std::string> candidate = lines;
                candidate.erase(candidate.begin() + long(at),
                                candidate.begin() + long(std::min(lines.size(), at + chunk)));
                if (still_good(candidate)) lines = std::move(candidate);
                else at += chunk;
            }
            if (chunk == 1) break;
        }
        return lines;
    }

    void keep(uint64_t seed, const std::vector<std::string>& lines, size_t fresh) {
        std::string dir = o_.out + "/keep";
        std::filesystem::create_directories(dir);
        std::ofstream out(dir + "/seed-" + std::to_string(seed) + ".script");
        out << "# zell-fuzz seed " << seed << ": reached " << fresh << " new line(s) or transition(s)\n" << join(lines);
    }

    void progress(long cases, long failures, long kept, Clock::time_point t0) {
        size_t lines = 0;
        for (const std::string& f : seen_) lines += f.rfind(kWaitedAt, 0) != 0;
        double s = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("zell-fuzz: %ld cases, %ld failed, %.0f s, %zu lines, %zu transitions, %ld kept\n", cases, failures,
                    s, lines, seen_.size() - lines, kept);
        std::fflush(stdout);
    }

    Options o_;
    std::string work_;
    Watchdog watchdog_;
    std::set<std::string> seen_;
    long minimize_runs_ = 0;
};

bool parse_args(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool has_value = i + 1 < argc;
        if (a == "--keep") o.keep = true;
        else if (a == "--minimize") o.keep = o.minimize = true;
        else if (a == "--seed" && has_value) o.seed = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--runs" && has_value) o.runs = std::atol(argv[++i]);
        else if (a == "--seconds" && has_value) o.seconds = std::atof(argv[++i]);
        else if (a == "--commands" && has_value) o.commands = std::atoi(argv[++i]);
        else if (a == "--out" && has_value) o.out = argv[++i];
        else if (a == "--corpus" && has_value) o.corpus = argv[++i];
        else if (a == "--watchdog" && has_value) o.watchdog_s = std::atof(argv[++i]);
        else return false;
    }
    return o.commands >= 1 && o.runs >= 0 && o.watchdog_s > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse_args(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: zell-fuzz [--seed N] [--runs N] [--seconds S] [--commands N] [--out DIR] "
                     "[--corpus DIR] [--keep] [--minimize] [--watchdog S]\n");
        return 2;
    }
    std::error_code failed;
    std::filesystem::create_directories(std::filesystem::path(o.out) / "run", failed);
    if (failed) {
        std::fprintf(stderr, "zell-fuzz: cannot use %s: %s\n", o.out.c_str(), failed.message().c_str());
        return 2;
    }
    // A run-time error's log goes into the work folder, not the user's state folder.
    ::setenv("XDG_STATE_HOME", std::filesystem::absolute(std::filesystem::path(o.out) / "state").c_str(), 1);
    return Fuzzer(std::move(o)).main();
}
