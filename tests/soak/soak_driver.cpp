// SPDX-License-Identifier: GPL-3.0-or-later
// The random-input soak test. Starts the real program on an X server without a
// window manager (an Xvfb screen) and sends it, from a seeded generator, what a
// user can do: the commands' shortcuts, menus by keyboard, clicks, drags and the
// wheel, formulas typed (good and bad), dialogs answered at random, windows
// opened, closed and switched. It watches for the program dying, for a
// sanitizer report in its standard error, and for a hang (an unanswered
// _NET_WM_PING), and ends the program with SIGTERM at the end, so that
// LeakSanitizer runs at its exit. On a finding it prints the seed and the last
// actions, so that the run can be replayed.
//
//   curvane_soak --seed N --seconds S --program PATH --examples DIR --scratch DIR [--rate R] [--trace]
//
// Exit status: 0 without a finding, 1 with one, 2 for bad arguments or no X server.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TClock = std::chrono::steady_clock;
using TRandom = std::mt19937_64;

// ---------------------------------------------------------------------------
// Options

struct TOptions {
    std::uint64_t Seed = 1;
    double Seconds = 60;
    double Rate = 20;    // actions a second
    bool Trace = false;  // print every action as it is sent
    std::string Program, Examples, Scratch;
};

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "curvane_soak: " << problem << "\n"
              << "usage: curvane_soak --seed N --seconds S --program PATH --examples DIR --scratch DIR [--rate R]"
                 " [--trace]\n";
    std::exit(2);
}

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--trace") {
            options.Trace = true;
            continue;
        }
        if (i + 1 >= argc) Usage("missing value after " + name);
        const std::string value = argv[++i];
        try {
            if (name == "--seed")
                options.Seed = std::stoull(value);
            else if (name == "--seconds")
                options.Seconds = std::stod(value);
            else if (name == "--rate")
                options.Rate = std::stod(value);
            else if (name == "--program")
                options.Program = value;
            else if (name == "--examples")
                options.Examples = value;
            else if (name == "--scratch")
                options.Scratch = value;
            else
                Usage("unknown option " + name);
        } catch (const std::logic_error&) {
            Usage("bad value for " + name + ": " + value);
        }
    }
    if (options.Program.empty() || options.Scratch.empty()) Usage("--program and --scratch are needed");
    if (options.Rate <= 0 || options.Seconds <= 0) Usage("--rate and --seconds must be above 0");
    return options;
}

// ---------------------------------------------------------------------------
// The record of what was sent, for the report of a finding.

class TActionLog {
public:
    TActionLog(TClock::time_point start, bool trace) : FStart(start), FTrace(trace) {}

    double Elapsed() const { return std::chrono::duration<double>(TClock::now() - FStart).count(); }

    void Add(const std::string& text) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%8.2fs ", Elapsed());
        FLast.push_back(stamp + text);
        if (FTrace) std::cout << FLast.back() << std::endl;
        if (FLast.size() > Kept) FLast.pop_front();
        ++FCount;
    }

    void Print(std::ostream& out) const {
        out << "last " << FLast.size() << " actions:\n";
        for (const std::string& line : FLast) out << "  " << line << "\n";
    }

    long Count() const { return FCount; }

private:
    static constexpr std::size_t Kept = 50;
    TClock::time_point FStart;
    bool FTrace;
    std::deque<std::string> FLast;
    long FCount = 0;
};

// ---------------------------------------------------------------------------
// The X server: the program's windows, and input through the XTest extension.

// Windows come and go between a query and the next request about them; the
// errors that races cause are expected and ignored (Xlib would exit).
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

struct TTopLevel {
    Window Id = 0;
    std::string Name;
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool Transient = false;  // a dialog or message box (WM_TRANSIENT_FOR)
    bool Modal = false;      // _NET_WM_STATE_MODAL: blocks input to the others
    bool Popup = false;      // a menu, a tool tip or a list: override-redirect
};

class TScreen {
public:
    TScreen() {
        FDisplay = XOpenDisplay(nullptr);
        if (!FDisplay) Usage("cannot open the display named by DISPLAY (start Xvfb first)");
        int event, error, major, minor;
        if (!XTestQueryExtension(FDisplay, &event, &error, &major, &minor))
            Usage("the X server lacks the XTest extension");
        XSetErrorHandler(IgnoreXError);
        FRoot = DefaultRootWindow(FDisplay);
        // The ping answers are sent to the root for StructureNotify and
        // SubstructureRedirect listeners (Qt's mask; a window manager's
        // SubstructureNotify in other toolkits). Never SubstructureRedirect:
        // that would make this program the window manager.
        XSelectInput(FDisplay, FRoot, StructureNotifyMask | SubstructureNotifyMask);
        FWmProtocols = Intern("WM_PROTOCOLS");
        FPing = Intern("_NET_WM_PING");
        FPid = Intern("_NET_WM_PID");
        FState = Intern("_NET_WM_STATE");
        FModal = Intern("_NET_WM_STATE_MODAL");
        FUtf8 = Intern("UTF8_STRING");
        FNetName = Intern("_NET_WM_NAME");
        FTimeAtom = Intern("CURVANE_SOAK_TIME");
        // An unmapped window of our own, whose property changes tell the server's time.
        XSetWindowAttributes attributes{};
        attributes.event_mask = PropertyChangeMask;
        FClock = XCreateWindow(FDisplay, FRoot, 0, 0, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask, &attributes);
        XSync(FDisplay, False);
    }
    ~TScreen() { XCloseDisplay(FDisplay); }
    TScreen(const TScreen&) = delete;
    TScreen& operator=(const TScreen&) = delete;

