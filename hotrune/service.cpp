#include "hotrune/service.h"

#include <string>

#include "hotrune/actions.h"
#include "hotrune/notify.h"
#include "hotrune/resource.h"
#include "keymap/service.h"
#include "keymap/store.h"

namespace hotrune {

const char kWindowClass[] = "HotruneService";
const char kWindowTitle[] = "Hotrune";

namespace {

constexpr UINT_PTR kForegroundTimer = 1;
constexpr UINT kForegroundPollMs = 100;
constexpr UINT_PTR kReleaseTimer = 2;
constexpr UINT kReleasePollMs = 25;
// A message listing hundreds of lines would not fit on the screen.
constexpr size_t kMaxListedProblems = 25;

std::string RegistrationFailure(DWORD error) {
    if (error == ERROR_HOTKEY_ALREADY_REGISTERED)
        return "another program already uses this key combination (error 1409).";
    return SystemErrorText(error);
}

}  // namespace

Service::~Service() {
    if (window_) ::DestroyWindow(window_);
}

bool Service::Start() {
    reloadMessage_ = ::RegisterWindowMessageA(keymap::kReloadMappingsMessage);
    quitMessage_ = ::RegisterWindowMessageA(keymap::kQuitHotruneMessage);

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_HOTRUNE));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageA(
        instance_, MAKEINTRESOURCEA(IDI_HOTRUNE), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
        ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    const DWORD classError = ::RegisterClassExA(&windowClass) ? 0 : ::GetLastError();

    // A hidden top-level window rather than a message-only one: broadcasts reach only
    // top-level windows.
    window_ = ::CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPED, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                instance_, this);
    if (!window_ || reloadMessage_ == 0 || quitMessage_ == 0) {
        const DWORD error = classError ? classError : ::GetLastError();
        ::MessageBoxA(nullptr,
                      ("Hotrune could not start: its window could not be created.\n" +
                       SystemErrorText(error))
                          .c_str(),
                      kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // Let the messages in even when the service runs with more rights than Runeset.
    ::ChangeWindowMessageFilterEx(window_, reloadMessage_, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(window_, quitMessage_, MSGFLT_ALLOW, nullptr);

    Reload();
    return true;
}

int Service::Run() {
    MSG message;
    BOOL got;
    while ((got = ::GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

LRESULT CALLBACK Service::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Service*>(create->lpCreateParams);
        self->window_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Service*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Out of memory while building a list or a message: drop this one event and keep
        // serving the others.
        return 0;
    }
}

LRESULT Service::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == reloadMessage_ && message != 0) {
        Reload();
        return 0;
    }
    if (message == quitMessage_ && message != 0) {
        UnregisterAll();
        ::DestroyWindow(window_);
        return 0;
    }
    switch (message) {
    case WM_HOTKEY:
        OnHotKey(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kForegroundTimer && !launcher_.BringForward())
            ::KillTimer(window_, kForegroundTimer);
        if (wParam == kReleaseTimer && !ReleaseLetGoKeys()) ::KillTimer(window_, kReleaseTimer);
        return 0;
    case WM_DESTROY:
        UnregisterAll();
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(window_, message, wParam, lParam);
    }
}

void Service::UnregisterAll() {
    for (size_t i = 0; i < registered_.size(); ++i) {
        if (registered_[i]) ::UnregisterHotKey(window_, static_cast<int>(i + 1));
    }
    registered_.clear();
    held_.clear();
    bindings_.clear();
}

void Service::Reload() {
    std::vector<StoredRecord> records;
    const keymap::StoreResult read = keymap::LoadAll([&records](const keymap::LoadedRecord& r) {
        records.push_back(StoredRecord{r.index, r.text, r.mapping, r.wellFormed});
        return true;
    });
    if (read != keymap::StoreResult::Ok) {
        ShowMessage("An unexpected error occurred while Hotrune was trying to read the shortcuts "
                    "from the system registry.\nThe shortcuts stay as they were.");
        return;
    }

    BindingPlan plan = PlanBindings(records);
    std::vector<std::string> problems = std::move(plan.problems);
    // A hotkey whose id keeps the same combination stays registered: most reloads change one
    // shortcut, and giving every other one up and taking it back costs two system calls each
    // and a moment in which another program could take it. All the others are given up
    // before any is taken, so a combination that moves to another id is free to move.
    std::vector<bool> kept(plan.bindings.size(), false);
    for (size_t i = 0; i < registered_.size(); ++i) {
        if (!registered_[i]) continue;
        if (i < plan.bindings.size() && plan.bindings[i].hotkey.modifiers == bindings_[i].hotkey.modifiers &&
            plan.bindings[i].hotkey.vk == bindings_[i].hotkey.vk)
            kept[i] = true;
        else
            ::UnregisterHotKey(window_, static_cast<int>(i + 1));
    }
    // A kept shortcut whose key is still down stays held: its auto-repeat must not fire it.
    std::vector<bool> held(kept.size(), false);
    for (size_t i = 0; i < kept.size(); ++i) held[i] = kept[i] && held_[i];
    bindings_ = std::move(plan.bindings);
    registered_ = kept;
    held_ = std::move(held);
    for (size_t i = 0; i < bindings_.size(); ++i) {
        if (kept[i]) continue;
        const Hotkey& hotkey = bindings_[i].hotkey;
        // MOD_NOREPEAT: a held key fires once.
        if (::RegisterHotKey(window_, static_cast<int>(i + 1), hotkey.modifiers | MOD_NOREPEAT,
                             hotkey.vk)) {
            registered_[i] = true;
        } else {
            problems.push_back(DescribeBinding(bindings_[i]) + ": " +
                               RegistrationFailure(::GetLastError()));
        }
    }
    if (problems.empty()) return;

    std::string text = "Hotrune could not set up these shortcuts:\n";
    for (size_t i = 0; i < problems.size() && i < kMaxListedProblems; ++i)
        text += "\n" + problems[i];
    if (problems.size() > kMaxListedProblems)
        text += "\n... and " + std::to_string(problems.size() - kMaxListedProblems) + " more.";
    bool anyWorks = false;
    for (bool held : registered_) anyWorks = anyWorks || held;
    if (anyWorks) text += "\n\nThe other shortcuts work as usual.";
    ShowMessage(text);
}

void Service::OnHotKey(WPARAM id) {
    if (id == 0 || id > bindings_.size() || !registered_[id - 1]) return;
    if (held_[id - 1]) return;  // auto-repeat of a key still held down
    held_[id - 1] = true;
    ::SetTimer(window_, kReleaseTimer, kReleasePollMs, nullptr);
    // Copied: a target may pump messages (a reload could replace the bindings meanwhile).
    const Binding binding = bindings_[id - 1];
    for (const std::string& target : binding.targets)
        CarryOut(target, binding.shortcutText, window_, launcher_);
    if (launcher_.BringForward()) ::SetTimer(window_, kForegroundTimer, kForegroundPollMs, nullptr);
}

bool Service::ReleaseLetGoKeys() {
    bool anyHeld = false;
    for (size_t i = 0; i < held_.size(); ++i) {
        if (!held_[i]) continue;
        if (::GetAsyncKeyState(static_cast<int>(bindings_[i].hotkey.vk)) & 0x8000)
            anyHeld = true;
        else
            held_[i] = false;
    }
    return anyHeld;
}

}  // namespace hotrune
