#include "runtime/midi.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace zell {
namespace {

using namespace std::chrono_literals;
using Kind = ShortMessage::Kind;
using Messages = std::vector<uint32_t>;

// The game's two messages for a contact with note offset n: a note-on at velocity 127 and
// the same key at velocity 0.
uint32_t strike(int n) { return 8338576u + 256u * uint32_t(n); }
uint32_t release(int n) { return 15504u + 256u * uint32_t(n); }

double elapsed_ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

TEST(MidiMessage, DecodesTheGamesPairAndEveryKindWithItsOwnDataBytes) {
    struct Case {
        uint32_t message;
        uint8_t running;
        Kind kind;
        int channel, data1, data2, length;
        uint32_t packed;
    };
    const std::vector<Case> cases = {
        {strike(7), 0, Kind::NoteOn, 0, 67, 127, 3, 0x7F4390},
        {release(7), 0, Kind::NoteOff, 0, 67, 0, 3, 0x004390},  // velocity 0 ends the note
        {0x40'45'83, 0, Kind::NoteOff, 3, 0x45, 0x40, 3, 0x404583},
        {0x64'07'B9, 0, Kind::Control, 9, 7, 100, 3, 0x6407B9},
        {0x55'13'C0, 0, Kind::Program, 0, 0x13, 0, 2, 0x13C0},  // one data byte: the third is not part of it
        {0x40'00'E0, 0, Kind::PitchBend, 0, 0, 0x40, 3, 0x4000E0},
        {0xAB'FF'BC'90, 0, Kind::NoteOn, 0, 0x3C, 0x7F, 3, 0x7F3C90},  // higher bytes ignored, seven-bit data
        {0x7F'40, 0x92, Kind::NoteOn, 2, 0x40, 0x7F, 3, 0x7F4092},     // data bytes continue the running status
        {0x00'40, 0x92, Kind::NoteOff, 2, 0x40, 0, 3, 0x004092},
        {0x12'34'F8, 0, Kind::System, 8, 0, 0, 1, 0xF8},
        {0x12'34'F2, 0, Kind::System, 2, 0x34, 0x12, 3, 0x1234F2},
        {0x12'34'F3, 0, Kind::System, 3, 0x34, 0, 2, 0x34F3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.message);
        const auto m = decode_short_message(c.message, c.running);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->kind(), c.kind);
        EXPECT_EQ((std::array{m->channel(), int(m->data1), int(m->data2), m->length()}),
                  (std::array{c.channel, c.data1, c.data2, c.length}));
        EXPECT_EQ(m->packed(), c.packed);
    }
    // No status to continue, system messages are no running status, system exclusive has no short form.
    for (auto [message, running] : {std::pair{0x7F'40u, 0}, {0x7F'40u, 0xF8}, {0xF0u, 0}, {0xF4u, 0}, {0xF7u, 0}})
        EXPECT_FALSE(decode_short_message(message, uint8_t(running))) << std::hex << message;
}

TEST(RecordingMidiOut, LogsTheDeliveredMessagesWithTheirTimes) {
    uint64_t now = 100;
    RecordingMidiOut out(1, [&] { return now; });
    EXPECT_EQ(out.num_devs(), 1u);
    uint32_t handle = 0;
    ASSERT_EQ(out.open(&handle, kMidiMapper), mmsys::kOk);
    EXPECT_EQ(out.short_msg(handle, strike(7)), mmsys::kOk);
    now = 104;
    EXPECT_EQ(out.short_msg(handle, release(7)), mmsys::kOk);
    ASSERT_EQ(out.log().size(), 2u);
    EXPECT_EQ((std::array{out.log()[0].ms, out.log()[1].ms}), (std::array<uint64_t, 2>{100, 104}));
    EXPECT_EQ((std::array{out.log()[0].message, out.log()[1].message}), (std::array{strike(7), release(7)}));
    EXPECT_EQ((std::array{out.num_devs_calls(), out.open_calls()}), (std::array{1u, 1u}));

    RecordingMidiOut none(0, [] { return uint64_t(0); });
    handle = 12345;
    EXPECT_EQ(none.open(&handle, kMidiMapper), mmsys::kNoDevice);
    EXPECT_EQ(handle, 0u) << "no stale value that could pass for a handle";
    EXPECT_EQ(none.short_msg(handle, strike(0)), mmsys::kInvalidHandle);
    EXPECT_EQ(none.short_msg(12345, strike(0)), mmsys::kInvalidHandle);
    EXPECT_TRUE(none.log().empty());
}

TEST(RecordingMidiOut, RefusesBadArgumentsAndKeepsRunningStatusPerHandle) {
    RecordingMidiOut out(2, [] { return uint64_t(0); });
    uint32_t a = 0, b = 0;
    EXPECT_EQ(out.open(nullptr, kMidiMapper), mmsys::kInvalidParam);
    EXPECT_EQ(out.open(&a, 2), mmsys::kBadDeviceId);
    EXPECT_EQ(out.open(&a, -2), mmsys::kBadDeviceId);
    ASSERT_EQ(out.open(&a, 0), mmsys::kOk);
    ASSERT_EQ(out.open(&b, 1), mmsys::kOk);
    EXPECT_NE(a, b);
    EXPECT_EQ(out.short_msg(b + 1, strike(0)), mmsys::kInvalidHandle);
    const std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> sent = {
        {a, 0x7F'40, mmsys::kInvalidParam},                                      // data bytes before any status
        {a, 0xF0, mmsys::kInvalidParam},                                         // system exclusive has no short form
        {a, 0x64'3C'91, mmsys::kOk},        {a, 0xF8, mmsys::kOk},               // real-time: the running status stays
        {a, 0x00'3C, mmsys::kOk},           {b, 0x00'3C, mmsys::kInvalidParam},  // b has its own running status
        {a, 0x05'F3, mmsys::kOk},  // system common: the running status ends
        {a, 0x00'3C, mmsys::kInvalidParam},
    };
    for (auto [handle, message, result] : sent)
        EXPECT_EQ(out.short_msg(handle, message), result) << std::hex << message;
    Messages delivered;
    for (const auto& e : out.log()) delivered.push_back(e.message);
    EXPECT_EQ(delivered, (Messages{0x643C91, 0xF8, 0x003C91, 0x05F3})) << "always with the status byte";
    EXPECT_EQ(out.num_devs_calls(), 0u) << "checking a device number is not a call of the game's";
}

// --- The system output over presented port lists ------------------------------------

const std::string kThrough = "Midi Through:Midi Through Port-0 14:0";
const std::string kVirtual = "VirMIDI 1-0:VirMIDI 1-0 20:0";
const std::string kTimidity = "TiMidity:TiMidity port 0 128:0";
const std::string kKeyboard = "USB Keyboard:USB Keyboard MIDI 1 24:0";
const std::string kGmSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// A port list as the system would present it, with what reached each port and the calls made.
struct Presented {
    std::map<std::string, Messages> traffic;
    int listings = 0, opens = 0;
};

class ListedPorts : public MidiPorts {
public:
    ListedPorts(std::vector<std::string> names, std::shared_ptr<Presented> seen, std::string unopenable = "")
        : names_(std::move(names)), seen_(std::move(seen)), unopenable_(std::move(unopenable)) {}
    std::vector<std::string> names() override {
        ++seen_->listings;
        return names_;
    }
    std::unique_ptr<MidiDevice> open(const std::string& name) override {
        ++seen_->opens;
        if (name == unopenable_ || std::find(names_.begin(), names_.end(), name) == names_.end()) return nullptr;
        return std::make_unique<Port>(name, seen_);
    }

private:
    struct Port : MidiDevice {
        Port(std::string n, std::shared_ptr<Presented> s) : port_name(std::move(n)), seen(std::move(s)) {}
        std::string name() const override { return port_name; }
        void send(uint32_t message) override { seen->traffic[port_name].push_back(message); }
        std::string port_name;
        std::shared_ptr<Presented> seen;
    };
    std::vector<std::string> names_;
    std::shared_ptr<Presented> seen_;
    std::string unopenable_;
};

// The synthesizer as the system output starts it, with a SoundFont list and no audio output,
// so that it can be rendered. `started` receives the synthesizer; `starts` counts the calls.
struct OfflineSynth {
    std::shared_ptr<Synthesizer*> started = std::make_shared<Synthesizer*>(nullptr);
    std::shared_ptr<std::atomic<int>> starts = std::make_shared<std::atomic<int>>(0);

    SynthStart with(std::vector<std::string> soundfonts) const {
        return [soundfonts, started = started, starts = starts](std::string& why) -> std::unique_ptr<MidiDevice> {
            ++*starts;
            auto synth = open_synthesizer({soundfonts, {}}, &why);
            *started = synth.get();
            return synth;
        };
    }
};

// The peak of both channels over the next `ms` milliseconds.
float render_peak(Synthesizer& synth, int ms) {
    std::vector<float> left(size_t(synth.sample_rate()) * size_t(ms) / 1000), right(left.size());
    synth.render(left, right);
    float p = 0;
    for (const auto* channel : {&left, &right})
        for (float s : *channel) p = std::max(p, std::fabs(s));
    return p;
}

// FluidSynth's reverb adds a tiny offset (about 1e-8) against denormal numbers: below -120 dBFS is silence.
constexpr float kSilence = 1e-6f;

// Opens the mapper and sends the note pair of offset n; the handle stays 0 when nothing opens.
uint32_t play(MidiOut& out, int n) {
    uint32_t handle = 7;
    if (out.open(&handle, kMidiMapper) == mmsys::kOk) {
        EXPECT_EQ(out.short_msg(handle, strike(n)), mmsys::kOk);
        EXPECT_EQ(out.short_msg(handle, release(n)), mmsys::kOk);
    }
    return handle;
}

TEST(SystemMidiOut, NoPortsNoSoundFontOrOnlyPassThroughPortsCountZero) {
    auto seen = std::make_shared<Presented>();
    OfflineSynth synth;
    SystemMidiOut none(std::make_unique<ListedPorts>(std::vector<std::string>{}, seen),
                       synth.with({"/nonexistent/none.sf2"}), MidiChoice{});
    EXPECT_EQ(none.num_devs(), 0u);
    EXPECT_EQ(play(none, 0), 0u);
    EXPECT_EQ(none.short_msg(0, strike(0)), mmsys::kInvalidHandle);
    EXPECT_NE(none.why_none().find("no SoundFont"), std::string::npos) << none.why_none();
    EXPECT_EQ(*synth.starts, 1);

    SystemMidiOut through(std::make_unique<ListedPorts>(std::vector<std::string>{kThrough, kVirtual}, seen),
                          OfflineSynth{}.with({}), MidiChoice{});
    EXPECT_EQ(through.num_devs(), 0u);
    EXPECT_EQ(play(through, 0), 0u);
    EXPECT_EQ(seen->opens, 0);
    EXPECT_TRUE(seen->traffic.empty());
}

TEST(SystemMidiOut, TheMapperPrefersARealPortToTheSynthesizerAndOpensItWhenAsked) {
    auto seen = std::make_shared<Presented>();
    OfflineSynth synth;
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kThrough, kTimidity}, seen),
                      synth.with({kGmSoundFont}), MidiChoice{});
    EXPECT_EQ(seen->listings, 0) << "nothing is listed or started before the first call";
    EXPECT_EQ(*synth.starts, 0);
    ASSERT_EQ(out.num_devs(), 2u);
    ASSERT_NE(*synth.started, nullptr);
    EXPECT_EQ(out.device_names(), (std::vector<std::string>{kTimidity, (*synth.started)->name()}));
    EXPECT_EQ((*synth.started)->name().rfind("FluidSynth", 0), 0u);
    EXPECT_TRUE(out.why_none().empty());
    EXPECT_EQ(seen->opens, 0) << "ports open when the game opens them";
    EXPECT_NE(play(out, 7), 0u);
    EXPECT_EQ(seen->opens, 1);
    EXPECT_EQ(seen->traffic, (std::map<std::string, Messages>{{kTimidity, {strike(7), release(7)}}}));
    EXPECT_LT(render_peak(**synth.started, 300), kSilence) << "the synthesizer heard nothing";
    EXPECT_EQ(out.num_devs(), 2u);
    EXPECT_EQ(seen->listings, 1) << "the device list stays as first found";
}

TEST(SystemMidiOut, WithoutARealPortTheMapperOpensTheSynthesizerAndItSounds) {
    auto seen = std::make_shared<Presented>();
    OfflineSynth synth;
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kThrough}, seen),
                      synth.with({"/nonexistent/none.sf2", kGmSoundFont}), MidiChoice{});
    ASSERT_EQ(out.num_devs(), 1u);
    EXPECT_NE(play(out, 4), 0u);
    ASSERT_NE(*synth.started, nullptr);
    EXPECT_EQ((*synth.started)->soundfont(), kGmSoundFont);
    EXPECT_GT(render_peak(**synth.started, 300), 0.01f);
    EXPECT_TRUE(seen->traffic.empty());
}

