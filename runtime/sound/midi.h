// MIDI output behind the three functions the game calls by name in the library "WINMM"
// (see winmm.h): midiOutGetNumDevs, midiOutOpen and midiOutShortMsg.
//
// Devices, in the order they are numbered:
//   - the computer's MIDI output ports (through RtMidi: the ports of the ALSA sequencer on
//     Linux), except ports that only pass messages on;
//   - the built-in synthesizer (FluidSynth with a General MIDI SoundFont), counted only when
//     a SoundFont loads and an audio output opens.
// The mapper (device -1) is the first device that opens, so a real port wins over the
// synthesizer. The recording output of the scripted runner and the tests logs each message.
//
// The player chooses without code changes through the environment variable ZELL_MIDI_PORT:
//   unset or empty  automatic (ports, then the synthesizer)
//   "none"          no device: the game stays silent
//   "synth"         the built-in synthesizer only
//   anything else   the system ports whose names contain it (any case), pass-through ports included
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zell {

// Result codes of the three functions, with the values the game's "WINMM" calls expect.
namespace mmsys {
constexpr uint32_t kOk = 0;
constexpr uint32_t kBadDeviceId = 2;    // no device with that number
constexpr uint32_t kAllocated = 4;      // the device exists but cannot be opened now
constexpr uint32_t kInvalidHandle = 5;  // not a handle that open returned
constexpr uint32_t kInvalidParam = 11;  // no place for the handle, or a malformed message
constexpr uint32_t kNoDevice = 68;      // the mapper found no device to open
}  // namespace mmsys

// The device number of the MIDI mapper.
constexpr int32_t kMidiMapper = -1;

// One MIDI short message: a status byte and up to two data bytes.
struct ShortMessage {
    enum class Kind { NoteOff, NoteOn, KeyPressure, Control, Program, ChannelPressure, PitchBend, System };

    uint8_t status = 0;
    uint8_t data1 = 0;  // 0..127
    uint8_t data2 = 0;  // 0..127; 0 for messages with fewer data bytes

    // A note-on at velocity 0 ends the note: it is a NoteOff.
    Kind kind() const;
    int channel() const { return status & 0x0F; }
    // Bytes on the wire: 1 to 3.
    int length() const;
    // status | data1 << 8 | data2 << 16
    uint32_t packed() const { return uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16; }
};

// Decodes a packed short message (low byte status, then the data bytes; higher bytes ignored).
// A low byte below 0x80 continues `running_status` (the last channel status sent), so the
// two low bytes are then the data bytes. Data bytes keep their low seven bits. Empty for a
// message without status and for system exclusive and undefined status bytes, which have no
// short form.
std::optional<ShortMessage> decode_short_message(uint32_t message, uint8_t running_status = 0);

// One output device: takes MIDI short messages (status | data1 << 8 | data2 << 16).
class MidiDevice {
public:
    virtual ~MidiDevice() = default;
    virtual std::string name() const = 0;
    virtual void send(uint32_t message) = 0;
};

// The three "WINMM" functions, as the game uses them.
class MidiOut {
public:
    virtual ~MidiOut() = default;
    virtual uint32_t num_devs() = 0;                                    // midiOutGetNumDevs
    virtual uint32_t open(uint32_t* handle, int32_t device) = 0;        // midiOutOpen(&handle, device, 0, 0, 0); 0 = ok
    virtual uint32_t short_msg(uint32_t handle, uint32_t message) = 0;  // midiOutShortMsg; 0 = ok
};

// Handles and message checks shared by the outputs: devices are numbered from 0, handles
// from 1, and every open gives a new handle. A message is decoded (running status per
// handle) and only a well-formed one reaches the device, always with its status byte.
class DeviceMidiOut : public MidiOut {
public:
    uint32_t num_devs() override { return device_count(); }
    uint32_t open(uint32_t* handle, int32_t device) override;
    uint32_t short_msg(uint32_t handle, uint32_t message) override;

protected:
    virtual uint32_t device_count() = 0;
    // The device with number `id` (0 .. device_count() - 1, or the mapper); nullptr when it
    // cannot be opened.
    virtual MidiDevice* device(int32_t id) = 0;

private:
    struct OpenDevice {
        MidiDevice* device;
        uint8_t running_status;
    };
    std::vector<OpenDevice> open_;  // handle h is open_[h - 1]
};

// Logs every message delivered to its devices with a time stamp and reports a chosen device
// count (scripted runner, tests). All its devices share the log.
class RecordingMidiOut : public DeviceMidiOut {
public:
    struct Entry {
        uint64_t ms;
        uint32_t message;
    };

    explicit RecordingMidiOut(uint32_t devices, std::function<uint64_t()> clock_ms);

    uint32_t num_devs() override;
    uint32_t open(uint32_t* handle, int32_t device) override;

    const std::vector<Entry>& log() const { return recorder_.log; }
    uint32_t num_devs_calls() const { return num_devs_calls_; }
    uint32_t open_calls() const { return open_calls_; }

protected:
    uint32_t device_count() override { return devices_; }
    MidiDevice* device(int32_t id) override;

private:
    struct Recorder : MidiDevice {
        std::function<uint64_t()> clock_ms;
        std::vector<Entry> log;
        std::string name() const override { return "recorder"; }
        void send(uint32_t message) override { log.push_back({clock_ms(), message}); }
    };
    uint32_t devices_;
    Recorder recorder_;
    uint32_t num_devs_calls_ = 0;
    uint32_t open_calls_ = 0;
};

// The computer's MIDI output ports. RtMidi provides them on the desktop; tests present their own lists.
class MidiPorts {
public:
    virtual ~MidiPorts() = default;
    // The output ports present now, in the order RtMidi lists them.
    virtual std::vector<std::string> names() = 0;
    // Opens the port with this name; nullptr when it is gone or cannot be opened.
    virtual std::unique_ptr<MidiDevice> open(const std::string& name) = 0;
};

// True for ports that only pass messages on to other programs and make no sound themselves
// (the kernel's "Midi Through", virtual raw MIDI ports).
bool is_pass_through_port(std::string_view name);

// The built-in synthesizer: FluidSynth with a General MIDI SoundFont.
class Synthesizer : public MidiDevice {
public:
    virtual const std::string& soundfont() const = 0;
    // The audio driver in use; empty when the synthesizer has no audio output.
    virtual const std::string& audio_driver() const = 0;
    // Audio buffered between a message and the output (period size x periods), in ms.
    virtual double buffer_ms() const = 0;
    virtual int sample_rate() const = 0;
    // Renders the next stereo samples (equal spans); only without an audio output.
    virtual void render(std::span<float> left, std::span<float> right) = 0;
};

// The devices the player allows (ZELL_MIDI_PORT).
struct MidiChoice {
    enum class Mode { Automatic, None, SynthOnly, Port };
    Mode mode = Mode::Automatic;
    std::string port;  // Port: a part of the port name, compared in any case

    static MidiChoice parse(std::string_view value);
    bool allows_synth() const { return mode == Mode::Automatic || mode == Mode::SynthOnly; }
    bool allows_port(std::string_view name) const;
};

// Starts the built-in synthesizer with its audio output; nullptr (and the reason in `why`)
// when that is not possible.
using SynthStart = std::function<std::unique_ptr<MidiDevice>(std::string& why)>;

// How long the first call waits for the synthesizer and its audio output to start. A start
// that takes longer is abandoned, so a hanging sound server cannot hold up the program.
constexpr std::chrono::milliseconds kSynthStartTimeout{400};

// The computer's devices: ports, then the synthesizer. Constructing costs nothing; the first
// call of any function enumerates the ports and starts the synthesizer (on its own thread,
// waited for at most `synth_timeout`). The device list then stays fixed, so device numbers
// keep their meaning; a port is opened when it is first opened through the output.
class SystemMidiOut : public DeviceMidiOut {
public:
    // `report` hears, once, why there is no device when the player did not ask for none.
    SystemMidiOut(std::unique_ptr<MidiPorts> ports, SynthStart synth, MidiChoice choice,
                  std::chrono::milliseconds synth_timeout = kSynthStartTimeout,
                  std::function<void(const std::string&)> report = {});

    // Names of the devices in their numbered order.
    std::vector<std::string> device_names();
    // Why there is no device (empty while there is one).
    const std::string& why_none();

protected:
    uint32_t device_count() override;
    MidiDevice* device(int32_t id) override;

private:
    struct Entry {
        std::string name;
        std::unique_ptr<MidiDevice> opened;  // ports: opened on first use
        bool is_port;
    };
    void enumerate();

    std::unique_ptr<MidiPorts> ports_;
    SynthStart synth_;
    MidiChoice choice_;
    std::chrono::milliseconds synth_timeout_;
    std::function<void(const std::string&)> report_;
    bool enumerated_ = false;
    std::vector<Entry> entries_;
    std::string why_none_;
};

}  // namespace zell
