#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "runtime/backend_headless.h"
#include "runtime/sjis.h"
#include "tests/support/game_field.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

using testing::HeadlessHost;
using testing::put;
using testing::rest_all;
using testing::set_up_field;

// Runs body on a fresh game with the default field, everything at rest.
void with_field(const std::function<void(Game&)>& body, uint32_t midi_devices = 0) {
    HeadlessHost h(midi_devices);
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        rest_all(g.s);
        body(g);
    });
    EXPECT_FALSE(h.host->last_error().has_value()) << h.host->last_error()->what();
}

// --- Walls -------------------------------------------------------------------------

TEST(Walls, TheBowlingTypeAlwaysHasTheWidestLane) {
    with_field([](Game& g) {
        State& s = g.s;
        for (float level = 1; level <= 4; ++level) {
            s.layout = 1;
            s.level = level;
            g.DFWALL();
            EXPECT_EQ(s.lane_inset, 78);
            EXPECT_EQ(s.wall_x1(1), 78);
            EXPECT_EQ(s.wall_x1(2), 522);
            EXPECT_EQ(s.rand_xmin, 163);
            EXPECT_EQ(s.rand_xmax, 437);
        }
    });
}

TEST(Walls, TheRandomLayoutNarrowsTheLaneWithTheLevel) {
    with_field([](Game& g) {
        State& s = g.s;
        s.layout = 2;
        const float inset[] = {78, 102, 126, 150};
        for (int level = 1; level <= 4; ++level) {
            s.level = float(level);
            g.DFWALL();
            float in = inset[level - 1];
            EXPECT_EQ(s.lane_inset, in);
            // Both walls reach from y -400 to 2000.
            EXPECT_EQ(s.wall_x1(1), in);
            EXPECT_EQ(s.wall_x2(1), in);
            EXPECT_EQ(s.wall_x1(2), 600 - in);
            EXPECT_EQ(s.wall_x2(2), 600 - in);
            for (int w = 1; w <= 2; ++w) {
                EXPECT_EQ(s.wall_y1(w), -400);
                EXPECT_EQ(s.wall_y2(w), 2000);
            }
            // Five radii and a margin of 5 inside the walls.
            EXPECT_EQ(s.rand_xmin, in + 85);
            EXPECT_EQ(s.rand_xmax, 515 - in);
        }
    });
}

// --- Triangle layout --------------------------------------------------------------

TEST(Triangle, Level4StandsAtTheSpecifiedPlaces) {
    with_field([](Game& g) {
        State& s = g.s;
        g.DBALLB();
        EXPECT_FLOAT_EQ(s.obj_x(2), 300);
        EXPECT_NEAR(s.obj_y(2), 229.262, 1e-3);  // 50 + 3 x 0.866 x 69
        EXPECT_NEAR(s.obj_y(3), 50 + 2 * 59.754, 1e-3);
        EXPECT_NEAR(s.obj_y(6), 50 + 59.754, 1e-3);
        const float back[] = {196.5f, 265.5f, 334.5f, 403.5f};
        for (int k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(s.obj_x(8 + k), back[k]);
            EXPECT_EQ(s.obj_y(8 + k), 50);
        }
        // After the driver adds the ball's radius: the head pin at (300, 245.262), the back row at 66.
        EXPECT_NEAR(s.obj_y(2) + s.obj_radius(1), 245.262, 1e-3);
        EXPECT_EQ(s.obj_y(8) + s.obj_radius(1), 66);
    });
}

