// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QPointer>

#include <QLineEdit>

namespace curvane {

class TRapidEvaluator;

// The popup of formula pieces (digits, x and y, operators, the variables and
// functions an evaluator knows). Choosing an entry inserts it at the caret of
// the target edit. One menu serves the function bar and the rows of the
// properties dialog; whichever control used it last is the target.
class TFormulaSnippetMenu : public QMenu {
    Q_OBJECT
public:
    explicit TFormulaSnippetMenu(QWidget* parent = nullptr);

    // Refills the menu from what `evaluator` knows.
    void Rebuild(TRapidEvaluator& evaluator);

    QLineEdit* Target() const { return FTarget; }
    void SetTarget(QLineEdit* edit) { FTarget = edit; }

    // Inserts `text` without its surrounding blanks at the target's caret,
    // focuses the target and puts the caret after the insertion minus
    // `caretBack` characters (1 for "sin()", so it lands between the
    // parentheses). Does nothing without a target.
    void InsertSnippet(const QString& text, int caretBack);

    // The entries' texts in order, with "|" for a group boundary; for tests.
    QStringList EntryTexts() const;

private:
    QAction* AddEntry(QMenu* menu, const QString& text, int caretBack, const QString& hint = QString());

    QPointer<QLineEdit> FTarget;
};

}  // namespace curvane
