#include <gtest/gtest.h>

#include <cmath>
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
using testing::run_on_field;

// Sends every object to a resting place far below the board, out of the way.
void clear_field(State& s) {
    for (int i = 2; i <= s.n_obj; ++i) put(s, i, 400, float(-1000 - 100 * i));
}

// One search over every object in play, then the choice and response.
void step_contacts(Game& g) {
    g.clear_contact_marks();
    for (int i = 1; i <= g.s.n_obj; ++i) g.contact_search(i);
    g.choose_and_resolve_contact();
}

TEST(Walls, TheBowlingTypeHasTheWidestLaneAndTheRandomLayoutNarrowsItWithTheLevel) {
    run_on_field([](Game& g) {
        State& s = g.s;
        for (float layout : {1, 2})
            for (float level = 1; level <= 4; ++level) {
                SCOPED_TRACE(::testing::Message() << "layout " << layout << " level " << level);
                s.layout = layout;
                s.level = level;
                g.set_walls();
                const float in = layout == 1 ? 78 : 78 + 24 * (level - 1);
                EXPECT_EQ(s.lane_inset, in);
                EXPECT_EQ((std::array{s.wall_x1(1), s.wall_x2(1), s.wall_x1(2), s.wall_x2(2)}),
                          (std::array{in, in, 600 - in, 600 - in}));
                for (int w = 1; w <= 2; ++w)
                    EXPECT_EQ((std::array{s.wall_y1(w), s.wall_y2(w)}), (std::array{-400.0f, 2000.0f}));
                EXPECT_EQ((std::array{s.rand_xmin, s.rand_xmax}), (std::array{in + 85, 515 - in}))
                    << "five radii and a margin of 5 inside the walls";
            }
    });
}

TEST(Triangle, StandsAtTheSpacingOfTheLevelWithTheBallParkedBesideAWall) {
    run_on_field([](Game& g) {
        State& s = g.s;
        g.lay_out_triangle();
        EXPECT_FLOAT_EQ(s.obj_x(2), 300);
        // After the driver adds r = 16: the head pin at (300, 245.262), the back row at 66.
        EXPECT_NEAR(s.obj_y(2) + 16, 245.262, 1e-3);
        EXPECT_NEAR(s.obj_y(3), 50 + 2 * 59.754, 1e-3);
        EXPECT_EQ((std::array{s.obj_x(8), s.obj_x(9), s.obj_x(10), s.obj_x(11)}),
                  (std::array{196.5f, 265.5f, 334.5f, 403.5f}));
        for (int i = 8; i <= 11; ++i) EXPECT_EQ(s.obj_y(i) + 16, 66);
        const float spacing[] = {83, 77, 73, 69};  // level 1: 37 + 32 + 12 + 2
        for (int level = 1; level <= 4; ++level) {
            s.level = float(level);
            g.lay_out_triangle();
            for (int i = 8; i <= 10; ++i) EXPECT_FLOAT_EQ(s.obj_x(i + 1) - s.obj_x(i), spacing[level - 1]) << level;
            EXPECT_NEAR(s.obj_y(2) - s.obj_y(8), 3 * 0.866 * spacing[level - 1], 1e-3);
        }
        int sides[2] = {0, 0};
        for (int k = 0; k < 40; ++k) {
            s.lane_inset = 150;  // whatever was in use: the triangle takes the widest lane
            Random ref = g.rt.random();
            g.lay_out_triangle();
            const float q = 600 * ref.rnd(1);
            EXPECT_EQ(g.rt.random().state(), ref.state()) << "one number per layout";
            EXPECT_EQ(s.lane_inset, 78);
            EXPECT_EQ(s.obj_x(1), q < 300 ? 94 : 506);
            EXPECT_FLOAT_EQ(s.obj_y(1), q < 300 ? q + 50 : q - 300 + 50);
            ++sides[q < 300];
        }
        EXPECT_TRUE(sides[0] && sides[1]);
    });
}