    // The mapped top-level windows of the process, bottom to top (the root's
    // children are in stacking order).
    std::vector<TTopLevel> TopLevels(pid_t pid) {
        std::vector<TTopLevel> result;
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(FDisplay, FRoot, &root, &parent, &children, &count)) return result;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(FDisplay, children[i], &attributes) || attributes.map_state != IsViewable)
                continue;
            if (WindowPid(children[i]) != pid) continue;
            TTopLevel window;
            window.Id = children[i];
            window.X = attributes.x;
            window.Y = attributes.y;
            window.Width = attributes.width;
            window.Height = attributes.height;
            window.Popup = attributes.override_redirect;
            window.Name = WindowName(children[i]);
            Window owner = 0;
            window.Transient = XGetTransientForHint(FDisplay, children[i], &owner) && owner != 0;
            window.Modal = HasState(children[i], FModal);
            result.push_back(window);
        }
        if (children) XFree(children);
        return result;
    }

    // Gives the keyboard focus to a window (there is no window manager to do it).
    void Focus(Window window) {
        XRaiseWindow(FDisplay, window);
        XSetInputFocus(FDisplay, window, RevertToParent, CurrentTime);
        XFlush(FDisplay);
    }

    // The top-level window (a child of the root) that holds the focus, or 0.
    Window FocusedTopLevel() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(FDisplay, &focus, &revert);
        while (focus != 0 && focus != PointerRoot && focus != FRoot) {
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(FDisplay, focus, &root, &parent, &children, &count)) return 0;
            if (children) XFree(children);
            if (parent == FRoot) return focus;
            focus = parent;
        }
        return 0;
    }

    // A key with modifiers, "Ctrl+Shift+F4" or "Alt+Left" or "KP_Add"; false
    // when the keyboard map has no such key.
    bool Key(const std::string& spec) {
        std::vector<std::string> parts;
        std::stringstream stream(spec);
        for (std::string part; std::getline(stream, part, '+');) parts.push_back(part);
        // "Ctrl++" would split badly; the tables write "plus" instead.
        std::vector<KeyCode> modifiers;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const char* name = parts[i] == "Ctrl" ? "Control_L" : parts[i] == "Alt" ? "Alt_L" : "Shift_L";
            modifiers.push_back(XKeysymToKeycode(FDisplay, XStringToKeysym(name)));
        }
        const KeySym keysym = XStringToKeysym(parts.back().c_str());
        return keysym != NoSymbol && Press(keysym, modifiers);
    }

    // Types text character by character (Shift where the keyboard map needs it).
    void Type(const std::string& text) {
        for (const char c : text) Press(CharKeysym(c), {});
    }

    // Holds down or lets go of a modifier ("Control_L", "Shift_L").
    void Hold(const char* keysymName, bool down) {
        XTestFakeKeyEvent(FDisplay, XKeysymToKeycode(FDisplay, XStringToKeysym(keysymName)), down ? True : False,
                          CurrentTime);
        XFlush(FDisplay);
    }

    void MoveTo(int x, int y) {
        XTestFakeMotionEvent(FDisplay, -1, x, y, CurrentTime);
        XFlush(FDisplay);
    }
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(FDisplay, button, down ? True : False, CurrentTime);
        XFlush(FDisplay);
    }

    // Asks the window to answer a ping; returns the timestamp sent.
    Time SendPing(Window window) {
        const Time now = ServerTime();
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = FWmProtocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(FPing);
        event.xclient.data.l[1] = static_cast<long>(now);
        event.xclient.data.l[2] = static_cast<long>(window);
        XSendEvent(FDisplay, window, False, NoEventMask, &event);
        XFlush(FDisplay);
        return now;
    }

    // Reads the events that arrived; calls `answered` with the timestamp of
    // each ping answer (the program sends it back to the root).
    void DrainEvents(const std::function<void(Time)>& answered) {
        while (XPending(FDisplay) > 0) {
            XEvent event;
            XNextEvent(FDisplay, &event);
            if (event.type == ClientMessage && event.xclient.message_type == FWmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == FPing && event.xclient.window == FRoot)
                answered(static_cast<Time>(event.xclient.data.l[1]));
        }
    }

