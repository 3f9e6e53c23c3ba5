#include "gui/plot2d/frm_child2d.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/plot2d/scope.h"
#include "gui/shell_test_helpers.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"

namespace curvane {
namespace {

using testing::TModalAnswerer;

// An MDI area of a known size with the 2D window class registered, as the
// main window provides them.
class Child2DTest : public ::testing::Test {
protected:
    void SetUp() override {
        TGraphHub::Instance().SetAutoredraw(true);
        FArea = std::make_unique<QMdiArea>();
        FArea->resize(900, 700);
        FArea->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FArea.get()));
        ASSERT_TRUE(FDir.isValid());
        // The save dialog answers from a queue: a path, or empty to cancel.
        SetSaveFileChooser([this](QWidget*, const QString&) {
            if (FSaveAnswers.empty()) {
                ADD_FAILURE() << "unexpected save dialog";
                return QString();
            }
            QString path = FSaveAnswers.front();
            FSaveAnswers.erase(FSaveAnswers.begin());
            return path;
        });
    }

    void SaveAnswer(const QString& path) { FSaveAnswers.push_back(path); }
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
        SetSaveFileChooser({});
        // Windows with functions would ask their close question.
        for (QMdiSubWindow* sub : FArea->subWindowList()) {
            if (auto* w = qobject_cast<TfrmAbstractMDIChild*>(sub->widget())) {
                while (w->FuncCount() > 0) w->DeleteFunction(0);
            }
        }
        FArea->closeAllSubWindows();
        FArea.reset();
        TGraphHub::Instance().SetAutoredraw(true);
    }

    TfrmChild2D* NewWindow(QSize plot = {400, 300}) {
        auto* w = new TfrmChild2D;
        QMdiSubWindow* sub = AddGraphWindow(FArea.get(), w);
        w->SetPlotSize(plot);
        sub->adjustSize();
        QCoreApplication::processEvents();
        return w;
    }

    static TFuncItem& Add(TfrmAbstractMDIChild& w, const QString& text) {
        w.AddFunction(text);
        return *w.Func(w.FuncCount() - 1);
    }

    QString Path(const QString& name) const { return FDir.filePath(name); }

    std::unique_ptr<QMdiArea> FArea;
    QTemporaryDir FDir;
    TModalAnswerer FAnswer;
    std::vector<QString> FSaveAnswers;
};

const TPline& Curve(TfrmChild2D& w, int i) { return w.Indicator().Plines()[i].Pline(); }

TEST_F(Child2DTest, FunctionListOperationsKeepCurvesCaptionsAndActiveIndexInStep) {
    TfrmChild2D* w = NewWindow();
    EXPECT_EQ(w->Indicator().Width(), 400 - 35 - 5 - 2);
    w->UpdateCaption();
    EXPECT_TRUE(w->windowTitle().startsWith("[not saved")) << w->windowTitle().toStdString();
    Add(*w, "1");
    Add(*w, "2").Derivative = true;
    Add(*w, "3");
    w->UpdateCaption();
    EXPECT_EQ(w->Indicator().Caption(), "1, [2]', 3");
    w->Func(1)->Derivative = false;
    ASSERT_EQ(w->FuncActive(), 2);
    // An empty last function is reused, not followed by another.
    w->SetActiveExpression("");
    w->AddFunction("4");
    EXPECT_EQ(w->FuncCount(), 3);
    w->SetActiveExpression("3;ignored after the semicolon");
    EXPECT_EQ(w->Func(2)->Expression, "3");

    w->Recalculate(false);
    for (int i = 0; i < 3; ++i) ASSERT_GT(Curve(*w, i).Count(), 0);
    EXPECT_EQ(Curve(*w, 1).GetVertex(0)[1], 2);

    // Deleting the first of three while the first is active: the curves move
    // down, the last one stays empty, the former second function is active.
    w->SetFuncActive(0);
    w->DeleteFunction(0);
    EXPECT_EQ(w->FuncActive(), 0);
    EXPECT_EQ(w->Func(0)->Expression, "2");
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[1], 2);
    EXPECT_EQ(Curve(*w, 1).GetVertex(0)[1], 3);
    EXPECT_EQ(Curve(*w, 2).Count(), 0);
    EXPECT_TRUE(w->windowTitle().endsWith("] - 2, 3"));
    EXPECT_EQ(w->Indicator().Caption(), "2, 3");

    // Deleting the last while it is active makes the one before it active.
    w->SetFuncActive(1);
    w->DeleteFunction(1);
    EXPECT_EQ(w->FuncActive(), 0);
    w->DeleteFunction(7);  // ignored
    EXPECT_EQ(w->FuncCount(), 1);
    w->DeleteFunction(0);
    EXPECT_EQ(w->FuncActive(), -1);

    // With nothing active and an empty last function, typing a formula fills
    // that function and makes it active.
    Add(*w, "");
    w->SetFuncActive(-1);
    w->SetActiveExpression("x/2");
    EXPECT_EQ(w->FuncCount(), 1);
    EXPECT_EQ(w->FuncActive(), 0);
    EXPECT_EQ(w->Func(0)->Expression, "x/2");
}

