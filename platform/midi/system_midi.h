// The desktop's MIDI output: the computer's ports through RtMidi and the built-in
// synthesizer (FluidSynth), chosen as ZELL_MIDI_PORT allows (see runtime/sound/midi.h for
// the device order and the choice).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/sound/midi.h"

namespace zell {

// The computer's ports through RtMidi (ALSA sequencer on Linux). Nothing is opened until asked;
// without a MIDI service there are simply no ports.
std::unique_ptr<MidiPorts> make_rtmidi_ports();

struct SynthSettings {
    std::vector<std::string> soundfonts;  // tried in order; the first that loads is used
    // FluidSynth audio drivers, "driver" or "driver:device", tried in order; empty: no audio
    // output (rendered on request instead).
    std::vector<std::string> audio_drivers;
};

// FluidSynth's own default SoundFont setting, then the General MIDI SoundFonts Debian installs.
std::vector<std::string> default_soundfonts();
// FluidSynth's audio drivers worth trying (on Linux PulseAudio, ALSA, SDL2), the most likely first.
std::vector<std::string> default_audio_drivers();

// A synthesizer with the first SoundFont that loads and the first audio driver that opens;
// nullptr when none does, with the reason in `why`.
std::unique_ptr<Synthesizer> open_synthesizer(const SynthSettings& settings, std::string* why = nullptr);

// The real thing: system ports and the built-in synthesizer, as ZELL_MIDI_PORT allows. When no
// device is found a one-line reason goes to standard error.
std::unique_ptr<MidiOut> make_system_midi_out();
std::unique_ptr<MidiOut> make_system_midi_out(std::string_view choice);

}  // namespace zell
