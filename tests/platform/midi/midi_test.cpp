#include "platform/midi/system_midi.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace zell {
namespace {

using namespace std::chrono_literals;
using Messages = std::vector<uint32_t>;
using Names = std::vector<std::string>;

// The game's two messages for a contact with note offset n: a note-on at velocity 127, then 0.
uint32_t strike(int n) { return 8338576u + 256u * uint32_t(n); }
uint32_t release(int n) { return 15504u + 256u * uint32_t(n); }

double elapsed_ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// --- The system output over presented port lists ------------------------------------

const std::string kThrough = "Midi Through:Midi Through Port-0 14:0";
const std::string kVirtual = "VirMIDI 1-0:VirMIDI 1-0 20:0";
const std::string kTimidity = "TiMidity:TiMidity port 0 128:0";
const std::string kKeyboard = "USB Keyboard:USB Keyboard MIDI 1 24:0";
const std::string kGmSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// What the presented ports received, by port name, and the calls made to the list.
struct Presented {
    std::map<std::string, Messages> traffic;
    int listings = 0, opens = 0;
};

// A port list as the system would present it; one port may refuse to open.
class ListedPorts : public MidiPorts {
public:
    ListedPorts(Names names, std::shared_ptr<Presented> seen, std::string unopenable = "")
        : names_(std::move(names)), seen_(std::move(seen)), unopenable_(std::move(unopenable)) {}
    Names names() override {
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
    Names names_;
    std::shared_ptr<Presented> seen_;
    std::string unopenable_;
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

// The system output over a presented port list, its synthesizer started with the given SoundFonts and
// no audio output (to be rendered), and its reasons. It waits far longer than the game for the start.
struct System {
    std::shared_ptr<Presented> seen = std::make_shared<Presented>();
    Synthesizer* synth = nullptr;
    std::atomic<int> starts = 0;
    Names reports;
    SystemMidiOut out;

    System(Names ports, Names soundfonts, std::string_view choice = "", std::string unopenable = "")
        : out(
              std::make_unique<ListedPorts>(std::move(ports), seen, std::move(unopenable)),
              [this, soundfonts](std::string& why) -> std::unique_ptr<MidiDevice> {
                  ++starts;
                  auto s = open_synthesizer({soundfonts, {}}, &why);
                  synth = s.get();
                  return s;
              },
              MidiChoice::parse(choice), std::chrono::seconds(60),
              [this](const std::string& why) { reports.push_back(why); }) {}

    // The devices in their numbered order, the synthesizer's name as "synth".
    Names devices() {
        Names names = out.device_names();
        for (std::string& n : names)
            if (n.rfind("FluidSynth (", 0) == 0) n = "synth";
        return names;
    }
    // Opens the mapper and sends the note pair of offset n; 0 when nothing opens.
    uint32_t play(int n) {
        uint32_t handle = 7;
        if (out.open(&handle, kMidiMapper) == mmsys::kOk) {
            EXPECT_EQ(out.short_msg(handle, strike(n)), mmsys::kOk);
            EXPECT_EQ(out.short_msg(handle, release(n)), mmsys::kOk);
        }
        return handle;
    }
};

TEST(SystemMidiOut, NoPortsNoSoundFontOrOnlyPassThroughPortsCountZero) {
    System none({}, {"/nonexistent/none.sf2"});
    EXPECT_EQ(none.out.num_devs(), 0u);
    EXPECT_EQ(none.play(0), 0u);
    EXPECT_EQ(none.out.short_msg(0, strike(0)), mmsys::kInvalidHandle);
    EXPECT_NE(none.out.why_none().find("no SoundFont"), std::string::npos) << none.out.why_none();
    EXPECT_EQ(none.reports.size(), 1u);
    System through({kThrough, kVirtual}, {});
    EXPECT_EQ(through.out.num_devs(), 0u);
    EXPECT_EQ(through.play(0), 0u);
    EXPECT_EQ(through.seen->opens, 0);
}

TEST(SystemMidiOut, TheMapperPrefersARealPortToTheSynthesizerAndOpensItWhenAsked) {
    System s({kThrough, kTimidity}, {kGmSoundFont});
    EXPECT_EQ(std::pair(s.seen->listings, s.starts.load()), std::pair(0, 0)) << "nothing is done before a call";
    ASSERT_EQ(s.out.num_devs(), 2u);
    EXPECT_EQ(s.devices(), (Names{kTimidity, "synth"}));
    EXPECT_TRUE(s.out.why_none().empty());
    EXPECT_EQ(s.seen->opens, 0) << "ports open when the game opens them";
    EXPECT_NE(s.play(7), 0u);
    EXPECT_EQ(s.seen->opens, 1);
    EXPECT_NE(s.play(8), 0u);
    EXPECT_EQ(s.seen->opens, 1) << "an open port is not opened again";
    EXPECT_EQ(s.seen->traffic,
              (std::map<std::string, Messages>{{kTimidity, {strike(7), release(7), strike(8), release(8)}}}));
    ASSERT_NE(s.synth, nullptr);
    // FluidSynth's reverb adds a tiny offset (about 1e-8) against denormal numbers: below -120 dBFS is silence.
    EXPECT_LT(render_peak(*s.synth, 300), 1e-6f) << "the synthesizer heard nothing";
    EXPECT_EQ(s.out.num_devs(), 2u);
    EXPECT_EQ(s.seen->listings, 1) << "the device list stays as first found";
}

TEST(SystemMidiOut, WithoutARealPortTheMapperOpensTheSynthesizerAndItSounds) {
    System s({kThrough}, {"/nonexistent/none.sf2", kGmSoundFont});
    ASSERT_EQ(s.out.num_devs(), 1u);
    EXPECT_NE(s.play(4), 0u);
    ASSERT_NE(s.synth, nullptr);
    EXPECT_EQ(s.synth->soundfont(), kGmSoundFont);
    EXPECT_GT(render_peak(*s.synth, 300), 0.01f);
    EXPECT_TRUE(s.seen->traffic.empty());
}

TEST(SystemMidiOut, APortThatCannotOpenIsPassedOverByTheMapper) {
    System s({kKeyboard, kTimidity}, {}, "", kKeyboard);
    ASSERT_EQ(s.out.num_devs(), 2u);
    uint32_t handle = 0;
    EXPECT_EQ(s.out.open(&handle, 0), mmsys::kAllocated);
    EXPECT_NE(s.play(12), 0u);
    EXPECT_EQ(s.seen->traffic, (std::map<std::string, Messages>{{kTimidity, {strike(12), release(12)}}}));
}

TEST(SystemMidiOut, ThePlayersChoiceSelectsTheDevices) {
    const Names present{kThrough, kTimidity, kKeyboard};
    // Named explicitly, a pass-through port is the player's choice (it may lead to a synthesizer).
    for (auto [choice, devices, starts] : {std::tuple{"", Names{kTimidity, kKeyboard, "synth"}, 1},
                                           {"Synth", Names{"synth"}, 1},
                                           {"none", Names{}, 0},
                                           {"timidity", Names{kTimidity}, 0},
                                           {"midi through", Names{kThrough}, 0}}) {
        System s(present, {kGmSoundFont}, choice);
        EXPECT_EQ(s.devices(), devices) << choice;
        EXPECT_EQ(s.starts.load(), starts) << choice;
        EXPECT_EQ(s.reports, Names{}) << choice;
    }
    System missing(present, {kGmSoundFont}, "Yamaha");
    EXPECT_EQ(missing.out.num_devs(), 0u);
    EXPECT_EQ(missing.out.num_devs(), 0u);
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
        SystemMidiOut out(std::make_unique<ListedPorts>(Names{kTimidity}, seen), hanging, MidiChoice{}, 100ms);
        EXPECT_EQ(out.device_names(), Names{kTimidity});
    }
    EXPECT_LT(elapsed_ms(start), 1000.0) << "destroying the output does not wait for the start either";
    SystemMidiOut alone(std::make_unique<ListedPorts>(Names{}, seen), hanging, MidiChoice{}, 100ms);
    EXPECT_EQ(alone.num_devs(), 0u);
    EXPECT_NE(alone.why_none().find("in time"), std::string::npos) << alone.why_none();
    // A start that is done at once is taken at once, however long the game would wait.
    const auto quick_start = std::chrono::steady_clock::now();
    SystemMidiOut quick(
        std::make_unique<ListedPorts>(Names{}, seen),
        [seen](std::string&) { return ListedPorts({"quick"}, seen).open("quick"); }, MidiChoice{}, 60s);
    EXPECT_EQ((std::pair{quick.num_devs(), elapsed_ms(quick_start) < 5000}), (std::pair{1u, true}));
}

TEST(Synthesizer, TakesTheFirstSoundFontThatLoads) {
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
    for (const std::string& part : Names{"no SoundFont", "missing.sf2: missing", junk + ": not a SoundFont"})
        EXPECT_NE(why.find(part), std::string::npos) << why;
    std::filesystem::remove_all(dir);
}

// Every start, failed or not, keeps the library's messages off the console (the game's terminal).
TEST(Synthesizer, PlaysThroughTheFirstAudioOutputThatOpensOrFails) {
    std::string why;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(open_synthesizer({{"/nonexistent.sf2", "/etc/hostname"}, {}}, &why), nullptr);
    EXPECT_EQ(open_synthesizer({default_soundfonts(), {"no-such-driver"}}, &why), nullptr);
    EXPECT_NE(why.find("no audio output"), std::string::npos) << why;
    EXPECT_NE(why.find("no-such-driver"), std::string::npos) << why;
    // ALSA's null device takes audio like a sound card, and exists on every Linux system.
    auto synth = open_synthesizer({{kGmSoundFont}, {"no-such-driver", "alsa:null"}}, &why);
    ASSERT_NE(synth, nullptr) << why;
    EXPECT_EQ(synth->audio_driver(), "alsa:null");
    synth.reset();
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    synth = open_synthesizer({{kGmSoundFont}, {"alsa:null"}}, &why);
    std::vector<float> left(64), right(64);
    EXPECT_THROW(synth->render(left, right), std::logic_error) << "the audio output renders it";
}

}  // namespace
}  // namespace zell
