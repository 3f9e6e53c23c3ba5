// SPDX-License-Identifier: GPL-3.0-or-later
// The soak test's random input: what a user can do, drawn with weights from a
// seeded generator and sent to the program's windows.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "action_log.h"
#include "program_under_test.h"
#include "x_screen.h"

namespace curvane::soak {

// Every command's shortcut, from the command groups' tables (and QMdiArea's
// own window switching). Alt+X (Exit) is among them: a run that exits is
// started again.
const std::vector<std::pair<const char*, int>> Shortcuts = {
    {"Ctrl+n", 4},          // New 2D window
    {"Ctrl+Shift+n", 2},    // New 3D window
    {"Ctrl+o", 3},          // Open
    {"Ctrl+s", 3},          // Save
    {"Ctrl+F4", 4},         // Close the window
    {"Ctrl+p", 2},          // Print
    {"Alt+x", 1},           // Exit
    {"Ctrl+z", 5},          // Undo
    {"Ctrl+Shift+z", 2},    // Redo
    {"Ctrl+y", 3},          // Redo
    {"F2", 3},              // Set function
    {"F7", 4},              // Add function
    {"F8", 3},              // Delete function
    {"F5", 3},              // Draw function
    {"F1", 2},              // Help
    {"Shift+F1", 1},        // What's This
    {"Alt+Left", 2},        // Previous view
    {"Alt+Right", 2},       // Next view
    {"Ctrl+Tab", 4},        // next window
    {"Ctrl+Shift+Tab", 2},  // previous window
};

// The menu bar's mnemonics (Calculus has none: it is reached by Right from View).
const char* const MenuLetters[] = {"f", "e", "u", "v", "w", "h"};

// Keys with a meaning inside windows and dialogs.
const char* const PlainKeys[] = {"Left", "Right",  "Up",    "Down",      "Return",      "Escape",
                                 "Tab",  "Delete", "space", "KP_Add",    "KP_Subtract", "Home",
                                 "End",  "Prior",  "Next",  "BackSpace", "Shift+Tab"};

// Formulas from a small grammar, valid and not: the parser's, the sampler's
// and the compiler's edges (poles, overflow, huge exponents, empty input).
class TFormulaMaker {
public:
    explicit TFormulaMaker(TRandom& random) : FRandom(random) {}