TEST_F(Child2DTest, RecalculateSamplesTheWindowsViewIntoTheCurves) {
    TfrmChild2D* w = NewWindow();
    TIndicator& ind = w->Indicator();
    TFuncItem& line = Add(*w, "x");
    line.Color = 255;
    line.Width = 3;
    TFuncItem& other = Add(*w, "1");
    w->Recalculate(false);
    // One sample per pixel column of this window's plot.
    EXPECT_EQ(line.From, ind.WorldLeft());
    EXPECT_DOUBLE_EQ(line.Step, ind.WorldWidth() / ind.Width());
    EXPECT_NEAR(Curve(*w, 0).Count(), ind.Width() + 1, 1);
    EXPECT_EQ(ind.Plines()[0].Color(), 255);
    EXPECT_EQ(ind.Plines()[0].Width(), 3);

    // Only the active function is sampled again.
    w->SetFuncActive(0);
    line.Expression = "2";
    other.Expression = "3";
    w->Recalculate(true);
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[1], 2);
    EXPECT_EQ(Curve(*w, 1).GetVertex(0)[1], 1);
}

TEST_F(Child2DTest, NewWindowTakesUnitsAndGranularitiesFromTheSettings) {
    const TSettings saved = Settings();
    Settings().Window2D.GranularityX = 0.5;
    Settings().Window2D.UnitsY = 1;
    TfrmChild2D* w = NewWindow();
    Settings() = saved;
    EXPECT_DOUBLE_EQ(w->Indicator().GridGranularityX(), 0.5);
    EXPECT_DOUBLE_EQ(w->Indicator().GridGranularityY(), std::numbers::pi);
    EXPECT_EQ(w->Plot().UnitsYMode(), 1);
}

TEST_F(Child2DTest, DivisionByZeroLeavesAMarkAtTheSampleArgument) {
    TfrmChild2D* w = NewWindow();
    TFuncItem& f = Add(*w, "1/x");
    f.ManualLimits = true;
    f.From = -1;
    f.To = 1;
    f.Step = 0.5;
    w->Recalculate(false);
    const TIndicator& ind = w->Indicator();
    ASSERT_EQ(ind.Marks().Count(), 1);
    EXPECT_EQ(ind.Marks().GetVertex(0)[0], 0);

    // The mark stays through later recalculations, once; a new expression for
    // the active function clears it.
    w->Recalculate(false);
    EXPECT_EQ(ind.Marks().Count(), 1);
    w->SetActiveExpression("1/(x-0.5)");
    EXPECT_EQ(ind.Marks().Count(), 0);
    EXPECT_EQ(Curve(*w, 0).Count(), 0);
}

TEST_F(Child2DTest, CompileErrorMakesTheFunctionActiveAndStopsSampling) {
    TfrmChild2D* w = NewWindow();
    Add(*w, "x");
    Add(*w, "x/2");
    Add(*w, "x/3");
    w->Recalculate(false);
    const int before = Curve(*w, 2).Count();
    ASSERT_GT(Curve(*w, 1).Count(), 0);
    w->Func(1)->Expression = "sin(";
    w->SetFuncActive(0);
    QSignalSpy formula(&TGraphHub::Instance(), &TGraphHub::FormulaEditRequested);
    QSignalSpy status(&TGraphHub::Instance(), &TGraphHub::StatusTextRequested);
    EXPECT_THROW(w->Recalculate(false), ESyntaxError);
    EXPECT_EQ(w->FuncActive(), 1);
    ASSERT_EQ(formula.count(), 1);
    EXPECT_EQ(formula.at(0).at(0).toString(), "sin(");
    EXPECT_EQ(Curve(*w, 2).Count(), before) << "functions after it are not sampled";
    ASSERT_GE(status.count(), 2);
    EXPECT_EQ(status.at(0).at(1).toString(), "Working");
    EXPECT_EQ(status.last().at(1).toString(), "Ready");
}

