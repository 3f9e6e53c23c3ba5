// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/frm_child2d.h"

#include <functional>

#include <gtest/gtest.h>

#include <QPointer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "gui/document/document_owner.h"
#include "gui/document_test_helpers.h"
#include "gui/plot2d/points_of_interest.h"
#include "gui/plot2d/scope.h"
#include "gui/run_curvane.h"
#include "gui/shell_test_helpers.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"

namespace curvane {
namespace {

using testing::AddFunctionTo;
using testing::EditDocument;
using testing::ForgetChanges;
using testing::ShowDocument;
using testing::TModalAnswerer;

// An MDI area of a known size, as the main window provides it. The save
// dialog answers from a queue: a path, or empty to cancel.
class Child2DTest : public ::testing::Test {
protected:
    void SetUp() override {
        FArea.resize(900, 700);
        FArea.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&FArea));
        SetSaveFileChooser([this](QWidget*, const QString&) {
            if (FSaveAnswers.isEmpty()) ADD_FAILURE() << "unexpected save dialog";
            return FSaveAnswers.isEmpty() ? QString() : FSaveAnswers.takeFirst();
        });
    }
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
        SetSaveFileChooser({});
        // Windows with unsaved changes would ask their close question.
        for (QMdiSubWindow* sub : FArea.subWindowList())
            if (auto* w = qobject_cast<TfrmAbstractMDIChild*>(sub->widget())) w->UndoStack()->setClean();
        FArea.closeAllSubWindows();
        TGraphHub::Instance().SetAutoredraw(true);
    }

    TfrmChild2D* NewWindow() {
        auto* w = new TfrmChild2D;
        QMdiSubWindow* sub = AddGraphWindow(&FArea, w);
        w->SetPlotSize({400, 300});
        sub->adjustSize();
        QCoreApplication::processEvents();
        return w;
    }

    QMdiArea FArea;
    QTemporaryDir FDir;
    TModalAnswerer FAnswer;
    QStringList FSaveAnswers;
};

const TPline& Curve(TfrmChild2D& w, int i) { return w.Indicator().Plines()[i].Pline(); }
void SetLimits(TfrmAbstractMDIChild& w, int i, double from, double to, double step) {
    ShowDocument(w, [=](TGraphDocument& d) {
        TFuncItem& f = *d.Func(i);
        f.ManualLimits = true, f.From = from, f.To = to, f.Step = step;
    });
}

TEST_F(Child2DTest, FunctionListOperationsKeepCurvesMarksCaptionsAndActiveIndexInStep) {
    TfrmChild2D* w = NewWindow();
    AddFunctionTo(*w, "1");
    AddFunctionTo(*w, "2");
    AddFunctionTo(*w, "1/x");
    SetLimits(*w, 2, -1, 1, 0.5);
    const TIndicator& ind = w->Indicator();
    ASSERT_EQ(ind.Marks().Count(), 1);
    EXPECT_EQ(ind.Marks().GetVertex(0)[0], 0) << "the division by zero is marked";

    // Deleting the first of three while the first is active: the curves
    // follow, the former second function is active.
    w->SetFuncActive(0);
    EditDocument(*w, [](TGraphDocument& d) { DeleteFunction(d, 0); });
    EXPECT_EQ(w->FuncActive(), 0);
    ASSERT_EQ(ind.Plines().Count(), 2);
    EXPECT_EQ(Curve(*w, 1).Count(), 5);  // four points, broken at the pole
    EXPECT_TRUE(ShownTitle(*w).endsWith("] - 2, 1/x*")) << ShownTitle(*w).toStdString();
    EXPECT_EQ(ind.Caption(), "2, 1/x");

    // A new formula samples its function at once; the pole's mark goes with
    // the old samples.
    EditDocument(*w, [](TGraphDocument& d) { d.Func(1)->Expression = "3"; });
    EXPECT_EQ(Curve(*w, 1).GetVertex(0)[1], 3);
    EXPECT_EQ(ind.Marks().Count(), 0);

    EditDocument(*w, [](TGraphDocument& d) { DeleteFunction(d, 1), DeleteFunction(d, 0); });
    EXPECT_EQ(w->FuncActive(), -1);
    EXPECT_EQ(ind.Plines().Count(), 0);
    // With nothing active and an empty last function, a new formula fills
    // that function (no second one) and makes it active.
    AddFunctionTo(*w, "");
    w->SetFuncActive(-1);
    AddFunctionTo(*w, "x/2");
    EXPECT_EQ(w->FuncCount(), 1);
    EXPECT_EQ(w->FuncActive(), 0);
}

