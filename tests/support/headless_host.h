// A host on the headless backend, for tests: a fresh runtime per test.
#pragma once

#include <memory>
#include <string>

#include "platform/headless/backend_headless.h"
#include "runtime/host/host.h"
#include "runtime/text/sjis.h"

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
    // The text screen in UTF-8, a line a row.
    std::string text() {
        std::string all;
        for (int r = 0; r < screen().rows(); ++r) all += to_utf8(screen().row_bytes(r)) + "\n";
        return all;
    }
};

}  // namespace zell::testing