private:
    Atom Intern(const char* name) { return XInternAtom(FDisplay, name, False); }

    // The server's current time, from a property change on our own window,
    // so that the program, which takes a ping's time as the latest X time,
    // never goes back in time (its focus requests would be refused).
    Time ServerTime() {
        XChangeProperty(FDisplay, FClock, FTimeAtom, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        XWindowEvent(FDisplay, FClock, PropertyChangeMask, &event);
        return event.xproperty.time;
    }

    bool Press(KeySym keysym, std::vector<KeyCode> modifiers) {
        const KeyCode code = XKeysymToKeycode(FDisplay, keysym);
        if (code == 0) return false;
        // A symbol on the shifted level of its key needs Shift.
        if (XkbKeycodeToKeysym(FDisplay, code, 0, 0) != keysym && XkbKeycodeToKeysym(FDisplay, code, 0, 1) == keysym)
            modifiers.push_back(XKeysymToKeycode(FDisplay, XK_Shift_L));
        for (const KeyCode modifier : modifiers) XTestFakeKeyEvent(FDisplay, modifier, True, CurrentTime);
        XTestFakeKeyEvent(FDisplay, code, True, CurrentTime);
        XTestFakeKeyEvent(FDisplay, code, False, CurrentTime);
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
            XTestFakeKeyEvent(FDisplay, *it, False, CurrentTime);
        XFlush(FDisplay);
        return true;
    }

    static KeySym CharKeysym(char c) {
        static const std::pair<char, const char*> names[] = {
            {' ', "space"},    {'(', "parenleft"},  {')', "parenright"}, {'^', "asciicircum"}, {'*', "asterisk"},
            {'+', "plus"},     {'-', "minus"},      {'/', "slash"},      {'.', "period"},      {',', "comma"},
            {'=', "equal"},    {'_', "underscore"}, {'%', "percent"},    {'!', "exclam"},      {'<', "less"},
            {'>', "greater"},  {':', "colon"},      {';', "semicolon"},  {'"', "quotedbl"},    {'\'', "apostrophe"},
            {'[', "bracketleft"}, {']', "bracketright"}, {'?', "question"}, {'#', "numbersign"}, {'~', "asciitilde"},
        };
        for (const auto& [character, name] : names)
            if (character == c) return XStringToKeysym(name);
        return XStringToKeysym(std::string(1, c).c_str());
    }

    pid_t WindowPid(Window window) {
        ::Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        pid_t pid = 0;
        if (XGetWindowProperty(FDisplay, window, FPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data) {
            if (items == 1 && format == 32) pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
            XFree(data);
        }
        return pid;
    }

    std::string WindowName(Window window) {
        ::Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        std::string name;
        if (XGetWindowProperty(FDisplay, window, FNetName, 0, 256, False, FUtf8, &type, &format, &items, &after,
                               &data) == Success &&
            data) {
            name.assign(reinterpret_cast<char*>(data), items);
            XFree(data);
        }
        if (name.empty()) {
            char* plain = nullptr;
            if (XFetchName(FDisplay, window, &plain) && plain) {
                name = plain;
                XFree(plain);
            }
        }
        return name;
    }

    bool HasState(Window window, ::Atom state) {
        ::Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        bool found = false;
        if (XGetWindowProperty(FDisplay, window, FState, 0, 32, False, XA_ATOM, &type, &format, &items, &after,
                               &data) == Success &&
            data) {
            const auto* atoms = reinterpret_cast<unsigned long*>(data);
            found = std::find(atoms, atoms + items, state) != atoms + items;
            XFree(data);
        }
        return found;
    }

    Display* FDisplay = nullptr;
    Window FRoot = 0, FClock = 0;
    ::Atom FWmProtocols = 0, FPing = 0, FPid = 0, FState = 0, FModal = 0, FUtf8 = 0, FNetName = 0, FTimeAtom = 0;
};

// ---------------------------------------------------------------------------
// The program under test

// The folders a run keeps everything in: settings, state (recovery copies,
// error log), the documents it opens and the files its dialogs save.
struct TScratch {
    fs::path Root;
    fs::path Docs() const { return Root / "docs"; }
    fs::path Files() const { return Root / "files"; }
    fs::path Work() const { return Root / "work"; }
    fs::path Log() const { return Root / "curvane-stderr.log"; }

    // Empties the folders of an earlier run (only the ones named here: the
    // scratch folder itself may hold other things), and copies the examples,
    // so that a save never writes into the source tree.
    void Prepare(const std::string& examples) const {
        for (const char* name : {"home", "config", "data", "cache", "state", "runtime", "docs", "files", "work"}) {
            fs::remove_all(Root / name);
            fs::create_directories(Root / name);
        }
        fs::permissions(Root / "runtime", fs::perms::owner_all);
        fs::remove(Log());
        if (examples.empty()) return;
        for (const auto& entry : fs::directory_iterator(examples))
            if (entry.path().extension() == ".gfx") fs::copy_file(entry.path(), Docs() / entry.path().filename());
    }

    std::vector<std::string> Documents() const {
        std::vector<std::string> paths;
        for (const fs::path& folder : {Docs(), Files()})
            for (const auto& entry : fs::directory_iterator(folder))
                if (entry.path().extension() == ".gfx") paths.push_back(entry.path().string());
        std::sort(paths.begin(), paths.end());  // the directory's order is not the same every time
        return paths;
    }
};

// The sanitizers' options the run needs, where the caller gave none, and
// the library that keeps Mesa's driver loaded until LeakSanitizer has
// looked (see keep_libraries_loaded.c). It comes before the sanitizer's
// run-time library, which ASan refuses unless told not to check.
void SetSanitizerDefaults() {
    setenv("ASAN_OPTIONS", "detect_leaks=1", 0);
    setenv("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1", 0);
#ifdef CURVANE_SOAK_LSAN_SUPPRESSIONS
    setenv("LSAN_OPTIONS", "suppressions=" CURVANE_SOAK_LSAN_SUPPRESSIONS ":print_suppressions=0", 0);
#endif
#ifdef CURVANE_SOAK_PRELOAD
    setenv("ASAN_OPTIONS", (std::string(std::getenv("ASAN_OPTIONS")) + ":verify_asan_link_order=0").c_str(), 1);
    const char* preload = std::getenv("LD_PRELOAD");
    setenv("LD_PRELOAD", (std::string(CURVANE_SOAK_PRELOAD) + (preload ? std::string(":") + preload : "")).c_str(),
           1);
#endif
}

class TProgram {
public:
    TProgram(std::string path, const TScratch& scratch) : FPath(std::move(path)), FScratch(scratch) {}

    // Starts the program with the documents on its command line, its
    // standard output and error appended to the log.
    void Start(const std::vector<std::string>& documents) {
        std::vector<std::string> args{FPath};
        if (!documents.empty()) args.push_back("--");
        args.insert(args.end(), documents.begin(), documents.end());
        FStatus.reset();
        FPid = fork();
        if (FPid < 0) {
            std::perror("fork");
            std::exit(2);
        }
        if (FPid > 0) return;
        const fs::path& root = FScratch.Root;
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
        // The program would keep its settings beside an executable in a build folder.
        setenv("CURVANE_SETTINGS", (root / "config" / "curvane.ini").c_str(), 1);
        setenv("CURVANE_ERROR_LOG", (root / "state" / "curvane.err").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus to wait for
        SetSanitizerDefaults();
        if (chdir(FScratch.Work().c_str()) != 0) _exit(127);
        const int log = open(FScratch.Log().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        std::perror("execv");
        _exit(127);
    }

    pid_t Pid() const { return FPid; }
    bool Running() const { return FPid > 0; }

    // The wait status once the program has ended (until the next start), else nothing.
    std::optional<int> Ended() {
        if (FStatus || FPid <= 0) return FStatus;
        int status = 0;
        if (waitpid(FPid, &status, WNOHANG) != FPid) return std::nullopt;
        FPid = 0;
        FStatus = status;
        return FStatus;
    }

    // Waits up to `seconds` for the end; the wait status, or nothing.
    std::optional<int> WaitEnd(double seconds) {
        const auto until = TClock::now() + std::chrono::duration<double>(seconds);
        while (TClock::now() < until) {
            if (auto status = Ended()) return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }

    void Signal(int signal) {
        if (FPid > 0) kill(FPid, signal);
    }

    // Kills it for good and collects it.
    void Kill() {
        if (FPid <= 0) return;
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
        FPid = 0;
    }

    // The log's new lines since the last call.
    std::vector<std::string> NewLogLines() {
        std::ifstream in(FScratch.Log(), std::ios::binary);
        std::vector<std::string> lines;
        if (!in) return lines;
        in.seekg(static_cast<std::streamoff>(FLogRead));
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Only whole lines: the rest is read again next time.
        const std::size_t end = text.rfind('\n');
        if (end == std::string::npos) return lines;
        FLogRead += end + 1;
        std::stringstream stream(text.substr(0, end));
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }

    // The log from the line that starts a report, up to `count` lines.
    std::vector<std::string> LogFrom(const std::string& marker, std::size_t count) const {
        std::ifstream in(FScratch.Log());
        std::vector<std::string> lines;
        bool found = false;
        for (std::string line; std::getline(in, line) && lines.size() < count;) {
            if (!found && line.find(marker) == std::string::npos) continue;
            found = true;
            lines.push_back(line);
        }
        return lines;
    }

private:
    std::string FPath;
    const TScratch& FScratch;
    pid_t FPid = 0;
    std::optional<int> FStatus;
    std::size_t FLogRead = 0;
};

// The lines in a sanitizer's report that make it a finding.
const char* SanitizerMarker(const std::string& line) {
    for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
        if (line.find(marker) != std::string::npos) return marker;
    return nullptr;
}

std::string DescribeStatus(int status) {
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        return "killed by signal " + std::to_string(number) + " (" + strsignal(number) + ")";
    }
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

// ---------------------------------------------------------------------------
// Random input

// Every command's shortcut, from the command groups' tables (and QMdiArea's
// own window switching). Alt+X (Exit) is among them: a run that exits is
// started again.
const std::vector<std::pair<const char*, int>> Shortcuts = {
    {"Ctrl+n", 4},         // New 2D window
    {"Ctrl+Shift+n", 2},   // New 3D window
    {"Ctrl+o", 3},         // Open
    {"Ctrl+s", 3},         // Save
    {"Ctrl+F4", 4},        // Close the window
    {"Ctrl+p", 2},         // Print
    {"Alt+x", 1},          // Exit
    {"Ctrl+z", 5},         // Undo
    {"Ctrl+Shift+z", 2},   // Redo
    {"Ctrl+y", 3},         // Redo
    {"F2", 3},             // Set function
    {"F7", 4},             // Add function
    {"F8", 3},             // Delete function
    {"F5", 3},             // Draw function
    {"F1", 2},             // Help
    {"Shift+F1", 1},       // What's This
    {"Alt+Left", 2},       // Previous view
    {"Alt+Right", 2},      // Next view
    {"Ctrl+Tab", 4},       // next window
    {"Ctrl+Shift+Tab", 2}, // previous window
};

// The menu bar's mnemonics (Calculus has none: it is reached by Right from View).
const char* const MenuLetters[] = {"f", "e", "u", "v", "w", "h"};

// Keys with a meaning inside windows and dialogs.
const char* const PlainKeys[] = {"Left",   "Right",  "Up",     "Down",   "Return", "Escape", "Tab",
                                 "Delete", "space",  "KP_Add", "KP_Subtract", "Home", "End", "Prior",
                                 "Next",   "BackSpace", "Shift+Tab"};

// Formulas from a small grammar, valid and not: the parser's, the sampler's
// and the compiler's edges (poles, overflow, huge exponents, empty input).
class TFormulaMaker {
public:
    explicit TFormulaMaker(TRandom& random) : FRandom(random) {}

    std::string Make() {
        switch (Pick(10)) {
            case 0: return "";
            case 1: return Spoil(Expression(3));
            case 2: return Edge();
            default: return Expression(3);
        }
    }

private:
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom); }

    std::string Expression(int depth) {
        static const char* const ops[] = {"+", "-", "*", "/", "^"};
        static const char* const functions[] = {"sin", "cos", "tg", "ctg", "ln", "log10", "sqrt", "abs", "exp",
                                                "arcsin", "arctg", "sec", "cosec"};
        if (depth == 0 || Pick(3) == 0) return Leaf();
        switch (Pick(4)) {
            case 0: return std::string(functions[Pick(std::size(functions))]) + "(" + Expression(depth - 1) + ")";
            case 1: return "(" + Expression(depth - 1) + ")";
            case 2: return "-" + Expression(depth - 1);
            default: return Expression(depth - 1) + ops[Pick(std::size(ops))] + Expression(depth - 1);
        }
    }

    std::string Leaf() {
        static const char* const atoms[] = {"x", "x", "x", "y", "t", "pi", "2", "0.5", "10", "1e-300", "3"};
        return atoms[Pick(std::size(atoms))];
    }

    std::string Edge() {
        static const char* const edges[] = {"1/0",      "0/0",        "x^99999",       "10^400",    "1e308*10",
                                            "sqrt(-1)", "ln(0)",      "Fact(200)",     "Fact(-1)",  "tg(x)",
                                            "1/(x-0.1)", "abs(x)/x",  "sin(1/x)",      "x^x^x^x",   "(((((x",
                                            "x))",      "sin()",      "sin(x",         "2**x",      "1..2",
                                            ")(",       "x y",        "exp(exp(exp(x)))", "-",      "x^-0.5"};
        return edges[Pick(std::size(edges))];
    }

    // A valid formula with one character removed or a stray one put in.
    std::string Spoil(std::string formula) {
        static const char strays[] = "()^*/+-.,x";
        if (formula.empty()) return "(";
        const std::size_t at = Pick(formula.size());
        if (Pick(2) == 0)
            formula.erase(at, 1);
        else
            formula.insert(at, 1, strays[Pick(sizeof strays - 1)]);
        return formula;
    }

    TRandom& FRandom;
};

// What the driver can do, and how often. The weights change with what is on
// the screen: a modal dialog gets answered more often (a user does not go on
// typing shortcuts into a message box for long), and a file dialog only gets
// a name under the scratch folder, Escape or Tab, so that nothing is ever
// saved outside it.
enum class TActionKind { akShortcut, akMenu, akKeys, akClick, akDrag, akWheel, akFormula, akAnswer, akFocus };

struct TWeight {
    TActionKind Kind;
    int Free;    // no dialog open
    int Dialog;  // a modal dialog or message box open
};

const TWeight Weights[] = {
    {TActionKind::akShortcut, 30, 6}, {TActionKind::akMenu, 8, 1},     {TActionKind::akKeys, 10, 8},
    {TActionKind::akClick, 18, 14},   {TActionKind::akDrag, 8, 4},     {TActionKind::akWheel, 4, 2},
    {TActionKind::akFormula, 12, 6},  {TActionKind::akAnswer, 0, 30}, {TActionKind::akFocus, 3, 0},
};

// The titles of the program's file dialogs, to which Qt adds " — " and the
// application's name.
bool IsFileDialog(const TTopLevel& window) {
    const std::string title = window.Name.substr(0, window.Name.find(" \u2014 "));
    for (const char* name : {"Save As", "Open", "Save image", "Save"})
        if (title == name) return true;
    return false;
}

class TInput {
public:
    TInput(TScreen& screen, TRandom& random, TActionLog& log, const TScratch& scratch)
        : FScreen(screen), FRandom(random), FLog(log), FScratch(scratch), FFormulas(random) {}

    // One action, drawn for the windows the program shows now.
    void Act(pid_t pid) {
        FWindows = FScreen.TopLevels(pid);
        const TTopLevel* modal = TopmostModal();
        if (modal && !PopupOpen()) FocusIfNeeded(*modal);
        else if (!modal && !PopupOpen()) EnsureFocusOnOurs();
        if (modal && IsFileDialog(*modal)) return AnswerFileDialog(*modal);
        switch (DrawKind(modal != nullptr)) {
            case TActionKind::akShortcut: return Shortcut();
            case TActionKind::akMenu: return Menu();
            case TActionKind::akKeys: return Keys();
            case TActionKind::akClick: return Click(modal);
            case TActionKind::akDrag: return Drag(modal);
            case TActionKind::akWheel: return Wheel(modal);
            case TActionKind::akFormula: return Formula();
            case TActionKind::akAnswer: return Answer(*modal);
            case TActionKind::akFocus: return SwitchTopLevel();
        }
    }

    // The main window of the program: its top-level that is neither a dialog
    // nor a popup, with the application's title ("Curvane v1.0", the help
    // window is "Curvane Help - ..."), kept while it is shown.
    Window MainWindow(pid_t pid) {
        const std::vector<TTopLevel> windows = FScreen.TopLevels(pid);
        for (const TTopLevel& window : windows)
            if (window.Id == FMain) return FMain;
        FMain = 0;
        for (const TTopLevel& window : windows)
            if (!window.Popup && !window.Transient && window.Name.rfind("Curvane v", 0) == 0) FMain = window.Id;
        return FMain;
    }

private:
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom); }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, std::max(low, high))(FRandom); }

    TActionKind DrawKind(bool dialog) {
        int total = 0;
        for (const TWeight& weight : Weights) total += dialog ? weight.Dialog : weight.Free;
        int draw = static_cast<int>(Pick(static_cast<std::size_t>(total)));
        for (const TWeight& weight : Weights) {
            draw -= dialog ? weight.Dialog : weight.Free;
            if (draw < 0) return weight.Kind;
        }
        return TActionKind::akShortcut;
    }

    const TTopLevel* TopmostModal() const {
        for (auto it = FWindows.rbegin(); it != FWindows.rend(); ++it)
            if (!it->Popup && (it->Modal || it->Transient)) return &*it;
        return nullptr;
    }
    bool PopupOpen() const {
        return std::any_of(FWindows.begin(), FWindows.end(), [](const TTopLevel& w) { return w.Popup; });
    }

    // Keys go where the focus is; without a window manager nobody moves it to
    // a dialog that opens, or back when it closes, unless the program does.
    void FocusIfNeeded(const TTopLevel& window) {
        if (FScreen.FocusedTopLevel() != window.Id) FScreen.Focus(window.Id);
    }
    void EnsureFocusOnOurs() {
        const Window focused = FScreen.FocusedTopLevel();
        if (std::any_of(FWindows.begin(), FWindows.end(), [&](const TTopLevel& w) { return w.Id == focused; }))
            return;
        if (FMain) FScreen.Focus(FMain);
    }

    // A window to aim the pointer at: the modal dialog when one is open (the
    // others ignore input then), else mostly the main window.
    const TTopLevel* Target(const TTopLevel* modal) {
        if (modal) return modal;
        std::vector<const TTopLevel*> candidates;
        for (const TTopLevel& window : FWindows)
            if (!window.Popup || Pick(2) == 0) candidates.push_back(&window);
        if (candidates.empty()) return nullptr;
        for (const TTopLevel* window : candidates)
            if (window->Id == FMain && Pick(10) < 7) return window;
        return candidates[Pick(candidates.size())];
    }

    std::pair<int, int> PointIn(const TTopLevel& window) {
        // The main window's upper band holds the menu bar and the tool bars
        // (the function box among them): hit it more often than its share.
        if (window.Id == FMain && Pick(4) == 0)
            return {window.X + Between(0, window.Width - 1), window.Y + Between(0, std::min(110, window.Height - 1))};
        return {window.X + Between(0, window.Width - 1), window.Y + Between(0, window.Height - 1)};
    }

    static std::string Where(const TTopLevel& window) { return " in '" + window.Name + "'"; }

    void Shortcut() {
        int total = 0;
        for (const auto& entry : Shortcuts) total += entry.second;
        int draw = static_cast<int>(Pick(static_cast<std::size_t>(total)));
        for (const auto& [key, weight] : Shortcuts) {
            draw -= weight;
            if (draw >= 0) continue;
            FScreen.Key(key);
            FLog.Add(std::string("key ") + key);
            return;
        }
    }

    // Alt+letter opens a menu; arrows walk it and its neighbours; Enter runs
    // the entry or Escape leaves.
    void Menu() {
        static const char* const moves[] = {"Down", "Down", "Down", "Up", "Right", "Left"};
        std::string text = std::string("Alt+") + MenuLetters[Pick(std::size(MenuLetters))];
        FScreen.Key(text);
        Pause(30);
        for (std::size_t n = Pick(6); n > 0; --n) {
            const char* move = moves[Pick(std::size(moves))];
            FScreen.Key(move);
            text += std::string(" ") + move;
            Pause(15);
        }
        const char* last = Pick(5) == 0 ? "Escape" : "Return";
        FScreen.Key(last);
        FLog.Add("menu " + text + " " + last);
    }

    void Keys() {
        const char* key = PlainKeys[Pick(std::size(PlainKeys))];
        FScreen.Key(key);
        FLog.Add(std::string("key ") + key);
    }

    unsigned DrawButton() {
        const std::size_t draw = Pick(10);
        return draw < 6 ? 1 : draw < 9 ? 3 : 2;  // left, right, middle
    }
    static const char* ButtonName(unsigned button) {
        return button == 1 ? "left" : button == 2 ? "middle" : "right";
    }

    void Click(const TTopLevel* modal) {
        const TTopLevel* target = Target(modal);
        if (!target) return Keys();
        const auto [x, y] = PointIn(*target);
        const unsigned button = DrawButton();
        const bool twice = Pick(8) == 0;
        FScreen.MoveTo(x, y);
        for (int i = 0; i < (twice ? 2 : 1); ++i) {
            FScreen.Button(button, true);
            FScreen.Button(button, false);
        }
        FLog.Add(std::string(twice ? "double-click " : "click ") + ButtonName(button) + " " + std::to_string(x) +
                 "," + std::to_string(y) + Where(*target));
    }

    void Drag(const TTopLevel* modal) {
        const TTopLevel* target = Target(modal);
        if (!target) return Keys();
        const auto [x0, y0] = PointIn(*target);
        const auto [x1, y1] = PointIn(*target);
        const unsigned button = DrawButton();
        const std::size_t modifier = Pick(4);  // the 3D camera moves differently with Ctrl and Shift
        const char* modifierKey = modifier == 1 ? "Control_L" : modifier == 2 ? "Shift_L" : nullptr;
        FScreen.MoveTo(x0, y0);
        if (modifierKey) FScreen.Hold(modifierKey, true);
        FScreen.Button(button, true);
        constexpr int steps = 6;
        for (int i = 1; i <= steps; ++i) {
            FScreen.MoveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
            Pause(10);
        }
        FScreen.Button(button, false);
        if (modifierKey) FScreen.Hold(modifierKey, false);
        FLog.Add(std::string("drag ") + ButtonName(button) + (modifierKey ? std::string(" with ") + modifierKey : "") +
                 " " + std::to_string(x0) + "," + std::to_string(y0) + " -> " + std::to_string(x1) + "," +
                 std::to_string(y1) + Where(*target));
    }

    void Wheel(const TTopLevel* modal) {
        const TTopLevel* target = Target(modal);
        if (!target) return Keys();
        const auto [x, y] = PointIn(*target);
        const unsigned button = Pick(2) == 0 ? 4 : 5;
        const int clicks = Between(1, 5);
        FScreen.MoveTo(x, y);
        for (int i = 0; i < clicks; ++i) {
            FScreen.Button(button, true);
            FScreen.Button(button, false);
        }
        FLog.Add(std::string("wheel ") + (button == 4 ? "up " : "down ") + std::to_string(clicks) + " at " +
                 std::to_string(x) + "," + std::to_string(y) + Where(*target));
    }

    void Formula() {
        const std::string formula = FFormulas.Make();
        if (Pick(3) == 0) FScreen.Key("Ctrl+a");  // replace what the field holds
        FScreen.Type(formula);
        FScreen.Key("Return");
        FLog.Add("type '" + formula + "' Return");
    }

    // Whatever the dialog asks: OK, Cancel, a field, a button by its letter,
    // or a click somewhere inside it.
    void Answer(const TTopLevel& dialog) {
        static const char* const values[] = {"0", "1", "-5", "100", "1e9", "x", "abc", "", "0.001", "1000000"};
        switch (Pick(7)) {
            case 0:
            case 1:
                FScreen.Key("Return");
                FLog.Add("answer Return" + Where(dialog));
                return;
            case 2:
                FScreen.Key("Escape");
                FLog.Add("answer Escape" + Where(dialog));
                return;
            case 3: {
                const std::size_t tabs = Pick(8);
                for (std::size_t i = 0; i < tabs; ++i) FScreen.Key("Tab");
                FScreen.Key("Ctrl+a");
                const std::string value = Pick(2) == 0 ? values[Pick(std::size(values))] : FFormulas.Make();
                FScreen.Type(value);
                FLog.Add("answer Tab x" + std::to_string(tabs) + " type '" + value + "'" + Where(dialog));
                return;
            }
            case 4: {
                const std::string key = std::string("Alt+") + static_cast<char>('a' + Pick(26));
                FScreen.Key(key);
                FLog.Add("answer " + key + Where(dialog));
                return;
            }
            case 5:
                FScreen.Key("space");
                FLog.Add("answer space" + Where(dialog));
                return;
            default:
                return Click(&dialog);
        }
    }

    // A name under the scratch folder (an existing document to open, or a
    // new file of a type the program writes), or Escape.
    void AnswerFileDialog(const TTopLevel& dialog) {
        if (Pick(3) == 0) {
            FScreen.Key("Escape");
            FLog.Add("answer Escape" + Where(dialog));
            return;
        }
        static const char* const extensions[] = {".gfx", ".gfx", ".png", ".bmp", ".svg", ".txt", ".gif", ""};
        std::string path;
        const std::vector<std::string> documents = FScratch.Documents();
        if (dialog.Name.rfind("Open", 0) == 0 && !documents.empty() && Pick(4) != 0)
            path = documents[Pick(documents.size())];
        else
            path = (FScratch.Files() / ("file" + std::to_string(Pick(20)) + extensions[Pick(std::size(extensions))]))
                       .string();
        // The name field has the focus when the dialog opens; Ctrl+A replaces
        // its text, and an absolute path makes the dialog's folder not matter.
        FScreen.Key("Ctrl+a");
        FScreen.Type(path);
        FScreen.Key("Return");
        FLog.Add("answer '" + path + "' Return" + Where(dialog));
    }

    void SwitchTopLevel() {
        std::vector<const TTopLevel*> candidates;
        for (const TTopLevel& window : FWindows)
            if (!window.Popup) candidates.push_back(&window);
        if (candidates.empty()) return Keys();
        const TTopLevel* window = candidates[Pick(candidates.size())];
        FScreen.Focus(window->Id);
        FLog.Add("focus" + Where(*window));
    }

    static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    TScreen& FScreen;
    TRandom& FRandom;
    TActionLog& FLog;
    const TScratch& FScratch;
    TFormulaMaker FFormulas;
    std::vector<TTopLevel> FWindows;
    Window FMain = 0;
};