TEST(Triangle, TheSpacingGrowsAsTheLevelGoesDown) {
    with_field([](Game& g) {
        State& s = g.s;
        const float spacing[] = {83, 77, 73, 69};
        for (int level = 1; level <= 4; ++level) {
            s.level = float(level);
            g.DBALLB();
            float sp = spacing[level - 1];
            for (int i = 8; i <= 10; ++i) EXPECT_FLOAT_EQ(s.obj_x(i + 1) - s.obj_x(i), sp) << "level " << level;
            EXPECT_FLOAT_EQ(s.obj_x(4) - s.obj_x(3), sp);
            EXPECT_NEAR(s.obj_y(2) - s.obj_y(8), 3 * 0.866 * sp, 1e-3);
            // The pins never touch: every pair is more than 2r apart.
            for (int i = 2; i <= 11; ++i)
                for (int j = i + 1; j <= 11; ++j)
                    EXPECT_GT(std::hypot(s.obj_x(i) - s.obj_x(j), s.obj_y(i) - s.obj_y(j)), 32);
        }
    });
}

TEST(Triangle, TheBallIsParkedBesideAWallWithOneRandomNumber) {
    with_field([](Game& g) {
        State& s = g.s;
        int left = 0, right = 0;
        for (int k = 0; k < 40; ++k) {
            s.lane_inset = 150;  // whatever was in use: the triangle takes the widest lane
            Random ref = g.rt.random();
            g.DBALLB();
            float q = 600 * ref.rnd(1);
            EXPECT_EQ(g.rt.random().state(), ref.state()) << "one number per layout";
            EXPECT_EQ(s.lane_inset, 78);
            if (q < 300) {
                ++left;
                EXPECT_EQ(s.obj_x(1), 94);
                EXPECT_FLOAT_EQ(s.obj_y(1), q + 50);
            } else {
                ++right;
                EXPECT_EQ(s.obj_x(1), 506);
                EXPECT_FLOAT_EQ(s.obj_y(1), q - 300 + 50);
            }
        }
        EXPECT_GT(left, 0);
        EXPECT_GT(right, 0);
    });
}

// --- Random layout -------------------------------------------------------------------

TEST(RandomLayout, PinsLieInTheirAreaAndNeverOverlap) {
    with_field([](Game& g) {
        State& s = g.s;
        s.layout = 2;
        g.DFWALL();  // level 4: 235 <= x < 365
        for (int layout = 0; layout < 50; ++layout) {
            g.DBALL2(s.rand_xmin, 50, s.rand_xmax, 500);
            for (int i = 2; i <= s.n_obj; ++i) {
                EXPECT_GE(s.obj_x(i), 235);
                EXPECT_LT(s.obj_x(i), 365);
                EXPECT_GE(s.obj_y(i), 50);
                EXPECT_LT(s.obj_y(i), 500);
            }
            for (int i = 1; i <= s.n_obj; ++i)
                for (int j = std::max(i + 1, 3); j <= s.n_obj; ++j) {
                    float dx = s.obj_x(i) - s.obj_x(j), dy = s.obj_y(i) - s.obj_y(j);
                    EXPECT_GE(dx * dx + dy * dy, 1024) << i << " and " << j;
                }
            EXPECT_TRUE(s.obj_x(1) == 166 || s.obj_x(1) == 434) << "parked beside a level 4 wall";
        }
    });
}

TEST(RandomLayout, NumbersAreDrawnParkingFirstThenXBeforeY) {
    with_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 3;
        Random ref = g.rt.random();
        g.DBALL2(200, 50, 400, 500);
        float q = 600 * ref.rnd(1);
        float x2 = 200 + 200 * ref.rnd(1);
        float y2 = 50 + 450 * ref.rnd(1);
        EXPECT_FLOAT_EQ(s.obj_y(1), q < 300 ? q + 50 : q - 300 + 50);
        EXPECT_EQ(s.obj_x(2), x2);
        EXPECT_EQ(s.obj_y(2), y2);
    });
}

