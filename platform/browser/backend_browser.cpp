// Built only by Emscripten (the browser build); see backend_browser.h.
#ifdef __EMSCRIPTEN__

#include "platform/browser/backend_browser.h"

#include <emscripten.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/posix/local_time.h"

// The page's side, in browser.js.
extern "C" {
void zell_page_open(const char* title_utf8, int width, int height);
void zell_page_close();
void zell_page_present(const uint32_t* pixels, int width, int height);
// The area the canvas may take and the device pixel ratio, in CSS pixels.
void zell_page_area(double* width, double* height, double* ratio);
// Places the canvas in that area and gives it a backing store of the picture times factor.
void zell_page_place_canvas(double css_x, double css_y, double css_width, double css_height, int factor);
// The next queued event: its kind (0 when none), up to four numbers and a text (UTF-8).
int zell_page_next_event(int32_t* numbers, char* text, int text_capacity);
int zell_page_queued();
void zell_page_toggle_full_screen();
int zell_page_full_screen();
void zell_page_yield(int ms, int wakeable);
void zell_page_beep();
void zell_page_message(const char* title, const char* text);
void zell_page_set_icon(const uint32_t* pixels, int width, int height, uint32_t transparent);
// Focuses the page's text field (a touch device shows its keyboard) or takes the focus from it.
void zell_page_text_input(int on);
// 1 while the page is hidden (another tab or app in front, a phone's screen off).
int zell_page_hidden();
void zell_page_notice(const char* text);
int zell_sound_available();
char* zell_sound_name();  // malloc'd
void zell_sound_send(uint32_t message);
// A malloc'd copy of the record, nullptr when there is none, (char*)-1 when storage is refused.
char* zell_store_read(const char* name, int* length);
int zell_store_write(const char* name, const char* bytes, int length);
// Renames a record; 0 when it is missing, the new name is taken, or storage is refused.
int zell_store_move(const char* from, const char* to);
// platform/browser/replays.js: the records of a folder, one name a line (malloc'd; nullptr when
// storage is refused), and removing one (0 when storage is refused).
char* zell_store_list(const char* folder);
int zell_store_remove(const char* name);
}

