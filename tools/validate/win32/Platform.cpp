#include "tools/validate/Platform.h"

#include <windows.h>

#include <filesystem>
#include <new>

namespace platform {

namespace {

constexpr const char* kParentClass = "BreltoValidateParent";

std::string quoted(const std::string& argument) {
    if (argument.find_first_of(" \t\"") == std::string::npos && !argument.empty()) return argument;
    std::string out = "\"";
    for (char c : argument)
        out += c == '"' ? std::string("\\\"") : std::string(1, c);
    return out + "\"";
}

// A crash ends the process with the exception's code, not with a debugger.
LONG WINAPI endOnCrash(EXCEPTION_POINTERS* crash) {
    TerminateProcess(GetCurrentProcess(), crash->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int runSelf(const std::vector<std::string>& arguments, int seconds, std::string& abnormal) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = quoted(self);
    for (const std::string& argument : arguments)
        line += " " + quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdOutput, startup.hStdError})
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    // Wine has been seen to fail a start now and then, with nothing to blame
    // in the check: one more try before the check is failed for it.
    constexpr int kStartTries = 2;
    constexpr DWORD kRetryPauseMilliseconds = 200;
    PROCESS_INFORMATION process{};
    bool started = false;
    for (int attempt = 0; attempt < kStartTries && !started; ++attempt) {
        if (attempt > 0) Sleep(kRetryPauseMilliseconds);
        started = CreateProcessA(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process) != 0;
    }
    if (!started) {
        abnormal = "cannot start a process (error " + std::to_string(GetLastError()) + ")";
        return -1;
    }
    constexpr DWORD kMilliseconds = 1000;
    const bool ended = WaitForSingleObject(process.hProcess, static_cast<DWORD>(seconds) *
                                                                 kMilliseconds) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        abnormal = "killed after " + std::to_string(seconds) + " s without an end";
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Exception codes have the top bit set; exit codes of this program do not.
    if ((code & 0x80000000u) == 0) return static_cast<int>(code);
    char text[64];
    wsprintfA(text, "crashed with exception 0x%08lx", static_cast<unsigned long>(code));
    abnormal = text;
    return -1;
}

void prepareChild() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(endOnCrash);
}

std::vector<ObjectCount> systemObjects() {
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return {{"handles", static_cast<long>(handles)},
            {"GDI", static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))},
            {"USER", static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS))}};
}

GuardedBytes::GuardedBytes(const void* bytes, std::size_t size) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    const std::size_t inner = (size + page - 1) / page * page;
    mapped = inner + page;
    base = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, mapped, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (base == nullptr) throw std::bad_alloc();
    DWORD previous = 0;
    VirtualProtect(base + inner, page, PAGE_NOACCESS, &previous);
    at = base + inner - size;
    if (size > 0) CopyMemory(at, bytes, size);
}

GuardedBytes::~GuardedBytes() {
    VirtualFree(base, 0, MEM_RELEASE);
}

ParentWindow::ParentWindow(int width, int height) {
    WNDCLASSA type{};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = kParentClass;
    RegisterClassA(&type);
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND made =
        CreateWindowExA(0, kParentClass, "brelto-validate", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                        nullptr, type.hInstance, nullptr);
    if (made == nullptr) {
        failure = "cannot create a window";
        return;
    }
    ShowWindow(made, SW_SHOWNORMAL);
    window = made;
}

ParentWindow::~ParentWindow() {
    if (window != nullptr) DestroyWindow(static_cast<HWND>(window));
}

void ParentWindow::pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int ParentWindow::children() {
    int count = 0;
    for (HWND child = GetWindow(static_cast<HWND>(window), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

std::string temporaryFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (unsigned attempt = 0;; ++attempt) {
        char name[MAX_PATH];
        wsprintfA(name, "%sbrelto-validate-%lu-%u", base, GetCurrentProcessId(), attempt);
        if (CreateDirectoryA(name, nullptr)) return std::string(name) + "\\";
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string(base);
    }
}

void removeFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace platform
