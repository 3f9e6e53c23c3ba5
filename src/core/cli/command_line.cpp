#include "core/cli/command_line.h"

#include <algorithm>

namespace curvane {

namespace {

const TCliModeSpec& ModeSpec(TCliMode mode) {
    return *std::find_if(std::begin(CliModes), std::end(CliModes),
                         [&](const TCliModeSpec& m) { return m.Mode == mode; });
}

const TCliOptionSpec* FindOption(std::string_view name) {
    for (const TCliOptionSpec& o : CliOptions)
        if (o.Name == name || (!o.Alias.empty() && o.Alias == name)) return &o;
    return nullptr;
}

// Qt documents its options with one dash, so they are shown that way.
std::string Spelling(const TCliOptionSpec& o) {
    return (o.ForQt ? "-" : "--") + std::string(o.Name);
}

std::string WithValue(const TCliOptionSpec& o) {
    return o.ValueName.empty() ? Spelling(o) : Spelling(o) + " " + std::string(o.ValueName);
}

std::string Synopsis(const TCliModeSpec& mode) {
    std::string line = "curvane";
    if (!mode.Option.empty()) line += " " + WithValue(*FindOption(mode.Option));
    for (const TCliOptionSpec& o : CliOptions) {
        if (o.Mode != mode.Mode || o.Name == mode.Option || o.ForQt) continue;
        line += o.Required ? " " + WithValue(o) : " [" + WithValue(o) + "]";
    }
    if (!mode.Positional.empty()) line += " " + std::string(mode.Positional);
    return line;
}

// Appends `text` wrapped at 79 columns; the first line starts at the current
// column `column`, the others at `indent`.
void Wrap(std::string& out, std::string_view text, std::size_t column, std::size_t indent) {
    constexpr std::size_t Width = 79;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        const std::string_view word = text.substr(0, end);
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
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    out += '\n';
}

}  // namespace

std::string_view CurvaneVersion() { return CURVANE_VERSION; }

std::optional<std::string> TCommandLine::Value(std::string_view name) const {
    const auto it = FValues.find(std::string(name));
    if (it == FValues.end()) return std::nullopt;
    return it->second;
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
        if (!line.FValues.emplace(std::string(option->Name), value).second && !error)
            error = shown + " is given twice";
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

    for (const TCliOptionSpec* o : given) {
        if (o->Mode == mode.Mode) continue;
        const TCliModeSpec& owner = ModeSpec(o->Mode);
        throw ECommandLine(Spelling(*o) + (owner.Option.empty() ? " only applies when the program starts its windows"
                                                                : " belongs to --" + std::string(owner.Option)),
                           mode.UsageStatus);
    }
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
        text += "\n" + Synopsis(mode) + "\n  ";
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
    return text;
}

}  // namespace curvane
