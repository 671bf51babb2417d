// The platform-neutral part of the MIDI output: message decoding, handles, the recording
// output, the player's choice of devices and the system output's device list.
#include "runtime/sound/midi.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace zell {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

bool contains_any_case(std::string_view text, std::string_view part) {
    return lower(text).find(lower(part)) != std::string::npos;
}

// Runs a synthesizer start on its own thread. The caller waits for it until a deadline; a start
// that finishes after the caller gave up destroys its device on its own thread.
class BackgroundStart {
public:
    explicit BackgroundStart(const SynthStart& start) : shared_(std::make_shared<Shared>()) {
        try {
            std::thread([shared = shared_, start] {
                std::string why;
                std::unique_ptr<MidiDevice> device = start(why);
                std::lock_guard lock(shared->mutex);
                if (shared->abandoned) return;  // `device` goes after the lock is released
                shared->device = std::move(device);
                shared->why = std::move(why);
                shared->done = true;
                shared->finished.notify_all();
            }).detach();
        } catch (const std::system_error& e) {
            shared_->why = std::string("no thread to start it: ") + e.what();
            shared_->done = true;
        }
    }

    // The started device, or nullptr with the reason in `why`.
    std::unique_ptr<MidiDevice> wait_until(std::chrono::steady_clock::time_point deadline, std::string& why) {
        std::unique_lock lock(shared_->mutex);
        if (!shared_->finished.wait_until(lock, deadline, [&] { return shared_->done; })) {
            shared_->abandoned = true;
            why = "its audio output did not start in time";
            return nullptr;
        }
        why = std::move(shared_->why);
        return std::move(shared_->device);
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        bool abandoned = false;
        std::unique_ptr<MidiDevice> device;
        std::string why;
    };
    std::shared_ptr<Shared> shared_;
};

}  // namespace

// --- Messages ---------------------------------------------------------------

ShortMessage::Kind ShortMessage::kind() const {
    switch (status & 0xF0) {
    case 0x80: return Kind::NoteOff;
    case 0x90: return data2 == 0 ? Kind::NoteOff : Kind::NoteOn;
    case 0xA0: return Kind::KeyPressure;
    case 0xB0: return Kind::Control;
    case 0xC0: return Kind::Program;
    case 0xD0: return Kind::ChannelPressure;
    case 0xE0: return Kind::PitchBend;
    default: return Kind::System;
    }
}

int ShortMessage::length() const {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0:
        if (status == 0xF2) return 3;                    // song position
        if (status == 0xF1 || status == 0xF3) return 2;  // time code quarter frame, song select
        return 1;                                        // tune request, real-time messages
    default: return 3;
    }
}

