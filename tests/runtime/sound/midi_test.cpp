#include "runtime/sound/midi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace zell {
namespace {

using Kind = ShortMessage::Kind;
using Messages = std::vector<uint32_t>;

// The game's two messages for a contact with note offset n: a note-on at velocity 127, then 0.
uint32_t strike(int n) { return 8338576u + 256u * uint32_t(n); }
uint32_t release(int n) { return 15504u + 256u * uint32_t(n); }

TEST(MidiMessage, DecodesTheGamesPairAndEveryKindWithItsOwnDataBytes) {
    struct Case {
        uint32_t message;
        uint8_t running;
        Kind kind;
        int length;
        uint32_t packed;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {strike(7), 0, Kind::NoteOn, 3, 0x7F4390}, {release(7), 0, Kind::NoteOff, 3, 0x004390},  // velocity 0 ends it
        {0x40'45'83, 0, Kind::NoteOff, 3, 0x404583}, {0x64'07'B9, 0, Kind::Control, 3, 0x6407B9},
        {0x55'13'C0, 0, Kind::Program, 2, 0x13C0},  // one data byte: the third is not part of it
        {0x40'00'E0, 0, Kind::PitchBend, 3, 0x4000E0},
        {0xAB'FF'BC'90, 0, Kind::NoteOn, 3, 0x7F3C90},  // higher bytes ignored, seven-bit data
        {0x7F'40, 0x92, Kind::NoteOn, 3, 0x7F4092}, {0x00'40, 0x92, Kind::NoteOff, 3, 0x004092},  // running status
        {0x12'34'F8, 0, Kind::System, 1, 0xF8}, {0x12'34'F2, 0, Kind::System, 3, 0x1234F2},
        {0x12'34'F3, 0, Kind::System, 2, 0x34F3}};
    // clang-format on
    for (const Case& c : cases) {
        const auto m = decode_short_message(c.message, c.running);
        ASSERT_TRUE(m) << std::hex << c.message;
        EXPECT_EQ(std::tuple(m->kind(), m->length(), m->packed()), std::tuple(c.kind, c.length, c.packed))
            << std::hex << c.message;
    }
    EXPECT_EQ(decode_short_message(0x64'07'B9)->channel(), 9);
    // No status to continue, system messages are no running status, system exclusive has no short form.
    for (auto [message, running] : {std::pair{0x7F'40u, 0}, {0x7F'40u, 0xF8}, {0xF0u, 0}, {0xF4u, 0}, {0xF7u, 0}})
        EXPECT_FALSE(decode_short_message(message, uint8_t(running))) << std::hex << message;
}

// What it logs with one device, and when, the golden scenarios' logs show message by message.
TEST(RecordingMidiOut, WithoutADeviceNothingOpensAndNothingIsLogged) {
    uint32_t handle = 12345;
    RecordingMidiOut none(0, [] { return uint64_t(0); });
    EXPECT_EQ(none.open(&handle, kMidiMapper), mmsys::kNoDevice);
    EXPECT_EQ(handle, 0u) << "no stale value that could pass for a handle";
    EXPECT_EQ(none.short_msg(12345, strike(0)), mmsys::kInvalidHandle);
    EXPECT_TRUE(none.log().empty());
}

TEST(RecordingMidiOut, RefusesBadArgumentsAndKeepsRunningStatusPerHandle) {
    RecordingMidiOut out(2, [] { return uint64_t(0); });
    uint32_t a = 0, b = 0;
    EXPECT_EQ(out.open(nullptr, kMidiMapper), mmsys::kInvalidParam);
    EXPECT_EQ(out.open(&a, 2), mmsys::kBadDeviceId);
    EXPECT_EQ(out.open(&a, -2), mmsys::kBadDeviceId);
    ASSERT_EQ(out.open(&a, 0), mmsys::kOk);
    ASSERT_EQ(out.open(&b, 1), mmsys::kOk);
    EXPECT_NE(a, b);
    EXPECT_EQ(out.short_msg(b + 1, strike(0)), mmsys::kInvalidHandle);
    // Data bytes before any status and system exclusive are refused; real-time messages keep the
    // running status, system common ones end it; each handle has its own.
    const std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> sent = {
        {a, 0x7F'40, mmsys::kInvalidParam}, {a, 0xF0, mmsys::kInvalidParam},
        {a, 0x64'3C'91, mmsys::kOk},        {a, 0xF8, mmsys::kOk},
        {a, 0x00'3C, mmsys::kOk},           {b, 0x00'3C, mmsys::kInvalidParam},
        {a, 0x05'F3, mmsys::kOk},           {a, 0x00'3C, mmsys::kInvalidParam}};
    for (auto [handle, message, result] : sent)
        EXPECT_EQ(out.short_msg(handle, message), result) << std::hex << message;
    Messages delivered;
    for (const auto& e : out.log()) delivered.push_back(e.message);
    EXPECT_EQ(delivered, (Messages{0x643C91, 0xF8, 0x003C91, 0x05F3})) << "always with the status byte";
    EXPECT_EQ(out.num_devs_calls(), 0u) << "checking a device number is not a call of the game's";
}

}  // namespace
}  // namespace zell