namespace zell {

namespace {

// Event kinds queued by the page.
enum PageEvent {
    kNone = 0,
    kKeyDown = 1,
    kKeyUp = 2,
    kText = 3,
    kPointerMove = 4,
    kPointerDown = 5,
    kPointerUp = 6,
    kClose = 7,
    kResize = 8,
};

// Pointer positions arrive in hundredths of a CSS pixel relative to the canvas.
constexpr double kPointerUnit = 100.0;
// A program that computes without waiting still yields this often, so the page repaints and
// its events arrive.
constexpr double kBusyYieldMs = 16.0;

}  // namespace

BrowserBackend::BrowserBackend() : origin_ms_(emscripten_get_now()) { last_yield_ms_ = origin_ms_; }

bool BrowserBackend::open_window(const WindowSpec& spec) {
    image_w_ = spec.client_width;
    image_h_ = spec.client_height;
    zell_page_open(spec.title.c_str(), image_w_, image_h_);
    open_ = true;
    fit_canvas();
    if (icon_.image.width() > 0) set_icon(icon_);
    return true;
}

void BrowserBackend::close_window() {
    if (!open_) return;
    open_ = false;
    zell_page_close();
}

void BrowserBackend::fit_canvas() {
    double w = 0, h = 0, ratio = 1;
    zell_page_area(&w, &h, &ratio);
    place_ = browser_canvas_place(w, h, ratio, scale_mode_, image_w_, image_h_);
    // The backing store at the first stage's whole factor: the page scales it to the canvas's size.
    zell_page_place_canvas(place_.css_x(), place_.css_y(), place_.css_width(), place_.css_height(),
                           place_.scale.factor());
}

void BrowserBackend::yield(int ms, bool wakeable) {
    zell_page_yield(ms, wakeable ? 1 : 0);
    last_yield_ms_ = emscripten_get_now();
}

void BrowserBackend::pump(InputSink& sink, int wait_ms) {
    if (wait_ms > 0) {
        // The page wakes the program early when an event arrives.
        if (zell_page_queued() == 0) yield(wait_ms, true);
    } else if (emscripten_get_now() - last_yield_ms_ >= kBusyYieldMs) {
        yield(0, false);
    }
    // Deliver what is queued now, but not what keeps arriving while we deliver. All of it was
    // queued on the canvas as placed now, even after a resize below has moved it.
    const CanvasPlace placed = place_;
    for (int n = zell_page_queued(); n > 0; --n) {
        int32_t v[4] = {};
        char text[256] = {};
        const int kind = zell_page_next_event(v, text, sizeof text);
        switch (kind) {
        case kKeyDown: {
            const BrowserKey k = browser_key_down(text, v[0] & 1, v[0] & 2, v[0] & 4, v[0] & 8);
            switch (k.kind) {
            case BrowserKey::Kind::Char: sink.char_typed(k.code); break;
            case BrowserKey::Kind::Key: sink.key_down(k.key, v[0] & 1, v[0] & 2); break;
            case BrowserKey::Kind::FullScreen: zell_page_toggle_full_screen(); break;
            case BrowserKey::Kind::ScaleMode:
                scale_mode_ = scale_mode_ == ScaleMode::Integer ? ScaleMode::Sharp : ScaleMode::Integer;
                fit_canvas();
                break;
            case BrowserKey::Kind::Ignore: break;
            }
            break;
        }
        case kKeyUp:
            if (Key k = browser_key_up(text); k != Key::None) sink.key_up(k);
            break;
        case kText: sink.text_typed(text); break;
        case kPointerMove:
        case kPointerDown:
        case kPointerUp: {
            // v: x and y (hundredths of a CSS pixel from the canvas's top-left corner), the button
            // or the held buttons.
            const Point at = browser_pointer_pixel(placed, v[0] / kPointerUnit, v[1] / kPointerUnit);
            if (kind == kPointerMove) sink.mouse_move(at.x, at.y, unsigned(v[2]));
            else if (kind == kPointerDown)
                sink.mouse_down(MouseButton(v[2]), at.x, at.y, uint64_t(emscripten_get_now()));
            else sink.mouse_up(MouseButton(v[2]), at.x, at.y);
            break;
        }
        case kClose: sink.close_requested(); break;
        case kResize: fit_canvas(); break;
        default: break;
        }
    }
}

void BrowserBackend::present(const Image& visible) {
    if (!open_ || visible.width() <= 0 || visible.height() <= 0) return;
    // 0x00RRGGBB words to the canvas's R, G, B, A bytes (a little-endian 0xAABBGGRR word): here
    // in compiled code, so the page only hands the bytes over.
    const std::vector<Rgb>& from = visible.pixels();
    frame_.resize(from.size());
    for (size_t i = 0; i < from.size(); ++i) {
        const uint32_t p = from[i];
        frame_[i] = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
    }
    zell_page_present(frame_.data(), visible.width(), visible.height());
}

uint64_t BrowserBackend::now_us() { return uint64_t((emscripten_get_now() - origin_ms_) * 1000.0); }

void BrowserBackend::sleep_us(uint64_t us) {
    // Whole milliseconds, rounded up: the host paces against deadlines, so a wait never ends early.
    // While the page is hidden (the host holds the game) the page's being shown again ends it: the
    // browser lets a hidden page's timers fire only about once a second.
    yield(int((us + 999) / 1000), zell_page_hidden() != 0);
}

LocalTime BrowserBackend::local_time() { return local_time_now(); }

void BrowserBackend::beep() { zell_page_beep(); }

void BrowserBackend::message_box(const std::string& title, const std::string& text) {
    zell_page_message(title.c_str(), text.c_str());
}

void BrowserBackend::set_text_input(bool on) { zell_page_text_input(on ? 1 : 0); }

bool BrowserBackend::suspended() const { return open_ && zell_page_hidden() != 0; }

void show_page_notice(const std::string& text) { zell_page_notice(text.c_str()); }

void BrowserBackend::set_icon(const Icon& icon) {
    icon_ = icon;
    if (open_ && icon.image.width() > 0)
        zell_page_set_icon(icon.image.pixels().data(), icon.image.width(), icon.image.height(), icon.transparent);
}

// --- Sound ---------------------------------------------------------------------

namespace {

class PageSound final : public MidiDevice {
public:
    std::string name() const override {
        char* p = zell_sound_name();
        std::string s(p ? p : "");
        std::free(p);
        return s;
    }
    void send(uint32_t message) override { zell_sound_send(message); }
};

class BrowserMidiOut final : public DeviceMidiOut {
protected:
    uint32_t device_count() override { return zell_sound_available() ? 1 : 0; }
    MidiDevice* device(int32_t id) override { return (id == 0 || id == kMidiMapper) ? &sound_ : nullptr; }

private:
    PageSound sound_;
};

}  // namespace

std::unique_ptr<MidiOut> make_browser_midi_out() { return std::make_unique<BrowserMidiOut>(); }

// --- Storage -------------------------------------------------------------------

namespace {

// The page's records: one localStorage item per record, under a folder-like prefix. A setItem
// is atomic; the page runs one thread, so the lock only has to keep one record's users in order.
class BrowserStore final : public Store {
public:
    explicit BrowserStore(std::string folder) : folder_(std::move(folder)) {}

