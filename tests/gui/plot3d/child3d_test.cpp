// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot3d/frm_child3d.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>

#include "core/document/func_item.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/app/view3d_commands.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot3d/frm_view.h"
#include "gui/plot3d/gl_panel.h"
#include "gui/run_curvane.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"
#include "render/plot3d/plot3d.h"

namespace curvane {
namespace {

using testing::TModalAnswerer;

QString ExamplePath(const char* name) { return QStringLiteral(CURVANE_SOURCE_DIR "/examples/%1.gfx").arg(name); }

// 3D windows in the main window, whose tool bar and commands reach them.
class Child3DTest : public testing::ToolTestFrame {
protected:
    void SetUp() override {
        ToolTestFrame::SetUp();
        FMain->resize(900, 700);
    }
    void TearDown() override {
        SetOpenGLProblemForTesting(QString());
        ToolTestFrame::TearDown();
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
    }

    TfrmChild3D* NewWindow() {
        auto* w = new TfrmChild3D;
        if (w->Panel()) w->Panel()->setFixedSize(320, 240);
        AddGraphWindow(FMain->MdiArea(), w)->adjustSize();
        QCoreApplication::processEvents();
        return w;
    }
    QString Path(const char* name) const { return FDir.filePath(QString::fromLatin1(name)); }

