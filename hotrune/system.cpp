#include "hotrune/system.h"

#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <tlhelp32.h>

#include "hotrune/handles.h"

namespace hotrune {

namespace {

bool RealIsWow64() {
    // Looked up, not imported: IsWow64Process2 is Windows 10 only and the older call suffices.
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64Fn>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

StandbyKind RealStandbyKind() {
    using CapabilitiesFn = BOOLEAN(WINAPI*)(PSYSTEM_POWER_CAPABILITIES);
    using InformationFn = LONG(WINAPI*)(POWER_INFORMATION_LEVEL, PVOID, ULONG, PVOID, ULONG);
    auto capabilities = reinterpret_cast<CapabilitiesFn>(SystemProc("powrprof.dll", "GetPwrCapabilities"));
    auto information = reinterpret_cast<InformationFn>(SystemProc("powrprof.dll", "CallNtPowerInformation"));
    SYSTEM_POWER_CAPABILITIES caps = {};
    if (capabilities && capabilities(&caps) && (caps.SystemS1 || caps.SystemS2 || caps.SystemS3))
        return StandbyKind::Sleep;
    POWER_PLATFORM_INFORMATION platform = {};
    if (information && information(PlatformInformation, nullptr, 0, &platform, sizeof platform) == 0 &&
        platform.AoAc)
        return StandbyKind::DisplayOff;
    return StandbyKind::Unavailable;
}

bool RealStepEndpointVolume(bool up) {
    // COM joins this thread only for as long as the volume is being changed.
    const ComApartment com;
    ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(hotrune::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), enumerator.put_void())))
        return false;
    ComPtr<IMMDevice> device;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, device.put()))) return false;
    ComPtr<IAudioEndpointVolume> volume;
    if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                volume.put_void())))
        return false;
    float level = 0.0f;
    if (FAILED(volume->GetMasterVolumeLevelScalar(&level))) return false;
    level += up ? 0.1f : -0.1f;
    if (level > 1.0f) level = 1.0f;
    if (level < 0.0f) level = 0.0f;
    if (FAILED(volume->SetMasterVolumeLevelScalar(level, nullptr))) return false;
    // Raising the volume of a muted device would change nothing the user can hear.
    if (up) volume->SetMute(FALSE, nullptr);
    return true;
}

// Whether `process` runs elevated; `known` is false when its token is out of reach.
bool TokenElevated(HANDLE process, bool& known) {
    known = false;
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &raw)) return false;
    UniqueHandle token(raw);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
        return false;
    known = true;
    return elevation.TokenIsElevated != 0;
}

// True when some other process of this session runs with a limited token: a program that
// could write the store and have its targets started with our rights.
bool LimitedProgramRuns() {
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return true;  // cannot tell: assume the usual split-token session
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
         more = ::Process32Next(snapshot.get(), &entry)) {
        DWORD theirs = 0;
        if (entry.th32ProcessID == ::GetCurrentProcessId() ||
            !::ProcessIdToSessionId(entry.th32ProcessID, &theirs) || theirs != session)
            continue;
        UniqueHandle process(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        bool known = false;
        if (process && !TokenElevated(process.get(), known) && known) return true;
    }
    return false;
}

bool RealElevatedSplitToken() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    UniqueHandle token(raw);
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size) ||
        type != TokenElevationTypeFull)
        return false;
    // The user's programs run as the shell does. Where every program runs with the full token
    // too (no shell to ask and no limited program in the session), nothing has fewer rights
    // than we have.
    DWORD shellPid = 0;
    const HWND shell = ::GetShellWindow();
    if (shell && ::GetWindowThreadProcessId(shell, &shellPid) && shellPid != 0) {
        UniqueHandle shellProcess(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellPid));
        bool known = false;
        const bool elevated = shellProcess && TokenElevated(shellProcess.get(), known);
        if (known) return !elevated;
    }
    return LimitedProgramRuns();
}

bool RealKeyDown(int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; }

const SystemCalls kReal = {&::CreateProcessA,   &hotrune::ShellExecuteExA,        &RealIsWow64,
                           &RealStandbyKind,    &RealStepEndpointVolume,   &RealElevatedSplitToken,
                           &RealKeyDown};

}  // namespace

// A function of a system DLL as a pointer of type Fn, looked up once; null when missing.
template <typename Fn>
Fn Bound(const char* dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemProc(dll, name)));
}

BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info) {
    static const auto call = Bound<decltype(&::ShellExecuteExA)>("shell32.dll", "ShellExecuteExA");
    if (call) return call(info);
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

HRESULT CoInitializeEx(void* reserved, DWORD flags) {
    static const auto call = Bound<decltype(&::CoInitializeEx)>("ole32.dll", "CoInitializeEx");
    return call ? call(reserved, flags) : E_FAIL;
}

void CoUninitialize() {
    static const auto call = Bound<decltype(&::CoUninitialize)>("ole32.dll", "CoUninitialize");
    if (call) call();
}

HRESULT CoCreateInstance(REFCLSID cls, IUnknown* outer, DWORD context, REFIID iid, void** out) {
    static const auto call = Bound<decltype(&::CoCreateInstance)>("ole32.dll", "CoCreateInstance");
    if (call) return call(cls, outer, context, iid, out);
    if (out) *out = nullptr;
    return E_FAIL;
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR returned, UINT size, HWND callback) {
    static const auto call = Bound<decltype(&::mciSendStringA)>("winmm.dll", "mciSendStringA");
    return call ? call(command, returned, size, callback) : MCIERR_CANNOT_LOAD_DRIVER;
}

BOOL mciGetErrorStringA(MCIERROR error, LPSTR text, UINT size) {
    static const auto call = Bound<decltype(&::mciGetErrorStringA)>("winmm.dll", "mciGetErrorStringA");
    return call ? call(error, text, size) : FALSE;
}

SystemCalls& System() {
    static SystemCalls calls = kReal;
    return calls;
}

const SystemCalls& RealSystem() { return kReal; }

}  // namespace hotrune
