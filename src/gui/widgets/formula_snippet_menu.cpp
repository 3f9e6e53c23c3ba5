// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/formula_snippet_menu.h"

#include "core/evaluator/rapid_evaluator.h"

#include <QLineEdit>

namespace curvane {

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
    for (TLookupTable* table : {&evaluator.IntFunctions(), &evaluator.ExtFunctions()}) {
        for (int i = 0; i < table->Count(); ++i)
            if (table->Items(i)->Enabled)
                AddEntry(functions, QString::fromStdString(table->Items(i)->Name) + QStringLiteral("()"), 1);
    }
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
