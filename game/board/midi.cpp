// Contact sounds: the MIDI output of the system's multimedia library, opened once
// at start-up, and one short note per resolved contact.
#include <cstdint>

#include "game/game.h"

namespace zell {

// Opens the MIDI mapper when the system has an output device; without one the game
// stays silent for the whole run.
void Game::open_midi() {
    if (rt.call_external("midiOutGetNumDevs", "WINMM", {}) == 0) {
        rt.print(0, "midi---no", 0);
        s.midi_ok = -1;
        return;
    }
    s.midi_ok = 1;
    rt.call_external("midiOutOpen", "winmm.dll",
                     {reinterpret_cast<intptr_t>(&s.midi_handle), midi_word::kMapper, 0, 0, 0});
}

// Strikes key 60 + note_offset on channel 1 at velocity 127 and releases it at once.
void Game::sound_note(int16_t note_offset) {
    const intptr_t handle = intptr_t(s.midi_handle);
    const int32_t key = midi_word::kKeyStep * int32_t(note_offset);
    rt.call_external("midiOutShortMsg", "winmm.dll", {handle, intptr_t(midi_word::kNoteOnKey60 + key)});
    rt.call_external("midiOutShortMsg", "winmm.dll", {handle, intptr_t(midi_word::kNoteOffKey60 + key)});
}

}  // namespace zell
