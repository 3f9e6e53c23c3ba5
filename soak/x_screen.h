// SPDX-License-Identifier: GPL-3.0-or-later
// The X server as the soak test sees it: the program's top-level windows,
// and input through the XTest extension.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <sys/types.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace curvane::soak {

// Windows come and go between a query and the next request about them; the
// errors that races cause are expected and ignored (Xlib would exit).
inline int IgnoreXError(Display*, XErrorEvent*) { return 0; }

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
        if (!FDisplay) throw std::runtime_error("cannot open the display named by DISPLAY (start Xvfb first)");
        int event, error, major, minor;
        if (!XTestQueryExtension(FDisplay, &event, &error, &major, &minor))
            throw std::runtime_error("the X server lacks the XTest extension");
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
    bool Key(const std::string& chord) {
        std::vector<std::string> parts;
        std::stringstream stream(chord);
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
            {' ', "space"},       {'(', "parenleft"},    {')', "parenright"}, {'^', "asciicircum"},
            {'*', "asterisk"},    {'+', "plus"},         {'-', "minus"},      {'/', "slash"},
            {'.', "period"},      {',', "comma"},        {'=', "equal"},      {'_', "underscore"},
            {'%', "percent"},     {'!', "exclam"},       {'<', "less"},       {'>', "greater"},
            {':', "colon"},       {';', "semicolon"},    {'"', "quotedbl"},   {'\'', "apostrophe"},
            {'[', "bracketleft"}, {']', "bracketright"}, {'?', "question"},   {'#', "numbersign"},
            {'~', "asciitilde"},
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

}  // namespace curvane::soak