// ---------------------------------------------------------------------------
// Watching: death, sanitizer reports, hangs

// A ping every two seconds; one unanswered for ten is a hang.
class TPinger {
public:
    static constexpr double Interval = 2.0, Limit = 10.0;

    // Sends a ping when one is due and none is waiting.
    void Tick(TScreen& screen, Window main) {
        const auto now = TClock::now();
        if (FWaiting || main == 0 || now - FLastSent < std::chrono::duration<double>(Interval)) return;
        FStamp = screen.SendPing(main);
        FWaiting = true;
        FLastSent = now;
    }
    void Answered(Time stamp) {
        if (stamp == FStamp) FWaiting = false;
    }
    // Seconds the waiting ping has gone unanswered.
    double Overdue() const {
        return FWaiting ? std::chrono::duration<double>(TClock::now() - FLastSent).count() : 0.0;
    }
    // After a restart the old program's ping will not be answered.
    void Reset() { FWaiting = false; }

private:
    bool FWaiting = false;
    Time FStamp = 0;
    TClock::time_point FLastSent{};
};

void PrintStacks(pid_t pid) {
    if (access("/usr/bin/gdb", X_OK) != 0) {
        std::cout << "(gdb is not installed: no stacks)\n";
        return;
    }
    std::cout << "stacks of the program:\n" << std::flush;
    const std::string command = "gdb -p " + std::to_string(pid) + " -batch -ex 'thread apply all bt' 2>&1";
    if (std::system(command.c_str()) != 0) std::cout << "(gdb failed)\n";
}

