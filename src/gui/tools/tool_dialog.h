// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>

#include "core/document/compiled_function.h"
#include "core/numeric/integration.h"

class QAbstractButton;
class QComboBox;
class QElapsedTimer;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace curvane {

class TRapidEvaluator;

// One stoppable computation of a tool, run on the user-interface thread. While
// it lives, its button reads "Stop"; StopRequest lets the application process
// pending events once 500 ms have passed, so a click on that button (or a
// close, or Exit) can ask the computation to end. Whatever runs in those
// nested event loops may pan, recalculate or retype formulas: the tools
// therefore compute with functions compiled into evaluators of their own
// (CompileToolFormula), never with the shared ones.
class TToolRun {
public:
    explicit TToolRun(QAbstractButton* button);
    ~TToolRun();
    TToolRun(const TToolRun&) = delete;
    TToolRun& operator=(const TToolRun&) = delete;

    bool StopRequested() const { return FStopRequested; }
    void RequestStop() { FStopRequested = true; }

    // True when the user asked to stop. After the first 500 ms each call lets
    // the application process events, at most every 40 ms so that the
    // computation itself keeps the processor.
    bool Poll();
    // Poll as the core's stop request.
    TStopRequest StopRequest() {
        return [this] { return Poll(); };
    }

    static bool AnyRunning();
    // Asks every running computation to stop.
    static void StopAll();
    // Runs `then` from the event loop once no computation runs any more (at
    // the next turn of the loop when none runs now).
    static void WhenIdle(std::function<void()> then);

private:
    QPointer<QAbstractButton> FButton;
    QString FCaption;
    qint64 FStarted;
    qint64 FLastPump = 0;
    bool FStopRequested = false;
};

// Base of the tool dialogs (tabulation, integral, roots): a window that stays
// on top of the main window, is centred on the screen and is deleted when
// closed. A close during a computation asks it to stop and closes once it has.
class TToolDialog : public QDialog {
    Q_OBJECT
public:
    bool Running() const { return FRun != nullptr; }
    // The computation in progress, or null.
    TToolRun* Run() const { return FRun; }

protected:
    TToolDialog(const QString& caption, QWidget* parent);

    // "Close", hint "|Close the window".
    QPushButton* MakeCloseButton();
    // Runs `work` as the dialog's computation, its button reading "Stop"
    // meanwhile. Returns what the run was asked: true when stopped.
    bool RunStoppable(QAbstractButton* button, const std::function<void(TToolRun&)>& work);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape: QDialog closes without a close event we could refuse, and the
    // dialog would be deleted under the computation's loop.
    void reject() override;

private:
    TToolRun* FRun = nullptr;
    bool FCloseAfterRun = false;
    bool FCentred = false;
};

// A tool has one window at a time: made on first use (parented to `parent`,
// the main window), then shown, raised and activated on every call.
template <class TWindow>
TWindow* ShowSingleInstance(QPointer<TWindow>& instance, QWidget* parent) {
    if (!instance) instance = new TWindow(parent);
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance;
}

// The pick button of a formula field (hint "Pick function"): it opens the
// main window's formula snippet menu below itself, aimed at `field`; the
// field's context menu opens the same menu at the pointer.
QToolButton* MakePickButton(QComboBox* field, QWidget* parent);

// Fills the drop-down list of `field` with the main expressions of the current
// graph window's functions (empty without one), keeping the field's text, and
// keeps it so while the current document changes. The field completes nothing
// of what is typed.
void FillFunctionList(QComboBox* field);

// After a failed compile: selects in `edit` the token the evaluator stopped
// at (it counts UTF-8 bytes from 1, the edit characters from 0).
void SelectFormulaToken(QLineEdit* edit, const TRapidEvaluator& evaluator);

// The checks every tool runs on a formula field before it computes:
// an empty field gives the message box `emptyMessage` (caption "Error") and a
// formula error the error box "Syntax error : %s" with the token selected;
// either focuses the field and gives nullopt. The function is compiled into a
// private evaluator that knows what the shared Cartesian one knows
// (variables, custom functions), X bound to the first argument.
std::optional<TCompiledFunction> CompileToolFormula(QWidget* dialog, QComboBox* field,
                                                    const QString& emptyMessage);

// Reads a decimal number ("." always) or a constant formula ("pi/2") from
// `edit` (ParseConstant); otherwise focuses it, shows the error box `message`
// and gives nullopt.
std::optional<double> ReadFloatField(QWidget* dialog, QLineEdit* edit,
                                     const QString& message = QStringLiteral("Invalid float value!"));

// The swap question of a reversed interval: `message` followed by a line
// "OK to swap?", caption "Error", Yes/No with the stop icon. On Yes the two
// values and their fields are swapped; true when the computation may go on.
bool AskSwap(QWidget* dialog, const QString& message, double& from, double& to, QLineEdit* edtFrom,
             QLineEdit* edtTo);

// A number in the shortest form that reads back the same ("." always).
QString ShortText(double value);

// Asks where to save a text table (a file dialog with caption); empty when
// the user cancels. A modal loop: look anything up again afterwards.
QString AskTextFileName(QWidget* parent, const QString& caption);
// Writes data beside path and renames it over it, so a failed write leaves
// the old file as it was. Returns the reason of a failure, empty on success.
QString WriteTextFile(const QString& path, const QByteArray& data);

}  // namespace curvane