TEST(RandomLayout, PinsMayTouchExactly) {
    // On a vertical line far up, single precision rounds every candidate to a multiple of
    // 32 units (2r): candidates are either on top of a pin, and drawn again, or at least
    // exactly 2r away.
    with_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 3;
        const float base = 268435456.0f;  // 2^28, where singles are 32 apart
        int touching = 0;
        for (int k = 0; k < 40; ++k) {
            g.DBALL2(300, base, 300, base + 128);
            float gap = std::fabs(s.obj_y(3) - s.obj_y(2));
            EXPECT_GE(gap, 32);
            touching += gap == 32;
        }
        EXPECT_GT(touching, 0);
    });
}

// --- Impact ------------------------------------------------------------------------

TEST(Impact, TheBallOnAPinBelowItGoesOnSlowly) {
    with_field([](Game& g) {
        State& s = g.s;
        put(s, 1, 300, 430, 0, -40, 1);
        put(s, 2, 300, 400);
        g.NBBCNV(1, 2, 0, 30, 30);
        EXPECT_FLOAT_EQ(s.obj_vx(1), 0);
        EXPECT_FLOAT_EQ(s.obj_vy(1), -6);
        EXPECT_FLOAT_EQ(s.obj_vx(2), 0);
        EXPECT_FLOAT_EQ(s.obj_vy(2), -34);
    });
}

TEST(Impact, AnObliqueImpactKeepsTangentsAndNormalMomentumAndScalesTheRelativeSpeed) {
    with_field([](Game& g) {
        State& s = g.s;
        s.obj_restitution(3) = 0.5f;  // e = (0.7 + 0.5) / 2
        put(s, 1, 0, 0, 12, -30, 1);
        put(s, 3, 0, 0, -5, 4, 1);
        const float dx = 18, dy = 24, d = 30;  // n = (0.6, 0.8)
        auto normal = [&](int i) { return s.obj_vx(i) * 0.6 + s.obj_vy(i) * 0.8; };
        auto tangent = [&](int i) { return -s.obj_vx(i) * 0.8 + s.obj_vy(i) * 0.6; };
        double ui = normal(1), uj = normal(3), ti = tangent(1), tj = tangent(3);
        g.NBBCNV(1, 3, dx, dy, d);
        EXPECT_NEAR(tangent(1), ti, 1e-4);
        EXPECT_NEAR(tangent(3), tj, 1e-4);
        EXPECT_NEAR(normal(1) + normal(3), ui + uj, 1e-4);
        EXPECT_NEAR(normal(1) - normal(3), -0.6 * (ui - uj), 1e-4);
    });
}

// --- Contact search ------------------------------------------------------------------

TEST(ContactSearch, AWallIsHitOnlyWhenOverlappedAndApproached) {
    with_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 1;
        put(s, 1, 90, 300, -10, 0, 1);  // 4 units into the left wall at 78
        g.clear_contact_marks();
        g.contact_search(1);
        EXPECT_EQ(s.wall_hit(1, 1), 1);
        EXPECT_EQ(s.wall_key(1, 1), 28 * 28);
        EXPECT_EQ(s.wall_hit(1, 2), 0);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 1);
        EXPECT_FLOAT_EQ(s.obj_vx(1), 7);
        EXPECT_EQ(s.obj_vy(1), 0);
        EXPECT_EQ(s.obj_x(1), 90);

        put(s, 1, 90, 300, 10, -3, 1);  // moving away from it
        g.clear_contact_marks();
        g.contact_search(1);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 0);
        EXPECT_EQ(s.obj_vx(1), 10);

        put(s, 1, 510, 300, 20, 0, 1);  // into the right wall at 522
        g.clear_contact_marks();
        g.contact_search(1);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 1);
        EXPECT_EQ(s.contact_j, 2);
        EXPECT_FLOAT_EQ(s.obj_vx(1), -14);

        put(s, 1, 94, 300, -10, 0, 1);  // touching the wall exactly
        g.clear_contact_marks();
        g.contact_search(1);
        EXPECT_EQ(s.wall_hit(1, 1), 0);
    });
}

