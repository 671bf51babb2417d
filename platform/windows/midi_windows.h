// Windows' MIDI output through the multimedia library (winmm): the MIDI mapper, which plays
// through the system's General MIDI synthesizer or the device the player chose in Windows, or
// an output port by name. The choice is the desktop's (--midi, ZELL_MIDI_PORT, see
// runtime/sound/midi.h): unset or "synth" the mapper, "none" no device, any other text the
// ports whose names contain it.
#pragma once

#include <memory>
#include <string_view>

#include "runtime/sound/midi.h"

namespace zell {

// The output ports winmm lists (midiOutGetDevCaps), opened by name.
std::unique_ptr<MidiPorts> make_winmm_ports();

// The real thing; when no device is found a one-line reason goes to standard error.
std::unique_ptr<MidiOut> make_windows_midi_out(std::string_view choice);

}  // namespace zell
