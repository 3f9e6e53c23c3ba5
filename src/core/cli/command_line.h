// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/cli/animation_frames.h"
#include "core/cli/eval_command.h"
#include "core/cli/render_exit.h"
#include "core/numeric/integration.h"
#include "core/numeric/roots.h"
#include "core/numeric/tabulation.h"
#include "core/support/const_text.h"
#include "core/support/exceptions.h"

namespace curvane {

// What one run of the executable does. A new mode is a value here, a row of
// CliModes, the rows of its options in CliOptions, and a function main() calls.
enum class TCliMode {
    cmGui,
    cmHelp,
    cmVersion,
    cmEval,
    cmRender,
    cmTabulate,
    cmIntegrate,
    cmRoot,
    cmRoots,
    cmExtrema,
    cmIntersections,
    cmFit,
};

struct TCliModeSpec {
    TCliMode Mode;
    std::string_view Option;      // the option that selects it; empty for the GUI
    std::string_view Positional;  // what positional arguments are, for help; empty: none allowed
    int UsageStatus;              // exit status when its command line is wrong
    std::string_view Help;
};

// Whether an option may be given more than once; each occurrence is kept.
enum class TCliRepeat { crOnce, crMany };

struct TCliOptionSpec {
    std::string_view Name;       // without dashes; "-name" and "--name" both match
    std::string_view Alias;      // a second name ("h" for help), or empty
    std::string_view ValueName;  // "FORMULA"; empty for a switch
    TCliMode Mode;               // the mode it selects or belongs to
    bool Required;               // the mode cannot run without it (a mode's own option is always there)
    bool ForQt;                  // left in argv for QApplication, which reads it itself
    std::string_view Help;
    TCliRepeat Repeat = TCliRepeat::crOnce;
};

// The usage statuses keep what each mode has always returned: --eval and the
// GUI say 1, --render says 2 for any bad argument (its documented status).
// The numerical modes answer as --eval does.
inline constexpr TCliModeSpec CliModes[] = {
    {TCliMode::cmGui, "", "[FILE.gfx ...]", 1,
     "Starts the program and opens each document in a window of its own."},
    {TCliMode::cmEval, "eval", "", eeUsage,
     "Prints the value of FORMULA with X and Y bound to --x and --y. Exit status 0, 1 for a malformed "
     "number, 2 for a formula error, 3 for a floating-point fault or a range error."},
    {TCliMode::cmRender, "render", "", static_cast<int>(TRenderExit::reUsage),
     "Samples and paints the 2D or 3D document FILE as a window of that plot size shows it and writes "
     "the picture (no display needed). Exit status 0, 1 for a document that cannot be read or is not "
     "a Curvane 2D or 3D document, 2 for bad arguments, 3 when the picture cannot be written, 4 for a formula that "
     "does not compile, 5 when no OpenGL context can be had for a 3D document."},
    {TCliMode::cmTabulate, "tabulate", "", eeUsage,
     "Prints one line per X from A to B by S, the pattern with the values put in; with the three --y-* "
     "options one line per point of the grid of X and Y, Y varying fastest, with Z = FORMULA. A point "
     "whose value cannot be computed gives a line \"Math error\" and its message. Exit status 0, 1 for a "
     "malformed number or option (a step that is not above 0 or too small to move included), 2 for a "
     "formula error."},
    {TCliMode::cmIntegrate, "integrate", "", eeUsage,
     "Prints the integral of FORMULA from A to B by one pass of the rule over N segments, or with "
     "--accuracy by passes of twice as many segments until two agree within E. Limits given in reverse "
     "order give the signed integral (its negative). Exit status 0, 1 for a malformed number or option, 2 for a "
     "formula error, 3 for a floating-point fault or a range error."},
    {TCliMode::cmRoot, "root", "", eeUsage,
     "Finds a root of FORMULA between A and B by the chord method, or with --with where FORMULA and "
     "FORMULA2 meet, and prints the report line. Limits given in reverse order are swapped with a "
     "warning. Exit status 0, 1 for a malformed number or option, 2 for a formula error, 3 for a "
     "floating-point fault, a range error, no sign change or a pole rather than a root (\"No roots\") "
     "or a search that does not settle."},
    {TCliMode::cmRoots, "roots", "", eeUsage,
     "Prints every root of FORMULA from A to B, one line each in increasing X: \"KIND X [LO, HI] STATUS\", "
     "KIND root, X the best estimate, [LO, HI] an interval that holds the root and STATUS what is proved: "
     "unique (exactly one root in it), sign-change (at least one) or possible (not excluded, nothing proved, "
     "as at a double root). A pole or a jump is never a root. Limits given in reverse order are swapped with "
     "a warning. Exit status 0 when the search finished (with or without points), 1 for a malformed number "
     "or option, 2 for a formula error, 3 when the work limit was reached: the points found are printed and "
     "a note goes to standard error."},
    {TCliMode::cmExtrema, "extrema", "", eeUsage,
     "Prints every minimum and maximum of FORMULA from A to B as --roots prints roots (KIND minimum or "
     "maximum; X where the derivative changes sign), with --ends also the ends of the interval (KIND end). "
     "Exit status as --roots."},
    {TCliMode::cmIntersections, "intersections", "", eeUsage,
     "Prints every point where FORMULA and FORMULA2 meet from A to B as --roots prints roots (KIND "
     "intersection), with Y, the value of FORMULA there, after the status. Exit status as --roots."},
    {TCliMode::cmFit, "fit", "", eeUsage,
     "Fits FORMULA, a model y(x), to the points of FILE by least squares: its unknowns are the names it uses "
     "that are neither x nor built in, less those --set holds. Prints one line \"NAME = VALUE \u00b1 SE\" per "
     "unknown (SE its standard error), then \"RSS = \", \"R2 = \", \"dof = \", \"iterations = \" and \"stopped: \" "
     "with the reason (converged, iteration limit, singular or not computable); numbers with 17 significant "
     "digits. Lines of FILE that give no point are skipped and listed by number on standard error. Exit status "
     "0 when the fit converged, 1 for a malformed option or data that cannot be read, 2 for a formula error, "
     "3 when it did not converge or is singular."},
    {TCliMode::cmHelp, "help", "", 1, "Prints this text."},
    {TCliMode::cmVersion, "version", "", 1, "Prints the version."},
};

// Help of options whose defaults and limits are the numerical tools' own.
inline constexpr TConstText PatternHelp =
    TConstText("Each line: P with its first %x, %y and %z replaced by the values (default \"") +
    DefaultTabulationPattern + "\").";
inline constexpr TConstText SegmentsHelp = TConstText("Segments of the (first) pass, ") + IntegerText(MinSegments) +
                                           ".." + IntegerText(MaxSegments) + " (default " +
                                           IntegerText(DefaultSegments) + ").";
inline constexpr TConstText RootAccuracyHelp =
    TConstText("Stops once the chord point moves by less than E, above 0 (default ") +
    DecimalText(DefaultRootAccuracy) + ").";

inline constexpr std::string_view SetDocumentHelp =
    "Gives the parameter NAME the value V (a constant formula) instead of the file's; a name the "
    "document's formulas use becomes a parameter even where the file has none. Pairs are separated by "
    "commas outside parentheses; the option may be repeated.";
inline constexpr std::string_view SetFormulaHelp =
    "Defines the parameter NAME, used by the formula, with the value V (a constant formula). Pairs are "
    "separated by commas outside parentheses; the option may be repeated.";

inline constexpr TConstText AnimateHelp =
    TConstText("Paints one frame for each value FROM, FROM+STEP, ... up to TO of the parameter NAME, at most ") +
    IntegerText(MaxAnimationFrames) +
    " frames, into the files OUT numbers with its one %0Nd from 0 (frames/%04d.png), or into one GIF playing "
    "in a loop when OUT ends in .gif.";

// An option several modes take (--from) has a row for each of them, with help
// of its own; the rows of one name agree on its alias, value and Qt flag.
inline constexpr TCliOptionSpec CliOptions[] = {
    {"eval", "", "FORMULA", TCliMode::cmEval, false, false, "The formula, in the syntax of a plotted Y(x)."},
    {"x", "", "N", TCliMode::cmEval, false, false, "Value of the variable X (default 0)."},
    {"y", "", "N", TCliMode::cmEval, false, false, "Value of the variable Y (default 0)."},
    {"set", "", "NAME=V,...", TCliMode::cmEval, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"render", "", "FILE", TCliMode::cmRender, false, false, "The document (.gfx) to paint."},
    {"output", "", "OUT", TCliMode::cmRender, true, false,
     "Picture file to write, in the format its extension names: .png, .jpg, .bmp, or the vector "
     ".svg and .pdf (2D documents only); PNG for an extension no image format has."},
    {"size", "", "WxH", TCliMode::cmRender, false, false, "Plot size, WIDTHxHEIGHT, each 1..16384 (default 800x600)."},
    {"scale", "", "N", TCliMode::cmRender, false, false,
     "Pixels per plot pixel, a whole number 1..8 (default 1): the same picture, N times as many pixels "
     "each way, as a screen of that pixel density shows it."},
    {"bits", "", "N", TCliMode::cmRender, false, false,
     "Bits per pixel of a .bmp picture: 4 (16 colours), 8 (256), 15, 16 or 24 (the default)."},
    {"set", "", "NAME=V,...", TCliMode::cmRender, false, false, SetDocumentHelp, TCliRepeat::crMany},
    {"animate", "", "NAME=FROM:TO:STEP", TCliMode::cmRender, false, false, AnimateHelp.View()},
    {"tabulate", "", "FORMULA", TCliMode::cmTabulate, false, false,
     "Y(x), or Z(x,y) with the --y-* options, in the syntax of a plotted function."},
    {"from", "", "A", TCliMode::cmTabulate, true, false, "First X."},
    {"to", "", "B", TCliMode::cmTabulate, true, false, "Last X, if the repeated additions of S land on it exactly."},
    {"step", "", "S", TCliMode::cmTabulate, true, false, "Distance between two X, above 0."},
    {"pattern", "", "P", TCliMode::cmTabulate, false, false, PatternHelp.View()},
    {"y-from", "", "A", TCliMode::cmTabulate, false, false, "First Y (the three --y-* options go together)."},
    {"y-to", "", "B", TCliMode::cmTabulate, false, false, "Last Y."},
    {"y-step", "", "S", TCliMode::cmTabulate, false, false, "Distance between two Y, above 0."},
    {"set", "", "NAME=V,...", TCliMode::cmTabulate, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"integrate", "", "FORMULA", TCliMode::cmIntegrate, false, false, "Y(x), in the syntax of a plotted function."},
    {"from", "", "A", TCliMode::cmIntegrate, true, false, "Lower limit."},
    {"to", "", "B", TCliMode::cmIntegrate, true, false, "Upper limit."},
    {"rule", "", "RULE", TCliMode::cmIntegrate, false, false,
     "rectangles (midpoints, the default), trapezoids or simpson."},
    {"segments", "", "N", TCliMode::cmIntegrate, false, false, SegmentsHelp.View()},
    {"accuracy", "", "E", TCliMode::cmIntegrate, false, false,
     "Doubles the segments until two passes differ by at most E (above 0)."},
    {"set", "", "NAME=V,...", TCliMode::cmIntegrate, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"root", "", "FORMULA", TCliMode::cmRoot, false, false, "Y(x), in the syntax of a plotted function."},
    {"with", "", "FORMULA2", TCliMode::cmRoot, false, false, "A second Y(x): finds where the two meet."},
    {"from", "", "A", TCliMode::cmRoot, true, false, "One end of the interval."},
    {"to", "", "B", TCliMode::cmRoot, true, false, "The other end; FORMULA should change sign in between."},
    {"accuracy", "", "E", TCliMode::cmRoot, false, false, RootAccuracyHelp.View()},
    {"set", "", "NAME=V,...", TCliMode::cmRoot, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"roots", "", "FORMULA", TCliMode::cmRoots, false, false, "Y(x), in the syntax of a plotted function."},
    {"from", "", "A", TCliMode::cmRoots, true, false, "Start of the interval."},
    {"to", "", "B", TCliMode::cmRoots, true, false, "End of the interval."},
    {"set", "", "NAME=V,...", TCliMode::cmRoots, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"extrema", "", "FORMULA", TCliMode::cmExtrema, false, false, "Y(x), in the syntax of a plotted function."},
    {"from", "", "A", TCliMode::cmExtrema, true, false, "Start of the interval."},
    {"to", "", "B", TCliMode::cmExtrema, true, false, "End of the interval."},
    {"ends", "", "", TCliMode::cmExtrema, false, false,
     "Adds the ends of the interval where FORMULA is defined, as points of KIND end."},
    {"set", "", "NAME=V,...", TCliMode::cmExtrema, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"intersections", "", "FORMULA", TCliMode::cmIntersections, false, false,
     "Y(x), in the syntax of a plotted function."},
    {"with", "", "FORMULA2", TCliMode::cmIntersections, true, false, "The second Y(x)."},
    {"from", "", "A", TCliMode::cmIntersections, true, false, "Start of the interval."},
    {"to", "", "B", TCliMode::cmIntersections, true, false, "End of the interval."},
    {"set", "", "NAME=V,...", TCliMode::cmIntersections, false, false, SetFormulaHelp, TCliRepeat::crMany},
    {"fit", "", "FORMULA", TCliMode::cmFit, false, false,
     "The model, in the syntax of a plotted Y(x) (\"b1*(1-exp(-b2*x))\")."},
    {"data", "", "FILE", TCliMode::cmFit, true, false,
     "The points: text with columns of numbers separated by commas, semicolons, tabs or blanks (a decimal "
     "comma where the fields are separated by semicolons or tabs). A first line that is not numbers is a "
     "header."},
    {"columns", "", "X,Y[,DY]", TCliMode::cmFit, false, false,
     "The columns of x, y and the uncertainty of y, counting from 1 (default 1,2). With DY each point weighs "
     "1/DY^2."},
    {"start", "", "NAME=V,...", TCliMode::cmFit, false, false,
     "Starting values of unknowns; the others start at 1. Pairs as for --set.", TCliRepeat::crMany},
    {"set", "", "NAME=V,...", TCliMode::cmFit, false, false,
     "Holds NAME at the value V instead of fitting it. Pairs are separated by commas outside parentheses; the "
     "option may be repeated.",
     TCliRepeat::crMany},
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
    // The first value of the option, or nullopt when it is not given.
    std::optional<std::string> Value(std::string_view name) const;
    // Every value of a repeatable option, in the order given.
    std::vector<std::string> Values(std::string_view name) const;
    bool IsSet(std::string_view name) const { return FValues.contains(std::string(name)); }
    const std::vector<std::string>& Positional() const { return FPositional; }

    // args excludes the program name. "--" ends the options. --help and
    // --version win over everything else on the line, errors included, so
    // asking for help always works. Throws ECommandLine.
    static TCommandLine Parse(std::span<const char* const> args);

private:
    TCliMode FMode = TCliMode::cmGui;
    std::map<std::string, std::vector<std::string>> FValues;  // switches hold one ""
    std::vector<std::string> FPositional;
};

// The text of --help, generated from CliModes and CliOptions.
std::string CommandLineHelp();

}  // namespace curvane