// A window follows each edit with only the work it needs.
TEST_F(Child2DTest, AColourChangeSamplesNothingAndAFormulaChangeOnlyItsFunction) {
    TfrmChild2D* w = NewWindow();
    ShowDocument(*w, [](TGraphDocument& d) {
        for (int i = 0; i < 200; ++i) AddFunction(d, "x+" + std::to_string(i));
    });
    w->Recalculate(TRecalc::rcAll);
    const long long sampled = w->Plot().SampledFunctions();
    EditDocument(*w, [](TGraphDocument& d) { d.Func(100)->Color = 0x00FF00; });
    EXPECT_EQ(w->Plot().SampledFunctions(), sampled);
    EXPECT_EQ(w->Indicator().Plines()[100].Color(), 0x00FF00);
    EditDocument(*w, [](TGraphDocument& d) { d.Func(100)->Expression = "x*x"; });
    EXPECT_EQ(w->Plot().SampledFunctions(), sampled + 1);
    EXPECT_DOUBLE_EQ(Curve(*w, 100).GetVertex(0)[1], std::pow(Curve(*w, 100).GetVertex(0)[0], 2));
}

// A parameter's new value samples the functions that use it, with the value;
// a new range samples nothing.
TEST_F(Child2DTest, AParameterValueSamplesOnlyTheFunctionsThatUseIt) {
    TfrmChild2D* w = NewWindow();
    ShowDocument(*w, [](TGraphDocument& d) {
        d.Parameters.Add({"k", 2});
        d.Parameters.Add({"m", 1});
        for (const char* f : {"k*x^2", "x", "m*x", "K+x"}) AddFunction(d, f);
    });
    w->Recalculate(TRecalc::rcAll);
    const double* v = Curve(*w, 0).GetVertex(0);
    EXPECT_DOUBLE_EQ(v[1], 2 * v[0] * v[0]);
    const long long sampled = w->Plot().SampledFunctions();
    EditDocument(*w, [](TGraphDocument& d) { d.Parameters[0].Max = 30; });
    EXPECT_EQ(w->Plot().SampledFunctions(), sampled);
    EditDocument(*w, [](TGraphDocument& d) { d.Parameters[0].Value = 5; });
    EXPECT_EQ(w->Plot().SampledFunctions(), sampled + 2);
    v = Curve(*w, 0).GetVertex(0);
    EXPECT_DOUBLE_EQ(v[1], 5 * v[0] * v[0]);
    EXPECT_DOUBLE_EQ(Curve(*w, 3).GetVertex(0)[1], 5 + Curve(*w, 3).GetVertex(0)[0]);
}

TEST_F(Child2DTest, ManualLimitQuestionsAreMessageBoxesWhoseAnswersCount) {
    const QString swap = "\"From\" field is greater than field \"To\". Swap this fields?";
    const QString slow = "The drawing of the function with this step could take very long time. Proceed?";
    const struct { const char* why; double from, to, step; QMessageBox::StandardButton answer; const QString& asked;
                   int points; } rows[] = {
        {"Cancel leaves the curve empty", 4, 1, 1, QMessageBox::Cancel, swap, 0},
        {"OK swaps the limits", 5, 1, 1, QMessageBox::Ok, swap, 5},
        {"No to the long drawing leaves the curve empty", 0, 1, 1e-7, QMessageBox::No, slow, 0},
    };
    TfrmChild2D* w = NewWindow();
    AddFunctionTo(*w, "x");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FAnswer.ThenMessage(row.answer);
        SetLimits(*w, 0, row.from, row.to, row.step);  // sampled at once
        ASSERT_EQ(FAnswer.Pending(), 0u);
        EXPECT_EQ(FAnswer.Messages.back(), row.asked);
        EXPECT_EQ(Curve(*w, 0).Count(), row.points);
    }
}

