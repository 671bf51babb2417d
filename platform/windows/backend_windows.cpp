#include "platform/windows/backend_windows.h"

// windows.h first: the others build on it.
#include <windows.h>

#include <imm.h>
#include <mmsystem.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/windows/wide.h"

namespace zell {

Key windows_key_of(unsigned vk) {
    if (vk >= VK_F1 && vk <= VK_F12) return Key(int(Key::F1) + int(vk - VK_F1));
    switch (vk) {
    case VK_RIGHT: return Key::Right;
    case VK_LEFT: return Key::Left;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_HOME: return Key::Home;
    case VK_END: return Key::End;
    case VK_PRIOR: return Key::PageUp;
    case VK_NEXT: return Key::PageDown;
    case VK_INSERT: return Key::Insert;
    case VK_DELETE: return Key::Delete;
    case VK_CLEAR: return Key::Clear;  // keypad 5 without NumLock
    case VK_EXECUTE: return Key::Execute;
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT: return Key::Shift;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL: return Key::Ctrl;
    default: return Key::None;  // keypad digits with NumLock type characters
    }
}

int windows_control_char(unsigned code, unsigned vk) {
    switch (vk) {
    case VK_RETURN: return keycode::kEnter;    // Ctrl+Enter types 10: still Enter
    case VK_BACK: return keycode::kBackspace;  // Ctrl+Backspace types 127
    case VK_TAB: return keycode::kTab;
    case VK_ESCAPE: return keycode::kEscape;
    default: break;
    }
    if (vk >= 'A' && vk <= 'Z' && code >= 1 && code <= 26) return int(code);  // Ctrl+letter
    return -1;
}

namespace {

constexpr wchar_t kClassName[] = L"ZellBowlingWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kFullStyle = WS_POPUP;

// The density of the monitor, from shcore's GetDpiForMonitor where Windows has it (8.1 and
// later), else the desktop's; 0 when unknown.
float monitor_dpi(HMONITOR monitor) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static HMODULE shcore = LoadLibraryW(L"shcore.dll");
    static auto get =
        shcore
            ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
            : nullptr;
    UINT x = 0, y = 0;
    if (get && get(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y) == S_OK) return float(std::min(x, y));
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return float(dpi);
}

// Makes the process per-monitor DPI aware where the manifest could not (a program started
// in a way that ignores it); a no-op where Windows has no such call.
void declare_dpi_awareness() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto set = user32 ? reinterpret_cast<SetContextFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")))
                      : nullptr;
    if (set) set(reinterpret_cast<HANDLE>(-4) /* DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 */);
}