    TModalAnswerer FAnswer;
};

// The View keys survive a file, with OpenGL or without, where the window
// says so but still builds its meshes and keeps its document. A file without
// "Labels" means labels off; one without "Axes" keeps the window's switch.
TEST_F(Child3DTest, ViewKeysSurviveAFileWithOrWithoutOpenGL) {
    for (const bool openGL : {true, false}) {
        SCOPED_TRACE(openGL ? "with OpenGL" : "without");
        SetOpenGLProblemForTesting(openGL ? QString() : QStringLiteral("pretended"));
        TfrmChild3D* w = NewWindow();
        EXPECT_EQ(w->Panel() != nullptr, openGL);
        EXPECT_TRUE(openGL || w->NoOpenGLLabel()->text().startsWith("3D graphs need OpenGL"));
        testing::AddFunctionTo(*w, "x*y");
        EXPECT_EQ(w->Plot().View().X2, 6);
        TView3D saved{30, 70, 12, 0, false, false, true, true};
        saved.ColorMode = 1, saved.ColorMap = 2, saved.Contours = 3;  // ContourCount stays 0: not written
        saved.ScaledBox = true, saved.BoxRatioY = 2, saved.ScreenLabels = true;
        w->Plot().SetDocumentView(saved);  // the camera, as a drag turns it
        testing::EditDocument(*w, [&](TGraphDocument& d) { d.View3D = saved; });
        const QString path = Path(openGL ? "a.gfx" : "b.gfx");
        w->Owner()->SaveToFile(path);
        EXPECT_EQ(TIniFile(path.toStdString()).ReadSection("View"),
                  (std::vector<std::string>{"AngleX", "AngleY", "Distance", "DrawType", "Smooth", "Axes", "Normals",
                                            "Labels", "ColorMode", "ColorMap", "Contours", "ScaledBox", "BoxRatioX",
                                            "BoxRatioY", "BoxRatioZ", "ScreenLabels"}));
        auto* opened = qobject_cast<TfrmChild3D*>(OpenGraphDocument(FMain->MdiArea(), path));
        ASSERT_TRUE(opened != nullptr && opened != w);
        TView3D loaded = opened->Plot().DocumentView();
        loaded.Distance = saved.Distance;  // the opening refits it to x*y over its ranges
        EXPECT_EQ(loaded, saved);

        TIniFile edited(path.toStdString());
        edited.DeleteKey("View", "Labels");
        edited.DeleteKey("View", "Axes");
        edited.DeleteKey("View", "ScaledBox");
        edited.UpdateFile();
        TfrmChild3D* again = NewWindow();
        again->LoadFromFile(path);
        EXPECT_FALSE(again->Plot().Style().AxesLabels);
        EXPECT_TRUE(again->Plot().Style().Axes);
        EXPECT_FALSE(again->Plot().Style().ScaledBox) << "a file from before the switch";
    }
}

// A formula error leaves the faulty function active and in the formula box;
// rows cut by a math error are reported once per rebuild; implicit surfaces
// are not drawn and the status bar says why.
TEST_F(Child3DTest, RebuildProblemsReachTheUser) {
    TfrmChild3D* w = NewWindow();
    QSignalSpy formula(&TGraphHub::Instance(), &TGraphHub::FormulaEditRequested);
    QSignalSpy status(&TGraphHub::Instance(), &TGraphHub::StatusTextRequested);
    TGraphDocument document = w->Document();  // as a file may hold it
    AddFunction(document, "x*y");
    AddFunction(document, "sin(");
    document.FuncActive = 0;
    w->Owner()->Reset(document);
    EXPECT_THROW(w->Recalculate(TRecalc::rcAll), ESyntaxError);
    EXPECT_EQ(w->FuncActive(), 1);
    ASSERT_EQ(formula.count(), 1);
    EXPECT_EQ(formula.at(0).at(0).toString(), "sin(");

    // Every one of the 41 rows overflows in its normals (see the mesh tests).
    TFuncItem& cut = *document.Func(1);
    cut.FuncKind = TFuncKind::fkParametric;
    cut.Expression1 = "1e21*t";
    cut.Expression2 = "u^3*8.5e18";
    cut.Expression = "0";
    cut.FromY = 0;
    TFuncItem& spherical = AddFunction(document, "x^2+y^2-1");
    spherical.FuncKind = TFuncKind::fkImplicit;
    spherical.FuncType = TFuncType::ftSpherical;
    AddFunction(document, "x^2+y^2+z^2-4").FuncKind = TFuncKind::fkImplicit;
    w->Owner()->Reset(document);
    FAnswer.ThenMessage(QMessageBox::Ok);
    status.clear();
    w->Recalculate(TRecalc::rcAll);
    EXPECT_EQ(FAnswer.Messages, QStringList{"3D EMathError"});
    EXPECT_TRUE(w->Plot().Meshes()[2].empty());
    EXPECT_FALSE(w->Plot().Meshes()[3].empty()) << "a Cartesian surface F(x,y,z)=0 is drawn";
    QStringList said;
    for (const QList<QVariant>& call : status) said << call.at(1).toString();
    EXPECT_TRUE(said.contains("Implicit functions need Cartesian coordinates")) << said.join("|").toStdString();
}

TEST_F(Child3DTest, KeysWheelAndDragReachTheReadout) {
    TfrmChild3D* w = NewWindow();
    w->Plot().Camera() = TCamera3D{45, 50, 1.5, 0, 0, 0};
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> rows[] = {
        {Qt::Key_Left, Qt::NoModifier, "angleX = 46.00, angleY = 50.00, Distance = 1.50"},
        {Qt::Key_Down, Qt::NoModifier, "angleX = 46.00, angleY = 49.00, Distance = 1.50"},
        {Qt::Key_Plus, Qt::NoModifier, "angleX = 46.00, angleY = 49.00, Distance = 1.50"},  // only the keypad's
        {Qt::Key_Plus, Qt::KeypadModifier, "angleX = 46.00, angleY = 49.00, Distance = 0.50"},
        {Qt::Key_Minus, Qt::KeypadModifier, "angleX = 46.00, angleY = 49.00, Distance = 1.50"},
    };
    for (const auto& [key, modifiers, readout] : rows) {
        SCOPED_TRACE(readout);
        QTest::keyClick(w->Panel(), key, modifiers);
        using enum TStatusPanel;
        EXPECT_EQ(w->StatusPanel(spX) + ", " + w->StatusPanel(spY) + ", " + w->StatusPanel(spDistance), readout);
    }
    w->Plot().Camera().Distance = 75;
    QWheelEvent wheel(QPointF(10, 10), w->Panel()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->Panel(), &wheel);
    EXPECT_EQ(w->StatusPanel(TStatusPanel::spDistance), "Distance = 76.20");

    // A held button shows the target; a right drag changes the distance.
    QTest::mousePress(w->Panel(), Qt::RightButton, {}, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 90), w->Panel()->mapToGlobal(QPointF(100, 90)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(w->Panel(), &move);
    EXPECT_EQ(w->StatusPanel(TStatusPanel::spDistance), "Distance = 75.20");
    EXPECT_EQ(w->StatusPanel(TStatusPanel::spPointView), "Point View = (0.00,0.00,0.00)");
    QTest::mouseRelease(w->Panel(), Qt::RightButton, {}, QPoint(100, 90));
    EXPECT_EQ(w->StatusPanel(TStatusPanel::spPointView), "");
}

// The pointer moved by the display server over the saddle x*y: the last
// panel shows a point of the surface and its formula, until the pointer
// leaves the panel.
TEST_F(Child3DTest, PointerPanelShowsTheSurfacePointUnderTheMouse) {
    TfrmChild3D* w = NewWindow();
    ASSERT_NE(w->Panel(), nullptr);
    testing::AddFunctionTo(*w, "x*y");
    w->Recalculate(TRecalc::rcAll);
    w->Panel()->grabFramebuffer();  // one frame drawn: the pick follows it
    const auto panel = [w] { return w->StatusPanel(TStatusPanel::spPointer); };
    QCursor::setPos(w->Panel()->mapToGlobal(QPoint(170, 110)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel().isEmpty(); }, 3000)) << "no pointer move arrived";
    double x = 0, y = 0, z = 0;
    char formula[16] = {};
    const QByteArray text = panel().toLatin1();
    ASSERT_EQ(std::sscanf(text.constData(), "x = %lf, y = %lf, z = %lf on %15s", &x, &y, &z, formula), 4) << text.data();
    EXPECT_NEAR(z, x * y, 0.07) << "a point of the surface, between samples 0.25 apart";
    EXPECT_STREQ(formula, "x*y");
    QCursor::setPos(w->mapToGlobal(QPoint(-50, -50)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel().isEmpty(); }, 3000)) << panel().toStdString();
}

// The window's first frame is the picture `curvane --render` makes of the
// same document at the same size, but for the caption the window draws.
TEST_F(Child3DTest, FirstFrameMatchesTheRenderedDocument) {
    const testing::TRun render =
        testing::RunCurvane({"--render", ExamplePath("surface3d"), "--output", Path("r.png"), "--size", "320x240"});
    ASSERT_EQ(render.Status, 0) << render.Err.toStdString();
    const QImage expected = QImage(Path("r.png")).convertToFormat(QImage::Format_RGB32);

    auto* w = qobject_cast<TfrmChild3D*>(OpenGraphDocument(FMain->MdiArea(), ExamplePath("surface3d")));
    ASSERT_NE(w, nullptr);
    w->Panel()->setFixedSize(320, 240);
    QCoreApplication::processEvents();
    const QImage frame = w->Panel()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(frame.size(), expected.size());
    const QRect caption(38, 36, 128, 40);  // 12%, 15%, 40% and 17% of the panel
    int differing = 0, inCaption = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (frame.pixel(x, y) != expected.pixel(x, y)) ++(caption.contains(x, y) ? inCaption : differing);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inCaption, 20) << "the caption is drawn";
}

