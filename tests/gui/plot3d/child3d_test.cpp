#include "gui/plot3d/frm_child3d.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
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
#include "gui/shell_test_helpers.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"
#include "render/plot3d/plot3d.h"

namespace curvane {
namespace {

using testing::TModalAnswerer;

QString ExamplePath(const char* name) { return QStringLiteral(CURVANE_SOURCE_DIR "/examples/%1.gfx").arg(name); }

// 3D windows in a plain MDI area, as the main window holds them.
class Child3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = TSettings();
        ASSERT_TRUE(FDir.isValid());
        FArea.resize(900, 700);
        FArea.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&FArea));
    }
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
        SetOpenGLProblemForTesting(QString());
        for (QMdiSubWindow* sub : FArea.subWindowList())
            if (auto* w = qobject_cast<TfrmAbstractMDIChild*>(sub->widget()))
                while (w->FuncCount() > 0) w->DeleteFunction(0);
        FArea.closeAllSubWindows();
        Settings() = TSettings();
    }

    TfrmChild3D* NewWindow(QSize panel = {320, 240}) {
        auto* w = new TfrmChild3D;
        if (w->Panel()) w->Panel()->setFixedSize(panel);
        AddGraphWindow(&FArea, w)->adjustSize();
        QCoreApplication::processEvents();
        return w;
    }

    QString Path(const char* name) const { return FDir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir FDir;
    QMdiArea FArea;
    TModalAnswerer FAnswer;
};

TEST_F(Child3DTest, ViewKeysSurviveAFileAndMissingLabelsMeanOff) {
    TfrmChild3D* w = NewWindow();
    w->AddFunction("x*y");
    TView3D saved{30, 70, 12, 0, false, false, true, true};
    w->Plot().SetDocumentView(saved);
    w->SaveToFile(Path("a.gfx"));
    const TIniFile file(Path("a.gfx").toStdString());
    EXPECT_EQ(file.ReadSection("View"), (std::vector<std::string>{"AngleX", "AngleY", "Distance", "DrawType", "Smooth",
                                                                  "Axes", "Normals", "Labels"}));

    auto* opened = qobject_cast<TfrmChild3D*>(OpenGraphDocument(&FArea, Path("a.gfx")));
    ASSERT_NE(opened, nullptr);
    ASSERT_NE(opened, w);
    TView3D loaded = opened->Plot().DocumentView();
    // The opening's rebuild refits the distance to x*y over its ranges.
    EXPECT_NE(loaded.Distance, saved.Distance);
    loaded.Distance = saved.Distance;
    EXPECT_EQ(loaded, saved);

    TIniFile edited(Path("a.gfx").toStdString());
    edited.DeleteKey("View", "Labels");
    edited.DeleteKey("View", "Axes");
    edited.UpdateFile();
    auto* again = qobject_cast<TfrmChild3D*>(NewWindow());
    again->LoadFromFile(Path("a.gfx"));
    EXPECT_FALSE(again->Plot().Style().AxesLabels) << "a missing Labels key means off";
    EXPECT_TRUE(again->Plot().Style().Axes) << "a missing Axes key keeps the window's switch";
}

// A formula error leaves the faulty function active and in the formula box;
// rows cut by a math error are reported once per rebuild; implicit surfaces
// are not drawn and the status bar says why.
TEST_F(Child3DTest, RebuildProblemsReachTheUser) {
    TfrmChild3D* w = NewWindow();
    TGraphHub& hub = TGraphHub::Instance();
    QSignalSpy formula(&hub, &TGraphHub::FormulaEditRequested);
    QSignalSpy status(&hub, &TGraphHub::StatusTextRequested);
    w->AddFunction("x*y");
    w->AddFunction("sin(");
    w->SetFuncActive(0);
    EXPECT_THROW(w->Recalculate(false), ESyntaxError);
    EXPECT_EQ(w->FuncActive(), 1);
    ASSERT_EQ(formula.count(), 1);
    EXPECT_EQ(formula.at(0).at(0).toString(), "sin(");

    // Every one of the 41 rows overflows in its normals (see the mesh tests).
    TFuncItem& cut = *w->Func(1);
    cut.FuncKind = TFuncKind::fkParametric;
    cut.Expression1 = "1e21*t";
    cut.Expression2 = "u^3*8.5e18";
    cut.Expression = "0";
    cut.FromY = 0;
    w->AddFunction("x^2+y^2-1");
    w->Func(2)->FuncKind = TFuncKind::fkImplicit;
    FAnswer.ThenMessage(QMessageBox::Ok);
    status.clear();
    w->Recalculate(false);
    EXPECT_EQ(FAnswer.Messages, QStringList{"3D EMathError"});
    EXPECT_EQ(FAnswer.Pending(), 0u);
    EXPECT_TRUE(w->Plot().Meshes()[2].empty());
    QStringList said;
    for (const QList<QVariant>& call : status) said << call.at(1).toString();
    EXPECT_TRUE(said.contains("Implicit functions are not drawn in 3D windows")) << said.join("|").toStdString();
}

