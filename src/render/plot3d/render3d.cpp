#include "render/plot3d/render3d.h"

#include <QTextStream>

#include "render/plot3d/offscreen_gl.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {

class TUnattendedMeshDialog : public TMeshDialog {
public:
    explicit TUnattendedMeshDialog(QTextStream& err) : FErr(err) {}
    bool ConfirmLongMesh(const std::string& expression, double) override {
        FErr << "warning: " << QString::fromStdString(expression)
             << " needs more than 1000000 samples and is not drawn\n";
        return false;
    }
    void RefuseRange(const std::string& message) override {
        FErr << "warning: " << QString::fromStdString(message) << "\n";
    }

private:
    QTextStream& FErr;
};

}  // namespace

QImage Render3DDocument(const TIniFile& ini, QSize size, QTextStream& err) {
    // The context first: without one there is no point sampling anything.
    TOffscreenGL gl(size);
    TPlot3D plot;
    plot.LoadDocument(ini);
    TUnattendedMeshDialog dialog(err);
    TMeshRebuildReport report;
    plot.Rebuild(dialog, report);
    if (report.MathErrorRows > 0)
        err << "warning: " << report.MathErrorRows << " rows were cut short by a value beyond single precision\n";
    gl.MakeCurrent();
    plot.InitializeGL();
    plot.Paint(size.width(), size.height());
    return gl.Grab();
}

}  // namespace curvane