class WindowsBackend final : public Backend {
public:
    WindowsBackend() {
        LARGE_INTEGER f, c;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&c);
        frequency_ = uint64_t(f.QuadPart);
        origin_ = uint64_t(c.QuadPart);
        // Sleeps to the millisecond, so that a 4 ms animation step waits about 4 ms.
        timeBeginPeriod(1);
    }
    ~WindowsBackend() override {
        close_window();
        timeEndPeriod(1);
    }
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    const char* name() const override { return "windows"; }

    bool open_window(const WindowSpec& spec) override;
    bool has_window() const override { return hwnd_ != nullptr; }
    void close_window() override;
    void pump(InputSink& sink, int wait_ms) override;
    void present(const Image& visible) override;

    uint64_t now_us() override {
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        // Split so that counter * 1e6 cannot overflow however long the program runs.
        const uint64_t d = uint64_t(c.QuadPart) - origin_;
        return d / frequency_ * 1'000'000 + d % frequency_ * 1'000'000 / frequency_;
    }
    // To the next whole millisecond: a step that wakes a little late is made up by the deadlines
    // of the next ones, and nothing spins.
    void sleep_us(uint64_t us) override { Sleep(DWORD(std::min<uint64_t>((us + 999) / 1000, 0x7FFFFFFF))); }
    LocalTime local_time() override {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }

    void beep() override { MessageBeep(0); }
    void message_box(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        MessageBoxW(hwnd_, win::to_wide(text).c_str(), win::to_wide(title).c_str(), MB_OK | MB_ICONERROR);
    }
    // Typed text is always taken while the window exists, as on the desktop; the input method
    // draws its own composition window.
    void set_text_input(bool) override {}
    // The window's icon is the program's icon resource (the same mascot, at every size
    // Windows asks for); the picture given here is kept for nothing else.
    void set_icon(const Icon&) override {}

    void set_display(const DisplaySettings& settings) override {
        const bool full = settings_.fullscreen;
        settings_ = settings;
        if (!hwnd_) return;
        settings_.fullscreen = full;
        if (settings.fullscreen != full) toggle_full_screen();
        redraw();
    }
    DisplaySettings display() const override { return settings_; }
    bool suspended() const override { return hwnd_ && IsIconic(hwnd_); }

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    bool key_down(WPARAM vk, LPARAM lp, bool system);
    void mouse(UINT msg, WPARAM wp, LPARAM lp);
    void text_unit(wchar_t unit);
    void toggle_full_screen();
    WindowScale fit() const {
        return WindowScale::fit(client_w_, client_h_, image_.width(), image_.height(), settings_.scale_mode);
    }
    void redraw();
    void draw(HDC dc);
    // The outer size of a window whose client area is w x h.
    SIZE outer_size(int w, int h) const {
        RECT r{0, 0, w, h};
        AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
        return {r.right - r.left, r.bottom - r.top};
    }
    unsigned buttons_held() const {
        return ((GetKeyState(VK_LBUTTON) & 0x8000) ? 1u : 0u) | ((GetKeyState(VK_RBUTTON) & 0x8000) ? 2u : 0u);
    }

    HWND hwnd_ = nullptr;
    InputSink* sink_ = nullptr;   // during pump
    bool close_pending_ = false;  // a close asked for outside a pump
    Image image_{648, 702};
    int client_w_ = 0, client_h_ = 0;
    int min_client_w_ = 648, min_client_h_ = 702;
    DisplaySettings settings_;
    PointerFilter pointer_;
    WINDOWPLACEMENT windowed_{sizeof(WINDOWPLACEMENT)};
    wchar_t high_surrogate_ = 0;
    uint64_t frequency_ = 1, origin_ = 0;
    // The sharp mode's first stage: the image at a whole factor, nearest-neighbour.
    HBITMAP stage_ = nullptr;
    void* stage_bits_ = nullptr;
    int stage_factor_ = 0;
};