TEST(RandomLayout, PinsLieInTheirAreaNeverOverlapAndAreDrawnXBeforeY) {
    run_on_field([](Game& g) {
        State& s = g.s;
        s.layout = 2;
        g.set_walls();  // level 4: 235 <= x < 365
        for (int layout = 0; layout < 50; ++layout) {
            g.lay_out_at_random(s.rand_xmin, 50, s.rand_xmax, 500);
            for (int i = 2; i <= s.n_obj; ++i) {
                EXPECT_TRUE(s.obj_x(i) >= 235 && s.obj_x(i) < 365) << s.obj_x(i);
                EXPECT_TRUE(s.obj_y(i) >= 50 && s.obj_y(i) < 500) << s.obj_y(i);
            }
            for (int i = 1; i <= s.n_obj; ++i)
                for (int j = std::max(i + 1, 3); j <= s.n_obj; ++j) {
                    const float dx = s.obj_x(i) - s.obj_x(j), dy = s.obj_y(i) - s.obj_y(j);
                    EXPECT_GE(dx * dx + dy * dy, 1024) << i << " and " << j;
                }
            EXPECT_TRUE(s.obj_x(1) == 166 || s.obj_x(1) == 434) << "parked beside a level 4 wall";
        }
        s.n_obj = 3;
        Random ref = g.rt.random();
        g.lay_out_at_random(200, 50, 400, 500);
        ref.rnd(1);  // the ball's parking place first
        EXPECT_EQ(s.obj_x(2), 200 + 200 * ref.rnd(1));
        EXPECT_EQ(s.obj_y(2), 50 + 450 * ref.rnd(1));
    });
}

TEST(RandomLayout, PinsMayTouchExactly) {
    // On a vertical line far up, single precision rounds every candidate to a multiple of
    // 32 units (2r): candidates are either on top of a pin, and drawn again, or at least
    // exactly 2r away.
    run_on_field([](Game& g) {
        g.s.n_obj = 3;
        const float base = 268435456.0f;  // 2^28, where singles are 32 apart
        int touching = 0;
        for (int k = 0; k < 40; ++k) {
            g.lay_out_at_random(300, base, 300, base + 128);
            const float gap = std::fabs(g.s.obj_y(3) - g.s.obj_y(2));
            EXPECT_GE(gap, 32);
            touching += gap == 32;
        }
        EXPECT_GT(touching, 0);
    });
}

TEST(Impact, TheBallOnAPinBelowGoesOnSlowlyAndObliqueImpactsKeepTangentsAndMomentum) {
    run_on_field([](Game& g) {
        State& s = g.s;
        put(s, 1, 300, 430, 0, -40, 1);
        put(s, 2, 300, 400);
        g.resolve_impact(1, 2, 0, 30, 30);
        EXPECT_EQ((std::array{s.obj_vx(1), s.obj_vy(1), s.obj_vx(2), s.obj_vy(2)}),
                  (std::array{0.0f, -6.0f, 0.0f, -34.0f}));

        s.obj_restitution(3) = 0.5f;  // e = (0.7 + 0.5) / 2
        put(s, 1, 0, 0, 12, -30, 1);
        put(s, 3, 0, 0, -5, 4, 1);
        auto normal = [&](int i) { return s.obj_vx(i) * 0.6 + s.obj_vy(i) * 0.8; };  // n = (18, 24) / 30
        auto tangent = [&](int i) { return -s.obj_vx(i) * 0.8 + s.obj_vy(i) * 0.6; };
        const double ui = normal(1), uj = normal(3), ti = tangent(1), tj = tangent(3);
        g.resolve_impact(1, 3, 18, 24, 30);
        EXPECT_NEAR(tangent(1), ti, 1e-4);
        EXPECT_NEAR(tangent(3), tj, 1e-4);
        EXPECT_NEAR(normal(1) + normal(3), ui + uj, 1e-4);
        EXPECT_NEAR(normal(1) - normal(3), -0.6 * (ui - uj), 1e-4);
    });
}