TEST_F(Child2DTest, ManualLimitQuestionsAreAskedWithMessageBoxes) {
    TfrmChild2D* w = NewWindow();
    TFuncItem& f = Add(*w, "x");
    TFuncItem& g = Add(*w, "2*x");
    for (TFuncItem* item : {&f, &g}) {
        item->ManualLimits = true;
        item->From = 5;
        item->To = 1;
        item->Step = 1;
    }
    // OK swaps the first; Cancel for the second ends the recalculation.
    FAnswer.ThenMessage(QMessageBox::Ok);
    FAnswer.ThenMessage(QMessageBox::Cancel);
    w->Recalculate(false);
    ASSERT_EQ(FAnswer.Pending(), 0u);
    ASSERT_EQ(FAnswer.Messages.size(), 2);
    EXPECT_EQ(FAnswer.Messages[0], "\"From\" field is greater than field \"To\". Swap this fields?");
    EXPECT_EQ(f.From, 1);
    EXPECT_EQ(f.To, 5);
    EXPECT_EQ(Curve(*w, 0).Count(), 5);
    EXPECT_EQ(g.From, 5);
    EXPECT_EQ(Curve(*w, 1).Count(), 0);

    // The long-drawing question: No leaves the curve empty.
    g.From = 0;
    g.Step = 1e-7;
    FAnswer.ThenMessage(QMessageBox::No);
    w->Recalculate(true);
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages.back(),
              "The drawing of the function with this step could take very long time. Proceed?");
    EXPECT_EQ(Curve(*w, 1).Count(), 0);
}

TEST_F(Child2DTest, ViewChangeDuringAnotherRunsQuestionWaitsForTheRunToEnd) {
    TfrmChild2D* asking = NewWindow();
    TFuncItem& point = Add(*asking, "x");
    point.ManualLimits = true;
    point.From = point.To = 1;
    TfrmChild2D* other = NewWindow();
    TFuncItem& line = Add(*other, "x");
    other->Indicator().SetUniform(false);
    other->Recalculate(false);
    const double step = line.Step;

    // While the first window's question is open, the second one's view
    // changes with Autoredraw on.
    QSignalSpy updates(&TGraphHub::Instance(), &TGraphHub::UpdateControlsRequested);
    bool asked = false;
    FAnswer.Then([&](QWidget* box) {
        asked = true;
        EXPECT_TRUE(SharedEvaluatorsLeased());
        other->Indicator().SetXRange(-5, 5);
        QCoreApplication::processEvents();
        EXPECT_TRUE(other->RecalculatePostponed());
        EXPECT_EQ(line.Step, step) << "sampled under the running sampler";
        EXPECT_GE(updates.count(), 1) << "the commands were not told that a run began";
        static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    asking->Recalculate(false);
    ASSERT_TRUE(asked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !other->RecalculatePostponed(); }));
    EXPECT_DOUBLE_EQ(line.Step, 10.0 / other->Indicator().Width());
    EXPECT_EQ(Curve(*other, 0).GetVertex(0)[0], -5);
}

TEST_F(Child2DTest, PanAndZoomResampleWithAutoredraw) {
    TfrmChild2D* w = NewWindow();
    TIndicator& ind = w->Indicator();
    TFuncItem& f = Add(*w, "x");
    w->Recalculate(false);
    const double left = ind.WorldLeft();
    ASSERT_EQ(Curve(*w, 0).GetVertex(0)[0], left);

    // Drag 50 pixels to the right in pan mode: the view moves left and the
    // curve is sampled again over the new range.
    ind.SetMouseMode(TMouseMode::mmPan);
    TScope* scope = w->Scope();
    const QPoint start(200, 150);
    QTest::mousePress(scope, Qt::LeftButton, {}, start);
    QTest::mouseMove(scope, start + QPoint(50, 0));
    QTest::mouseRelease(scope, Qt::LeftButton, {}, start + QPoint(50, 0));
    EXPECT_NEAR(ind.WorldLeft(), left - 50 / ind.ScaleX(), 1e-9);
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[0], ind.WorldLeft());

    // A left click in scale mode zooms in about the centre; the step follows.
    ind.SetMouseMode(TMouseMode::mmScale);
    const double width = ind.WorldWidth();
    QTest::mouseClick(scope, Qt::LeftButton, {}, start);
    EXPECT_NEAR(ind.WorldWidth(), width * 2 / 3, 1e-9);
    EXPECT_DOUBLE_EQ(f.Step, ind.WorldWidth() / ind.Width());
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[0], ind.WorldLeft());

    // Without Autoredraw the curve keeps its samples.
    TGraphHub::Instance().SetAutoredraw(false);
    const double before = Curve(*w, 0).GetVertex(0)[0];
    QTest::mouseClick(scope, Qt::LeftButton, {}, start);
    EXPECT_NE(ind.WorldLeft(), before);
    EXPECT_EQ(Curve(*w, 0).GetVertex(0)[0], before);
}