TEST(ContactSearch, ObjectsTouchingExactlyMakeNoContact) {
    with_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 2;
        put(s, 2, 300, 200);
        put(s, 1, 300, 232, 0, -10, 1);
        g.clear_contact_marks();
        g.contact_search(1);
        EXPECT_EQ(s.pair_hit(1, 2), 0);
        EXPECT_EQ(s.obj_touched(1), 0);
        EXPECT_EQ(s.obj_touched(2), 0);

        put(s, 1, 300, 231.5f, 0, -10, 1);
        g.clear_contact_marks();
        g.contact_search(1);
        EXPECT_EQ(s.pair_hit(1, 2), 1);
        EXPECT_EQ(s.pair_key(1, 2), 31.5f * 31.5f);
        EXPECT_EQ(s.obj_touched(1), 1);
        EXPECT_EQ(s.obj_touched(2), 1);
    });
}

TEST(ContactSearch, OverlappingPinsAtRestNeverMoveEachOther) {
    with_field([](Game& g) {
        State& s = g.s;
        put(s, 1, 100, 685, 0, 0, 1);  // the ball falls far from them
        for (int i = 2; i <= s.n_obj; ++i) put(s, i, 400, float(-1000 - 100 * i));
        put(s, 2, 300, 300);
        put(s, 3, 310, 290);
        int steps = 0;
        while (g.simulation_step()) ++steps;
        EXPECT_GT(steps, 1000);
        EXPECT_EQ(s.obj_x(2), 300);
        EXPECT_EQ(s.obj_y(3), 290);
        for (int i = 2; i <= 3; ++i) {
            EXPECT_EQ(s.obj_state(i), 0);
            EXPECT_EQ(s.obj_vx(i), 0);
            EXPECT_EQ(s.obj_vy(i), 0);
        }
    });
}

TEST(ContactSearch, MarksOfAnEarlierStepAreClearedForObjectsInPlay) {
    with_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 3;
        put(s, 1, 100, 500, 0, 0, 1);
        put(s, 2, 300, 300);
        put(s, 3, 400, 300, 0, 0, -1);
        s.wall_hit(1, 1) = 1;
        s.wall_hit(1, 2) = 1;
        s.pair_hit(1, 2) = 1;
        s.pair_hit(2, 3) = 1;
        s.wall_hit(3, 1) = 1;
        g.clear_contact_marks();
        EXPECT_EQ(s.wall_hit(1, 1), 0);
        EXPECT_EQ(s.wall_hit(1, 2), 0);
        EXPECT_EQ(s.pair_hit(1, 2), 0);
        // Marks that involve a gone object are left alone; the choice skips them.
        EXPECT_EQ(s.pair_hit(2, 3), 1);
        EXPECT_EQ(s.wall_hit(3, 1), 1);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 0);
    });
}

// --- Contact choice ----------------------------------------------------------------------

TEST(ContactChoice, OfEqualKeysTheWallOfTheLowerObjectComesFirst) {
    with_field([](Game& g) {
        State& s = g.s;
        // The ball 2 units into the left wall and 2 units into a resting pin below it,
        // moving towards both: wall key (16 + 14)^2 = 900, pair key 30^2 = 900.
        put(s, 1, 92, 300, -10, -10, 1);
        put(s, 2, 92, 270);
        for (int i = 3; i <= s.n_obj; ++i) put(s, i, 400, float(-1000 - 100 * i));
        g.clear_contact_marks();
        for (int i = 1; i <= s.n_obj; ++i) g.contact_search(i);
        EXPECT_EQ(s.wall_key(1, 1), 900);
        EXPECT_EQ(s.pair_key(1, 2), 900);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 1);
        EXPECT_EQ(s.contact_i, 1);
        EXPECT_EQ(s.contact_j, 1);
        EXPECT_EQ(s.contact_best, 900);
        EXPECT_EQ(s.obj_state(2), 0);
        EXPECT_FLOAT_EQ(s.obj_vx(1), 7);

        // The pair still holds and is answered in the next search.
        g.clear_contact_marks();
        for (int i = 1; i <= s.n_obj; ++i) g.contact_search(i);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 3);
        EXPECT_EQ(s.obj_state(2), 1);
    });
}