TEST(ContactSearch, AWallIsHitOnlyWhenOverlappedAndApproached) {
    run_on_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 1;
        struct Case {
            float x, vx;
            float kind, wall, vx_after;
        };
        for (const Case& c : {Case{90, -10, 1, 1, 7},       // 4 units into the left wall at 78
                              Case{90, 10, 0, 0, 10},       // moving away from it
                              Case{510, 20, 1, 2, -14},     // into the right wall at 522
                              Case{94, -10, 0, 0, -10}}) {  // touching it exactly
            SCOPED_TRACE(::testing::Message() << "x " << c.x << " vx " << c.vx);
            put(s, 1, c.x, 300, c.vx, -3, 1);
            step_contacts(g);
            EXPECT_EQ(s.contact_kind, c.kind);
            if (c.kind) {
                EXPECT_EQ(s.contact_j, c.wall);
            }
            EXPECT_FLOAT_EQ(s.obj_vx(1), c.vx_after);
            EXPECT_EQ(s.obj_vy(1), -3);
            EXPECT_EQ(s.obj_x(1), c.x);
        }
        put(s, 1, 90, 300, -10, 0, 1);
        g.clear_contact_marks();
        g.contact_search(1);
        EXPECT_EQ((std::array{s.wall_hit(1, 1), s.wall_key(1, 1), s.wall_hit(1, 2)}), (std::array{1.0f, 784.0f, 0.0f}));
    });
}

TEST(ContactSearch, ObjectsTouchingExactlyMakeNoContactAndOverlappingRestingPinsNeverMove) {
    run_on_field([](Game& g) {
        State& s = g.s;
        s.n_obj = 2;
        put(s, 2, 300, 200);
        for (auto [y, hit] : {std::pair{232.0f, 0.0f}, {231.5f, 1.0f}}) {
            put(s, 1, 300, y, 0, -10, 1);
            s.obj_touched(1) = s.obj_touched(2) = 0;
            g.clear_contact_marks();
            g.contact_search(1);
            EXPECT_EQ((std::array{s.pair_hit(1, 2), s.obj_touched(1), s.obj_touched(2)}), (std::array{hit, hit, hit}))
                << y;
        }
        EXPECT_EQ(s.pair_key(1, 2), 31.5f * 31.5f);

        s.n_obj = s.n_obj_full;
        rest_all(s);
        clear_field(s);
        put(s, 1, 100, 685, 0, 0, 1);  // the ball falls far from them
        put(s, 2, 300, 300);
        put(s, 3, 310, 290);
        int steps = 0;
        while (g.simulation_step()) ++steps;
        EXPECT_GT(steps, 1000);
        EXPECT_EQ((std::array{s.obj_x(2), s.obj_y(3)}), (std::array{300.0f, 290.0f}));
        for (int i = 2; i <= 3; ++i)
            EXPECT_EQ((std::array{s.obj_state(i), s.obj_vx(i), s.obj_vy(i)}), (std::array{0.0f, 0.0f, 0.0f}));
    });
}

TEST(ContactChoice, OfEqualKeysTheWallOfTheLowerObjectComesFirstAndThePairNext) {
    run_on_field([](Game& g) {
        State& s = g.s;
        // The ball 2 units into the left wall and 2 units into a resting pin below it,
        // moving towards both: wall key (16 + 14)^2 = 900, pair key 30^2 = 900.
        clear_field(s);
        put(s, 1, 92, 300, -10, -10, 1);
        put(s, 2, 92, 270);
        step_contacts(g);
        EXPECT_EQ((std::array{s.wall_key(1, 1), s.pair_key(1, 2)}), (std::array{900.0f, 900.0f}));
        EXPECT_EQ((std::array{s.contact_kind, s.contact_i, s.contact_j, s.contact_best}),
                  (std::array{1.0f, 1.0f, 1.0f, 900.0f}));
        EXPECT_EQ(s.obj_state(2), 0);
        EXPECT_FLOAT_EQ(s.obj_vx(1), 7);
        step_contacts(g);  // the pair still holds and is answered in the next search
        EXPECT_EQ(s.contact_kind, 3);
        EXPECT_EQ(s.obj_state(2), 1);
    });
}

