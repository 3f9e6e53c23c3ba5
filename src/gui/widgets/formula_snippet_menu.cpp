// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/formula_snippet_menu.h"

#include "core/evaluator/rapid_evaluator.h"

#include <QLineEdit>

namespace curvane {

namespace {

// The functions submenu in groups (an empty Name ends a group), under the
// names most people type; the language's own spellings of the same
// functions are named in the hints instead of being listed twice.
struct TSnippetFunction {
    const char* Name = nullptr;
    const char* Hint = nullptr;
};
constexpr TSnippetFunction GroupedFunctions[] = {
    {"SIN", "Sine"},
    {"COS", "Cosine"},
    {"TAN", "Tangent, also written TG"},
    {"COT", "Cotangent, also written CTG"},
    {"SEC", "Secant, 1/cos"},
    {"COSEC", "Cosecant, 1/sin"},
    {},
    {"ASIN", "Inverse sine, also written ARCSIN"},
    {"ACOS", "Inverse cosine, also written ARCCOS"},
    {"ATAN", "Inverse tangent, also written ARCTG"},
    {},
    {"SINH", "Hyperbolic sine"},
    {"COSH", "Hyperbolic cosine"},
    {"TANH", "Hyperbolic tangent"},
    {},
    {"EXP", "e to the power"},
    {"LN", "Natural logarithm"},
    {"LOG10", "Logarithm to base 10"},
    {"LOG2", "Logarithm to base 2"},
    {"SQRT", "Square root"},
    {},
    {"ABS", "Absolute value"},
    {"SIGN", "-1, 0 or 1"},
    {"NEG", "Negation"},
    {"FLOOR", "Largest whole number not above"},
    {"CEIL", "Smallest whole number not below"},
    {"ROUND", "Nearest whole number, halves away from zero"},
    {},
    {"MIN", "MIN(a, b): the smaller"},
    {"MAX", "MAX(a, b): the larger"},
    {"MOD", "MOD(a, b): the remainder, with the sign of b"},
    {"SUM", "SUM(a, b): a + b"},
    {},
    {"PI", "The number pi"},
    {"E", "The number e"},
};
// Other spellings of functions above.
constexpr const char* ListedUnderAlias[] = {"TG", "CTG", "ARCSIN", "ARCCOS", "ARCTG"};

}  // namespace

TFormulaSnippetMenu::TFormulaSnippetMenu(QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("FormulaSnippetMenu"));
    setToolTipsVisible(true);
}

QAction* TFormulaSnippetMenu::AddEntry(QMenu* menu, const QString& text, int caretBack, const QString& hint) {
    QAction* action = menu->addAction(text);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    connect(action, &QAction::triggered, this, [this, text, caretBack] { InsertSnippet(text, caretBack); });
    return action;
}

void TFormulaSnippetMenu::Rebuild(TRapidEvaluator& evaluator) {
    clear();
    for (int digit = 0; digit <= 9; ++digit) AddEntry(this, QStringLiteral("%1 ").arg(digit), 0);
    addSeparator();
    AddEntry(this, QStringLiteral("x "), 0);
    AddEntry(this, QStringLiteral("y "), 0);
    // Menus here have no column breaks; the groups that stand in columns of
    // their own are separated, and the long lists of names become submenus so
    // that the popup always fits the screen.
    addSeparator();
    AddEntry(this, QStringLiteral("+ "), 0, QStringLiteral("Add"));
    AddEntry(this, QStringLiteral("- "), 0, QStringLiteral("Subtract"));
    AddEntry(this, QStringLiteral("* "), 0, QStringLiteral("Multiply"));
    AddEntry(this, QStringLiteral("/ "), 0, QStringLiteral("Divide"));
    AddEntry(this, QStringLiteral("^ "), 0, QStringLiteral("Power"));
    addSeparator();

    QMenu* variables = addMenu(QStringLiteral("Variables"));
    variables->setObjectName(QStringLiteral("SnippetVariables"));
    TLookupTable& vars = evaluator.Variables();
    for (int i = 0; i < vars.Count(); ++i)
        if (vars.Items(i)->Enabled) AddEntry(variables, QString::fromStdString(vars.Items(i)->Name), 0);
    variables->setEnabled(!variables->isEmpty());

    QMenu* functions = addMenu(QStringLiteral("Functions"));
    functions->setObjectName(QStringLiteral("SnippetFunctions"));
    TLookupTable* const tables[] = {&evaluator.IntFunctions(), &evaluator.ExtFunctions()};
    bool groupStarted = false;
    // A constant goes in bare ("pi"), a function with its parentheses and
    // the caret between them.
    auto addFunction = [&](const TLookupItem& item, const char* hint) {
        if (!groupStarted && !functions->isEmpty()) functions->addSeparator();
        groupStarted = true;
        const QString name = QString::fromStdString(item.Name);
        if (static_cast<const TAbstractFunction&>(item).ParamCount == 0)
            AddEntry(functions, name, 0, QString::fromLatin1(hint));
        else
            AddEntry(functions, name + QStringLiteral("()"), 1, QString::fromLatin1(hint));
    };
    auto findEnabled = [&](const char* name) -> TLookupItem* {
        for (TLookupTable* table : tables)
            if (TLookupItem* item = table->FindEnabled(name)) return item;
        return nullptr;
    };
    for (const TSnippetFunction& f : GroupedFunctions) {
        if (!f.Name) {
            groupStarted = false;
        } else if (TLookupItem* item = findEnabled(f.Name)) {
            addFunction(*item, f.Hint);
        }
    }
    // Whatever else the evaluator knows (FACT, a caller's own functions)
    // comes last, in the tables' order.
    groupStarted = false;
    auto grouped = [](const std::string& name) {
        for (const TSnippetFunction& f : GroupedFunctions)
            if (f.Name && SameName(name, f.Name)) return true;
        for (const char* alias : ListedUnderAlias)
            if (SameName(name, alias)) return true;
        return false;
    };
    for (TLookupTable* table : tables)
        for (int i = 0; i < table->Count(); ++i)
            if (table->Items(i)->Enabled && !grouped(table->Items(i)->Name)) addFunction(*table->Items(i), "");
    functions->setEnabled(!functions->isEmpty());
}

void TFormulaSnippetMenu::InsertSnippet(const QString& text, int caretBack) {
    QLineEdit* edit = FTarget;
    if (edit == nullptr || !edit->isEnabled()) return;
    const QString piece = text.trimmed();
    edit->setFocus(Qt::OtherFocusReason);
    edit->insert(piece);  // replaces a selection, like typing would
    edit->setCursorPosition(std::max(0, edit->cursorPosition() - caretBack));
}

QStringList TFormulaSnippetMenu::EntryTexts() const {
    QStringList texts;
    const std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                texts << QStringLiteral("|");
            else if (action->menu())
                walk(action->menu());
            else
                texts << action->text();
        }
    };
    walk(this);
    return texts;
}

}  // namespace curvane
