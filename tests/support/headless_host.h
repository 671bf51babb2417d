// A host on the headless backend, for tests: a fresh runtime per test.
#pragma once

#include <memory>

#include "platform/headless/backend_headless.h"
#include "runtime/host/host.h"

namespace zell::testing {

struct HeadlessHost {
    HeadlessBackend backend;
    RecordingMidiOut* midi = nullptr;
    std::unique_ptr<Host> host;

    explicit HeadlessHost(uint32_t midi_devices = 0, Host::Options options = {}) {
        auto rec = std::make_unique<RecordingMidiOut>(midi_devices, [this] { return backend.now_us() / 1000; });
        midi = rec.get();
        options.midi = std::move(rec);
        host = std::make_unique<Host>(backend, std::move(options));
    }
    int run(const Host::MainProgram& main) { return host->run(main); }
    Screen& screen() { return host->screen(); }
};

}  // namespace zell::testing
