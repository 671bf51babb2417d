// The computer's MIDI output ports through RtMidi: on Linux the ports of the ALSA
// sequencer (sound cards, USB instruments, software synthesizers such as TiMidity).
#include <RtMidi.h>

#include <filesystem>

#include "platform/midi/system_midi.h"

namespace zell {

namespace {

constexpr const char* kClientName = "Zell Bowling";

// Failures show as a closed port or an empty name; RtMidi would otherwise print them.
void ignore_error(RtMidiError::Type, const std::string&, void*) {}

// A new client of the MIDI service; nullptr when there is no service.
std::unique_ptr<RtMidiOut> new_client() {
#if defined(__linux__)
    // Without the kernel's sequencer device there are no ports. Looking first keeps ALSA and
    // RtMidi from printing the failure of a client that cannot be made.
    std::error_code ec;
    if (!std::filesystem::exists("/dev/snd/seq", ec)) return nullptr;
    constexpr RtMidi::Api kApi = RtMidi::LINUX_ALSA;  // JACK's MIDI reaches the sequencer through its bridge
#else
    constexpr RtMidi::Api kApi = RtMidi::UNSPECIFIED;
#endif
    try {
        auto client = std::make_unique<RtMidiOut>(kApi, kClientName);
        client->setErrorCallback(ignore_error);
        return client;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

class RtMidiPort final : public MidiDevice {
public:
    RtMidiPort(std::unique_ptr<RtMidiOut> out, std::string name) : out_(std::move(out)), name_(std::move(name)) {}

    std::string name() const override { return name_; }

    void send(uint32_t message) override {
        auto m = decode_short_message(message);
        if (!m) return;
        const unsigned char bytes[3] = {m->status, m->data1, m->data2};
        out_->sendMessage(bytes, size_t(m->length()));
    }

private:
    std::unique_ptr<RtMidiOut> out_;
    std::string name_;
};

class RtMidiPorts final : public MidiPorts {
public:
    std::vector<std::string> names() override {
        std::vector<std::string> names;
        auto client = new_client();
        if (!client) return names;
        for (unsigned i = 0, n = client->getPortCount(); i < n; ++i) names.push_back(client->getPortName(i));
        return names;
    }

    std::unique_ptr<MidiDevice> open(const std::string& name) override {
        auto client = new_client();
        if (!client) return nullptr;
        // Port numbers change when ports come and go; the name stays.
        for (unsigned i = 0, n = client->getPortCount(); i < n; ++i) {
            if (client->getPortName(i) != name) continue;
            client->openPort(i, kClientName);
            if (!client->isPortOpen()) return nullptr;
            return std::make_unique<RtMidiPort>(std::move(client), name);
        }
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<MidiPorts> make_rtmidi_ports() { return std::make_unique<RtMidiPorts>(); }

}  // namespace zell