// The display controller shows and edits a 2D window's world rectangle and a
// 3D window's box and camera, and refuses what is not a number.
TEST_F(Child3DTest, DisplayControllerEditsBothKindsOfWindow) {
    const auto enter = [](QLineEdit* edit, const char* text) {
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    Trigger(FMain->View3DCommands().actViewView);
    TfrmView* view = TfrmView::Instance();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(FMain->View3DCommands().actViewView->isChecked() && Settings().FormView);
    EXPECT_TRUE(view->GroupCamera->font().bold()) << "the group captions are bold";
    for (const QLabel* label : view->findChildren<QLabel*>()) EXPECT_FALSE(label->font().bold()) << label->text().toStdString();
    auto* w2 = qobject_cast<TfrmChild2D*>(ToolTestFrame::NewWindow(FMain->FileCommands().FileNew2D));
    ASSERT_NE(w2, nullptr);
    w2->Indicator().SetUniform(false);  // else the y edits are off
    view->UpdateView();
    EXPECT_FALSE(view->GroupZ->isVisibleTo(view) || view->GroupSurface->isVisibleTo(view));
    enter(view->edtX1, "-2.5");
    enter(view->edtY2, "-1/8");  // a constant formula
    EXPECT_EQ(w2->Indicator().WorldLeft(), -2.5);
    EXPECT_EQ(w2->Indicator().WorldBottom(), -0.125);

    TfrmChild3D* w3 = NewWindow();
    w3->HandleActivation();
    view->UpdateView();
    EXPECT_TRUE(view->GroupCamera->isVisibleTo(view));
    const TViewBox3D& box = w3->Plot().View();
    EXPECT_EQ(view->edtDistance->text(), QString::number(box.Camera.Distance, 'g', 15));
    const std::tuple<QLineEdit*, const char*, const double&> rows[] = {
        {view->edtZ2, "7.25", box.Z2},
        {view->edtY1, "-3", box.Y1},
        {view->edtDistance, "0", box.Camera.Distance},  // taken as typed
        {view->edtAngleY, "400", box.Camera.AngleY},
    };
    for (const auto& [edit, text, value] : rows) {
        SCOPED_TRACE(text);
        enter(edit, text);
        EXPECT_EQ(value, QByteArray(text).toDouble());
    }

    // The surface group reaches the window's document and scene.
    auto* coloring = view->GroupSurface->findChild<QComboBox*>(QStringLiteral("cbxColoring"));
    ASSERT_NE(coloring, nullptr);
    coloring->setCurrentIndex(1);
    emit coloring->activated(1);
    EXPECT_EQ(w3->Document().View3D.ColorMode, 1);
    EXPECT_EQ(w3->Plot().Style().Coloring, TMeshColoring::mcHeight);

    const double before = box.X1;
    FAnswer.ThenMessage(QMessageBox::Ok);
    enter(view->edtX1, "1,5");
    ASSERT_TRUE(QTest::qWaitFor([&] { return FAnswer.Pending() == 0; }));
    EXPECT_EQ(FAnswer.Messages, QStringList{"Invalid float value"});
    EXPECT_EQ(box.X1, before);
    EXPECT_EQ(view->edtX1->text(), "1,5");
    view->close();
    EXPECT_EQ(TfrmView::Instance(), nullptr);
    EXPECT_FALSE(FMain->View3DCommands().actViewView->isChecked() || Settings().FormView);
}

// A new 3D window from the command, its tool bar, and switches that reach
// the scene's next frame.
TEST_F(Child3DTest, ToolBarSwitchesReachTheScene) {
    TView3DCommands& view3D = FMain->View3DCommands();
    auto* w = qobject_cast<TfrmChild3D*>(ToolTestFrame::NewWindow(FMain->FileCommands().FileNew3D));
    ASSERT_NE(w, nullptr);
    auto* bar2D = FMain->findChild<QToolBar*>("bar2D");
    auto* bar3D = FMain->findChild<QToolBar*>("bar3D");
    EXPECT_TRUE(bar3D->isVisible() && !bar2D->isVisible());
    EXPECT_TRUE(view3D.btnLines->isChecked()) << "a new panel draws lines";

    testing::AddFunctionTo(*w, "sin(x)*cos(y)");
    Trigger(view3D.btnSurface);
    w->Recalculate(TRecalc::rcAll);
    const QImage surface = w->Panel()->grabFramebuffer();
    EXPECT_NE(surface.pixel(surface.rect().center()) | 0xFF000000u, ToQColor(w->Plot().Style().Background).rgb());

    // The light and the shading show on the lit surface, so before points.
    for (QAction* button : {view3D.btnLightPos, view3D.btnSmooth, view3D.btnAxes, view3D.btnGrid3D,
                            view3D.btnLabels3D, view3D.btnScaledBox, view3D.btnNormals, view3D.btnPoints3}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QImage before = w->Panel()->grabFramebuffer();
        Trigger(button);
        EXPECT_NE(w->Panel()->grabFramebuffer(), before);
    }

    // A 2D window swaps the tool bars; coming back checks the 3D window's state.
    Trigger(FMain->FileCommands().FileNew2D);
    EXPECT_TRUE(bar2D->isVisible() && !bar3D->isVisible());
    Trigger(view3D.btnAxes);  // disabled: no 3D window to reach
    FMain->MdiArea()->setActiveSubWindow(w->SubWindow());
    QApplication::processEvents();
    EXPECT_TRUE(bar3D->isVisible());
    EXPECT_TRUE(view3D.btnPoints3->isChecked() && view3D.btnNormals->isChecked());
    EXPECT_FALSE(view3D.btnAxes->isChecked());
}

}  // namespace
}  // namespace curvane
