// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/command_line.h"

#include <algorithm>
#include <iterator>

namespace curvane {

namespace {

const TCliModeSpec& ModeSpec(TCliMode mode) {
    return *std::find_if(std::begin(CliModes), std::end(CliModes),
                         [&](const TCliModeSpec& m) { return m.Mode == mode; });
}

// The first row of the option; while the mode is not yet known any row tells
// whether it takes a value.
const TCliOptionSpec* FindOption(std::string_view name) {
    for (const TCliOptionSpec& o : CliOptions)
        if (o.Name == name || (!o.Alias.empty() && o.Alias == name)) return &o;
    return nullptr;
}

bool TakesOption(TCliMode mode, std::string_view name) {
    return std::any_of(std::begin(CliOptions), std::end(CliOptions),
                       [&](const TCliOptionSpec& o) { return o.Mode == mode && o.Name == name; });
}

// The parser reads a shared option by its first row: the others must not
// contradict it, and one mode must not list a name twice.
constexpr bool SharedOptionRowsAgree() {
    for (std::size_t i = 0; i < std::size(CliOptions); ++i)
        for (std::size_t j = i + 1; j < std::size(CliOptions); ++j) {
            const TCliOptionSpec& a = CliOptions[i];
            const TCliOptionSpec& b = CliOptions[j];
            if (a.Name != b.Name) continue;
            if (a.Mode == b.Mode || a.Alias != b.Alias || a.ValueName != b.ValueName || a.ForQt != b.ForQt ||
                a.Repeat != b.Repeat)
                return false;
        }
    return true;
}
static_assert(SharedOptionRowsAgree(), "rows of one option disagree, or a mode lists it twice");

// Qt documents its options with one dash, so they are shown that way.
std::string Spelling(const TCliOptionSpec& o) {
    return (o.ForQt ? "-" : "--") + std::string(o.Name);
}

std::string WithValue(const TCliOptionSpec& o) {
    return o.ValueName.empty() ? Spelling(o) : Spelling(o) + " " + std::string(o.ValueName);
}

// "--from belongs to --tabulate, --integrate and --root".
std::string Misplaced(const TCliOptionSpec& option) {
    std::vector<std::string> owners;
    for (const TCliOptionSpec& o : CliOptions) {
        if (o.Name != option.Name) continue;
        const std::string_view selector = ModeSpec(o.Mode).Option;
        if (selector.empty()) return Spelling(option) + " only applies when the program starts its windows";
        owners.push_back("--" + std::string(selector));
    }
    std::string text = Spelling(option) + " belongs to ";
    for (std::size_t i = 0; i < owners.size(); ++i)
        text += (i == 0 ? "" : i + 1 == owners.size() ? " and " : ", ") + owners[i];
    return text;
}

// The words of a mode's synopsis; an option with its value is one word, so
// that a wrapped synopsis never parts them.
std::vector<std::string> Synopsis(const TCliModeSpec& mode) {
    std::vector<std::string> words{"curvane"};
    if (!mode.Option.empty()) words.push_back(WithValue(*FindOption(mode.Option)));
    for (const TCliOptionSpec& o : CliOptions) {
        if (o.Mode != mode.Mode || o.Name == mode.Option || o.ForQt) continue;
        words.push_back(o.Required ? WithValue(o) : "[" + WithValue(o) + "]");
    }
    if (!mode.Positional.empty()) words.emplace_back(mode.Positional);
    return words;
}

// Appends `words` wrapped at 79 columns; the first line starts at the current
// column `column`, the others at `indent`.
void Wrap(std::string& out, const std::vector<std::string_view>& words, std::size_t column, std::size_t indent) {
    constexpr std::size_t Width = 79;
    bool first = true;
    for (const std::string_view word : words) {
        if (!first && column + 1 + word.size() > Width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    out += '\n';
}

void Wrap(std::string& out, std::string_view text, std::size_t column, std::size_t indent) {
    std::vector<std::string_view> words;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        words.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    Wrap(out, words, column, indent);
}

}  // namespace

std::optional<std::string> TCommandLine::Value(std::string_view name) const {
    const auto it = FValues.find(std::string(name));
    if (it == FValues.end()) return std::nullopt;
    return it->second.front();
}

std::vector<std::string> TCommandLine::Values(std::string_view name) const {
    const auto it = FValues.find(std::string(name));
    return it == FValues.end() ? std::vector<std::string>{} : it->second;
}

TCommandLine TCommandLine::Parse(std::span<const char* const> args) {
    TCommandLine line;
    std::optional<std::string> error;  // the first one; reported once the mode is known
    std::vector<const TCliOptionSpec*> given;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // A lone "-" is a value by the usual convention, as is everything after "--".
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.FPositional.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view body = arg.substr(arg[1] == '-' ? 2 : 1);
        std::optional<std::string_view> inlineValue;
        if (const std::size_t eq = body.find('='); eq != std::string_view::npos) {
            inlineValue = body.substr(eq + 1);
            body = body.substr(0, eq);
        }
        const TCliOptionSpec* option = FindOption(body);
        const std::string shown = option ? Spelling(*option) : std::string(arg.substr(0, arg.find('=')));
        std::string value;
        if (!option) {
            // Its value, if it has one, cannot be told from a file name: the
            // error stops the run anyway.
            if (!error) error = "unknown option " + shown;
            continue;
        }
        if (option->ValueName.empty()) {
            if (inlineValue && !error) error = shown + " takes no value";
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            // The next argument whatever it looks like: "--eval -x" evaluates -x.
            value = args[++i];
        } else {
            if (!error) error = shown + " needs a value (" + std::string(option->ValueName) + ")";
            continue;
        }
        std::vector<std::string>& values = line.FValues[std::string(option->Name)];
        if (!values.empty() && option->Repeat == TCliRepeat::crOnce && !error) error = shown + " is given twice";
        values.push_back(value);
        given.push_back(option);
    }

    if (line.IsSet("help")) {
        line.FMode = TCliMode::cmHelp;
        return line;
    }
    if (line.IsSet("version")) {
        line.FMode = TCliMode::cmVersion;
        return line;
    }
    const TCliOptionSpec* selector = nullptr;
    for (const TCliOptionSpec* o : given) {
        if (o->Name != ModeSpec(o->Mode).Option) continue;
        if (selector && selector != o && !error)
            error = Spelling(*selector) + " and " + Spelling(*o) + " cannot be combined";
        if (!selector) selector = o;
    }
    const TCliModeSpec& mode = ModeSpec(selector ? selector->Mode : TCliMode::cmGui);
    line.FMode = mode.Mode;
    if (error) throw ECommandLine(*error, mode.UsageStatus);

    for (const TCliOptionSpec* o : given)
        if (!TakesOption(mode.Mode, o->Name)) throw ECommandLine(Misplaced(*o), mode.UsageStatus);
    if (mode.Positional.empty() && !line.FPositional.empty())
        throw ECommandLine("unexpected argument " + line.FPositional.front(), mode.UsageStatus);
    for (const TCliOptionSpec& o : CliOptions)
        if (o.Mode == mode.Mode && o.Required && !line.IsSet(o.Name))
            throw ECommandLine("--" + std::string(mode.Option) + " needs " + WithValue(o), mode.UsageStatus);
    return line;
}

std::string CommandLineHelp() {
    std::string text = "Curvane plots mathematical functions and computes with them.\n";
    for (const TCliModeSpec& mode : CliModes) {
        const std::vector<std::string> synopsis = Synopsis(mode);
        text += "\n";
        Wrap(text, std::vector<std::string_view>(synopsis.begin(), synopsis.end()), 0, 8);
        text += "  ";
        Wrap(text, mode.Help, 2, 2);
        for (const TCliOptionSpec& o : CliOptions) {
            if (o.Mode != mode.Mode || o.Help.empty()) continue;
            std::string left = "    " + (o.Alias.empty() ? "" : "-" + std::string(o.Alias) + ", ") + WithValue(o);
            constexpr std::size_t HelpColumn = 24;
            left.resize(std::max(left.size() + 2, HelpColumn), ' ');
            text += left;
            Wrap(text, o.Help, left.size(), HelpColumn);
        }
    }
    text += "\nNumbers:\n  ";
    Wrap(text,
         "A, B, S, E and the N of --x and --y are numbers with \".\" as the decimal point (1.5, -2, 1e-3) "
         "or constant formulas such as pi/2, 2*pi or sqrt(2), in the syntax of a plotted function without "
         "its variables.",
         2, 2);
    text += "\nFiles and environment:\n  ";
    Wrap(text,
         "Settings and recent files are kept in curvane.ini, and error reports in curvane.err, beside "
         "the executable when its folder is writable and the copy is not installed, else in "
         "$XDG_CONFIG_HOME/curvane/ and $XDG_STATE_HOME/curvane/. CURVANE_SETTINGS and CURVANE_ERROR_LOG "
         "name other files for them; CURVANE_NO_JIT=1 evaluates formulas with the portable interpreter "
         "instead of generated machine code. The manual page curvane(1) has the details.",
         2, 2);
    return text;
}

}  // namespace curvane
