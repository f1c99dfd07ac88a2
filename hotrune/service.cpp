#include "hotrune/service.h"

#include <string>

#include "hotrune/actions.h"
#include "hotrune/notify.h"
#include "hotrune/resource.h"
#include "hotrune/system.h"
#include "keymap/service.h"
#include "keymap/store.h"

namespace hotrune {

const char kWindowClass[] = "HotruneService";
const char kWindowTitle[] = "Hotrune";

namespace {

constexpr UINT_PTR kKeyTimer = 2;
constexpr UINT kKeyPollMs = 25;
// The modifier bits of a WM_HOTKEY's lParam.
constexpr UINT kModifierMask = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;
// A message listing hundreds of lines would not fit on the screen.
constexpr size_t kMaxListedProblems = 25;

std::string RegistrationFailure(DWORD error) {
    if (error == ERROR_HOTKEY_ALREADY_REGISTERED)
        return "another program already uses this key combination (error 1409).";
    return SystemErrorText(error);
}

}  // namespace

bool RepeatsArriveDespiteNoRepeat() {
    // Wine delivers every auto-repeat of a hotkey, whatever the flag says.
    if (::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")) return true;
    // Windows 7 (6.1) is the first to honour MOD_NOREPEAT. The manifest declares every later
    // version, so GetVersionEx tells the truth here.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExA(&version)) return false;
    return version.dwMajorVersion < 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion < 1);
}

Service::Service(HINSTANCE instance, bool filterRepeats)
    : instance_(instance), filterRepeats_(filterRepeats) {}

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
    // The message filter stays closed to programs with fewer rights: the service never runs
    // with more rights than the user's own programs (main refuses an elevated start), and a
    // lower one must not make it reload a store it may have written.

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
        if (self) {  // a window of our class made by anyone else has no service behind it
            self->window_ = hwnd;
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
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
        OnHotKey(wParam, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == kKeyTimer && !PollKeys()) ::KillTimer(window_, kKeyTimer);
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
    for (size_t i = 0; i < bound_.size(); ++i) {
        if (bound_[i].registered) ::UnregisterHotKey(window_, static_cast<int>(i + 1));
    }
    bound_.clear();
}

void Service::Reload() {
    std::vector<StoredRecord> records;
    bool beyondLimit = false;
    const keymap::StoreResult read =
        keymap::LoadAllReadOnly([&records, &beyondLimit](const keymap::LoadedRecord& r) {
            if (records.size() >= static_cast<size_t>(kMaxShortcuts)) {
                beyondLimit = true;
                return false;
            }
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
    std::vector<Bound> next;
    next.reserve(plan.bindings.size());
    for (Binding& binding : plan.bindings) next.push_back(Bound{std::move(binding), false, false});
    for (size_t i = 0; i < bound_.size(); ++i) {
        if (!bound_[i].registered) continue;
        const Hotkey& was = bound_[i].binding.hotkey;
        if (i < next.size() && next[i].binding.hotkey.modifiers == was.modifiers &&
            next[i].binding.hotkey.vk == was.vk) {
            next[i].registered = true;
            // A kept shortcut whose key is still down stays held: its auto-repeat must not fire it.
            next[i].held = bound_[i].held;
        } else {
            ::UnregisterHotKey(window_, static_cast<int>(i + 1));
        }
    }
    bound_ = std::move(next);
    for (size_t i = 0; i < bound_.size(); ++i) {
        if (bound_[i].registered) continue;
        const Hotkey& hotkey = bound_[i].binding.hotkey;
        // MOD_NOREPEAT: a held key fires once.
        if (::RegisterHotKey(window_, static_cast<int>(i + 1), hotkey.modifiers | MOD_NOREPEAT,
                             hotkey.vk)) {
            bound_[i].registered = true;
        } else {
            problems.push_back(DescribeBinding(bound_[i].binding) + ": " +
                               RegistrationFailure(::GetLastError()));
        }
    }
    if (problems.empty() && !beyondLimit) return;

    std::string text;
    if (!problems.empty()) {
        text = "Hotrune could not set up these shortcuts:\n";
        for (size_t i = 0; i < problems.size() && i < kMaxListedProblems; ++i)
            text += "\n" + problems[i];
        if (problems.size() > kMaxListedProblems)
            text += "\n... and " + std::to_string(problems.size() - kMaxListedProblems) + " more.";
    }
    if (beyondLimit) {
        if (!text.empty()) text += "\n\n";
        text += "Only the first " + std::to_string(kMaxShortcuts) +
                " shortcuts are used, the ones Runeset shows.\nThe others are kept unchanged.";
    }
    bool anyWorks = false;
    for (const Bound& b : bound_) anyWorks = anyWorks || b.registered;
    if (anyWorks && !problems.empty()) text += "\n\nThe other shortcuts work as usual.";
    ShowMessage(text);
}

void Service::OnHotKey(WPARAM id, LPARAM keys) {
    if (id == 0 || id > bound_.size() || !bound_[id - 1].registered) return;
    Bound& bound = bound_[id - 1];
    // Ids are handed out afresh at every reload: a press queued before a reload may arrive
    // with an id that now names another shortcut. Only the keys it carries are trusted.
    const UINT modifiers = static_cast<UINT>(LOWORD(keys)) & kModifierMask;
    const UINT vk = HIWORD(keys);
    if (modifiers != bound.binding.hotkey.modifiers || vk != bound.binding.hotkey.vk) return;
    if (filterRepeats_) {
        // An auto-repeat of a key still down; once it was let go, a press always fires.
        if (bound.held && System().keyDown(static_cast<int>(vk))) return;
        bound.held = true;
        ::SetTimer(window_, kKeyTimer, kKeyPollMs, nullptr);
    }
    // Copied: a target may pump messages (a reload could replace the bindings meanwhile).
    const Binding binding = bound.binding;
    const ActionContext context{window_, launcher_, [this, &binding](std::function<void()> action) {
                                    afterRelease_.push_back(AfterRelease{binding.hotkey, std::move(action),
                                                                         ::GetTickCount64() + kReleaseWaitMs});
                                    ::SetTimer(window_, kKeyTimer, kKeyPollMs, nullptr);
                                }};
    for (const std::string& target : binding.targets) CarryOut(target, binding.shortcutText, context);
    // Right away when the keys are already up (a press too short for the first poll).
    PollKeys();
}

bool Service::KeysDown(const Hotkey& hotkey) const {
    const SystemCalls& system = System();
    if (system.keyDown(static_cast<int>(hotkey.vk))) return true;
    const struct {
        UINT modifier;
        int vk;
    } modifiers[] = {{MOD_CONTROL, VK_CONTROL}, {MOD_ALT, VK_MENU}, {MOD_SHIFT, VK_SHIFT},
                     {MOD_WIN, VK_LWIN},        {MOD_WIN, VK_RWIN}};
    for (const auto& m : modifiers) {
        if ((hotkey.modifiers & m.modifier) && system.keyDown(m.vk)) return true;
    }
    return false;
}

bool Service::PollKeys() {
    bool waiting = false;
    for (Bound& b : bound_) {
        if (!b.held) continue;
        if (System().keyDown(static_cast<int>(b.binding.hotkey.vk)))
            waiting = true;
        else
            b.held = false;
    }
    // Taken out before running: an action may pump messages and come back here.
    std::vector<AfterRelease> ready;
    for (size_t i = 0; i < afterRelease_.size();) {
        if (KeysDown(afterRelease_[i].hotkey) && ::GetTickCount64() < afterRelease_[i].deadline) {
            waiting = true;
            ++i;
        } else {
            ready.push_back(std::move(afterRelease_[i]));
            afterRelease_.erase(afterRelease_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (AfterRelease& r : ready) r.action();
    return waiting || !afterRelease_.empty();
}

}  // namespace hotrune