TEST_F(Child2DTest, MouseMoveShowsWorldCoordinatesInTheStatusBar) {
    TfrmChild2D* w = NewWindow();
    TIndicator& ind = w->Indicator();
    const QPoint origin = ind.WorldToScreen(0, 0);
    QTest::mouseMove(w->Scope(), origin + QPoint(ind.ScaleX() > 0 ? static_cast<int>(ind.ScaleX()) : 1, 0));
    QTest::qWait(20);
    const QPointF world = ind.ScreenToWorld(origin + QPoint(static_cast<int>(ind.ScaleX()), 0));
    EXPECT_EQ(w->StatusPanel(0), QString::asprintf("X = %f", world.x()));
    EXPECT_EQ(w->StatusPanel(2), QString::asprintf("Y = %f", world.y()));
}

TEST_F(Child2DTest, SaveCloseReopenGivesTheSameDocument) {
    TfrmChild2D* w = NewWindow();
    TFuncItem& a = Add(*w, "sin(x)*x");
    TFuncItem& b = Add(*w, "2*sin(t)");
    b.FuncKind = TFuncKind::fkParametric;
    b.Expression1 = "2*cos(t)";
    b.ManualLimits = true;
    b.From = 0;
    b.To = 360;
    b.Step = 2;
    b.ConvToDeg = true;
    b.Derivative = true;
    w->SetFuncColor(0, 0x0000FF);
    w->SetFuncWidth(0, 4);
    a.Active = false;
    w->Plot().SetUnitsXMode(1);
    w->Indicator().SetFullGrid(true);
    w->Indicator().SetUniform(false);
    w->Indicator().ZoomToRect({-3, 2}, {7, -4});
    w->SetFuncActive(1);
    w->Recalculate(false);
    const TFuncList saved = w->Functions();
    const double view[4] = {w->Indicator().WorldLeft(), w->Indicator().WorldRight(), w->Indicator().WorldTop(),
                            w->Indicator().WorldBottom()};

    const QString path = Path("doc.gfx");
    SaveAnswer(path);
    ASSERT_TRUE(SaveGraphWindow(*w, false));
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_TRUE(w->windowTitle().startsWith("[doc.gfx] - ")) << w->windowTitle().toStdString();

    // The close question: No closes without saving again.
    FAnswer.ThenMessage(QMessageBox::No);
    w->SubWindow()->close();
    QCoreApplication::processEvents();
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages.back(), "Save changes to " + path + " ?");
    EXPECT_TRUE(FArea->subWindowList().isEmpty());

    TfrmAbstractMDIChild* opened = OpenGraphDocument(FArea.get(), path);
    auto* r = qobject_cast<TfrmChild2D*>(opened);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->FuncActive(), 1);
    EXPECT_EQ(CurrentGraphWindow(), r);
    ASSERT_EQ(r->FuncCount(), 2);
    EXPECT_TRUE(*r->Func(1) == *saved.Items(1));
    TFuncItem reread = *r->Func(0);
    // The hidden function's automatic range was written back at saving; the
    // reopened window has its own width, so only the range's ends compare.
    reread.Step = saved.Items(0)->Step;
    EXPECT_TRUE(reread == *saved.Items(0));
    EXPECT_EQ(r->GetFuncColor(0), 0x0000FF);
    EXPECT_EQ(r->GetFuncWidth(0), 4);
    EXPECT_EQ(r->Plot().UnitsXMode(), 1);
    EXPECT_DOUBLE_EQ(r->Indicator().GridGranularityX(), std::numbers::pi);
    EXPECT_TRUE(r->Indicator().FullGrid());
    EXPECT_FALSE(r->Indicator().Uniform());
    EXPECT_DOUBLE_EQ(r->Indicator().WorldLeft(), view[0]);
    EXPECT_DOUBLE_EQ(r->Indicator().WorldRight(), view[1]);
    EXPECT_DOUBLE_EQ(r->Indicator().WorldTop(), view[2]);
    EXPECT_DOUBLE_EQ(r->Indicator().WorldBottom(), view[3]);
    EXPECT_GT(Curve(*r, 1).Count(), 100) << "opening samples the functions";
    EXPECT_EQ(r->windowTitle(), "[doc.gfx] - sin(x)*x, 2*sin(t)");

    // Opening the same path again brings that window forward: no second one.
    EXPECT_EQ(OpenGraphDocument(FArea.get(), path), r);
    EXPECT_EQ(FArea->subWindowList().size(), 1);
}

