// The choice of the desktop's MIDI output: RtMidi's ports and the FluidSynth synthesizer
// behind the platform-neutral system output.
#include "runtime/platform/system_midi.h"

#include <cstdlib>
#include <iostream>

namespace zell {

std::unique_ptr<MidiOut> make_system_midi_out(std::string_view choice) {
    SynthStart synth = [](std::string& why) -> std::unique_ptr<MidiDevice> {
        return open_synthesizer({default_soundfonts(), default_audio_drivers()}, &why);
    };
    return std::make_unique<SystemMidiOut>(make_rtmidi_ports(), std::move(synth), MidiChoice::parse(choice),
                                           kSynthStartTimeout, [](const std::string& why) {
                                               std::cerr << "zell-bowling: no MIDI output, the game is silent: "
                                                         << why << "\n";
                                           });
}

std::unique_ptr<MidiOut> make_system_midi_out() {
    const char* choice = std::getenv("ZELL_MIDI_PORT");
    return make_system_midi_out(choice ? choice : "");
}

}  // namespace zell