// A dialog of the window's own (a question of its sampling, its Save As
// dialog) waits in a loop under a call of the window: a close meanwhile
// (from a timer, a menu beside the dialog) would delete both under that call.
TEST_F(Child2DTest, AWindowRefusesToCloseWhileADialogOfItsOwnIsOpen) {
    const struct {
        const char* Reason;
        std::function<void(TfrmChild2D&)> OpenDialog;
    } rows[] = {
        {"the equal-limits warning", [](TfrmChild2D& w) { SetLimits(w, 0, 1, 1, 0.1); }},
        {"the Save As dialog",
         [](TfrmChild2D& w) {
             SetSaveFileChooser({});
             SaveGraphWindow(w, true);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        TfrmChild2D* w = NewWindow();
        AddFunctionTo(*w, "x");
        ForgetChanges(*w);
        QPointer<QWidget> frame = w->parentWidget();
        bool refused = false;
        FAnswer.Then([&](QWidget* dialog) {
            frame->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            refused = frame && dialog->isVisible();
            static_cast<QDialog*>(dialog)->reject();
        });
        row.OpenDialog(*w);
        ASSERT_EQ(FAnswer.Pending(), 0u);
        EXPECT_TRUE(refused);
        ForgetChanges(*w);
        frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(frame.isNull()) << "answered, the window closes";
    }
}

TEST_F(Child2DTest, ViewChangeDuringAnotherRunsQuestionWaitsForTheRunToEnd) {
    TfrmChild2D* asking = NewWindow();
    AddFunctionTo(*asking, "x");
    TfrmChild2D* other = NewWindow();
    AddFunctionTo(*other, "x");
    other->Indicator().SetUniform(false);
    other->Recalculate(TRecalc::rcAll);
    const double step = other->Func(0)->Step;

    // While the first window's question is open, the second one's view
    // changes with Autoredraw on.
    QSignalSpy updates(&TGraphHub::Instance(), &TGraphHub::UpdateControlsRequested);
    QSignalSpy status(&TGraphHub::Instance(), &TGraphHub::StatusTextRequested);
    FAnswer.Then([&](QWidget* box) {
        EXPECT_TRUE(SharedEvaluatorsLeased());
        other->Indicator().SetXRange(-5, 5);
        QCoreApplication::processEvents();
        EXPECT_TRUE(other->RecalculatePostponed());
        EXPECT_EQ(other->Func(0)->Step, step) << "sampled under the running sampler";
        EXPECT_GE(updates.count(), 1) << "the commands were not told that a run began";
        EXPECT_EQ(status.at(0).at(1).toString(), "Working");
        static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    SetLimits(*asking, 0, 1, 1, 0.1);  // the equal-limits warning
    ASSERT_EQ(FAnswer.Pending(), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !other->RecalculatePostponed(); }));
    EXPECT_EQ(Curve(*other, 0).GetVertex(0)[0], -5);
}

TEST_F(Child2DTest, MouseOnThePlotResamplesWithAutoredrawAndShowsCoordinates) {
    TfrmChild2D* w = NewWindow();
    TIndicator& ind = w->Indicator();
    AddFunctionTo(*w, "x");
    // One sample per pixel column of this window's plot.
    EXPECT_DOUBLE_EQ(w->Func(0)->Step, ind.WorldWidth() / ind.Width());
    const double left = ind.WorldLeft();

    // A pan drag samples the curve over the new view.
    TScope* scope = w->Scope();
    const QPoint start(200, 150), end(250, 150);
    ind.SetMouseMode(TMouseMode::mmPan);
    QTest::mousePress(scope, Qt::LeftButton, {}, start);
    QTest::mouseMove(scope, end);
    QTest::mouseRelease(scope, Qt::LeftButton, {}, end);
    EXPECT_LT(ind.WorldLeft(), left);
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[0], ind.WorldLeft());

    // Without Autoredraw the curve keeps its samples.
    TGraphHub::Instance().SetAutoredraw(false);
    ind.SetMouseMode(TMouseMode::mmScale);
    const double before = Curve(*w, 0).GetVertex(0)[0];
    QTest::mouseClick(scope, Qt::LeftButton, {}, start);
    EXPECT_NE(ind.WorldLeft(), before);
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[0], before);

    QTest::mouseMove(scope, end);
    const QString x = QString::asprintf("X = %f", ind.ScreenToWorld(end).x());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->StatusPanel(TStatusPanel::spX) == x; }))
        << "the status bar shows the coordinates";
}