TEST(ContactChoice, TheSmallestKeyWinsAndTiesGoToTheFirstMet) {
    with_field([](Game& g) {
        State& s = g.s;
        for (int i = 1; i <= s.n_obj; ++i) put(s, i, 40.0f * float(i), 300);
        auto choose = [&](std::initializer_list<std::tuple<int, int, float>> pairs,
                          std::initializer_list<std::tuple<int, int, float>> walls) {
            s.wall_hit.fill(0);
            s.pair_hit.fill(0);
            for (auto [i, j, key] : pairs) {
                s.pair_hit(i, j) = 1;
                s.pair_key(i, j) = key;
            }
            for (auto [i, w, key] : walls) {
                s.wall_hit(i, w) = 1;
                s.wall_key(i, w) = key;
            }
            rest_all(s);  // all velocities 0: a response changes nothing but the states
            g.choose_and_resolve_contact();
            return std::tuple<float, float, float>(s.contact_kind, s.contact_i, s.contact_j);
        };
        using T = std::tuple<float, float, float>;
        EXPECT_EQ(choose({{2, 5, 400}, {3, 4, 300}}, {}), T(3, 3, 4));
        EXPECT_EQ(choose({{2, 5, 300}, {3, 4, 300}}, {}), T(3, 2, 5));  // lower object first
        EXPECT_EQ(choose({{2, 6, 300}, {2, 5, 300}}, {}), T(3, 2, 5));  // then rising partner
        EXPECT_EQ(choose({{4, 6, 500}}, {{4, 2, 500}, {4, 1, 500}}), T(1, 4, 1));  // walls 1, 2 before pairs
        EXPECT_EQ(choose({{1, 2, 900}}, {{1, 1, 900}}), T(1, 1, 1));
        EXPECT_EQ(choose({{1, 2, 899}}, {{1, 1, 900}}), T(3, 1, 2));
        EXPECT_EQ(std::get<0>(choose({{1, 2, 2000}}, {})), 0) << "nothing at or above the starting key";
        EXPECT_EQ(s.obj_state(1), 0);
        // Gone objects are skipped, on either side of a pair.
        s.obj_state(2) = -1;
        s.pair_hit(1, 2) = 1;
        s.pair_key(1, 2) = 100;
        s.wall_hit(2, 1) = 1;
        s.wall_key(2, 1) = 100;
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 0);
    });
}

// --- Contact sounds ----------------------------------------------------------------

TEST(ContactSounds, AWallSoundsKey60AndAPairTheNoteOfItsHigherObject) {
    HeadlessHost h(1);
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        rest_all(g.s);
        g.MOPEN();
        State& s = g.s;
        s.n_obj = 5;
        put(s, 1, 90, 600, -10, 0, 1);
        g.clear_contact_marks();
        g.contact_search(1);
        g.choose_and_resolve_contact();
        put(s, 4, 300, 300, 0, -10, 1);
        put(s, 5, 300, 280);  // note offset 4
        g.clear_contact_marks();
        g.contact_search(4);
        g.choose_and_resolve_contact();
        EXPECT_EQ(s.contact_kind, 3);
    });
    ASSERT_FALSE(h.host->last_error().has_value());
    const auto& log = h.midi->log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].message, 0x7F3C90u);  // key 60, velocity 127
    EXPECT_EQ(log[1].message, 0x003C90u);  // key 60, velocity 0
    EXPECT_EQ(log[2].message, 0x7F4090u);  // key 64
    EXPECT_EQ(log[3].message, 0x004090u);
}