TEST_F(Child3DTest, CameraKeysAndTheWheelMoveTheReadout) {
    TfrmChild3D* w = NewWindow();
    TCamera3D& camera = w->Plot().Camera();
    camera = TCamera3D{45, 50, 1.5, 0, 0, 0};
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        const char* Panel0;
        const char* Panel2;
        const char* Panel4;
    } rows[] = {
        {Qt::Key_Left, Qt::NoModifier, "angleX = 46.00", "angleY = 50.00", "Distance = 1.50"},
        {Qt::Key_Down, Qt::NoModifier, "angleX = 46.00", "angleY = 49.00", "Distance = 1.50"},
        {Qt::Key_Plus, Qt::KeypadModifier, "angleX = 46.00", "angleY = 49.00", "Distance = 0.50"},
        {Qt::Key_Plus, Qt::KeypadModifier, "angleX = 46.00", "angleY = 49.00", "Distance = 0.50"},  // not above 1
        {Qt::Key_Plus, Qt::NoModifier, "angleX = 46.00", "angleY = 49.00", "Distance = 0.50"},      // not the keypad
        {Qt::Key_Minus, Qt::KeypadModifier, "angleX = 46.00", "angleY = 49.00", "Distance = 1.50"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Panel4);
        QTest::keyClick(w->Panel(), row.Key, row.Modifiers);
        EXPECT_EQ(w->StatusPanel(0), row.Panel0);
        EXPECT_EQ(w->StatusPanel(2), row.Panel2);
        EXPECT_EQ(w->StatusPanel(4), row.Panel4);
    }
    camera.Distance = 75;
    QWheelEvent wheel(QPointF(10, 10), w->Panel()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->Panel(), &wheel);
    EXPECT_EQ(w->StatusPanel(4), "Distance = 76.20");

    // A held button shows the target; a right drag changes the distance.
    QTest::mousePress(w->Panel(), Qt::RightButton, {}, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 90), w->Panel()->mapToGlobal(QPointF(100, 90)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(w->Panel(), &move);
    EXPECT_EQ(w->StatusPanel(4), "Distance = 75.20");
    EXPECT_EQ(w->StatusPanel(6), "Point View = (0.00,0.00,0.00)");
    QTest::mouseRelease(w->Panel(), Qt::RightButton, {}, QPoint(100, 90));
    EXPECT_EQ(w->StatusPanel(6), "");
}

TEST_F(Child3DTest, WithoutOpenGLTheWindowSaysSoAndKeepsItsDocument) {
    SetOpenGLProblemForTesting(QStringLiteral("pretended"));
    TfrmChild3D* w = NewWindow();
    EXPECT_EQ(w->Panel(), nullptr);
    ASSERT_NE(w->NoOpenGLLabel(), nullptr);
    EXPECT_TRUE(w->NoOpenGLLabel()->text().startsWith("3D graphs need OpenGL"));
    w->AddFunction("x*y");
    w->Recalculate(false);
    EXPECT_EQ(w->Plot().View().X2, 6) << "the meshes are still built and the view fitted";
    w->SaveToFile(Path("b.gfx"));
    EXPECT_TRUE(TIniFile(Path("b.gfx").toStdString()).ValueExists("View", "AngleX"));
}

