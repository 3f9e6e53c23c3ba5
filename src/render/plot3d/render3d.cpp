// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/render3d.h"

#include <GL/gl.h>

#include <QTextStream>

#include <algorithm>

#include "core/plot/mesh3d.h"
#include "render/plot3d/offscreen_gl.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {

class TUnattendedMeshDialog : public TMeshDialog {
public:
    explicit TUnattendedMeshDialog(QTextStream& err) : FErr(err) {}
    bool ConfirmLongMesh(const std::string& expression, double) override {
        FErr << "warning: " << QString::fromStdString(expression)
             << " needs more than " << static_cast<qint64>(LongMeshSamples) << " samples and is not drawn\n";
        return false;
    }
    void RefuseRange(const std::string& message) override {
        FErr << "warning: " << QString::fromStdString(message) << "\n";
    }

private:
    QTextStream& FErr;
};

}  // namespace

QImage Render3DDocument(const TIniFile& ini, QSize size, QTextStream& err, int scale) {
    scale = std::max(scale, 1);
    const QSize pixels = size * scale;
    // The context first: without one there is no point sampling anything.
    TOffscreenGL gl(pixels);
    TPlot3D plot;
    // A new 3D window's switches, then what the file says.
    TGraphDocument document;
    document.WindowType = TWindowType::wt3D;
    document.View3D = plot.DocumentView();
    document.Grid3D = plot.Style().Grid;
    document.LoadFromIni(ini);
    plot.ShowDocument(document);
    TUnattendedMeshDialog dialog(err);
    TMeshRebuildReport report;
    plot.Rebuild(document, dialog, report);
    if (report.MathErrorRows > 0)
        err << "warning: " << report.MathErrorRows << " rows were cut short by a value beyond single precision\n";
    gl.MakeCurrent();
    plot.InitializeGL();
    // The scene is drawn in proportions of the viewport, all but the lines,
    // the points and the screen labels, which are measured in pixels.
    glLineWidth(static_cast<GLfloat>(scale));
    glPointSize(static_cast<GLfloat>(scale));
    plot.SetPixelScale(scale);
    plot.Paint(pixels.width(), pixels.height());
    return gl.Grab();
}

}  // namespace curvane