TEST_F(Child2DTest, CloseQuestionSavesAndTheFileReopensAsTheSameWindow) {
    // No functions: saving only says so, closing asks nothing.
    TfrmChild2D* empty = NewWindow();
    FAnswer.ThenMessage(QMessageBox::Ok);
    EXPECT_TRUE(SaveGraphWindow(*empty, true));
    EXPECT_EQ(FAnswer.Messages.back(), "No functions available. Save is unavailable.");
    empty->SubWindow()->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    TfrmChild2D* w = NewWindow();
    EditDocument(*w, [](TGraphDocument& d) {
        TFuncItem& hidden = AddFunction(d, "sin(x)*x");
        hidden.Active = false, hidden.Color = 0x0000FF;
        AddFunction(d, "2*x"), d.View2D.Uniform = false;
    });
    w->Indicator().ZoomToRect({-3, 2}, {7, -4});
    w->Recalculate(TRecalc::rcAll);
    const TFuncList saved = w->Functions();
    const QString path = FDir.filePath("doc.gfx"), unwritable = FDir.filePath("missing/doc.gfx");
    // The answer, the path the save dialog gives (null: no dialog), and the last message shown.
    const struct { const char* why; QMessageBox::StandardButton answer; QString saveAs; bool closes;
                   const char* lastMessage; } rows[] = {
        {"Cancel keeps the window", QMessageBox::Cancel, QString(), false, "Save changes to file ?"},
        {"Yes, then cancelling the save dialog", QMessageBox::Yes, "", false, "Save changes to file ?"},
        {"Yes with a path that cannot be written", QMessageBox::Yes, unwritable, false, "Unable to write to"},
        {"Yes with a path saves and closes", QMessageBox::Yes, path, true, "Save changes to file ?"},
    };
    QSignalSpy last(&TGraphHub::Instance(), &TGraphHub::LastWindowClosed);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FAnswer.ThenMessage(row.answer);
        if (!row.saveAs.isNull()) FSaveAnswers << row.saveAs;
        if (row.saveAs == unwritable) FAnswer.ThenMessage(QMessageBox::Ok);  // the error
        EXPECT_EQ(w->SubWindow()->close(), row.closes);
        ASSERT_EQ(FAnswer.Pending(), 0u);
        EXPECT_TRUE(FSaveAnswers.isEmpty());
        EXPECT_TRUE(FAnswer.Messages.back().startsWith(row.lastMessage)) << FAnswer.Messages.back().toStdString();
        EXPECT_TRUE(row.closes || w->FileName().isEmpty()) << "a failed save leaves no file name";
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(last.count(), 1) << "the main window hears that the last 2D window is gone";
    EXPECT_EQ(last.at(0).at(0).toInt(), 0);

    auto* r = qobject_cast<TfrmChild2D*>(OpenGraphDocument(&FArea, path));
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->FuncCount(), 2);
    EXPECT_EQ(r->FuncActive(), 1);
    // Automatic ranges (the hidden function's too) were written back at
    // saving; the reopened window has its own width, so only their ends compare.
    for (int i = 0; i < 2; ++i) {
        TFuncItem reread = *r->Func(i);
        reread.Step = saved.Items(i)->Step;
        EXPECT_TRUE(reread == *saved.Items(i)) << i;
    }
    EXPECT_EQ(r->Indicator().Plines()[0].Color(), 0x0000FF);
    const TIndicator& v = r->Indicator();
    EXPECT_EQ((std::array{v.WorldLeft(), v.WorldRight(), v.WorldTop(), v.WorldBottom()}),
              (std::array<double, 4>{-3, 7, 2, -4}));
    EXPECT_GT(Curve(*r, 1).Count(), 100) << "opening samples the functions";
    EXPECT_EQ(ShownTitle(*r), "[doc.gfx] - sin(x)*x, 2*x");
    // Opening the same path again brings that window forward: no second one.
    EXPECT_EQ(OpenGraphDocument(&FArea, path), r);
    EXPECT_EQ(FArea.subWindowList().size(), 1);
    // Changed, its close question names the file; changed back, it closes
    // without one.
    const std::int32_t color = r->Func(1)->Color;
    EditDocument(*r, [](TGraphDocument& d) { d.Func(1)->Color = 0x00FF00; });
    EXPECT_EQ(ShownTitle(*r), "[doc.gfx] - sin(x)*x, 2*x*");
    FAnswer.ThenMessage(QMessageBox::Cancel);
    EXPECT_FALSE(r->SubWindow()->close());
    EXPECT_EQ(FAnswer.Messages.back(), "Save changes to " + path + " ?");
    r->UndoStack()->undo();
    EXPECT_EQ(r->Indicator().Plines()[1].Color(), color);
    EXPECT_TRUE(r->SubWindow()->close());
    EXPECT_EQ(FAnswer.Pending(), 0u);
}