    std::string Make() {
        switch (Pick(10)) {
        case 0:
            return "";
        case 1:
            return Spoil(Expression(3));
        case 2:
            return Edge();
        default:
            return Expression(3);
        }
    }

private:
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom); }

    std::string Expression(int depth) {
        static const char* const ops[] = {"+", "-", "*", "/", "^"};
        static const char* const functions[] = {"sin", "cos", "tg",     "ctg",   "ln",  "log10", "sqrt",
                                                "abs", "exp", "arcsin", "arctg", "sec", "cosec"};
        if (depth == 0 || Pick(3) == 0) return Leaf();
        switch (Pick(4)) {
        case 0:
            return std::string(functions[Pick(std::size(functions))]) + "(" + Expression(depth - 1) + ")";
        case 1:
            return "(" + Expression(depth - 1) + ")";
        case 2:
            return "-" + Expression(depth - 1);
        default:
            return Expression(depth - 1) + ops[Pick(std::size(ops))] + Expression(depth - 1);
        }
    }

    std::string Leaf() {
        static const char* const atoms[] = {"x", "x", "x", "y", "t", "pi", "2", "0.5", "10", "1e-300", "3"};
        return atoms[Pick(std::size(atoms))];
    }

    std::string Edge() {
        static const char* const edges[] = {"1/0",
                                            "0/0",
                                            "x^99999",
                                            "10^400",
                                            "1e308*10",
                                            "sqrt(-1)",
                                            "ln(0)",
                                            "Fact(200)",
                                            "Fact(-1)",
                                            "tg(x)",
                                            "1/(x-0.1)",
                                            "abs(x)/x",
                                            "sin(1/x)",
                                            "x^x^x^x",
                                            "(((((x",
                                            "x))",
                                            "sin()",
                                            "sin(x",
                                            "2**x",
                                            "1..2",
                                            ")(",
                                            "x y",
                                            "exp(exp(exp(x)))",
                                            "-",
                                            "x^-0.5"};
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
// the screen: a dialog, a message box or a tool window gets answered more
// often (a user does not go on typing shortcuts into a message box for long).
// A file dialog only ever gets a name under the scratch folder, or Escape,
// so that nothing is saved outside it.
enum class TActionKind { akShortcut, akMenu, akKeys, akClick, akDrag, akWheel, akFormula, akAnswer, akFocus };

struct TWeight {
    TActionKind Kind;
    int Free;    // no dialog open
    int Dialog;  // a dialog, message box or tool window open
};

const TWeight Weights[] = {
    {TActionKind::akShortcut, 30, 6}, {TActionKind::akMenu, 8, 1},    {TActionKind::akKeys, 10, 8},
    {TActionKind::akClick, 18, 14},   {TActionKind::akDrag, 8, 4},    {TActionKind::akWheel, 4, 2},
    {TActionKind::akFormula, 12, 6},  {TActionKind::akAnswer, 0, 30}, {TActionKind::akFocus, 3, 3},
};

// The titles of the program's file dialogs, to which Qt adds " — " and the
// application's name.
inline bool IsFileDialog(const TTopLevel& window) {
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
        if (!PopupOpen()) EnsureFocusOnOurs(modal);
        if (modal && IsFileDialog(*modal) && FScreen.FocusedTopLevel() == modal->Id) return AnswerFileDialog(*modal);
        switch (DrawKind(modal != nullptr)) {
        case TActionKind::akShortcut:
            return Shortcut();
        case TActionKind::akMenu:
            return Menu();
        case TActionKind::akKeys:
            return Keys();
        case TActionKind::akClick:
            return Click(modal);
        case TActionKind::akDrag:
            return Drag(modal);
        case TActionKind::akWheel:
            return Wheel(modal);
        case TActionKind::akFormula:
            return Formula();
        case TActionKind::akAnswer:
            return !modal ? Keys() : IsFileDialog(*modal) ? AnswerFileDialog(*modal) : Answer(*modal);
        case TActionKind::akFocus:
            return SwitchTopLevel();
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

    // Keys go where the focus is. Without a window manager the program moves
    // it to a window it shows, but when a window closes the focus may fall
    // to the root: then it goes to the topmost dialog, else the main window,
    // where a user's next click would put it. Otherwise it stays where the
    // program or a click put it, also on a window beside a dialog that does
    // not block it (the help, a tool window): input there while a dialog
    // waits is what finds a command's stale pointers.
    void EnsureFocusOnOurs(const TTopLevel* modal) {
        const Window focused = FScreen.FocusedTopLevel();
        if (std::any_of(FWindows.begin(), FWindows.end(), [&](const TTopLevel& w) { return w.Id == focused; })) return;
        if (modal)
            FScreen.Focus(modal->Id);
        else if (FMain)
            FScreen.Focus(FMain);
    }

    // A window to aim the pointer at: mostly the dialog when one is open,
    // else mostly the main window.
    // A file dialog is never aimed at: a click could take it to another
    // folder, and the next Return save there.
    const TTopLevel* Target(const TTopLevel* modal) {
        if (modal && !IsFileDialog(*modal) && Pick(4) != 0) return modal;
        std::vector<const TTopLevel*> candidates;
        for (const TTopLevel& window : FWindows)
            if ((!window.Popup || Pick(2) == 0) && !IsFileDialog(window)) candidates.push_back(&window);
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
    static const char* ButtonName(unsigned button) { return button == 1 ? "left" : button == 2 ? "middle" : "right"; }

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
        FLog.Add(std::string(twice ? "double-click " : "click ") + ButtonName(button) + " " + std::to_string(x) + "," +
                 std::to_string(y) + Where(*target));
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
        FScreen.Focus(dialog.Id);
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
        if (IsFileDialog(*window)) return AnswerFileDialog(*window);
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

}  // namespace curvane::soak
