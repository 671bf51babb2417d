#include "platform/windows/midi_windows.h"

// windows.h first: mmsystem.h builds on it.
#include <windows.h>

#include <mmsystem.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/windows/wide.h"

namespace zell {
namespace {

// One opened winmm output; closed (all notes off first) when destroyed.
class WinmmDevice final : public MidiDevice {
public:
    WinmmDevice(HMIDIOUT handle, std::string name) : handle_(handle), name_(std::move(name)) {}
    ~WinmmDevice() override {
        midiOutReset(handle_);
        midiOutClose(handle_);
    }
    WinmmDevice(const WinmmDevice&) = delete;
    WinmmDevice& operator=(const WinmmDevice&) = delete;
    std::string name() const override { return name_; }
    void send(uint32_t message) override { midiOutShortMsg(handle_, message); }

private:
    HMIDIOUT handle_;
    std::string name_;
};

std::unique_ptr<MidiDevice> open_device(UINT id, const std::string& name) {
    HMIDIOUT h = nullptr;
    if (midiOutOpen(&h, id, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return nullptr;
    return std::make_unique<WinmmDevice>(h, name);
}

class WinmmPorts final : public MidiPorts {
public:
    std::vector<std::string> names() override {
        std::vector<std::string> out;
        const UINT n = midiOutGetNumDevs();
        for (UINT i = 0; i < n; ++i) {
            MIDIOUTCAPSW caps{};
            if (midiOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
                out.push_back(win::to_utf8(caps.szPname));
        }
        return out;
    }
    std::unique_ptr<MidiDevice> open(const std::string& name) override {
        const UINT n = midiOutGetNumDevs();
        for (UINT i = 0; i < n; ++i) {
            MIDIOUTCAPSW caps{};
            if (midiOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR && win::to_utf8(caps.szPname) == name)
                return open_device(i, name);
        }
        return nullptr;
    }
};

// No ports: the automatic choice and "synth" take the mapper alone.
class NoPorts final : public MidiPorts {
public:
    std::vector<std::string> names() override { return {}; }
    std::unique_ptr<MidiDevice> open(const std::string&) override { return nullptr; }
};

}  // namespace

std::unique_ptr<MidiPorts> make_winmm_ports() { return std::make_unique<WinmmPorts>(); }

std::unique_ptr<MidiOut> make_windows_midi_out(std::string_view choice) {
    MidiChoice parsed = MidiChoice::parse(choice);
    const bool by_name = parsed.mode == MidiChoice::Mode::Port;
    // The mapper stands where the desktop has its built-in synthesizer.
    SynthStart mapper = [](std::string& why) -> std::unique_ptr<MidiDevice> {
        if (midiOutGetNumDevs() == 0) {
            why = "Windows has no MIDI output device";
            return nullptr;
        }
        auto device = open_device(MIDI_MAPPER, "Microsoft MIDI Mapper");
        if (!device) why = "the MIDI mapper cannot be opened";
        return device;
    };
    std::unique_ptr<MidiPorts> ports = by_name ? make_winmm_ports() : std::make_unique<NoPorts>();
    return std::make_unique<SystemMidiOut>(std::move(ports), std::move(mapper), std::move(parsed), kSynthStartTimeout,
                                           [by_name](const std::string& why) {
                                               std::cerr << "zell-bowling: no sound device, the game is silent"
                                                         << (by_name ? " (" + why + ")" : std::string{})
                                                         << "; choose one with --midi PORT|synth or "
                                                            "ZELL_MIDI_PORT\n";
                                           });
}

}  // namespace zell