TEST(SystemMidiOut, APortThatCannotOpenIsPassedOverByTheMapper) {
    auto seen = std::make_shared<Presented>();
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kKeyboard, kTimidity}, seen, kKeyboard),
                      OfflineSynth{}.with({}), MidiChoice{});
    ASSERT_EQ(out.num_devs(), 2u);
    uint32_t handle = 0;
    EXPECT_EQ(out.open(&handle, 0), mmsys::kAllocated);
    EXPECT_NE(play(out, 12), 0u);
    EXPECT_EQ(seen->traffic, (std::map<std::string, Messages>{{kTimidity, {strike(12), release(12)}}}));
}

TEST(SystemMidiOut, ThePlayersChoiceSelectsTheDevices) {
    const std::vector<std::string> present{kThrough, kTimidity, kKeyboard};
    struct Chosen {
        std::vector<std::string> devices;
        int starts;
        std::vector<std::string> reports;
    };
    auto choose = [&](std::string_view choice) {
        OfflineSynth synth;
        Chosen c;
        SystemMidiOut out(std::make_unique<ListedPorts>(present, std::make_shared<Presented>()),
                          synth.with({kGmSoundFont}), MidiChoice::parse(choice), kSynthStartTimeout,
                          [&](const std::string& why) { c.reports.push_back(why); });
        out.num_devs();
        c.devices = out.device_names();
        for (std::string& d : c.devices)
            if (d.rfind("FluidSynth", 0) == 0) d = "synth";
        c.starts = *synth.starts;
        return c;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(choose("").devices, (Names{kTimidity, kKeyboard, "synth"}));
    EXPECT_EQ(choose("Synth").devices, Names{"synth"});
    const Chosen none = choose("none");
    EXPECT_EQ(none.devices, Names{});
    EXPECT_EQ(none.starts, 0);
    EXPECT_EQ(none.reports, Names{}) << "the player asked for silence";
    const Chosen timidity = choose("timidity");
    EXPECT_EQ(timidity.devices, Names{kTimidity});
    EXPECT_EQ(timidity.starts, 0);
    // Named explicitly, a pass-through port is the player's choice (it may lead to a synthesizer).
    EXPECT_EQ(choose("midi through").devices, Names{kThrough});
    const Chosen missing = choose("Yamaha");
    EXPECT_EQ(missing.devices, Names{});
    ASSERT_EQ(missing.reports.size(), 1u) << "said once, with the ports to choose from";
    EXPECT_NE(missing.reports[0].find("\"Yamaha\""), std::string::npos) << missing.reports[0];
    EXPECT_NE(missing.reports[0].find(kTimidity), std::string::npos) << missing.reports[0];
}

TEST(SystemMidiOut, ASynthesizerThatDoesNotStartInTimeIsLeftOut) {
    auto seen = std::make_shared<Presented>();
    // An audio output that hangs: the start returns long after the wait is over.
    SynthStart hanging = [seen](std::string&) -> std::unique_ptr<MidiDevice> {
        std::this_thread::sleep_for(1500ms);
        return ListedPorts({"late"}, seen).open("late");
    };
    const auto start = std::chrono::steady_clock::now();
    {
        SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kTimidity}, seen), hanging,
                          MidiChoice{}, 100ms);
        EXPECT_EQ(out.device_names(), std::vector<std::string>{kTimidity});
    }
    EXPECT_LT(elapsed_ms(start), 1000.0) << "destroying the output does not wait for the start either";
    SystemMidiOut alone(std::make_unique<ListedPorts>(std::vector<std::string>{}, seen), hanging, MidiChoice{}, 100ms);
    EXPECT_EQ(alone.num_devs(), 0u);
    EXPECT_NE(alone.why_none().find("in time"), std::string::npos) << alone.why_none();
}