// Someone else's write to the open document's file makes Save ask; the
// rows run in order on one window, each after an edit of its own.
TEST_F(Child2DTest, SaveAsksBeforeOverwritingAFileSomeoneElseChanged) {
    const QString path = FDir.filePath("doc.gfx"), other = FDir.filePath("other.gfx");
    const char* theirs = "[Global]\nFunc count=1\nWindow type=0\n[Function1]\nExpression=theirs\n";
    const QString question = "The file " + path + " was changed by another program since it was opened. Overwrite it?";
    TfrmChild2D* w = NewWindow();
    AddFunctionTo(*w, "x");
    FSaveAnswers << path;
    ASSERT_TRUE(SaveGraphWindow(*w, false));
    enum TDisk { dkAsSaved, dkRewritten, dkDeleted };
    // What happened to the file, the answer (empty: no question), and where
    // the formula is found afterwards (empty: nowhere, the edit is unsaved).
    const struct { const char* why; TDisk disk; const char* answer; QString savedIn; } rows[] = {
        {"unchanged: no question", dkAsSaved, "", path},
        {"Cancel writes nothing", dkRewritten, "Cancel", ""},
        {"Overwrite writes", dkRewritten, "Overwrite", path},
        {"a deleted file is written again unasked", dkDeleted, "", path},
        {"Save As... leaves the changed file alone", dkRewritten, "Save As\u2026", other},
    };
    int edit = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const QString formula = "x+" + QString::number(++edit);
        EditDocument(*w, [&](TGraphDocument& d) { d.ActiveFunc()->Expression = formula.toStdString(); });
        if (row.disk == dkRewritten) testing::WriteText(path, theirs);
        if (row.disk == dkDeleted) QFile::remove(path);
        if (*row.answer) FAnswer.ThenMessageButton(row.answer);
        if (row.savedIn == other) FSaveAnswers << other;
        const qsizetype asked = FAnswer.Messages.size();
        EXPECT_EQ(SaveGraphWindow(*w, false), !row.savedIn.isEmpty());
        EXPECT_EQ(FAnswer.Messages.mid(asked), *row.answer ? QStringList{question} : QStringList());
        EXPECT_EQ(w->IsModified(), row.savedIn.isEmpty());
        for (const QString& file : {path, other})
            EXPECT_EQ(testing::ReadText(file).contains("Expression=" + formula), file == row.savedIn)
                << file.toStdString();
        EXPECT_TRUE(row.savedIn == path || testing::ReadText(path) == theirs) << "theirs is left alone";
    }
    // Closing asks about the changed file after "Save changes"; Cancel keeps
    // the window.
    EditDocument(*w, [](TGraphDocument& d) { d.ActiveFunc()->Expression = "x*9"; });
    testing::WriteText(other, theirs);
    FAnswer.ThenMessage(QMessageBox::Yes);
    FAnswer.ThenMessageButton("Cancel");
    EXPECT_FALSE(w->SubWindow()->close());
    EXPECT_TRUE(FAnswer.Messages.back().startsWith("The file " + other + " was changed"));
    EXPECT_EQ(testing::ReadText(other), theirs);
    // A window closed while the question is open takes the box along and is
    // neither saved nor used.
    const QPointer<TfrmAbstractMDIChild> gone = w;
    FAnswer.Then([w](QWidget*) { delete w->SubWindow(); });
    EXPECT_FALSE(SaveGraphWindow(*w, false));
    EXPECT_TRUE(gone.isNull());
}

