// --verify: a replay played on the headless backend (no display), its virtual clock running
// ahead at every pause, so a whole game takes only the time its computing takes.
#include "apps/replay/replay_run.h"
#include "platform/headless/backend_headless.h"

namespace zell {

ReplayOutcome verify_replay(std::string_view text) {
    HeadlessBackend backend;
    return play_replay_on(text, backend, Host::Options{}, false, nullptr);
}

}  // namespace zell