// The window's first frame is the picture `curvane --render` makes of the
// same document at the same size, but for the caption the window draws.
TEST_F(Child3DTest, FirstFrameMatchesTheRenderedDocument) {
    const QSize size(320, 240);
    const QString out = Path("r.png");
    QProcess render;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    render.setProcessEnvironment(env);
    render.start(QStringLiteral(CURVANE_EXE), {"--render", ExamplePath("surface3d"), "--output", out, "--size", "320x240"});
    ASSERT_TRUE(render.waitForFinished(60000));
    ASSERT_EQ(render.exitCode(), 0) << render.readAllStandardError().toStdString();
    const QImage expected = QImage(out).convertToFormat(QImage::Format_RGB32);

    auto* w = qobject_cast<TfrmChild3D*>(OpenGraphDocument(&FArea, ExamplePath("surface3d")));
    ASSERT_NE(w, nullptr);
    w->Panel()->setFixedSize(size);
    QCoreApplication::processEvents();
    const QImage frame = w->Panel()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(frame.size(), size);
    const QRect caption(size.width() * 12 / 100, size.height() * 15 / 100, size.width() * 40 / 100,
                        size.height() * 17 / 100);
    int differing = 0;
    int inCaption = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (frame.pixel(x, y) != expected.pixel(x, y)) ++(caption.contains(x, y) ? inCaption : differing);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inCaption, 20) << "the caption is drawn";
}

// The display controller shows and edits a 2D window's world rectangle and a
// 3D window's box and camera, and refuses what is not a number.
TEST_F(Child3DTest, DisplayControllerEditsBothKindsOfWindow) {
    TfrmView* view = TfrmView::Open(nullptr, {});
    ASSERT_EQ(TfrmView::Instance(), view);
    EXPECT_TRUE(Settings().FormView);

    auto* w2 = new TfrmChild2D;
    AddGraphWindow(&FArea, w2);
    w2->HandleActivation();
    view->UpdateView();
    EXPECT_FALSE(view->GroupZ->isVisibleTo(view));
    EXPECT_FALSE(view->edtY1->isEnabled()) << "uniform scale on";
    w2->Indicator().SetUniform(false);
    view->UpdateView();
    EXPECT_TRUE(view->edtY1->isEnabled());
    view->edtX1->setText("-2.5");
    QTest::keyClick(view->edtX1, Qt::Key_Return);
    view->edtY2->setText("-0.125");
    QTest::keyClick(view->edtY2, Qt::Key_Return);
    EXPECT_EQ(w2->Indicator().WorldLeft(), -2.5);
    EXPECT_EQ(w2->Indicator().WorldBottom(), -0.125);

    TfrmChild3D* w3 = NewWindow();
    w3->HandleActivation();
    view->UpdateView();
    EXPECT_TRUE(view->GroupCamera->isVisibleTo(view));
    EXPECT_EQ(view->edtDistance->text(), QString::number(w3->Plot().View().Camera.Distance, 'g', 15));
    const struct {
        QLineEdit* Edit;
        const char* Text;
        double TViewBox3D::*Box;
        double TCamera3D::*Camera;
    } rows[] = {
        {view->edtZ2, "7.25", &TViewBox3D::Z2, nullptr},
        {view->edtY1, "-3", &TViewBox3D::Y1, nullptr},
        {view->edtDistance, "0", nullptr, &TCamera3D::Distance},  // taken as typed
        {view->edtAngleY, "400", nullptr, &TCamera3D::AngleY},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Text);
        row.Edit->setText(row.Text);
        QTest::keyClick(row.Edit, Qt::Key_Return);
        const TViewBox3D& box = w3->Plot().View();
        EXPECT_EQ(row.Box ? box.*row.Box : box.Camera.*row.Camera, QByteArray(row.Text).toDouble());
    }

    const double before = w3->Plot().View().X1;
    FAnswer.ThenMessage(QMessageBox::Ok);
    view->edtX1->setText("1,5");
    QTest::keyClick(view->edtX1, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return FAnswer.Pending() == 0; }));
    EXPECT_EQ(FAnswer.Messages, QStringList{"Invalid float value"});
    EXPECT_EQ(w3->Plot().View().X1, before);
    EXPECT_EQ(view->edtX1->text(), "1,5");

    view->close();
    EXPECT_EQ(TfrmView::Instance(), nullptr);
    EXPECT_FALSE(Settings().FormView);
}

