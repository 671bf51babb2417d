// zell-fuzz-replay: damaged replays for the replay reader and player. Each seed takes one of the
// corpus's replays and damages it (bytes changed, dropped or added, lines dropped, repeated or
// swapped, numbers changed, the file cut short), then verifies it in-process as --verify does.
// Every run must end with exit code 0 (it still is a sound replay of the same game), 2 (the file
// cannot be read) or 3 (it diverges), in bounded time: a crash is a failure by itself, a run
// longer than the watchdog counts as hung.
//
// Usage: zell-fuzz-replay --corpus DIR [--seed N] [--runs N | --seconds S] [--out DIR] [--watchdog S]
//   --corpus DIR  the replays to damage (DIR/*.replay; at least one)
//   --seed N      first seed (default 1); --runs N seeds (default 100), or --seconds S of real time
//   --out DIR     where the damaged file of a failing or hung run is written (default zell-fuzz-out)
//   --watchdog S  a run taking longer than S s of real time is reported as hung (default 60)
// Exit code 0 when every run ended as it must, 1 when one did not, 2 on bad usage.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "apps/replay/replay_run.h"

namespace {

using Clock = std::chrono::steady_clock;

// One damaged copy of text.
std::string damage(std::string text, std::mt19937_64& rng) {
    auto between = [&rng](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(rng); };
    auto line_bounds = [&](size_t at) {
        size_t start = text.rfind('\n', at);
        start = start == std::string::npos ? 0 : start + 1;
        size_t end = text.find('\n', at);
        return std::pair{start, end == std::string::npos ? text.size() : end + 1};
    };
    const int damages = int(between(1, 4));
    for (int d = 0; d < damages && !text.empty(); ++d) {
        const size_t at = between(0, text.size() - 1);
        switch (between(0, 8)) {
        case 0: text[at] = char(between(0, 255)); break;
        case 1: text[at] = char(between(' ', '~')); break;
        case 2: text.erase(at, between(1, 16)); break;
        case 3: text.insert(at, std::string(between(1, 8), char(between(0, 255)))); break;
        case 4: text.resize(at); break;
        case 5: {  // a line dropped or repeated
            auto [s, e] = line_bounds(at);
            if (between(0, 1)) text.erase(s, e - s);
            else text.insert(s, text.substr(s, e - s));
            break;
        }
        case 6: {  // a digit changed, or a number made huge
            size_t p = text.find_first_of("0123456789", at);
            if (p == std::string::npos) break;
            if (between(0, 3)) text[p] = char('0' + between(0, 9));
            else text.insert(p, between(0, 1) ? "99999999999999999999" : "4294967");
            break;
        }
        case 7: {  // two lines swapped
            auto [s1, e1] = line_bounds(at);
            auto [s2, e2] = line_bounds(between(0, text.size() - 1));
            if (s2 <= s1 || s2 < e1) break;
            std::string a = text.substr(s1, e1 - s1), b = text.substr(s2, e2 - s2);
            text.replace(s2, e2 - s2, a);
            text.replace(s1, e1 - s1, b);
            break;
        }
        default: text.insert(at, between(0, 1) ? "same 5000000\n" : "@0 key 13\n"); break;
        }
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::string corpus, out = "zell-fuzz-out";
    uint64_t seed = 1, runs = 100;
    double seconds = 0, watchdog = 60;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) return std::fprintf(stderr, "zell-fuzz-replay: %s needs a value\n", a.c_str()), 2;
        ++i;
        if (a == "--corpus") corpus = v;
        else if (a == "--out") out = v;
        else if (a == "--seed") seed = std::strtoull(v, nullptr, 10);
        else if (a == "--runs") runs = std::strtoull(v, nullptr, 10);
        else if (a == "--seconds") seconds = std::atof(v);
        else if (a == "--watchdog") watchdog = std::atof(v);
        else return std::fprintf(stderr, "zell-fuzz-replay: unknown option %s\n", a.c_str()), 2;
    }
    std::vector<std::string> replays;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(corpus, ec))
        if (e.path().extension() == ".replay") {
            std::ostringstream s;
            s << std::ifstream(e.path(), std::ios::binary).rdbuf();
            replays.push_back(s.str());
        }
    if (replays.empty()) return std::fprintf(stderr, "zell-fuzz-replay: no .replay files in %s\n", corpus.c_str()), 2;

    // The watchdog: a run that does not end in time is reported and the program stops.
    std::atomic<int64_t> started_ms{-1};
    std::atomic<uint64_t> current_seed{0};
    std::string current;
    std::thread([&] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const int64_t t = started_ms.load();
            const int64_t now =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
            if (t >= 0 && now - t > int64_t(watchdog * 1000)) {
                std::filesystem::create_directories(out, ec);
                std::fprintf(stderr, "zell-fuzz-replay: seed %llu hung (over %g s)\n",
                             (unsigned long long)current_seed.load(), watchdog);
                std::_Exit(1);
            }
        }
    }).detach();

    const auto start = Clock::now();
    int failures = 0;
    uint64_t done = 0, counts[4] = {};
    for (uint64_t s = seed;; ++s) {
        if (seconds > 0 ? std::chrono::duration<double>(Clock::now() - start).count() >= seconds : done >= runs) break;
        std::mt19937_64 rng(s);
        std::string text = damage(replays[size_t(rng() % replays.size())], rng);
        {
            std::filesystem::create_directories(out, ec);
            std::ofstream(out + "/current.replay", std::ios::binary) << text;
        }
        current_seed = s;
        started_ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
        const zell::ReplayOutcome o = zell::verify_replay(text);
        started_ms = -1;
        ++done;
        if (o.exit_code == 0 || o.exit_code == 2 || o.exit_code == 3) {
            ++counts[o.exit_code == 0 ? 0 : o.exit_code - 1];
        } else {
            ++failures;
            std::ofstream(out + "/fail-" + std::to_string(s) + ".replay", std::ios::binary) << text;
            std::fprintf(stderr, "zell-fuzz-replay: seed %llu ended with exit code %d: %s\n", (unsigned long long)s,
                         o.exit_code, o.message.c_str());
        }
    }
    std::printf("zell-fuzz-replay: %llu runs: %llu still match, %llu unreadable, %llu diverged, %d failed\n",
                (unsigned long long)done, (unsigned long long)counts[0], (unsigned long long)counts[1],
                (unsigned long long)counts[2], failures);
    return failures ? 1 : 0;
}