TEST(ContactChoice, TheSmallestKeyWinsAndTiesGoToTheFirstMet) {
    run_on_field([](Game& g) {
        State& s = g.s;
        for (int i = 1; i <= s.n_obj; ++i) put(s, i, 40.0f * float(i), 300);
        using Marks = std::initializer_list<std::tuple<int, int, float>>;
        auto choose = [&](Marks pairs, Marks walls, int gone = 0) {
            rest_all(s);  // all velocities 0: a response changes nothing but the states
            if (gone) s.obj_state(gone) = -1;
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
            g.choose_and_resolve_contact();
            return std::array{s.contact_kind, s.contact_i, s.contact_j};
        };
        using T = std::array<float, 3>;
        EXPECT_EQ(choose({{2, 5, 400}, {3, 4, 300}}, {}), (T{3, 3, 4}));
        EXPECT_EQ(choose({{2, 5, 300}, {3, 4, 300}}, {}), (T{3, 2, 5}));             // the lower object first
        EXPECT_EQ(choose({{2, 6, 300}, {2, 5, 300}}, {}), (T{3, 2, 5}));             // then the rising partner
        EXPECT_EQ(choose({{4, 6, 500}}, {{4, 2, 500}, {4, 1, 500}}), (T{1, 4, 1}));  // walls 1, 2 before pairs
        EXPECT_EQ(choose({{1, 2, 899}}, {{1, 1, 900}}), (T{3, 1, 2}));
        EXPECT_EQ(choose({{1, 2, 2000}}, {})[0], 0) << "nothing at or above the starting key";
        EXPECT_EQ(s.obj_state(1), 0);
        EXPECT_EQ(choose({{1, 2, 100}}, {{2, 1, 100}}, 2)[0], 0) << "gone objects are skipped on either side";
    });
}

// The MIDI messages logged during a run, in order.
std::vector<uint32_t> messages(const HeadlessHost& h) {
    std::vector<uint32_t> v;
    for (const auto& e : h.midi->log()) v.push_back(e.message);
    return v;
}

TEST(ContactSounds, AWallSoundsKey60AndAPairTheNoteOfItsHigherObject) {
    HeadlessHost h(1);
    run_on_field(h, [](Game& g) {
        State& s = g.s;
        s.n_obj = 5;
        put(s, 1, 90, 600, -10, 0, 1);
        step_contacts(g);
        put(s, 1, 90, -3000, 0, 0, -1);
        put(s, 4, 300, 300, 0, -10, 1);
        put(s, 5, 300, 280);  // note offset 4
        step_contacts(g);
        EXPECT_EQ(s.contact_kind, 3);
    });
    EXPECT_EQ(messages(h), (std::vector<uint32_t>{0x7F3C90, 0x003C90, 0x7F4090, 0x004090}));
}

TEST(Midi, WithoutADeviceTheGameSaysSoOnceAndStaysSilent) {
    HeadlessHost h(0);
    h.run([](Host& rt) {
        Game g(rt);
        g.open_midi();
        EXPECT_EQ(g.s.midi_ok, -1);
        EXPECT_EQ((std::array{rt.screen().cursor_column(), rt.screen().cursor_row()}), (std::array{0, 1}));
    });
    EXPECT_EQ(to_utf8(h.screen().row_bytes(0)).substr(0, 10), "midi---no ");
    HeadlessHost field(0);
    run_on_field(field, [](Game& g) {
        put(g.s, 1, 90, 600, -10, 0, 1);
        step_contacts(g);
        EXPECT_EQ(g.s.contact_kind, 1);
    });
    EXPECT_TRUE(field.midi->log().empty());
    EXPECT_EQ((std::array{field.midi->num_devs_calls(), field.midi->open_calls()}), (std::array{1u, 0u}));
}

// A MIDI output that records which device the game opens and where it keeps the handle.
struct SpyMidiOut final : MidiOut {
    int32_t device = 0;
    uint32_t* handle_place = nullptr;
    uint32_t num_devs() override { return 2; }
    uint32_t open(uint32_t* handle, int32_t dev) override {
        device = dev;
        handle_place = handle;
        return mmsys::kOk;
    }
    uint32_t short_msg(uint32_t, uint32_t) override { return mmsys::kOk; }
};

TEST(Midi, WithADeviceTheGameOpensTheMapperIntoItsHandleAndPrintsNothing) {
    HeadlessBackend backend;
    auto spy = std::make_unique<SpyMidiOut>();
    const SpyMidiOut& seen = *spy;
    Host host(backend, Host::Options{.midi = std::move(spy)});
    host.run([&](Host& rt) {
        Game g(rt);
        g.open_midi();
        EXPECT_EQ(g.s.midi_ok, 1);
        EXPECT_EQ(seen.handle_place, reinterpret_cast<uint32_t*>(&g.s.midi_handle));
        EXPECT_EQ(rt.screen().row_bytes(0), std::string(81, ' ')) << "nothing printed";
    });
    EXPECT_FALSE(host.last_error().has_value());
    EXPECT_EQ(seen.device, kMidiMapper);
}

}  // namespace
}  // namespace zell