    ReadResult read(const std::string& name) override {
        int length = 0;
        char* bytes = zell_store_read(key(name).c_str(), &length);
        if (bytes == reinterpret_cast<char*>(-1)) return {Status::Failed, {}, "the browser refuses its storage"};
        if (!bytes) return {Status::Missing, {}, {}};
        ReadResult r{Status::Ok, std::string(bytes, size_t(length)), {}};
        std::free(bytes);
        return r;
    }

    bool write(const std::string& name, std::string_view bytes, std::string* why) override {
        if (zell_store_write(key(name).c_str(), bytes.data(), int(bytes.size()))) return true;
        if (why) *why = "the browser's storage is full or refused";
        return false;
    }

    bool lock(const std::string&, std::string*) override { return true; }
    void unlock(const std::string&) override {}

    std::string set_aside(const std::string& name, std::string* why) override {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        const std::string base = name + ".unreadable-" + stamp;
        // Never over an earlier one: a second suffix when the second is taken.
        for (int n = 1; n < 100; ++n) {
            const std::string target = n == 1 ? base : base + "-" + std::to_string(n);
            if (zell_store_move(key(name).c_str(), key(target).c_str())) return where(target);
        }
        if (why) *why = "it cannot be renamed in the browser's storage";
        return {};
    }

    std::string where(const std::string& name) const override { return "localStorage: zell-bowling/" + key(name); }

    std::vector<std::string> list(const std::string& folder) override {
        std::vector<std::string> names;
        char* joined = zell_store_list(key(folder).c_str());
        if (!joined) return names;
        std::string_view all(joined);
        const size_t skip = folder_.size() + 1;  // the store's own folder before each name
        while (!all.empty()) {
            const size_t end = std::min(all.find('\n'), all.size());
            if (end > skip) names.emplace_back(all.substr(skip, end - skip));
            all.remove_prefix(std::min(end + 1, all.size()));
        }
        std::free(joined);
        return names;
    }

    bool remove(const std::string& name, std::string* why) override {
        if (zell_store_remove(key(name).c_str())) return true;
        if (why) *why = "the browser refuses its storage";
        return false;
    }

private:
    std::string key(const std::string& name) const { return folder_ + "/" + name; }
    std::string folder_;
};

}  // namespace

std::unique_ptr<Store> make_browser_store(const std::string& folder) { return std::make_unique<BrowserStore>(folder); }

void BrowserBackend::set_display(const DisplaySettings& settings) {
    // Full screen needs the player's key or click in a browser: only F11 switches it.
    scale_mode_ = settings.scale_mode;
    if (open_) fit_canvas();
}

DisplaySettings BrowserBackend::display() const {
    DisplaySettings d;
    d.scale_mode = scale_mode_;
    d.fullscreen = zell_page_full_screen() != 0;
    return d;
}

}  // namespace zell

#endif  // __EMSCRIPTEN__
