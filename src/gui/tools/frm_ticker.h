// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <optional>

#include "core/document/compiled_function.h"

class QLabel;
class QLineEdit;
class QSlider;

namespace curvane {

class TScope;

// The ticker: a track bar that walks a point along the active function of
// the current 2D graph window, across the visible x range. It shows x and
// f(x) and marks the point with a small inverted cross on the plot. It works
// on Cartesian explicit functions; with anything else the bar is disabled.
// At most one exists; it deletes itself when closed.
class TfrmTicker : public QWidget {
    Q_OBJECT
public:
    // The open ticker, or null.
    static TfrmTicker* Instance();
    // Creates and shows the ticker, or raises the one that is open.
    static TfrmTicker* Open(QWidget* parent);

    // Takes the range and the function from the current graph window and
    // forgets the cross (erasing it first when it is shown).
    void RefreshTicker();

    QLabel* const lblX1;
    QLabel* const lblX2;
    QSlider* const TrackBar1;
    QLineEdit* const edtX;
    QLineEdit* const edtY;

signals:
    // The ticker was closed (and is about to be deleted).
    void Closed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    explicit TfrmTicker(QWidget* parent);
    template <class TWindow>
    friend TWindow* ShowSingleInstance(QPointer<TWindow>& instance, QWidget* parent);
    void TrackBar1Change(int position);
    // Moves the cross, and the numbers shown, onto a marked point of
    // interest a few pixels away along x.
    void SnapToPoint();
    // Inverts the cross at FCrossPoint; a second call restores the picture.
    void ToggleCross();
    void EraseCross();
    void Deactivated();

    QPointer<TScope> FScope;  // the plot walked on, null while disabled
    QMetaObject::Connection FRedrawn;
    std::optional<TCompiledFunction> FFunction;
    double FXmin = 0;
    double FXmax = 0;
    bool FCrossShown = false;
    QPoint FCrossPoint;
};

}  // namespace curvane
