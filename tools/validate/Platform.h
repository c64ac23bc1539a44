// What the validator needs of the operating system, one file per platform:
// running a check in a process of its own, counting the process's system
// objects, memory with guard pages, a parent window for an editor, files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Runs this program again with the arguments given, sharing our output. The
// exit code, or -1 when it ended abnormally or was ended after `seconds`, with
// the reason in `abnormal`.
int runSelf(const std::vector<std::string>& arguments, int seconds, std::string& abnormal);
// In a check's own process: a crash ends it at once, without a dialog.
void prepareChild();

// Open system objects of the process by kind ("descriptors" or "handles",
// "GDI", "USER"), for comparing before and after.
struct ObjectCount {
    const char* kind;
    long count;
};
std::vector<ObjectCount> systemObjects();

// Bytes that end against a no-access page, so that a read past their end
// faults at once.
class GuardedBytes {
public:
    GuardedBytes(const void* bytes, std::size_t size);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    unsigned char* data() const { return at; }

private:
    unsigned char* base = nullptr;
    std::size_t mapped = 0;
    unsigned char* at = nullptr;
};

// A top-level window for an editor to open in; `handle` is what
// effEditOpen takes (an X11 window id or a Windows HWND).
class ParentWindow {
public:
    ParentWindow(int width, int height);
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    // Empty when the window exists; else why not.
    const std::string& error() const { return failure; }
    void* handle() const { return window; }
    // Lets the window system deliver what is pending.
    void pump();
    // Windows inside it now: an editor's, while it is open.
    int children();

private:
    void* display = nullptr;
    void* window = nullptr;
    std::string failure;
};

// A new empty folder for temporary files, with a trailing separator.
std::string temporaryFolder();
void removeFolder(const std::string& folder);

} // namespace platform
