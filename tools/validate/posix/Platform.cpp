#include "tools/validate/Platform.h"

#include <X11/Xlib.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

int runSelf(const std::vector<std::string>& arguments, int seconds, std::string& abnormal) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) {
        abnormal = "cannot find this program";
        return -1;
    }
    self[length] = 0;
    std::vector<char*> argv = {self};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, self, nullptr, nullptr, argv.data(), environ) != 0) {
        abnormal = "cannot start a process";
        return -1;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        abnormal = "killed after " + std::to_string(seconds) + " s without an end";
        return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    const int number = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    abnormal = "crashed with signal " + std::to_string(number) + " (" + strsignal(number) + ")";
    return -1;
}

void prepareChild() {}

std::vector<ObjectCount> systemObjects() {
    long open = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder) != nullptr)
            ++open;
        closedir(folder);
    }
    return {{"descriptors", open}};
}

GuardedBytes::GuardedBytes(const void* bytes, std::size_t size) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t inner = (size + page - 1) / page * page;
    mapped = inner + page;
    void* memory =
        mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    base = static_cast<unsigned char*>(memory);
    mprotect(base + inner, page, PROT_NONE);
    at = base + inner - size;
    if (size > 0) std::memcpy(at, bytes, size);
}

GuardedBytes::~GuardedBytes() {
    munmap(base, mapped);
}

ParentWindow::ParentWindow(int width, int height) {
    Display* server = XOpenDisplay(nullptr);
    if (server == nullptr) {
        failure = "no X display";
        return;
    }
    display = server;
    const Window made =
        XCreateSimpleWindow(server, DefaultRootWindow(server), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(server, made);
    XSync(server, False);
    window = reinterpret_cast<void*>(made);
}

ParentWindow::~ParentWindow() {
    if (display == nullptr) return;
    auto* server = static_cast<Display*>(display);
    if (window != nullptr) XDestroyWindow(server, reinterpret_cast<Window>(window));
    XCloseDisplay(server);
}

void ParentWindow::pump() {
    if (display == nullptr) return;
    auto* server = static_cast<Display*>(display);
    XSync(server, False);
    while (XPending(server) > 0) {
        XEvent event;
        XNextEvent(server, &event);
    }
}

int ParentWindow::children() {
    if (display == nullptr) return 0;
    auto* server = static_cast<Display*>(display);
    Window root = 0, above = 0;
    Window* inside = nullptr;
    unsigned count = 0;
    XSync(server, False);
    if (!XQueryTree(server, reinterpret_cast<Window>(window), &root, &above, &inside, &count))
        return 0;
    if (inside != nullptr) XFree(inside);
    return static_cast<int>(count);
}

std::string temporaryFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "brelto-validate.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder");
    return pattern + "/";
}

void removeFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace platform