class TSoak {
public:
    explicit TSoak(TOptions options)
        : FOptions(std::move(options)), FStart(TClock::now()), FLog(FStart, FOptions.Trace), FScratch{fs::absolute(FOptions.Scratch)},
          FProgram(fs::absolute(FOptions.Program).string(), FScratch), FRandom(FOptions.Seed), FInput(FScreen, FRandom, FLog, FScratch) {}

    int Run() {
        FScratch.Prepare(FOptions.Examples);
        if (!StartProgram(FScratch.Documents())) return 1;
        const auto period = std::chrono::duration<double>(1.0 / FOptions.Rate);
        auto nextAction = TClock::now() + std::chrono::seconds(1);
        while (FLog.Elapsed() < FOptions.Seconds) {
            if (!Watch()) return 1;
            if (TClock::now() >= nextAction && FInput.MainWindow(FProgram.Pid()) != 0) {
                FInput.Act(FProgram.Pid());
                // At the rate asked for, unless the actions themselves take longer.
                nextAction = std::max(nextAction + std::chrono::duration_cast<TClock::duration>(period),
                                      TClock::now() - std::chrono::duration_cast<TClock::duration>(period));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return Finish();
    }

private:
    // False after a finding: the main window did not appear within a minute
    // (under the sanitizers it takes a few seconds).
    bool StartProgram(const std::vector<std::string>& documents) {
        FProgram.Start(documents);
        FPinger.Reset();
        FLog.Add("start " + FOptions.Program + " with " + std::to_string(documents.size()) + " documents");
        const auto until = TClock::now() + std::chrono::seconds(60);
        while (FInput.MainWindow(FProgram.Pid()) == 0) {
            if (FProgram.Ended()) return true;  // Watch reports it
            if (TClock::now() > until) return Report("hang: no main window within 60 s of the start", nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }

    // False after a finding has been reported.
    bool Watch() {
        for (const std::string& line : FProgram.NewLogLines())
            if (const char* marker = SanitizerMarker(line)) return Report("sanitizer report", marker);
        if (const auto status = FProgram.Ended()) {
            // An exit the user asked for (Alt+X, File → Exit): a new start,
            // which offers the recovery copies the exit may have left.
            if (WIFEXITED(*status) && WEXITSTATUS(*status) == 0) {
                FLog.Add("the program exited (status 0): started again");
                return StartProgram({});
            }
            for (const std::string& line : FProgram.NewLogLines())
                if (const char* marker = SanitizerMarker(line)) return Report("sanitizer report", marker);
            return Report("the program died: " + DescribeStatus(*status), nullptr);
        }
        FScreen.DrainEvents([this](Time stamp) { FPinger.Answered(stamp); });
        FPinger.Tick(FScreen, FInput.MainWindow(FProgram.Pid()));
        if (FPinger.Overdue() > TPinger::Limit) return Report("hang: no answer to a ping for 10 s", nullptr);
        return true;
    }

    // Ends the program as a session's end does (SIGTERM): it must leave its
    // loops and exit normally, with LeakSanitizer's check passed.
    int Finish() {
        FLog.Add("SIGTERM");
        FProgram.Signal(SIGTERM);
        const auto status = FProgram.WaitEnd(120);
        for (const std::string& line : FProgram.NewLogLines())
            if (const char* marker = SanitizerMarker(line)) return Report("sanitizer report at exit", marker), 1;
        if (!status) return Report("hang: the program did not end within 120 s of SIGTERM", nullptr), 1;
        if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
            return Report("the program ended badly after SIGTERM: " + DescribeStatus(*status), nullptr), 1;
        std::cout << "soak: seed " << FOptions.Seed << ": no findings, " << FLog.Count() << " actions in "
                  << static_cast<int>(FLog.Elapsed()) << " s\n";
        return 0;
    }

    bool Report(const std::string& kind, const char* marker) {
        std::cout << "soak: FINDING: " << kind << "\n"
                  << "seed " << FOptions.Seed << ", after " << FLog.Elapsed() << " s\n";
        if (marker) {
            // The rest of the report is still being written.
            FProgram.WaitEnd(15);
            std::cout << "report:\n";
            for (const std::string& line : FProgram.LogFrom(marker, 60)) std::cout << "  " << line << "\n";
        } else if (kind.rfind("hang", 0) == 0 && FProgram.Running()) {
            PrintStacks(FProgram.Pid());
            FProgram.Signal(SIGABRT);  // a core file, where cores are kept
            FProgram.WaitEnd(10);
        }
        FLog.Print(std::cout);
        std::cout << "the program's output: " << FScratch.Log().string() << "\n"
                  << "replay: curvane_soak --seed " << FOptions.Seed << " --seconds " << FOptions.Seconds
                  << " --rate " << FOptions.Rate << " --program " << FOptions.Program << " --examples "
                  << FOptions.Examples << " --scratch " << FOptions.Scratch << std::endl;
        FProgram.Kill();
        return false;
    }

    TOptions FOptions;
    TClock::time_point FStart;
    TActionLog FLog;
    TScratch FScratch;
    TProgram FProgram;
    TScreen FScreen;
    TRandom FRandom;
    TInput FInput;
    TPinger FPinger;
};

}  // namespace

int main(int argc, char** argv) {
    // The program's death is seen through waitpid; a write to a closed pipe
    // must not end the driver.
    signal(SIGPIPE, SIG_IGN);
    TSoak soak(ParseOptions(argc, argv));
    return soak.Run();
}