// Two Curvanes with the same document: a second real process, driven by
// keys, edits it and saves (unasked: nobody wrote the file after it read it);
// this one's Save then asks, and Overwrite wins.
TEST_F(Child2DTest, SaveAsksAfterAnotherCurvaneSavedTheSameFile) {
    ASSERT_FALSE(QStandardPaths::findExecutable("xdotool").isEmpty()) << "xdotool is needed: scripts/deps.sh installs it";
    const QString path = FDir.filePath("shared.gfx");
    ASSERT_TRUE(QFile::copy(QStringLiteral(CURVANE_SOURCE_DIR "/examples/explicit.gfx"), path));
    TfrmAbstractMDIChild* mine = OpenGraphDocument(&FArea, path);
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"CURVANE_SETTINGS", "CURVANE_ERROR_LOG", "XDG_STATE_HOME"})
        env.insert(name, FDir.filePath(name));
    other.setProcessEnvironment(env);
    other.start(QStringLiteral(CURVANE_EXE), {path});
    ASSERT_TRUE(other.waitForStarted());
    const QString pid = QString::number(other.processId());
    // The frame's title names the document once it is open: keys sent then
    // wait for its sampling in the queue.
    const QString frame =
        testing::XDo({"search", "--sync", "--onlyvisible", "--pid", pid, "--name", "shared\\.gfx"}).section('\n', 0, 0);
    // "type" takes the rest of its command line as the text.
    testing::XDo({"windowfocus", "--sync", frame, "key", "--delay", "200", "F2", "type", "--delay", "30", "x/7"});
    testing::XDo({"key", "--delay", "200", "Return", "ctrl+s"});
    const bool saved = QTest::qWaitFor([&] { return testing::ReadText(path).contains("Expression=x/7\n"); }, 15000);
    other.kill();
    other.waitForFinished();
    ASSERT_TRUE(saved) << "the other Curvane (window " << frame.toStdString() << ") did not save";
    EditDocument(*mine, [](TGraphDocument& d) { d.ActiveFunc()->Expression = "x/3"; });
    FAnswer.ThenMessageButton("Overwrite");
    EXPECT_TRUE(SaveGraphWindow(*mine, false));
    EXPECT_EQ(FAnswer.Messages, QStringList{"The file " + path + " was changed by another program since it was "
                                            "opened. Overwrite it?"});
    EXPECT_TRUE(testing::ReadText(path).contains("Expression=x/3\n"));
}

TEST_F(Child2DTest, OpeningRefusesForeignFilesAndFolders) {
    // The file's content (null: none is written) and what the error says.
    const struct { const char* why; QString file; const char* content; const char* message; } rows[] = {
        {"unknown window type", FDir.filePath("seven.gfx"), "[Global]\nFunc count=0\nWindow type=7\n", "window type"},
        {"a folder", FDir.path(), nullptr, "cannot be read"},
        {"text without [Global]", FDir.filePath("notes.gfx"), "[Function1]\nExpression=x\n", "not a Curvane document"},
        {"binary bytes", FDir.filePath("image.gfx"), "\x89PNG\r\n\x1a\n\x01\x02", "not a Curvane document"},
    };
    QSignalSpy opened(&TGraphHub::Instance(), &TGraphHub::DocumentOpened);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        if (row.content) testing::WriteText(row.file, row.content);
        try {
            OpenGraphDocument(&FArea, row.file);
            ADD_FAILURE() << "expected EFileError";
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
        }
        EXPECT_TRUE(FArea.subWindowList().isEmpty());
    }
    EXPECT_EQ(opened.count(), 0) << "no refused file joins the recent files";
}

TEST_F(Child2DTest, ParametersAFileCannotKeepAreToldAfterOpening) {
    const QString path = FDir.filePath("clash.gfx");
    testing::WriteText(path, "[Global]\nFunc count=1\n[Function1]\nExpression=k*x\n[Parameters]\nCount=3\n"
                             "[Parameter1]\nName=k\nValue=2\n[Parameter2]\nName=sin\n[Parameter3]\nName=K\n");
    FAnswer.ThenMessage(QMessageBox::Ok);
    TfrmAbstractMDIChild* opened = OpenGraphDocument(&FArea, path);
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !FAnswer.Messages.isEmpty(); }));
    const QString told = FAnswer.Messages.front();
    EXPECT_TRUE(told.contains("Parameter2 left out") && told.contains("Parameter3 left out")) << told.toStdString();
    ASSERT_EQ(opened->Document().Parameters.Count(), 1);
    EXPECT_EQ(opened->Document().Parameters[0].Value, 2);
}