bool WindowsBackend::open_window(const WindowSpec& spec) {
    close_window();
    min_client_w_ = spec.client_width;
    min_client_h_ = spec.client_height;
    image_ = Image(spec.client_width, spec.client_height);
    // The monitor holding the requested corner, its work area and its density.
    HMONITOR monitor = MonitorFromPoint(POINT{spec.x, spec.y}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO mi{sizeof(MONITORINFO)};
    GetMonitorInfoW(monitor, &mi);
    const RECT work = mi.rcWork;
    const int work_w = int(work.right - work.left), work_h = int(work.bottom - work.top);
    // The room for the client area: the work area less the frame and caption.
    const SIZE frame = outer_size(0, 0);
    const int room_w = work_w - int(frame.cx), room_h = work_h - int(frame.cy);
    int factor = settings_.scale;
    const int fits = std::max(1, std::min(room_w / spec.client_width, room_h / spec.client_height));
    if (factor > fits) {
        std::fprintf(stderr,
                     "zell-bowling: a window %d times the picture's size does not fit the desktop (%d x %d); "
                     "it opens %d times the size\n",
                     factor, work_w, work_h, fits);
        factor = fits;
    }
    if (factor <= 0)
        factor = initial_factor(room_w, room_h, monitor_dpi(monitor), spec.client_width, spec.client_height);
    const SIZE outer = outer_size(spec.client_width * factor, spec.client_height * factor);
    const int x = int(work.left) + std::max(0, (work_w - int(outer.cx)) / 2);
    const int y = int(work.top) + std::max(0, (work_h - int(outer.cy)) / 2);
    DWORD style = kWindowStyle;
    if (!spec.resizable) style &= ~DWORD(WS_THICKFRAME | WS_MAXIMIZEBOX);
    if (!spec.minimizable) style &= ~DWORD(WS_MINIMIZEBOX);
    hwnd_ = CreateWindowExW(0, kClassName, win::to_wide(spec.title).c_str(), style, x, y, outer.cx, outer.cy, nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) {
        std::fprintf(stderr, "cannot create the window: %s\n", win::last_error_text().c_str());
        return false;
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    client_w_ = client.right;
    client_h_ = client.bottom;
    pointer_ = PointerFilter();
    if (settings_.fullscreen) {
        settings_.fullscreen = false;
        toggle_full_screen();
    }
    if (spec.visible) {
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
    }
    return true;
}

void WindowsBackend::close_window() {
    if (stage_) DeleteObject(stage_);
    stage_ = nullptr;
    stage_factor_ = 0;
    if (!hwnd_) return;
    HWND h = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(h);
}

void WindowsBackend::pump(InputSink& sink, int wait_ms) {
    sink_ = &sink;
    if (close_pending_) {
        close_pending_ = false;
        sink.close_requested();
    }
    // Waiting costs nothing: the thread sleeps in the kernel until a message or the timeout.
    if (wait_ms > 0) MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(wait_ms), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    // Deliver what is queued now, but not what keeps arriving while we deliver.
    MSG msg;
    for (int n = 0; n < 10'000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        if (msg.message == WM_QUIT) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    sink_ = nullptr;
}

LRESULT CALLBACK WindowsBackend::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<WindowsBackend*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowsBackend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->handle(msg, wp, lp);
}

LRESULT WindowsBackend::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        // The program ends and closes the window itself (the host, at its next pump).
        if (sink_) sink_->close_requested();
        else close_pending_ = true;
        return 0;
    case WM_SIZE:
        client_w_ = LOWORD(lp);
        client_h_ = HIWORD(lp);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_GETMINMAXINFO: {
        // Never smaller than the picture.
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        const SIZE s = outer_size(min_client_w_, min_client_h_);
        mm->ptMinTrackSize = POINT{s.cx, s.cy};
        return 0;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another density: the size Windows suggests keeps the picture's size.
        const RECT* r = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_ERASEBKGND: return 1;  // every pixel is painted
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        draw(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (key_down(wp, lp, msg == WM_SYSKEYDOWN)) return 0;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (wp == VK_F10 || wp == VK_F11 || (wp == VK_RETURN && msg == WM_SYSKEYUP)) return 0;
        if (Key k = windows_key_of(unsigned(wp)); k != Key::None && sink_) sink_->key_up(k);
        if (msg == WM_KEYUP) return 0;
        break;
    case WM_CHAR: {
        const unsigned code = unsigned(wp);
        if (code < 32 || code == 127) {
            // The key that typed a control character, from the message's scan code.
            const unsigned vk = MapVirtualKeyW((lp >> 16) & 0xFF, MAPVK_VSC_TO_VK);
            if (int c = windows_control_char(code, vk); c >= 0 && sink_) sink_->char_typed(uint8_t(c));
        } else {
            text_unit(wchar_t(code));
        }
        return 0;
    }
    case WM_SYSCHAR:
        if (wp == VK_RETURN) return 0;  // Alt+Enter: no beep
        break;
    case WM_IME_COMPOSITION:
        if (lp & GCS_RESULTSTR) {
            // The input method's result, whole; the composition itself is its own window's.
            if (HIMC imc = ImmGetContext(hwnd_)) {
                const LONG bytes = ImmGetCompositionStringW(imc, GCS_RESULTSTR, nullptr, 0);
                std::wstring text(size_t(std::max(0L, bytes)) / sizeof(wchar_t), L'\0');
                if (bytes > 0) ImmGetCompositionStringW(imc, GCS_RESULTSTR, text.data(), DWORD(bytes));
                ImmReleaseContext(hwnd_, imc);
                if (sink_ && !text.empty()) sink_->text_typed(win::to_utf8(text));
            }
            return 0;  // no WM_IME_CHAR: the result arrived here
        }
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: mouse(msg, wp, lp); return 0;
    case WM_CAPTURECHANGED: return 0;
    default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool WindowsBackend::key_down(WPARAM vk, LPARAM lp, bool system) {
    const bool repeat = (lp & (1 << 30)) != 0;
    const bool alt = (lp & (1 << 29)) != 0;
    if (vk == VK_F11 || (vk == VK_RETURN && system && alt)) {
        if (!repeat) toggle_full_screen();
        return true;
    }
    if (vk == VK_F10) {  // Windows sends F10 as a system key (it would open the menu)
        if (!repeat) {
            settings_.scale_mode = settings_.scale_mode == ScaleMode::Sharp ? ScaleMode::Integer : ScaleMode::Sharp;
            redraw();
        }
        return true;
    }
    if (system) return false;  // Alt+F4 and the other system keys: Windows' own
    // Auto-repeated presses are delivered too: a held key keeps typing.
    if (Key k = windows_key_of(unsigned(vk)); k != Key::None && sink_)
        sink_->key_down(k, (GetKeyState(VK_SHIFT) & 0x8000) != 0, (GetKeyState(VK_CONTROL) & 0x8000) != 0);
    return false;  // TranslateMessage makes the character, if the key types one
}

void WindowsBackend::mouse(UINT msg, WPARAM wp, LPARAM lp) {
    const Point at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    const WindowScale scale = fit();
    const MouseButton b = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP ? MouseButton::Left : MouseButton::Right;
    switch (msg) {
    case WM_MOUSEMOVE:
        if (sink_) {
            const unsigned held = ((wp & MK_LBUTTON) ? 1u : 0u) | ((wp & MK_RBUTTON) ? 2u : 0u);
            const PointerFilter::Move m = pointer_.move(scale, at, held);
            sink_->mouse_move(m.at.x, m.at.y, m.buttons);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // Held, the button keeps the mouse: its moves and release outside the window still arrive.
        SetCapture(hwnd_);
        // The message's time is a 32-bit count of milliseconds (a LONG), wrapping after 49 days.
        if (auto p = pointer_.press(scale, b, at); p && sink_)
            sink_->mouse_down(b, p->x, p->y, uint32_t(GetMessageTime()));
        break;
    default:
        if (auto p = pointer_.release(scale, b, at); p && sink_) sink_->mouse_up(b, p->x, p->y);
        if (buttons_held() == 0) ReleaseCapture();
        break;
    }
}

void WindowsBackend::text_unit(wchar_t unit) {
    // A character beyond the BMP comes as two units, the high surrogate first.
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        high_surrogate_ = unit;
        return;
    }
    std::wstring text;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!high_surrogate_) return;
        text = {high_surrogate_, unit};
    } else {
        text = {unit};
    }
    high_surrogate_ = 0;
    if (sink_) sink_->text_typed(win::to_utf8(text));
}

void WindowsBackend::toggle_full_screen() {
    if (!hwnd_) return;
    if (!settings_.fullscreen) {
        // A borderless window over the whole monitor: no mode switch.
        GetWindowPlacement(hwnd_, &windowed_);
        MONITORINFO mi{sizeof(MONITORINFO)};
        GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &mi);
        SetWindowLongPtrW(hwnd_, GWL_STYLE, LONG_PTR(kFullStyle | (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE)));
        SetWindowPos(hwnd_, HWND_TOP, mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right - mi.rcMonitor.left,
                     mi.rcMonitor.bottom - mi.rcMonitor.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
        settings_.fullscreen = true;
    } else {
        SetWindowLongPtrW(hwnd_, GWL_STYLE,
                          LONG_PTR(kWindowStyle | (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE)));
        SetWindowPlacement(hwnd_, &windowed_);
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
        settings_.fullscreen = false;
    }
    redraw();
}

void WindowsBackend::present(const Image& visible) {
    if (!hwnd_ || visible.width() <= 0 || visible.height() <= 0) return;
    if (visible.width() != image_.width() || visible.height() != image_.height()) stage_factor_ = 0;
    image_ = visible;
    redraw();
}

void WindowsBackend::redraw() {
    if (!hwnd_ || IsIconic(hwnd_) || !IsWindowVisible(hwnd_)) return;
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    draw(dc);
    ReleaseDC(hwnd_, dc);
    // Out to the screen now: the program may sleep next (a pause), with no message looked at.
    // Wine shows what was drawn when the thread next looks at its queue, as here.
    GdiFlush();
    MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
}

void WindowsBackend::draw(HDC dc) {
    const WindowScale s = fit();
    const int w = image_.width(), h = image_.height();
    // The image's pixels are 0x00RRGGBB words: a 32-bit top-down DIB as they are.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    const RECT dst{s.origin().x, s.origin().y, s.origin().x + s.width(), s.origin().y + s.height()};
    // Black around the picture only, so that nothing flickers.
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT borders[] = {{0, 0, client_w_, dst.top},
                            {0, dst.bottom, client_w_, client_h_},
                            {0, dst.top, dst.left, dst.bottom},
                            {dst.right, dst.top, client_w_, dst.bottom}};
    for (const RECT& r : borders)
        if (r.right > r.left && r.bottom > r.top) FillRect(dc, &r, black);
    const void* pixels = image_.pixels().data();
    if (s.whole() || s.factor() <= 1) {
        // Whole multiples with nearest-neighbour; smaller than the image, filtered straight from it.
        SetStretchBltMode(dc, s.whole() ? COLORONCOLOR : HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, dst.left, dst.top, s.width(), s.height(), 0, 0, w, h, pixels, &bi, DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    // Sharp: up by the whole factor with nearest-neighbour into the stage, then down to the
    // final size with filtering.
    const int f = s.factor();
    HDC mem = CreateCompatibleDC(dc);
    if (!mem) return;
    if (stage_factor_ != f || !stage_) {
        if (stage_) DeleteObject(stage_);
        BITMAPINFO si = bi;
        si.bmiHeader.biWidth = w * f;
        si.bmiHeader.biHeight = -h * f;
        stage_ = CreateDIBSection(dc, &si, DIB_RGB_COLORS, &stage_bits_, nullptr, 0);
        stage_factor_ = stage_ ? f : 0;
    }
    if (!stage_) {
        DeleteDC(mem);
        SetStretchBltMode(dc, HALFTONE);
        StretchDIBits(dc, dst.left, dst.top, s.width(), s.height(), 0, 0, w, h, pixels, &bi, DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    // The whole-factor copy is made by hand: every pixel repeated f x f times.
    auto* out = static_cast<uint32_t*>(stage_bits_);
    const Rgb* in = image_.pixels().data();
    const size_t row = size_t(w) * size_t(f);
    for (int y = 0; y < h; ++y) {
        uint32_t* line = out + size_t(y) * size_t(f) * row;
        for (int x = 0; x < w; ++x)
            std::fill_n(line + size_t(x) * size_t(f), f, uint32_t(in[size_t(y) * size_t(w) + size_t(x)]));
        for (int k = 1; k < f; ++k) std::copy_n(line, row, line + size_t(k) * row);
    }
    HGDIOBJ old = SelectObject(mem, stage_);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, dst.left, dst.top, s.width(), s.height(), mem, 0, 0, w * f, h * f, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

}  // namespace

std::unique_ptr<Backend> make_windows_backend(std::string* error) {
    declare_dpi_awareness();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof(WNDCLASSEXW)};
    wc.lpfnWndProc = &WindowsBackend::window_proc;
    wc.hInstance = instance;
    // The program's icon resource (1), at the sizes Windows asks for.
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        if (error) *error = "cannot register the window class: " + win::last_error_text();
        return nullptr;
    }
    return std::make_unique<WindowsBackend>();
}

}  // namespace zell
