// The game's fixed numbers by name: the board's geometry, the codes kept in the
// object, frame and contact tables, and the MIDI words of a note. Every game
// number is single precision, so these are floats of exactly the values the game
// computes with (the MIDI words are the 32-bit messages the output takes).
#pragma once

#include <cstdint>

namespace zell {

// Board coordinates: one unit a pixel, x from the left edge, y upwards from the bottom.
namespace board {
constexpr float kWidth = 600;        // the walls stand lane_inset in from 0 and from kWidth
constexpr float kPlacingLine = 630;  // the ball is placed above this line (drawn with the row above it)
constexpr float kPlacingTop = 685;   // the highest centre a placed ball can have
constexpr float kGoneDepth = -2000;  // an object whose centre sinks below this has left play
constexpr float kWallBottom = -400;  // the walls' ends, far beyond the visible board
constexpr float kWallTop = 2000;
constexpr float kMaxThrow = 200;  // the longest throw vector; the ball starts with a quarter of it
}  // namespace board

// obj_state: the states are ordered gone < resting < moving, so `< kResting` is gone,
// `>= kResting` still in play and `> kResting` moving.
namespace object_state {
constexpr float kGone = -1;
constexpr float kResting = 0;
constexpr float kMoving = 1;
}  // namespace object_state

// frame_mark: how far a frame has come. throw_pins and frame_score hold kUnknown until
// the throw is made or the total can be counted.
namespace frame_mark {
constexpr float kNotPlayed = -1;
constexpr float kOpen = 0;  // two throws and pins left, or a closed bonus frame
constexpr float kSpare = 1;
constexpr float kStrike = 2;
constexpr float kFirstThrowDone = 3;  // pins left standing, the second throw to come
constexpr float kUnknown = -1;
}  // namespace frame_mark

// contact_kind: the contact a simulation step answers.
namespace contact {
constexpr float kNone = 0;
constexpr float kWall = 1;      // contact_i against wall contact_j
constexpr float kPair = 3;      // objects contact_i and contact_j
constexpr float kNoKey = 2000;  // above every contact key (squared distances below 32 x 32)
}  // namespace contact

// MIDI short messages: note-on on channel 1 (status 0x90) for key 60 (0x3C), at velocity
// 127 (0x7F) and at velocity 0 (the release); adding n x kKeyStep raises the key by n.
namespace midi_word {
constexpr int32_t kNoteOnKey60 = 0x7F3C90;
constexpr int32_t kNoteOffKey60 = 0x003C90;
constexpr int32_t kKeyStep = 0x100;
constexpr intptr_t kMapper = -1;  // the device number of the system's MIDI mapper
}  // namespace midi_word

}  // namespace zell