// --- The synthesizer, rendered offline ------------------------------------------

std::unique_ptr<Synthesizer> offline_synthesizer() {
    std::string why;
    auto synth = open_synthesizer({default_soundfonts(), {}}, &why);
    EXPECT_NE(synth, nullptr) << why;
    return synth;
}

TEST(Synthesizer, TheGamesNotePairIsHeardAndThenEnds) {
    for (int n : {0, 4, 7, 9, 12}) {
        SCOPED_TRACE(::testing::Message() << "key " << 60 + n);
        auto synth = offline_synthesizer(), held = offline_synthesizer();
        ASSERT_TRUE(synth && held);
        EXPECT_TRUE(synth->audio_driver().empty());
        synth->send(strike(n));
        synth->send(release(n));
        held->send(strike(n));
        const float note = render_peak(*synth, 300);
        std::printf("key %d: peak %.4f (%.1f dBFS) in the first 300 ms\n", 60 + n, double(note),
                    20 * std::log10(double(note)));
        EXPECT_GT(note, 0.01f);  // louder than -40 dBFS
        EXPECT_LE(note, 1.0f);
        // A second later the released note and its reverb are over, a note never released still sounds.
        render_peak(*synth, 1100);
        render_peak(*held, 1400);
        const float released = render_peak(*synth, 100), still = render_peak(*held, 100);
        EXPECT_LT(released, 1e-4f);
        EXPECT_GT(still, 1e-3f);
        EXPECT_GT(still, 100 * released);
    }
}

