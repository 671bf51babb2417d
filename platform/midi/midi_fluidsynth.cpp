// The built-in synthesizer: FluidSynth playing a General MIDI SoundFont through one of
// its audio drivers (PulseAudio or ALSA on Linux), or rendered on request when
// none opens.
#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#if defined(__linux__)
#include <dlfcn.h>
#endif

#include "platform/midi/system_midi.h"

namespace zell {

namespace {

// 256 frames x 2 periods at 44.1 kHz: 11.6 ms between a message and its sound.
constexpr int kPeriodSize = 256;
constexpr int kPeriods = 2;
// FluidSynth's default gain (0.2) leaves a single piano note near -28 dBFS; the game plays
// few notes at a time, so it can afford more.
constexpr double kGain = 0.6;
// A note released right after it is struck (as the game does for every contact) still sounds
// this long before its release phase; without it the note would be cut before it is heard.
constexpr int kMinNoteMs = 10;

// FluidSynth's messages go nowhere but here: the last error of this thread explains a failed
// start in one line instead of a screenful.
thread_local std::string last_error;

void keep_error(int, const char* message, void*) { last_error = message; }

#if defined(__linux__)
// The signature of ALSA's error handler (snd_lib_error_handler_t).
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
void ignore_alsa_error(const char*, int, const char*, int, const char*, ...) {}
#endif

void quiet_library_messages() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, keep_error, nullptr);
        fluid_set_log_function(FLUID_ERR, keep_error, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
#if defined(__linux__)
        // ALSA prints every step of a failed device open (many lines on a machine without a
        // sound card). libasound is loaded with FluidSynth; its handler is looked up at run
        // time so the build needs no link of its own.
        using SetHandler = int (*)(AlsaErrorHandler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")))
            set(ignore_alsa_error);
#endif
    });
}

template <auto Delete>
struct Deleter {
    template <class T>
    void operator()(T* p) const {
        Delete(p);
    }
};

// The name of the file itself: the system's General MIDI SoundFont is usually a link to it.
std::string file_name(const std::string& path) {
    std::error_code ec;
    auto real = std::filesystem::canonical(path, ec);
    return (ec ? std::filesystem::path(path) : real).filename().string();
}

class FluidSynthesizer final : public Synthesizer {
public:
    FluidSynthesizer() : settings_(new_fluid_settings()) {
        if (!settings_) throw std::bad_alloc();
        fluid_settings_setint(settings_.get(), "audio.period-size", kPeriodSize);
        fluid_settings_setint(settings_.get(), "audio.periods", kPeriods);
        fluid_settings_setnum(settings_.get(), "synth.gain", kGain);
        fluid_settings_setint(settings_.get(), "synth.min-note-length", kMinNoteMs);
        // Samples load when their instrument is chosen: a large SoundFont opens in milliseconds.
        fluid_settings_setint(settings_.get(), "synth.dynamic-sample-loading", 1);
        synth_.reset(new_fluid_synth(settings_.get()));
        if (!synth_) throw std::bad_alloc();
    }

    bool open_audio(const std::vector<std::string>& drivers, std::string& why) {
        std::string tried;
        for (const std::string& d : drivers) {
            last_error.clear();
            if (select_driver(d)) driver_.reset(new_fluid_audio_driver(settings_.get(), synth_.get()));
            if (driver_) {
                driver_name_ = d;
                return true;
            }
            tried += (tried.empty() ? "" : "; ") + d + ": " + (last_error.empty() ? "not available" : last_error);
        }
        why = "no audio output opened (" + (tried.empty() ? std::string("no driver to try") : tried) + ")";
        return false;
    }

