// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/formula_hint.h"

#include "core/evaluator/formula_scanner.h"

#include <QLineEdit>
#include <QSet>

namespace curvane {

namespace {

QSet<QString>& KeptFormulas() {
    static QSet<QString> kept;
    return kept;
}

}  // namespace

QString SignPowerHint(const QString& formula) {
    if (KeptFormulas().contains(formula) || !FindSignBeforePower(formula.toStdString())) return {};
    return QStringLiteral("-x^2 is read as (-x)^2; write -(x^2) for the negative of a square");
}

void KeepFormulaAfterHint(const QString& formula) { KeptFormulas().insert(formula); }

TFormulaHintLabel::TFormulaHintLabel(QLineEdit* field, QWidget* parent) : QLabel(parent), FField(field) {
    setObjectName(QStringLiteral("lblFormulaHint"));
    setWordWrap(true);
    Follow();
    connect(field, &QLineEdit::textChanged, this, &TFormulaHintLabel::Follow);
    connect(field, &QLineEdit::editingFinished, this, [this] {
        if (FField && !isHidden()) KeepFormulaAfterHint(FField->text());
    });
}

void TFormulaHintLabel::SetFieldShown(bool shown) {
    FFieldShown = shown;
    Follow();
}

void TFormulaHintLabel::Follow() {
    const QString hint = FField && FFieldShown ? SignPowerHint(FField->text()) : QString();
    setText(hint);
    setVisible(!hint.isEmpty());
}

}  // namespace curvane