TEST(Synthesizer, NothingPlayedIsSilence) {
    auto synth = offline_synthesizer();
    ASSERT_NE(synth, nullptr);
    EXPECT_LT(render_peak(*synth, 300), kSilence);
    synth->send(release(0));  // a note-off for a note that never sounded
    EXPECT_LT(render_peak(*synth, 300), kSilence);
    synth->send(0x00'07'B0);  // channel volume 0 (the synthesizer's floor is -96 dB) ...
    synth->send(strike(0));   // ... so this note is not heard
    synth->send(release(0));
    EXPECT_LT(render_peak(*synth, 300), 1e-4f);
}

TEST(Synthesizer, TakesTheFirstSoundFontThatLoadsFromTheDefaultList) {
    const auto dir = std::filesystem::temp_directory_path() / ("zell-midi-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto junk = (dir / "junk.sf2").string(), link = (dir / "linked.sf2").string(),
               missing = (dir / "missing.sf2").string();
    std::ofstream(junk) << "this is not a SoundFont";
    std::filesystem::create_symlink(kGmSoundFont, link);
    std::string why;
    auto synth = open_synthesizer({{missing, junk, link, kGmSoundFont}, {}}, &why);
    ASSERT_NE(synth, nullptr) << why;
    EXPECT_EQ(synth->soundfont(), link);
    // Named after the file the link leads to, which says which SoundFont is playing.
    EXPECT_EQ(synth->name(), "FluidSynth (" + std::filesystem::canonical(kGmSoundFont).filename().string() + ")");
    EXPECT_EQ(open_synthesizer({{missing, junk}, {}}, &why), nullptr);
    for (const std::string& part :
         {std::string("no SoundFont"), std::string("missing.sf2: missing"), junk + ": not a SoundFont"})
        EXPECT_NE(why.find(part), std::string::npos) << why;
    std::filesystem::remove_all(dir);

    const auto list = default_soundfonts();
    auto at = [&](const std::string& p) { return std::find(list.begin(), list.end(), p) - list.begin(); };
    EXPECT_LT(at(kGmSoundFont), at("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    EXPECT_LT(at("/usr/share/sounds/sf2/TimGM6mb.sf2"), at("/usr/share/sounds/sf2/FluidR3_GM.sf2"));
    EXPECT_EQ(at("/usr/share/sounds/sf2/FluidR3_GM.sf2"), std::ptrdiff_t(list.size()) - 1);
}

TEST(Synthesizer, WithAnAudioOutputItBuffersLittleAndIsCountedAndWithoutOneFailsAtOnce) {
    auto start = std::chrono::steady_clock::now();
    std::string why;
    EXPECT_EQ(open_synthesizer({default_soundfonts(), {"no-such-driver"}}, &why), nullptr);
    EXPECT_NE(why.find("no audio output"), std::string::npos) << why;
    EXPECT_NE(why.find("no-such-driver"), std::string::npos) << why;
    EXPECT_LT(elapsed_ms(start), 200.0);

    // ALSA's null device takes audio like a sound card, and exists on every Linux system.
    start = std::chrono::steady_clock::now();
    auto synth = open_synthesizer({{kGmSoundFont}, {"no-such-driver", "alsa:null"}}, &why);
    ASSERT_NE(synth, nullptr) << why;
    std::printf("synthesizer with ALSA's null output started in %.1f ms, buffering %.1f ms at %d Hz\n",
                elapsed_ms(start), synth->buffer_ms(), synth->sample_rate());
    EXPECT_EQ(synth->audio_driver(), "alsa:null");
    EXPECT_GT(synth->buffer_ms(), 0.0);
    EXPECT_LT(synth->buffer_ms(), 20.0);
    std::vector<float> left(64), right(64);
    EXPECT_THROW(synth->render(left, right), std::logic_error) << "the audio output renders it";
    synth.reset();  // the null device takes samples as fast as they come: one such output at a time

    // Counted by the system output; the wait is long here because the machine may be busy.
    SystemMidiOut out(
        std::make_unique<ListedPorts>(std::vector<std::string>{kThrough}, std::make_shared<Presented>()),
        [](std::string& why_not) -> std::unique_ptr<MidiDevice> {
            return open_synthesizer({{kGmSoundFont}, {"alsa:null"}}, &why_not);
        },
        MidiChoice{}, 5000ms);
    ASSERT_EQ(out.num_devs(), 1u) << out.why_none();
    EXPECT_NE(play(out, 9), 0u);
}

// --- This machine's own devices --------------------------------------------------

TEST(SystemAudio, TheSynthesizerNeverHoldsUpStartUpAndSilenceIsAChoice) {
    auto start = std::chrono::steady_clock::now();
    std::string why;
    auto synth = open_synthesizer({default_soundfonts(), default_audio_drivers()}, &why);
    const double ms = elapsed_ms(start);
    std::printf("synthesizer with audio output: %s after %.1f ms\n",
                synth ? synth->audio_driver().c_str() : why.c_str(), ms);
    if (!synth) {
        EXPECT_NE(why.find("no audio output"), std::string::npos) << why;
        EXPECT_LT(ms, double(kSynthStartTimeout.count()));
    }
    synth.reset();
    start = std::chrono::steady_clock::now();
    auto out = make_system_midi_out("synth");
    const uint32_t count = out->num_devs();
    EXPECT_LT(elapsed_ms(start), double(kSynthStartTimeout.count()) + 200.0);
    EXPECT_LE(count, 1u);
    EXPECT_EQ(play(*out, 0) != 0, count == 1);
    auto silent = make_system_midi_out("none");
    EXPECT_EQ(silent->num_devs(), 0u);
    EXPECT_EQ(play(*silent, 0), 0u);

    auto ports = make_rtmidi_ports();
    const auto names = ports->names();
    EXPECT_EQ(ports->names(), names) << "the system port list can be read without a MIDI service";
    EXPECT_EQ(ports->open("no such port, surely"), nullptr);
    for (const auto& name : names) std::printf("MIDI port: %s\n", name.c_str());
}

}  // namespace
}  // namespace zell