    bool load_soundfont(const std::vector<std::string>& paths, std::string& why) {
        std::string tried;
        for (const std::string& path : paths) {
            last_error.clear();
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path, ec)) {
                tried += (tried.empty() ? "" : "; ") + path + ": missing";
                continue;
            }
            // Checking the file's signature first keeps other loaders (DLS) from probing it.
            if (!fluid_is_soundfont(path.c_str())) {
                tried += (tried.empty() ? "" : "; ") + path + ": not a SoundFont";
                continue;
            }
            if (fluid_synth_sfload(synth_.get(), path.c_str(), 1) != FLUID_FAILED) {
                soundfont_ = path;
                return true;
            }
            tried += (tried.empty() ? "" : "; ") + path + ": " + (last_error.empty() ? "not loaded" : last_error);
        }
        why = "no SoundFont loaded (" + (tried.empty() ? std::string("none to try") : tried) + ")";
        return false;
    }

    std::string name() const override { return "FluidSynth (" + file_name(soundfont_) + ")"; }

    void send(uint32_t message) override {
        auto m = decode_short_message(message);
        if (!m) return;
        fluid_synth_t* s = synth_.get();
        int ch = m->channel();
        switch (m->kind()) {
        case ShortMessage::Kind::NoteOff: fluid_synth_noteoff(s, ch, m->data1); break;
        case ShortMessage::Kind::NoteOn: fluid_synth_noteon(s, ch, m->data1, m->data2); break;
        case ShortMessage::Kind::KeyPressure: fluid_synth_key_pressure(s, ch, m->data1, m->data2); break;
        case ShortMessage::Kind::Control: fluid_synth_cc(s, ch, m->data1, m->data2); break;
        case ShortMessage::Kind::Program: fluid_synth_program_change(s, ch, m->data1); break;
        case ShortMessage::Kind::ChannelPressure: fluid_synth_channel_pressure(s, ch, m->data1); break;
        case ShortMessage::Kind::PitchBend: fluid_synth_pitch_bend(s, ch, m->data1 | m->data2 << 7); break;
        case ShortMessage::Kind::System:
            if (m->status == 0xFF) fluid_synth_system_reset(s);
            break;
        }
    }

    const std::string& soundfont() const override { return soundfont_; }
    const std::string& audio_driver() const override { return driver_name_; }

    double buffer_ms() const override {
        int period = 0, periods = 0;
        fluid_settings_getint(settings_.get(), "audio.period-size", &period);
        fluid_settings_getint(settings_.get(), "audio.periods", &periods);
        return 1000.0 * period * periods / sample_rate();
    }

    int sample_rate() const override {
        double rate = 0;
        fluid_settings_getnum(settings_.get(), "synth.sample-rate", &rate);
        return int(rate);
    }

    void render(std::span<float> left, std::span<float> right) override {
        if (driver_) throw std::logic_error("the synthesizer is rendering for its audio output");
        if (left.size() != right.size()) throw std::invalid_argument("render needs two channels of one length");
        fluid_synth_write_float(synth_.get(), int(left.size()), left.data(), 0, 1, right.data(), 0, 1);
    }

private:
    // "driver" or "driver:device" (for example "alsa:hw:1,0").
    bool select_driver(const std::string& entry) {
        auto colon = entry.find(':');
        std::string driver = entry.substr(0, colon);
        if (fluid_settings_setstr(settings_.get(), "audio.driver", driver.c_str()) != FLUID_OK) return false;
        if (colon == std::string::npos) return true;
        std::string key = "audio." + driver + ".device";
        return fluid_settings_setstr(settings_.get(), key.c_str(), entry.c_str() + colon + 1) == FLUID_OK;
    }

    // Declared in the order of creation, so the audio output stops before the synth goes.
    std::unique_ptr<fluid_settings_t, Deleter<delete_fluid_settings>> settings_;
    std::unique_ptr<fluid_synth_t, Deleter<delete_fluid_synth>> synth_;
    std::unique_ptr<fluid_audio_driver_t, Deleter<delete_fluid_audio_driver>> driver_;
    std::string driver_name_;
    std::string soundfont_;
};

}  // namespace

std::vector<std::string> default_soundfonts() {
    std::vector<std::string> paths;
    if (fluid_settings_t* settings = new_fluid_settings()) {
        char* path = nullptr;
        if (fluid_settings_dupstr(settings, "synth.default-soundfont", &path) == FLUID_OK && path && *path)
            paths.emplace_back(path);
        fluid_free(path);
        delete_fluid_settings(settings);
    }
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.emplace_back(path);
    return paths;
}

std::vector<std::string> default_audio_drivers() {
    // SDL2's driver comes last: it works only when the program has started SDL's audio.
#if defined(_WIN32)
    return {"wasapi", "dsound", "sdl2"};
#elif defined(__APPLE__)
    return {"coreaudio", "sdl2"};
#else
    return {"pulseaudio", "alsa", "sdl2"};
#endif
}

std::unique_ptr<Synthesizer> open_synthesizer(const SynthSettings& settings, std::string* why) {
    quiet_library_messages();
    std::unique_ptr<FluidSynthesizer> synth;
    std::string reason = "FluidSynth could not be created";
    try {
        synth = std::make_unique<FluidSynthesizer>();
    } catch (const std::bad_alloc&) {
        if (why) *why = reason;
        return nullptr;
    }
    // The audio output first: on a machine without sound this fails in milliseconds, before
    // any SoundFont is read.
    if ((settings.audio_drivers.empty() || synth->open_audio(settings.audio_drivers, reason)) &&
        synth->load_soundfont(settings.soundfonts, reason))
        return synth;
    if (why) *why = reason;
    return nullptr;
}

}  // namespace zell
