// Contact sounds: the MIDI output of the system's multimedia library, opened once
// at start-up, and one short note per resolved contact.
#include <cstdint>

#include "game/game.h"

namespace zell {

// Opens the MIDI mapper when the system has an output device; without one the game
// stays silent for the whole run.
void Game::MOPEN() {
    if (rt.call_external("midiOutGetNumDevs", "WINMM", {}) == 0) {
        rt.print(0, "midi---no", 0);
        s.midi_ok = -1;
        return;
    }
    s.midi_ok = 1;
    rt.call_external("midiOutOpen", "winmm.dll",
                     {reinterpret_cast<intptr_t>(&s.midi_handle), intptr_t(-1), 0, 0, 0});
}

// Strikes key 60 + n on channel 1 at velocity 127 and releases it at once.
void Game::MON(int16_t n) {
    rt.call_external("midiOutShortMsg", "winmm.dll", {intptr_t(s.midi_handle), intptr_t(8338576 + 256 * int32_t(n))});
    rt.call_external("midiOutShortMsg", "winmm.dll", {intptr_t(s.midi_handle), intptr_t(15504 + 256 * int32_t(n))});
}

}  // namespace zell
