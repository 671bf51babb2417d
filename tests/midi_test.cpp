#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include <unistd.h>

#include "runtime/midi.h"

namespace zell {
namespace {

using namespace std::chrono_literals;

// The game's two messages for a contact with note offset n: a note-on at velocity 127 and
// the same key at velocity 0.
uint32_t strike(int n) { return 8338576u + 256u * uint32_t(n); }
uint32_t release(int n) { return 15504u + 256u * uint32_t(n); }
constexpr int kNoteOffsets[] = {0, 4, 7, 9, 12};

double elapsed_ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// --- Messages ---------------------------------------------------------------

TEST(MidiMessage, TheGamesPairIsANoteOnAt127ThenANoteOffOfTheSameKey) {
    for (int n : kNoteOffsets) {
        auto on = decode_short_message(strike(n));
        ASSERT_TRUE(on) << n;
        EXPECT_EQ(on->kind(), ShortMessage::Kind::NoteOn);
        EXPECT_EQ(on->channel(), 0);
        EXPECT_EQ(on->data1, 60 + n);
        EXPECT_EQ(on->data2, 127);
        EXPECT_EQ(on->length(), 3);

        auto off = decode_short_message(release(n));
        ASSERT_TRUE(off) << n;
        EXPECT_EQ(off->kind(), ShortMessage::Kind::NoteOff);
        EXPECT_EQ(off->status, 0x90);
        EXPECT_EQ(off->data1, 60 + n);
        EXPECT_EQ(off->data2, 0);
        EXPECT_EQ(off->packed(), release(n));
    }
}

TEST(MidiMessage, ChannelMessagesTakeTheirOwnNumberOfDataBytes) {
    auto note_off = decode_short_message(0x40'45'83);  // note-off, channel 4, key 0x45, velocity 0x40
    ASSERT_TRUE(note_off);
    EXPECT_EQ(note_off->kind(), ShortMessage::Kind::NoteOff);
    EXPECT_EQ(note_off->channel(), 3);
    EXPECT_EQ(note_off->data2, 0x40);

    auto control = decode_short_message(0x64'07'B9);  // channel volume 100 on channel 10
    ASSERT_TRUE(control);
    EXPECT_EQ(control->kind(), ShortMessage::Kind::Control);
    EXPECT_EQ(control->channel(), 9);
    EXPECT_EQ(control->data1, 7);
    EXPECT_EQ(control->data2, 100);

    // A program change has one data byte: the third byte is not part of it.
    auto program = decode_short_message(0x55'13'C0);
    ASSERT_TRUE(program);
    EXPECT_EQ(program->kind(), ShortMessage::Kind::Program);
    EXPECT_EQ(program->length(), 2);
    EXPECT_EQ(program->data1, 0x13);
    EXPECT_EQ(program->data2, 0);
    EXPECT_EQ(program->packed(), 0x13C0u);

    auto bend = decode_short_message(0x40'00'E0);
    ASSERT_TRUE(bend);
    EXPECT_EQ(bend->kind(), ShortMessage::Kind::PitchBend);
    EXPECT_EQ(bend->data1 | bend->data2 << 7, 8192);

    // Bytes above the third are ignored; data bytes keep seven bits.
    auto masked = decode_short_message(0xAB'FF'BC'90);
    ASSERT_TRUE(masked);
    EXPECT_EQ(masked->data1, 0x3C);
    EXPECT_EQ(masked->data2, 0x7F);
}

TEST(MidiMessage, DataBytesWithoutStatusContinueTheRunningStatus) {
    auto on = decode_short_message(0x7F'40, 0x92);
    ASSERT_TRUE(on);
    EXPECT_EQ(on->kind(), ShortMessage::Kind::NoteOn);
    EXPECT_EQ(on->channel(), 2);
    EXPECT_EQ(on->data1, 0x40);
    EXPECT_EQ(on->data2, 0x7F);
    auto off = decode_short_message(0x00'40, 0x92);
    ASSERT_TRUE(off);
    EXPECT_EQ(off->kind(), ShortMessage::Kind::NoteOff);

    EXPECT_FALSE(decode_short_message(0x7F'40));        // no status to continue
    EXPECT_FALSE(decode_short_message(0x7F'40, 0xF8));  // system messages are no running status
}

TEST(MidiMessage, SystemMessagesHaveShortFormsExceptSystemExclusive) {
    for (uint32_t status : {0xF0u, 0xF4u, 0xF5u, 0xF7u}) EXPECT_FALSE(decode_short_message(status)) << status;
    auto clock = decode_short_message(0x12'34'F8);
    ASSERT_TRUE(clock);
    EXPECT_EQ(clock->kind(), ShortMessage::Kind::System);
    EXPECT_EQ(clock->length(), 1);
    EXPECT_EQ(clock->packed(), 0xF8u);
    EXPECT_EQ(decode_short_message(0x12'34'F2)->length(), 3);
    EXPECT_EQ(decode_short_message(0x12'34'F3)->packed(), 0x34F3u);
}

// --- Recording output -------------------------------------------------------

TEST(RecordingMidiOut, LogsTheDeliveredMessagesWithTheirTimes) {
    uint64_t now = 100;
    RecordingMidiOut out(1, [&] { return now; });
    EXPECT_EQ(out.num_devs(), 1u);
    uint32_t handle = 0;
    ASSERT_EQ(out.open(&handle, kMidiMapper), mmsys::kOk);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(out.short_msg(handle, strike(7)), mmsys::kOk);
    now = 104;
    EXPECT_EQ(out.short_msg(handle, release(7)), mmsys::kOk);

    ASSERT_EQ(out.log().size(), 2u);
    EXPECT_EQ(out.log()[0].ms, 100u);
    EXPECT_EQ(out.log()[0].message, 0x7F4390u);
    EXPECT_EQ(out.log()[1].ms, 104u);
    EXPECT_EQ(out.log()[1].message, 0x004390u);
    EXPECT_EQ(out.num_devs_calls(), 1u);
    EXPECT_EQ(out.open_calls(), 1u);
}

TEST(RecordingMidiOut, WithoutDevicesNothingOpensAndNothingIsLogged) {
    RecordingMidiOut out(0, [] { return uint64_t(0); });
    EXPECT_EQ(out.num_devs(), 0u);
    uint32_t handle = 12345;
    EXPECT_EQ(out.open(&handle, kMidiMapper), mmsys::kNoDevice);
    EXPECT_EQ(handle, 0u);  // no stale value that could pass for a handle
    EXPECT_EQ(out.short_msg(handle, strike(0)), mmsys::kInvalidHandle);
    EXPECT_EQ(out.short_msg(12345, strike(0)), mmsys::kInvalidHandle);
    EXPECT_TRUE(out.log().empty());
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

    EXPECT_EQ(out.short_msg(a, 0x7F'40), mmsys::kInvalidParam);  // data bytes before any status
    EXPECT_EQ(out.short_msg(a, 0xF0), mmsys::kInvalidParam);     // system exclusive has no short form
    EXPECT_EQ(out.short_msg(a, 0x64'3C'91), mmsys::kOk);
    EXPECT_EQ(out.short_msg(a, 0xF8), mmsys::kOk);                // real-time: running status stays
    EXPECT_EQ(out.short_msg(a, 0x00'3C), mmsys::kOk);
    EXPECT_EQ(out.short_msg(b, 0x00'3C), mmsys::kInvalidParam);  // b has its own running status
    EXPECT_EQ(out.short_msg(a, 0x05'F3), mmsys::kOk);             // system common: running status ends
    EXPECT_EQ(out.short_msg(a, 0x00'3C), mmsys::kInvalidParam);

    std::vector<uint32_t> delivered;
    for (const auto& e : out.log()) delivered.push_back(e.message);
    EXPECT_EQ(delivered, (std::vector<uint32_t>{0x643C91, 0xF8, 0x003C91, 0x05F3}));
    EXPECT_EQ(out.open_calls(), 5u);
    EXPECT_EQ(out.num_devs_calls(), 0u);  // checking a device number is not a call of the game's
}

// --- System output over presented port lists ------------------------------------

// What reached the ports, by port name.
using PortTraffic = std::map<std::string, std::vector<uint32_t>>;

// A port list as the system would present it; opened ports write into the shared traffic.
class ListedPorts : public MidiPorts {
public:
    struct Counters {
        int listings = 0;
        int opens = 0;
    };

    ListedPorts(std::vector<std::string> names, std::shared_ptr<PortTraffic> traffic,
                std::vector<std::string> unopenable = {})
        : names_(std::move(names)), traffic_(std::move(traffic)), unopenable_(std::move(unopenable)) {}

    std::vector<std::string> names() override {
        ++counters->listings;
        return names_;
    }
    std::unique_ptr<MidiDevice> open(const std::string& name) override {
        ++counters->opens;
        if (std::find(names_.begin(), names_.end(), name) == names_.end()) return nullptr;
        if (std::find(unopenable_.begin(), unopenable_.end(), name) != unopenable_.end()) return nullptr;
        return std::make_unique<Port>(name, traffic_);
    }

    std::shared_ptr<Counters> counters = std::make_shared<Counters>();

private:
    struct Port : MidiDevice {
        Port(std::string n, std::shared_ptr<PortTraffic> t) : port_name(std::move(n)), traffic(std::move(t)) {}
        std::string name() const override { return port_name; }
        void send(uint32_t message) override { (*traffic)[port_name].push_back(message); }
        std::string port_name;
        std::shared_ptr<PortTraffic> traffic;
    };
    std::vector<std::string> names_;
    std::shared_ptr<PortTraffic> traffic_;
    std::vector<std::string> unopenable_;
};

const std::string kThrough = "Midi Through:Midi Through Port-0 14:0";
const std::string kVirtual = "VirMIDI 1-0:VirMIDI 1-0 20:0";
const std::string kTimidity = "TiMidity:TiMidity port 0 128:0";
const std::string kKeyboard = "USB Keyboard:USB Keyboard MIDI 1 24:0";
const std::string kGmSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

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

// FluidSynth's reverb adds a tiny offset (about 1e-8) against denormal numbers: below -120 dBFS is silence.
constexpr float kSilence = 1e-6f;

float peak(const std::vector<float>& samples) {
    float p = 0;
    for (float s : samples) p = std::max(p, std::fabs(s));
    return p;
}

// Renders `ms` milliseconds and returns the peak of both channels.
float render_peak(Synthesizer& synth, int ms) {
    std::vector<float> left(size_t(synth.sample_rate()) * ms / 1000), right(left.size());
    synth.render(left, right);
    return std::max(peak(left), peak(right));
}

TEST(SystemMidiOut, NoPortsAndNoSoundFontCountZeroAndOpenNothing) {
    auto traffic = std::make_shared<PortTraffic>();
    OfflineSynth synth;
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{}, traffic),
                      synth.with({"/nonexistent/none.sf2"}), MidiChoice{});
    EXPECT_EQ(out.num_devs(), 0u);
    uint32_t handle = 7;
    EXPECT_EQ(out.open(&handle, kMidiMapper), mmsys::kNoDevice);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(out.short_msg(handle, strike(0)), mmsys::kInvalidHandle);
    EXPECT_NE(out.why_none().find("no SoundFont"), std::string::npos) << out.why_none();
    EXPECT_EQ(*synth.starts, 1);
}

TEST(SystemMidiOut, PortsThatOnlyPassMessagesOnAreNotCounted) {
    auto traffic = std::make_shared<PortTraffic>();
    auto ports = std::make_unique<ListedPorts>(std::vector<std::string>{kThrough, kVirtual}, traffic);
    auto counters = ports->counters;
    SystemMidiOut out(std::move(ports), OfflineSynth{}.with({}), MidiChoice{});
    EXPECT_EQ(out.num_devs(), 0u);
    uint32_t handle = 0;
    EXPECT_EQ(out.open(&handle, kMidiMapper), mmsys::kNoDevice);
    EXPECT_EQ(counters->opens, 0);
    EXPECT_TRUE(traffic->empty());
}

TEST(SystemMidiOut, TheMapperPrefersARealPortToTheSynthesizer) {
    auto traffic = std::make_shared<PortTraffic>();
    auto ports = std::make_unique<ListedPorts>(std::vector<std::string>{kThrough, kTimidity}, traffic);
    auto counters = ports->counters;
    OfflineSynth synth;
    SystemMidiOut out(std::move(ports), synth.with({kGmSoundFont}), MidiChoice{});

    ASSERT_EQ(out.num_devs(), 2u);
    ASSERT_EQ(out.device_names().size(), 2u);
    EXPECT_EQ(out.device_names()[0], kTimidity);
    EXPECT_EQ(out.device_names()[1].rfind("FluidSynth", 0), 0u) << out.device_names()[1];
    EXPECT_TRUE(out.why_none().empty());
    EXPECT_EQ(counters->opens, 0);  // ports open when the game opens them

    uint32_t handle = 0;
    ASSERT_EQ(out.open(&handle, kMidiMapper), mmsys::kOk);
    EXPECT_EQ(counters->opens, 1);
    ASSERT_EQ(out.short_msg(handle, strike(7)), mmsys::kOk);
    ASSERT_EQ(out.short_msg(handle, release(7)), mmsys::kOk);
    EXPECT_EQ((*traffic)[kTimidity], (std::vector<uint32_t>{0x7F4390, 0x004390}));
    EXPECT_EQ(traffic->count(kThrough), 0u);
    ASSERT_NE(*synth.started, nullptr);
    EXPECT_LT(render_peak(**synth.started, 300), kSilence);  // the synthesizer heard nothing
}

TEST(SystemMidiOut, WithoutARealPortTheMapperOpensTheSynthesizerAndItSounds) {
    auto traffic = std::make_shared<PortTraffic>();
    OfflineSynth synth;
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kThrough}, traffic),
                      synth.with({"/nonexistent/none.sf2", kGmSoundFont}), MidiChoice{});
    ASSERT_EQ(out.num_devs(), 1u);
    uint32_t handle = 0;
    ASSERT_EQ(out.open(&handle, kMidiMapper), mmsys::kOk);
    ASSERT_EQ(out.short_msg(handle, strike(4)), mmsys::kOk);
    ASSERT_EQ(out.short_msg(handle, release(4)), mmsys::kOk);
    ASSERT_NE(*synth.started, nullptr);
    EXPECT_EQ((*synth.started)->soundfont(), kGmSoundFont);
    EXPECT_GT(render_peak(**synth.started, 300), 0.01f);
    EXPECT_TRUE(traffic->empty());
}

TEST(SystemMidiOut, APortThatCannotOpenIsPassedOverByTheMapper) {
    auto traffic = std::make_shared<PortTraffic>();
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kKeyboard, kTimidity}, traffic,
                                                    std::vector<std::string>{kKeyboard}),
                      OfflineSynth{}.with({}), MidiChoice{});
    ASSERT_EQ(out.num_devs(), 2u);
    uint32_t handle = 0;
    EXPECT_EQ(out.open(&handle, 0), mmsys::kAllocated);
    ASSERT_EQ(out.open(&handle, kMidiMapper), mmsys::kOk);
    ASSERT_EQ(out.short_msg(handle, strike(12)), mmsys::kOk);
    EXPECT_EQ((*traffic)[kTimidity], (std::vector<uint32_t>{0x7F4890}));
    EXPECT_EQ(traffic->count(kKeyboard), 0u);
}

TEST(SystemMidiOut, NothingIsListedOrStartedBeforeTheFirstCall) {
    auto ports = std::make_unique<ListedPorts>(std::vector<std::string>{kTimidity}, std::make_shared<PortTraffic>());
    auto counters = ports->counters;
    OfflineSynth synth;
    {
        SystemMidiOut out(std::move(ports), synth.with({kGmSoundFont}), MidiChoice{});
        EXPECT_EQ(counters->listings, 0);
        EXPECT_EQ(*synth.starts, 0);
    }
    EXPECT_EQ(counters->listings, 0);
    EXPECT_EQ(*synth.starts, 0);
}

TEST(SystemMidiOut, TheDeviceListStaysAsFirstFound) {
    auto traffic = std::make_shared<PortTraffic>();
    auto ports = std::make_unique<ListedPorts>(std::vector<std::string>{kTimidity}, traffic);
    auto counters = ports->counters;
    SystemMidiOut out(std::move(ports), OfflineSynth{}.with({}), MidiChoice{});
    EXPECT_EQ(out.num_devs(), 1u);
    EXPECT_EQ(out.num_devs(), 1u);
    uint32_t handle = 0;
    EXPECT_EQ(out.open(&handle, 0), mmsys::kOk);
    EXPECT_EQ(counters->listings, 1);
}

TEST(SystemMidiOut, ThePlayersChoiceSelectsTheDevices) {
    auto traffic = std::make_shared<PortTraffic>();
    const std::vector<std::string> present{kThrough, kTimidity, kKeyboard};
    auto make = [&](std::string_view choice, OfflineSynth& synth, std::vector<std::string>* reports = nullptr) {
        return SystemMidiOut(std::make_unique<ListedPorts>(present, traffic), synth.with({kGmSoundFont}),
                             MidiChoice::parse(choice), kSynthStartTimeout, [reports](const std::string& why) {
                                 if (reports) reports->push_back(why);
                             });
    };
    {
        OfflineSynth synth;
        std::vector<std::string> reports;
        auto out = make("none", synth, &reports);
        EXPECT_EQ(out.num_devs(), 0u);
        EXPECT_EQ(*synth.starts, 0);
        EXPECT_TRUE(reports.empty());  // the player asked for silence
    }
    {
        OfflineSynth synth;
        auto out = make("", synth);
        ASSERT_EQ(out.num_devs(), 3u);
        EXPECT_EQ(out.device_names(), (std::vector<std::string>{kTimidity, kKeyboard, (*synth.started)->name()}));
    }
    {
        OfflineSynth synth;
        auto out = make("Synth", synth);
        ASSERT_EQ(out.num_devs(), 1u);
        EXPECT_EQ(out.device_names()[0], (*synth.started)->name());
    }
    {
        OfflineSynth synth;
        auto out = make("timidity", synth);
        EXPECT_EQ(out.device_names(), std::vector<std::string>{kTimidity});
        EXPECT_EQ(*synth.starts, 0);
    }
    {
        // Named explicitly, a pass-through port is the player's choice (it may lead to a synthesizer).
        OfflineSynth synth;
        auto out = make("midi through", synth);
        EXPECT_EQ(out.device_names(), std::vector<std::string>{kThrough});
    }
    {
        OfflineSynth synth;
        std::vector<std::string> reports;
        auto out = make("Yamaha", synth, &reports);
        EXPECT_EQ(out.num_devs(), 0u);
        EXPECT_EQ(out.num_devs(), 0u);
        ASSERT_EQ(reports.size(), 1u);  // said once, with the ports to choose from
        EXPECT_NE(reports[0].find("\"Yamaha\""), std::string::npos) << reports[0];
        EXPECT_NE(reports[0].find(kTimidity), std::string::npos) << reports[0];
    }
}

TEST(SystemMidiOut, ASynthesizerThatDoesNotStartInTimeIsLeftOut) {
    auto traffic = std::make_shared<PortTraffic>();
    // An audio output that hangs: the start returns long after the wait is over.
    SynthStart hanging = [traffic](std::string&) -> std::unique_ptr<MidiDevice> {
        std::this_thread::sleep_for(1500ms);
        return ListedPorts({"late"}, traffic).open("late");
    };
    auto start = std::chrono::steady_clock::now();
    {
        SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kTimidity}, traffic), hanging,
                          MidiChoice{}, 100ms);
        EXPECT_EQ(out.device_names(), std::vector<std::string>{kTimidity});
        EXPECT_LT(elapsed_ms(start), 1000.0);
    }
    EXPECT_LT(elapsed_ms(start), 1000.0);  // destroying the output does not wait for the start either

    SystemMidiOut alone(std::make_unique<ListedPorts>(std::vector<std::string>{}, traffic), hanging, MidiChoice{},
                        100ms);
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
    for (int n : kNoteOffsets) {
        auto synth = offline_synthesizer();
        ASSERT_NE(synth, nullptr);
        EXPECT_TRUE(synth->audio_driver().empty());
        synth->send(strike(n));
        synth->send(release(n));
        float note = render_peak(*synth, 300);
        EXPECT_GT(note, 0.01f) << "key " << 60 + n;  // louder than -40 dBFS
        EXPECT_LE(note, 1.0f);
        RecordProperty("peak_key_" + std::to_string(60 + n), std::to_string(note));
        std::printf("key %d: peak %.4f (%.1f dBFS) in the first 300 ms\n", 60 + n, double(note),
                    20 * std::log10(double(note)));

        // The velocity-0 message ended the note: a second later its release and the reverb
        // are over, while a note that is never released still sounds.
        render_peak(*synth, 1100);
        float released = render_peak(*synth, 100);
        EXPECT_LT(released, 1e-4f) << "key " << 60 + n;

        auto held = offline_synthesizer();
        held->send(strike(n));
        render_peak(*held, 1400);
        float still = render_peak(*held, 100);
        EXPECT_GT(still, 1e-3f) << "key " << 60 + n;
        EXPECT_GT(still, 100 * released) << "key " << 60 + n;
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

TEST(Synthesizer, TakesTheFirstSoundFontThatLoads) {
    auto dir = std::filesystem::temp_directory_path() / ("zell-midi-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto junk = (dir / "junk.sf2").string();
    std::ofstream(junk) << "this is not a SoundFont";

    auto link = (dir / "linked.sf2").string();
    std::filesystem::create_symlink(kGmSoundFont, link);

    std::string why;
    auto synth = open_synthesizer({{(dir / "missing.sf2").string(), junk, link, kGmSoundFont}, {}}, &why);
    ASSERT_NE(synth, nullptr) << why;
    EXPECT_EQ(synth->soundfont(), link);
    // Named after the file the link leads to, which says which SoundFont is playing.
    EXPECT_EQ(synth->name(), "FluidSynth (" + std::filesystem::canonical(kGmSoundFont).filename().string() + ")");

    auto none = open_synthesizer({{(dir / "missing.sf2").string(), junk}, {}}, &why);
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(why.find("no SoundFont"), std::string::npos) << why;
    EXPECT_NE(why.find("missing.sf2: missing"), std::string::npos) << why;
    EXPECT_NE(why.find(junk + ": not a SoundFont"), std::string::npos) << why;
    std::filesystem::remove_all(dir);
}

TEST(Synthesizer, TheDefaultSoundFontsIncludeTheSystemsGeneralMidiSet) {
    auto list = default_soundfonts();
    auto at = [&](const std::string& p) { return std::find(list.begin(), list.end(), p) - list.begin(); };
    ASSERT_LT(at(kGmSoundFont), std::ptrdiff_t(list.size()));
    EXPECT_LT(at(kGmSoundFont), at("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    EXPECT_LT(at("/usr/share/sounds/sf2/TimGM6mb.sf2"), at("/usr/share/sounds/sf2/FluidR3_GM.sf2"));
    EXPECT_EQ(at("/usr/share/sounds/sf2/FluidR3_GM.sf2"), std::ptrdiff_t(list.size()) - 1);
}

TEST(Synthesizer, BuffersLessThanTwentyMilliseconds) {
    auto synth = offline_synthesizer();
    ASSERT_NE(synth, nullptr);
    std::printf("audio buffering %.1f ms at %d Hz\n", synth->buffer_ms(), synth->sample_rate());
    EXPECT_GT(synth->buffer_ms(), 0.0);
    EXPECT_LT(synth->buffer_ms(), 20.0);
}

TEST(Synthesizer, AnAudioOutputThatCannotOpenFailsAtOnce) {
    auto start = std::chrono::steady_clock::now();
    std::string why;
    auto synth = open_synthesizer({default_soundfonts(), {"no-such-driver"}}, &why);
    EXPECT_EQ(synth, nullptr);
    EXPECT_NE(why.find("no audio output"), std::string::npos) << why;
    EXPECT_NE(why.find("no-such-driver"), std::string::npos) << why;
    EXPECT_LT(elapsed_ms(start), 200.0);
}

TEST(Synthesizer, WithAnAudioOutputItPlaysThroughItAndCounts) {
    // ALSA's null device takes audio like a sound card, and exists on every Linux system.
    std::string why;
    auto start = std::chrono::steady_clock::now();
    auto synth = open_synthesizer({{kGmSoundFont}, {"no-such-driver", "alsa:null"}}, &why);
    ASSERT_NE(synth, nullptr) << why;
    std::printf("synthesizer with ALSA's null output started in %.1f ms\n", elapsed_ms(start));
    EXPECT_EQ(synth->audio_driver(), "alsa:null");
    EXPECT_LT(synth->buffer_ms(), 20.0);
    std::vector<float> left(64), right(64);
    EXPECT_THROW(synth->render(left, right), std::logic_error);  // the audio output renders it
    synth.reset();  // the null device takes samples as fast as they come: one such output at a time

    // Counted by the system output; the wait is long here because the machine may be busy.
    SystemMidiOut out(std::make_unique<ListedPorts>(std::vector<std::string>{kThrough}, std::make_shared<PortTraffic>()),
                      [](std::string& why_not) -> std::unique_ptr<MidiDevice> {
                          return open_synthesizer({{kGmSoundFont}, {"alsa:null"}}, &why_not);
                      },
                      MidiChoice{}, 5000ms);
    ASSERT_EQ(out.num_devs(), 1u) << out.why_none();
    uint32_t handle = 0;
    ASSERT_EQ(out.open(&handle, kMidiMapper), mmsys::kOk);
    EXPECT_EQ(out.short_msg(handle, strike(9)), mmsys::kOk);
    EXPECT_EQ(out.short_msg(handle, release(9)), mmsys::kOk);
}

// --- This machine's own devices --------------------------------------------------

TEST(SystemAudio, TheSynthesizerCountsOnlyWithAnAudioOutputAndNeverHoldsUpStartUp) {
    auto start = std::chrono::steady_clock::now();
    std::string why;
    auto synth = open_synthesizer({default_soundfonts(), default_audio_drivers()}, &why);
    double ms = elapsed_ms(start);
    std::printf("synthesizer with audio output: %s after %.1f ms\n",
                synth ? synth->audio_driver().c_str() : why.c_str(), ms);
    if (synth) {
        EXPECT_FALSE(synth->audio_driver().empty());
        EXPECT_LT(synth->buffer_ms(), 20.0);
        std::vector<float> l(64), r(64);
        EXPECT_THROW(synth->render(l, r), std::logic_error);  // the audio output renders it
    } else {
        EXPECT_NE(why.find("no audio output"), std::string::npos) << why;
        EXPECT_LT(ms, double(kSynthStartTimeout.count()));
    }
    synth.reset();

    start = std::chrono::steady_clock::now();
    auto out = make_system_midi_out("synth");
    uint32_t count = out->num_devs();
    EXPECT_LT(elapsed_ms(start), double(kSynthStartTimeout.count()) + 200.0);
    uint32_t handle = 0;
    if (count == 1) {
        ASSERT_EQ(out->open(&handle, kMidiMapper), mmsys::kOk);
        EXPECT_EQ(out->short_msg(handle, strike(0)), mmsys::kOk);
        EXPECT_EQ(out->short_msg(handle, release(0)), mmsys::kOk);
    } else {
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(out->open(&handle, kMidiMapper), mmsys::kNoDevice);
        EXPECT_EQ(out->short_msg(handle, strike(0)), mmsys::kInvalidHandle);
    }
}

TEST(SystemAudio, SilenceIsAChoice) {
    auto out = make_system_midi_out("none");
    EXPECT_EQ(out->num_devs(), 0u);
    uint32_t handle = 0;
    EXPECT_EQ(out->open(&handle, kMidiMapper), mmsys::kNoDevice);
}

TEST(SystemAudio, TheSystemPortListCanBeReadWithoutAMidiService) {
    auto ports = make_rtmidi_ports();
    auto names = ports->names();
    EXPECT_EQ(ports->names(), names);
    EXPECT_EQ(ports->open("no such port, surely"), nullptr);
    for (const auto& name : names) std::printf("MIDI port: %s\n", name.c_str());
}

}  // namespace
}  // namespace zell