TEST(ContactSounds, NothingIsSentWithoutADevice) {
    HeadlessHost h(0);
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        rest_all(g.s);
        g.MOPEN();
        put(g.s, 1, 90, 600, -10, 0, 1);
        g.contact_search(1);
        g.choose_and_resolve_contact();
        EXPECT_EQ(g.s.contact_kind, 1);
        EXPECT_FLOAT_EQ(g.s.obj_vx(1), 7);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    EXPECT_TRUE(h.midi->log().empty());
    EXPECT_EQ(h.midi->num_devs_calls(), 1u);
    EXPECT_EQ(h.midi->open_calls(), 0u);
}

TEST(Midi, WithoutADeviceTheGameSaysSoAndStaysSilent) {
    HeadlessHost h(0);
    h.run([&](Host& rt) {
        Game g(rt);
        g.MOPEN();
        EXPECT_EQ(g.s.midi_ok, -1);
        EXPECT_EQ(rt.screen().cursor_row(), 1);  // the line was ended
        EXPECT_EQ(rt.screen().cursor_column(), 0);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    EXPECT_EQ(to_utf8(h.screen().row_bytes(0)).substr(0, 10), "midi---no ");
    EXPECT_EQ(h.midi->num_devs_calls(), 1u);
    EXPECT_EQ(h.midi->open_calls(), 0u);
}

// A MIDI output that records how the game calls it.
class SpyMidiOut final : public MidiOut {
public:
    uint32_t* handle_place = nullptr;
    int32_t device = 0;
    int opens = 0;
    std::vector<std::pair<uint32_t, uint32_t>> messages;  // handle, message

    uint32_t num_devs() override { return 2; }
    uint32_t open(uint32_t* handle, int32_t dev) override {
        ++opens;
        handle_place = handle;
        device = dev;
        *handle = 0xBEEF;
        return mmsys::kOk;
    }
    uint32_t short_msg(uint32_t handle, uint32_t message) override {
        messages.emplace_back(handle, message);
        return mmsys::kOk;
    }
};

TEST(Midi, WithADeviceTheMapperIsOpenedAndNotesGoToItsHandle) {
    HeadlessBackend backend;
    auto spy_owner = std::make_unique<SpyMidiOut>();
    SpyMidiOut& spy = *spy_owner;
    Host::Options options;
    options.midi = std::move(spy_owner);
    Host host(backend, std::move(options));
    host.run([&](Host& rt) {
        Game g(rt);
        g.MOPEN();
        EXPECT_EQ(g.s.midi_ok, 1);
        EXPECT_EQ(spy.handle_place, reinterpret_cast<uint32_t*>(&g.s.midi_handle));
        EXPECT_EQ(g.s.midi_handle, 0xBEEF);
        for (int16_t n : {0, 7, 12}) g.MON(n);
        EXPECT_EQ(rt.screen().row_bytes(0), std::string(81, ' '));  // nothing printed
    });
    EXPECT_FALSE(host.last_error().has_value());
    EXPECT_EQ(spy.opens, 1);
    EXPECT_EQ(spy.device, -1);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0xBEEF, 8338576}, {0xBEEF, 15504},                      // key 60
        {0xBEEF, 8338576 + 7 * 256}, {0xBEEF, 15504 + 7 * 256},  // key 67
        {0xBEEF, 8338576 + 12 * 256}, {0xBEEF, 15504 + 12 * 256},
    };
    EXPECT_EQ(spy.messages, expected);
}

TEST(Midi, NotesReachTheRecordingDeviceAsNoteOnAndNoteOff) {
    HeadlessHost h(1);
    h.run([&](Host& rt) {
        Game g(rt);
        g.MOPEN();
        g.MON(7);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    EXPECT_EQ(h.midi->open_calls(), 1u);
    const auto& log = h.midi->log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].message, 0x7F4390u);  // note-on, key 67, velocity 127
    EXPECT_EQ(log[1].message, 0x4390u);    // key 67, velocity 0
}

}  // namespace
}  // namespace zell