// The marks of the active function sin(x-k), which meets cos(x): where the
// search puts the points and nowhere else on the picture. They follow a pan
// and a parameter; the mouse shows a label and a click pins it.
// A data set added by an edit is drawn at once, and undoing the edit takes
// it off the picture again.
TEST_F(Child2DTest, DataSetEditsRepaintTheWindow) {
    constexpr std::int32_t Red = 0x0000FF;
    TfrmChild2D* w = NewWindow();
    ShowDocument(*w, [](TGraphDocument& d) { AddFunction(d, "x/10"); });
    w->Recalculate(TRecalc::rcAll);
    TDataSet set;
    set.X = {3};
    set.Y = {5};
    set.Marker = TMarkerShape::msSquare;
    set.MarkerSize = 9;
    set.Color = Red;
    EditDocument(*w, [&](TGraphDocument& d) { d.DataSets.push_back(set); });
    const QPoint at = w->Indicator().Mapping().WorldToScreen(3, 5);
    const auto red = [&] { return FromQColor(QColor::fromRgb(w->Picture().pixel(at))) == Red; };
    EXPECT_TRUE(QTest::qWaitFor(red)) << "the marker is drawn";
    w->UndoStack()->undo();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !red(); })) << "and goes with the undo";
}

TEST_F(Child2DTest, PointsOfInterestAreMarkedWhereTheyAreAndFollowTheViewAndParameters) {
    using std::numbers::pi;
    TfrmChild2D* w = NewWindow();
    ShowDocument(*w, [](TGraphDocument& d) {
        d.Parameters.Add({"k", 0});
        AddFunction(d, "cos(x)");
        AddFunction(d, "sin(x-k)");
    });
    w->Recalculate(TRecalc::rcAll);
    const QImage bare = w->Picture();
    TPointsOfInterest& poi = w->PointsOfInterest();
    const TPointLayer& points = w->Plot().Points();
    TIndicator& ind = w->Indicator();
    int results = 0;
    const auto searched = [&] {
        ++results;
        return QTest::qWaitFor([&] { return poi.Results() >= results && !poi.Searching(); });
    };
    // The x of every marked point of a kind, and where that kind lies with
    // the parameter at k: roots k + n pi, extrema k + pi/2 + n pi.
    const auto marked = [&](const QString& kind) {
        std::vector<double> xs;
        for (const TPointMark& m : points.Marks())
            if (m.Text.startsWith(kind)) xs.push_back(m.X);
        return xs;
    };
    const auto expected = [&](double first) {
        std::vector<double> xs;
        for (double x = first - 10 * pi; x < ind.WorldRight(); x += pi)
            if (x > ind.WorldLeft()) xs.push_back(x);
        return xs;
    };
    const auto near = [](const std::vector<double>& found, const std::vector<double>& wanted) {
        if (found.size() != wanted.size()) return false;
        for (std::size_t i = 0; i < found.size(); ++i)
            if (std::abs(found[i] - wanted[i]) > 1e-9) return false;
        return true;
    };

    poi.SetShown(true);
    ASSERT_TRUE(searched());
    EXPECT_TRUE(near(marked("Root"), expected(0)));
    EXPECT_TRUE(near(marked("Intersection"), expected(pi / 4)));
    EXPECT_EQ(marked("Maximum").size() + marked("Minimum").size(), expected(pi / 2).size());
    // Every pixel the marks changed is on a ring around one of them, and
    // each ring is drawn.
    const QImage picture = w->Picture();
    std::vector<QPoint> centres;
    for (std::size_t i = 0; i < points.Marks().size(); ++i) centres.push_back(*points.Centre(ind, i));
    std::vector<int> ringPixels(centres.size());
    for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x) {
            if (picture.pixel(x, y) == bare.pixel(x, y)) continue;
            const auto ring = std::find_if(centres.begin(), centres.end(), [&](QPoint c) {
                return std::max(std::abs(c.x() - x), std::abs(c.y() - y)) <= TPointLayer::Radius + 1;
            });
            ASSERT_NE(ring, centres.end()) << "a pixel changed away from the points: " << x << "," << y;
            ++ringPixels[ring - centres.begin()];
        }
    EXPECT_TRUE(std::all_of(ringPixels.begin(), ringPixels.end(), [](int n) { return n >= 12; }));

    // The root at pi, hovered, then clicked: the click pins the label into
    // the picture and leaves the view alone.
    TScope* scope = w->Scope();
    const QPoint root = ind.WorldToScreen(pi, 0);
    QTest::mouseMove(scope, root + QPoint(2, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scope->HoveredPoint().has_value(); }));
    const QString label = points.Marks()[*scope->HoveredPoint()].Text;
    EXPECT_TRUE(label.startsWith("Root: x = 3.14159265") && label.endsWith(", y = 0")) << label.toStdString();
    const TWorldView view = ind.View();
    ind.SetMouseMode(TMouseMode::mmScale);  // a click would zoom, were it not taken
    QTest::mouseClick(scope, Qt::LeftButton, {}, root);
    EXPECT_EQ(ind.View(), view);
    ASSERT_EQ(points.Pinned(), scope->HoveredPoint());
    EXPECT_NE(w->Picture().copy(points.LabelRect(ind, *points.Pinned())),
              picture.copy(points.LabelRect(ind, *points.Pinned())));

    // A pan drags the view 100 pixels right: the pin goes, the points are
    // searched again over the new view.
    ind.SetMouseMode(TMouseMode::mmPan);
    const QPoint start = ind.WorldToScreen(0, -5);
    QTest::mousePress(scope, Qt::LeftButton, {}, start);
    QTest::mouseMove(scope, start + QPoint(100, 0));
    QTest::mouseRelease(scope, Qt::LeftButton, {}, start + QPoint(100, 0));
    EXPECT_FALSE(points.Pinned());
    ASSERT_TRUE(searched());
    EXPECT_LT(ind.WorldLeft(), -4 * pi);
    EXPECT_TRUE(near(marked("Root"), expected(0)));

    EditDocument(*w, [](TGraphDocument& d) { d.Parameters[0].Value = 1; });
    ASSERT_TRUE(searched());
    EXPECT_TRUE(near(marked("Root"), expected(1)));
}