std::optional<ShortMessage> decode_short_message(uint32_t message, uint8_t running_status) {
    uint8_t bytes[3] = {uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
    ShortMessage m;
    const uint8_t* data = bytes + 1;
    if (bytes[0] < 0x80) {
        if (running_status < 0x80 || running_status >= 0xF0) return std::nullopt;
        m.status = running_status;
        data = bytes;
    } else {
        m.status = bytes[0];
    }
    // System exclusive (start, end) and the two undefined system common bytes have no short form.
    if (m.status == 0xF0 || m.status == 0xF4 || m.status == 0xF5 || m.status == 0xF7) return std::nullopt;
    int n = m.length();
    if (n >= 2) m.data1 = data[0] & 0x7F;
    if (n == 3) m.data2 = data[1] & 0x7F;
    return m;
}

// --- Handles ----------------------------------------------------------------

uint32_t DeviceMidiOut::open(uint32_t* handle, int32_t id) {
    if (handle == nullptr) return mmsys::kInvalidParam;
    *handle = 0;
    if (id != kMidiMapper && (id < 0 || uint32_t(id) >= device_count())) return mmsys::kBadDeviceId;
    MidiDevice* d = device(id);
    if (d == nullptr) return id == kMidiMapper ? mmsys::kNoDevice : mmsys::kAllocated;
    open_.push_back({d, 0});
    *handle = uint32_t(open_.size());
    return mmsys::kOk;
}

uint32_t DeviceMidiOut::short_msg(uint32_t handle, uint32_t message) {
    if (handle == 0 || handle > open_.size()) return mmsys::kInvalidHandle;
    OpenDevice& o = open_[handle - 1];
    auto m = decode_short_message(message, o.running_status);
    if (!m) return mmsys::kInvalidParam;
    // Channel messages set the running status, system common messages cancel it and
    // real-time messages leave it alone.
    if (m->status < 0xF0) o.running_status = m->status;
    else if (m->status < 0xF8) o.running_status = 0;
    o.device->send(m->packed());
    return mmsys::kOk;
}

// --- Recording output -------------------------------------------------------

RecordingMidiOut::RecordingMidiOut(uint32_t devices, std::function<uint64_t()> clock_ms) : devices_(devices) {
    recorder_.clock_ms = std::move(clock_ms);
}

uint32_t RecordingMidiOut::num_devs() {
    ++num_devs_calls_;
    return DeviceMidiOut::num_devs();
}

uint32_t RecordingMidiOut::open(uint32_t* handle, int32_t id) {
    ++open_calls_;
    return DeviceMidiOut::open(handle, id);
}

MidiDevice* RecordingMidiOut::device(int32_t) { return devices_ > 0 ? &recorder_ : nullptr; }

// --- The player's choice ----------------------------------------------------

bool is_pass_through_port(std::string_view name) {
    return contains_any_case(name, "Midi Through") || contains_any_case(name, "VirMIDI");
}

MidiChoice MidiChoice::parse(std::string_view value) {
    if (value.empty()) return {};
    std::string v = lower(value);
    if (v == "none") return {Mode::None, {}};
    if (v == "synth") return {Mode::SynthOnly, {}};
    return {Mode::Port, std::string(value)};
}

bool MidiChoice::allows_port(std::string_view name) const {
    switch (mode) {
    case Mode::Automatic: return !is_pass_through_port(name);
    case Mode::Port: return contains_any_case(name, port);
    default: return false;
    }
}

// --- System output ----------------------------------------------------------

SystemMidiOut::SystemMidiOut(std::unique_ptr<MidiPorts> ports, SynthStart synth, MidiChoice choice,
                             std::chrono::milliseconds synth_timeout, std::function<void(const std::string&)> report)
    : ports_(std::move(ports)),
      synth_(std::move(synth)),
      choice_(std::move(choice)),
      synth_timeout_(synth_timeout),
      report_(std::move(report)) {}

void SystemMidiOut::enumerate() {
    if (enumerated_) return;
    enumerated_ = true;
    if (choice_.mode == MidiChoice::Mode::None) {
        why_none_ = "ZELL_MIDI_PORT is \"none\"";
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + synth_timeout_;
    // The synthesizer starts while the ports are listed.
    std::optional<BackgroundStart> synth;
    if (choice_.allows_synth()) synth.emplace(synth_);

    std::vector<std::string> skipped;
    for (std::string& name : ports_->names()) {
        if (choice_.allows_port(name)) entries_.push_back({std::move(name), nullptr, true});
        else skipped.push_back(std::move(name));
    }
    std::string synth_why;
    if (synth) {
        if (auto device = synth->wait_until(deadline, synth_why)) {
            std::string name = device->name();
            entries_.push_back({std::move(name), std::move(device), false});
        }
    }
    if (!entries_.empty()) return;

    if (choice_.mode == MidiChoice::Mode::Port) {
        why_none_ = "no MIDI port name contains \"" + choice_.port + "\"";
        for (size_t i = 0; i < skipped.size(); ++i) why_none_ += (i == 0 ? "; ports: " : ", ") + skipped[i];
    } else if (choice_.mode == MidiChoice::Mode::SynthOnly) {
        why_none_ = "built-in synthesizer: " + synth_why;
    } else {
        why_none_ = "no MIDI port that makes sound; built-in synthesizer: " + synth_why;
    }
    if (report_) report_(why_none_);
}

uint32_t SystemMidiOut::device_count() {
    enumerate();
    return uint32_t(entries_.size());
}

std::vector<std::string> SystemMidiOut::device_names() {
    enumerate();
    std::vector<std::string> names;
    for (const Entry& e : entries_) names.push_back(e.name);
    return names;
}

const std::string& SystemMidiOut::why_none() {
    enumerate();
    return why_none_;
}

MidiDevice* SystemMidiOut::device(int32_t id) {
    enumerate();
    if (id == kMidiMapper) {
        // Ports come first, so a real port wins over the synthesizer.
        for (size_t i = 0; i < entries_.size(); ++i)
            if (MidiDevice* d = device(int32_t(i))) return d;
        return nullptr;
    }
    Entry& e = entries_[size_t(id)];
    if (!e.opened && e.is_port) e.opened = ports_->open(e.name);
    return e.opened.get();
}

}  // namespace zell
