// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QPointer>

class QLineEdit;

namespace curvane {

// The sign-and-power hint: a formula such as "exp(-x^2)" is accepted as
// before, and the user is told once how the language reads it. Once means once
// per formula text in a run of the program: a text the user has entered in the
// function box, or finished editing in a dialog's field, while the hint was
// shown is taken as meant, and the same text (in any box or dialog) gets no
// hint again. Another text gets the hint again, so the reminder comes back
// for each new formula that needs it.

// The hint for `formula`, or "" when it has no sign before a power
// (FindSignBeforePower) or the user has kept that text after its hint.
QString SignPowerHint(const QString& formula);
// The user kept `formula` while its hint was shown.
void KeepFormulaAfterHint(const QString& formula);

// The hint beside a dialog's formula field: it follows the field's text
// (hidden while there is nothing to say) and counts as given when the user
// finishes editing the field (leaves it, or presses Enter) while it shows.
// The parent is the dialog (or a page of it): a label without one would show
// as a window of its own.
class TFormulaHintLabel : public QLabel {
    Q_OBJECT
public:
    TFormulaHintLabel(QLineEdit* field, QWidget* parent);

    // Whether the dialog shows the field now; a hidden field's text gets no
    // hint.
    void SetFieldShown(bool shown);

private:
    void Follow();

    QPointer<QLineEdit> FField;
    bool FFieldShown = true;
};

}  // namespace curvane