// What the marks leave out, and the note the status bar gets for it.
TEST_F(Child2DTest, PointsOfInterestHonourLimitsAndVisibilityAndSayWhatTheyCannotShow) {
    const struct {
        const char* why;
        std::function<void(TFuncItem&)> make;
        std::vector<double> roots;
        const QString& note;
    } rows[] = {
        {"manual limits cut the range", [](TFuncItem& f) { f.Expression = "x^2-4", f.ManualLimits = true, f.From = 1, f.To = 5; },
         {2}, QString()},
        {"a hidden function has none", [](TFuncItem& f) { f.Expression = "x", f.Active = false; }, {}, QString()},
        {"a derivative has its own", [](TFuncItem& f) { f.Expression = "x^2-2*x", f.Derivative = true; }, {1}, QString()},
        {"more than one point per 8 pixels", [](TFuncItem& f) { f.Expression = "sin(50*x)"; }, {},
         TPointsOfInterest::CrowdedNote},
        {"parametric", [](TFuncItem& f) { f.Expression = "t", f.Expression1 = "t", f.FuncKind = TFuncKind::fkParametric; },
         {}, TPointsOfInterest::NotExplicitNote},
    };
    TfrmChild2D* w = NewWindow();
    TPointsOfInterest& poi = w->PointsOfInterest();
    poi.SetShown(true);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        ShowDocument(*w, [&](TGraphDocument& d) {
            d.Functions.Clear();
            row.make(AddFunction(d, "x"));
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !poi.Searching(); }));
        std::vector<double> roots;
        for (const TPointMark& m : w->Plot().Points().Marks())
            if (m.Text.startsWith("Root")) roots.push_back(std::round(m.X * 1e9) / 1e9);
        EXPECT_EQ(roots, row.roots);
        EXPECT_EQ(poi.Note().toStdString(), row.note.toStdString());
    }
}

}  // namespace
}  // namespace curvane
