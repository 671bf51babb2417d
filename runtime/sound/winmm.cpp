// The library "WINMM": the game's MIDI calls by name, passed on to a MidiOut.
#include "runtime/sound/winmm.h"

#include <map>
#include <string>
#include <utility>

namespace zell {
namespace {

constexpr int32_t kInvalidParam = 11;  // MMSYSERR_INVALPARAM

}  // namespace

void provide_winmm(ExternalLibraries& libraries, MidiOut& midi) {
    std::map<std::string, ExternalFn> fns;
    fns["midiOutGetNumDevs"] = [&midi](std::span<const intptr_t>) { return int32_t(midi.num_devs()); };
    fns["midiOutOpen"] = [&midi](std::span<const intptr_t> a) {
        if (a.size() < 2) return kInvalidParam;
        return int32_t(midi.open(reinterpret_cast<uint32_t*>(a[0]), int32_t(a[1])));
    };
    fns["midiOutShortMsg"] = [&midi](std::span<const intptr_t> a) {
        if (a.size() < 2) return kInvalidParam;
        return int32_t(midi.short_msg(uint32_t(a[0]), uint32_t(a[1])));
    };
    libraries.provide({"WINMM", "WINMM.DLL"}, std::move(fns));
}

}  // namespace zell
