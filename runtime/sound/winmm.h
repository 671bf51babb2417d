// The library "WINMM" as the game calls it by name: its three MIDI functions on a MidiOut.
#pragma once

#include "runtime/core/external.h"
#include "runtime/sound/midi.h"

namespace zell {

// Makes "WINMM" (also "WINMM.DLL") reachable in libraries: midiOutGetNumDevs, midiOutOpen and
// midiOutShortMsg act on midi, which must outlive the libraries.
void provide_winmm(ExternalLibraries& libraries, MidiOut& midi);

}  // namespace zell