// Through the main window: a new 3D window from the command, its tool bar,
// and switches that reach the scene's next frame.
class Main3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("CURVANE_SETTINGS", FDir.filePath("curvane.ini").toUtf8());
        Settings() = TSettings();
        FMain = std::make_unique<TfrmMain>();
        FMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FMain.get()));
    }
    void TearDown() override {
        for (QMdiSubWindow* sub : FMain->MdiArea()->subWindowList())
            if (auto* w = qobject_cast<TfrmAbstractMDIChild*>(sub->widget()))
                while (w->FuncCount() > 0) w->DeleteFunction(0);
        FMain.reset();
        Settings() = TSettings();
        qunsetenv("CURVANE_SETTINGS");
    }
    static void Trigger(QAction* command) {
        command->trigger();
        QApplication::processEvents();
    }

    QTemporaryDir FDir;
    std::unique_ptr<TfrmMain> FMain;
};

TEST_F(Main3DTest, ToolBarSwitchesReachTheScene) {
    TView3DCommands& view3D = FMain->View3DCommands();
    Trigger(FMain->FileCommands().FileNew3D);
    auto* w = qobject_cast<TfrmChild3D*>(CurrentGraphWindow(FMain->MdiArea()));
    ASSERT_NE(w, nullptr);
    QApplication::processEvents();
    auto* bar2D = FMain->findChild<QToolBar*>("bar2D");
    auto* bar3D = FMain->findChild<QToolBar*>("bar3D");
    EXPECT_TRUE(bar3D->isVisible());
    EXPECT_FALSE(bar2D->isVisible());
    EXPECT_TRUE(view3D.btnLines->isChecked()) << "a new panel draws lines";

    w->AddFunction("sin(x)*cos(y)");
    Trigger(view3D.btnSurface);
    EXPECT_EQ(w->Plot().Style().DrawType, 2);
    w->Recalculate(false);
    QImage frame = w->Panel()->grabFramebuffer();
    const QPoint centre(frame.width() / 2, frame.height() / 2);
    EXPECT_NE(frame.pixel(centre) | 0xFF000000u, ToQColor(w->Plot().Style().Background).rgb()) << "the surface";

    // The light and the shading show on the lit surface, so before points.
    for (QAction* button : {view3D.btnLightPos, view3D.btnSmooth, view3D.btnAxes, view3D.btnGrid3D,
                            view3D.btnLabels3D, view3D.btnNormals, view3D.btnPoints3}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QImage before = w->Panel()->grabFramebuffer();
        Trigger(button);
        EXPECT_NE(w->Panel()->grabFramebuffer(), before);
    }
    const TScene3DStyle& style = w->Plot().Style();
    EXPECT_FALSE(style.Axes || style.Grid || style.AxesLabels || style.Smooth);
    EXPECT_TRUE(style.Normals);

    // A 2D window swaps the tool bars; coming back checks the 3D window's state.
    Trigger(FMain->FileCommands().FileNew2D);
    EXPECT_TRUE(bar2D->isVisible());
    EXPECT_FALSE(bar3D->isVisible());
    Trigger(view3D.btnAxes);  // disabled: no 3D window to reach
    FMain->MdiArea()->setActiveSubWindow(w->SubWindow());
    QApplication::processEvents();
    EXPECT_TRUE(bar3D->isVisible());
    EXPECT_TRUE(view3D.btnPoints3->isChecked());
    EXPECT_FALSE(view3D.btnAxes->isChecked());
    EXPECT_TRUE(view3D.btnNormals->isChecked());

    Trigger(view3D.actViewView);
    ASSERT_NE(TfrmView::Instance(), nullptr);
    EXPECT_TRUE(view3D.actViewView->isChecked());
    TfrmView::Instance()->close();
    EXPECT_FALSE(view3D.actViewView->isChecked());
}

// A display controller open at exit opens again at the next start, where it
// stood.
TEST_F(Main3DTest, DisplayControllerComesBackWhereItWas) {
    Trigger(FMain->View3DCommands().actViewView);
    ASSERT_NE(TfrmView::Instance(), nullptr);
    TfrmView::Instance()->move(210, 160);
    QApplication::processEvents();
    const QPoint where = TfrmView::Instance()->frameGeometry().topLeft();
    FMain.reset();
    EXPECT_EQ(TfrmView::Instance(), nullptr);

    Settings() = TSettings();
    FMain = std::make_unique<TfrmMain>();
    FMain->show();
    ASSERT_TRUE(QTest::qWaitFor([] { return TfrmView::Instance() != nullptr; }));
    EXPECT_EQ(TfrmView::Instance()->frameGeometry().topLeft(), where);
    EXPECT_TRUE(FMain->View3DCommands().actViewView->isChecked());
}

}  // namespace
}  // namespace curvane
