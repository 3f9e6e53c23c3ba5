#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/exceptions.h"

namespace curvane {

// What one run of the executable does. A new mode is a value here, a row of
// CliModes, the rows of its options in CliOptions, and a function main() calls.
enum class TCliMode { cmGui, cmHelp, cmVersion, cmEval, cmRender };

struct TCliModeSpec {
    TCliMode Mode;
    std::string_view Option;      // the option that selects it; empty for the GUI
    std::string_view Positional;  // what positional arguments are, for help; empty: none allowed
    int UsageStatus;              // exit status when its command line is wrong
    std::string_view Help;
};

struct TCliOptionSpec {
    std::string_view Name;       // without dashes; "-name" and "--name" both match
    std::string_view Alias;      // a second name ("h" for help), or empty
    std::string_view ValueName;  // "FORMULA"; empty for a switch
    TCliMode Mode;               // the mode it selects or belongs to
    bool Required;               // the mode cannot run without it (a mode's own option is always there)
    bool ForQt;                  // left in argv for QApplication, which reads it itself
    std::string_view Help;
};

// The usage statuses keep what each mode has always returned: --eval and the
// GUI say 1, --render says 2 for any bad argument (its documented status).
inline constexpr TCliModeSpec CliModes[] = {
    {TCliMode::cmGui, "", "[FILE.gfx ...]", 1,
     "Starts the program and opens each document in a window of its own."},
    {TCliMode::cmEval, "eval", "", 1,
     "Prints the value of FORMULA with X and Y bound to --x and --y. Exit status 0, 1 for a malformed "
     "number, 2 for a formula error, 3 for a floating-point fault or a range error."},
    {TCliMode::cmRender, "render", "", 2,
     "Samples and paints the 2D or 3D document FILE as a window of that plot size shows it and writes "
     "the picture (no display needed). Exit status 0, 1 for a document that cannot be read or is not "
     "a graph document, 2 for bad arguments, 3 when the picture cannot be written, 4 for a formula that "
     "does not compile, 5 when no OpenGL context can be had for a 3D document."},
    {TCliMode::cmHelp, "help", "", 1, "Prints this text."},
    {TCliMode::cmVersion, "version", "", 1, "Prints the version."},
};

inline constexpr TCliOptionSpec CliOptions[] = {
    {"eval", "", "FORMULA", TCliMode::cmEval, false, false, "The formula, in the syntax of a plotted Y(x)."},
    {"x", "", "N", TCliMode::cmEval, false, false, "Value of the variable X (default 0)."},
    {"y", "", "N", TCliMode::cmEval, false, false, "Value of the variable Y (default 0)."},
    {"render", "", "FILE", TCliMode::cmRender, false, false, "The document (.gfx) to paint."},
    {"output", "", "OUT", TCliMode::cmRender, true, false,
     "Picture file to write; PNG unless its extension names another format."},
    {"size", "", "WxH", TCliMode::cmRender, false, false, "Plot size, WIDTHxHEIGHT, each 1..16384 (default 800x600)."},
    {"help", "h", "", TCliMode::cmHelp, false, false, ""},
    {"version", "v", "", TCliMode::cmVersion, false, false, ""},
    // Qt's own options that people pass to a Qt program; QApplication takes
    // them out of argv itself.
    {"platform", "", "NAME", TCliMode::cmGui, false, true, "Qt platform plugin (xcb, wayland, offscreen, ...)."},
    {"display", "", "DISPLAY", TCliMode::cmGui, false, true, "X display to open instead of $DISPLAY."},
    {"style", "", "NAME", TCliMode::cmGui, false, true, "Qt widget style."},
    {"stylesheet", "", "FILE", TCliMode::cmGui, false, true, "Qt style sheet."},
    {"reverse", "", "", TCliMode::cmGui, false, true, "Lays the widgets out right to left."},
};

// "1.0": the version the build declares.
std::string_view CurvaneVersion();

// A command line that does not parse. Status() is the exit status of the mode
// it was meant for.
class ECommandLine : public Exception {
public:
    ECommandLine(const std::string& message, int status) : Exception(message), FStatus(status) {}
    int Status() const { return FStatus; }

private:
    int FStatus;
};

// A parsed command line. Values are the arguments' bytes exactly as given:
// a formula that is not valid text must still reach the evaluator unchanged.
class TCommandLine {
public:
    TCliMode Mode() const { return FMode; }
    std::optional<std::string> Value(std::string_view name) const;
    bool IsSet(std::string_view name) const { return FValues.contains(std::string(name)); }
    const std::vector<std::string>& Positional() const { return FPositional; }

    // args excludes the program name. "--" ends the options. --help and
    // --version win over everything else on the line, errors included, so
    // asking for help always works. Throws ECommandLine.
    static TCommandLine Parse(std::span<const char* const> args);

private:
    TCliMode FMode = TCliMode::cmGui;
    std::map<std::string, std::string> FValues;  // switches hold ""
    std::vector<std::string> FPositional;
};

// The text of --help, generated from CliModes and CliOptions.
std::string CommandLineHelp();

}  // namespace curvane
