// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

class QPushButton;
class QToolButton;

namespace curvane {

// A line under a formula that names unknown variables: a button that makes
// them parameters ("Create k, m") and one that puts the offer away. It sits
// in the window beside the formula rather than in a box in the way, so the
// user may as well go on typing, which also puts it away.
class TParameterOffer : public QWidget {
    Q_OBJECT
public:
    explicit TParameterOffer(QWidget* parent = nullptr);

    // Shows the offer for `names`; none hides it.
    void Offer(const QStringList& names);
    const QStringList& Names() const { return FNames; }
    QPushButton* CreateButton() const { return btnCreate; }
    QToolButton* DismissButton() const { return btnDismiss; }

signals:
    // The user took the offer (the offer is hidden first).
    void Accepted(const QStringList& names);

private:
    QStringList FNames;
    QPushButton* btnCreate;
    QToolButton* btnDismiss;
};

}  // namespace curvane