TEST_F(Child2DTest, CloseQuestionAnswers) {
    // No functions: nothing is asked.
    TfrmChild2D* empty = NewWindow();
    empty->SubWindow()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(FAnswer.Messages.size(), 0);
    EXPECT_TRUE(FArea->subWindowList().isEmpty());

    TfrmChild2D* w = NewWindow();
    Add(*w, "x");
    // Cancel keeps the window.
    FAnswer.ThenMessage(QMessageBox::Cancel);
    EXPECT_FALSE(w->SubWindow()->close());
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages.back(), "Save changes to file ?");
    // Yes, then cancelling the save dialog, keeps it too.
    FAnswer.ThenMessage(QMessageBox::Yes);
    SaveAnswer(QString());
    EXPECT_FALSE(w->SubWindow()->close());
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FArea->subWindowList().size(), 1);
    // Yes with a file name saves and closes; the main window hears that the
    // last 2D window is gone.
    QSignalSpy last(&TGraphHub::Instance(), &TGraphHub::LastWindowClosed);
    const QString path = Path("closing.gfx");
    FAnswer.ThenMessage(QMessageBox::Yes);
    SaveAnswer(path);
    EXPECT_TRUE(w->SubWindow()->close());
    ASSERT_EQ(FAnswer.Pending(), 0u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(FArea->subWindowList().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(last.count(), 1);
    EXPECT_EQ(last.at(0).at(0).toInt(), 0);
    TIniFile ini(path.toStdString());
    EXPECT_EQ(ini.ReadString("Function1", "Expression", ""), "x");
}

TEST_F(Child2DTest, SaveWithoutFunctionsAndFailedWritesKeepTheWindow) {
    TfrmChild2D* w = NewWindow();
    FAnswer.ThenMessage(QMessageBox::Ok);
    EXPECT_TRUE(SaveGraphWindow(*w, true));
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages.back(), "No functions available. Save is unavailable.");

    // A folder that does not exist cannot be written: the error names the
    // path, and the window keeps its old name and caption.
    Add(*w, "x");
    w->UpdateCaption();
    const QString caption = w->windowTitle();
    const QString bad = Path("missing/folder/doc.gfx");
    SaveAnswer(bad);
    try {
        SaveGraphWindow(*w, true);
        ADD_FAILURE() << "expected EFileError";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Unable to write to"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(w->FileName().isEmpty());
    EXPECT_EQ(w->windowTitle(), caption);

    // The close question's Yes with a failing save keeps the window open.
    FAnswer.ThenMessage(QMessageBox::Yes);
    SaveAnswer(bad);
    FAnswer.ThenMessage(QMessageBox::Ok);  // the error message
    EXPECT_FALSE(w->SubWindow()->close());
    ASSERT_EQ(FAnswer.Pending(), 0u);
    EXPECT_TRUE(FAnswer.Messages.back().contains("Unable to write to")) << FAnswer.Messages.back().toStdString();
    EXPECT_TRUE(FSaveAnswers.empty());
}

TEST_F(Child2DTest, OpeningRefusesMissingAndForeignFiles) {
    struct Row {
        const char* why;
        QString file;
        const char* content;  // null: do not create
        const char* message;
    };
    const Row rows[] = {
        {"missing file", Path("nothing.gfx"), nullptr, "does not exist"},
        {"unknown window type", Path("seven.gfx"), "[Global]\nFunc count=0\nWindow type=7\n", "window type"},
        {"a folder", FDir.path(), nullptr, "cannot be read"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        if (row.content) {
            QFile f(row.file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(row.content);
        }
        try {
            OpenGraphDocument(FArea.get(), row.file);
            ADD_FAILURE() << "expected EFileError";
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
        }
        EXPECT_TRUE(FArea->subWindowList().isEmpty());
    }
}

}  // namespace
}  // namespace curvane
