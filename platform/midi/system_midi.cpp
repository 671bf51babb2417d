// The choice of the desktop's MIDI output: RtMidi's ports and the FluidSynth synthesizer
// behind the platform-neutral system output.
#include "platform/midi/system_midi.h"

#include <cstdlib>
#include <iostream>

namespace zell {

std::unique_ptr<MidiOut> make_system_midi_out(std::string_view choice) {
    SynthStart synth = [](std::string& why) -> std::unique_ptr<MidiDevice> {
        return open_synthesizer({default_soundfonts(), default_audio_drivers()}, &why);
    };
    MidiChoice parsed = MidiChoice::parse(choice);
    // One short line: the list of audio drivers that failed means nothing to a player. A port
    // asked for by name that is not there is named, with the ports there are.
    bool by_name = parsed.mode == MidiChoice::Mode::Port;
    return std::make_unique<SystemMidiOut>(make_rtmidi_ports(), std::move(synth), std::move(parsed), kSynthStartTimeout,
                                           [by_name](const std::string& why) {
                                               std::cerr << "zell-bowling: no sound device, the game is silent"
                                                         << (by_name ? " (" + why + ")" : std::string{})
                                                         << "; choose one with --midi PORT|synth or "
                                                            "ZELL_MIDI_PORT\n";
                                           });
}

std::unique_ptr<MidiOut> make_system_midi_out() {
    const char* choice = std::getenv("ZELL_MIDI_PORT");
    return make_system_midi_out(choice ? choice : "");
}

}  // namespace zell
