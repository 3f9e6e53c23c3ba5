// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/render_command.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "core/cli/animation_frames.h"
#include "core/cli/command_line.h"
#include "core/cli/parameter_settings.h"
#include "core/cli/render_exit.h"
#include "core/document/graph_document.h"
#include "core/plot/sampler2d.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "core/settings/settings.h"
#include "render/fonts.h"
#include "render/gif_animation.h"
#include "render/picture_file.h"
#include "render/plot2d/plot2d.h"
#include "render/plot3d/offscreen_gl.h"
#include "render/plot3d/render3d.h"

namespace curvane {

namespace {

constexpr int MaxRenderSide = 16384;

// Nobody is there to answer questions: swapped limits are sampled swapped
// (the file itself is not changed), equal limits give their one point, very
// long runs are skipped. Each is reported on the error stream.
class TUnattendedDialog : public TSamplerDialog {
public:
    explicit TUnattendedDialog(QTextStream& err) : FErr(err) {}
    bool ConfirmSwap() override {
        FErr << "warning: \"From\" is greater than \"To\"; the limits are swapped\n";
        return true;
    }
    void WarnEqual() override { FErr << "warning: \"From\" is equal to \"To\"; one point is drawn\n"; }
    bool ConfirmLongDrawing() override {
        FErr << "warning: a function needs more than " << static_cast<qint64>(LongDrawingSamples)
             << " samples and is not drawn\n";
        return false;
    }
    void RefuseRange(const std::string& message) override {
        FErr << "warning: " << QString::fromStdString(message) << "\n";
    }

private:
    QTextStream& FErr;
};

// An extension none of our formats has goes to the Qt writer of that name
// ("tiff", "ppm") when there is one, else PNG.
QByteArray QtFormatFor(const QString& out) {
    const QByteArray suffix = QFileInfo(out).suffix().toLower().toLatin1();
    return QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray("png");
}

TRenderExit WritePicture(const QImage& picture, const QString& out, TBmpDepth depth, QTextStream& err) {
    try {
        if (const std::optional<TPictureFormat> format = PictureFormatForSuffix(out, depth))
            SavePicture(picture, out, *format);
        else
            SaveQtPicture(picture, out, QtFormatFor(out));
    } catch (const Exception& e) {
        err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reWrite;
    }
    return TRenderExit::reSuccess;
}

TRenderExit WriteVectors(const TPlot2D& plot, const QString& out, TPictureFormat format, QTextStream& err) {
    try {
        SavePlotVectors(plot, out, format);
    } catch (const Exception& e) {
        err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reWrite;
    }
    return TRenderExit::reSuccess;
}

// The picture of a 3D document, or the status of why there is none.
TRenderExit Paint3D(const TIniFile& ini, const QString& file, QSize size, int scale, QTextStream& err,
                    QImage& picture) {
    InstallFontSubstitutions();
    try {
        picture = Render3DDocument(ini, size, err, scale);
    } catch (const EOpenGLError& e) {
        err << "curvane: cannot create an OpenGL context: " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reNoOpenGL;
    } catch (const ESyntaxError& e) {
        err << "curvane: " << file << ": " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reFormulaError;
    }
    return TRenderExit::reSuccess;
}

// The plot a new 2D window of that plot size would show: its look from the
// settings, then the document, sampled once.
TRenderExit Sample2D(const TIniFile& ini, const QString& file, QSize size, QTextStream& err, TPlot2D& plot) {
    InstallFontSubstitutions();
    TUnattendedDialog dialog(err);
    plot.ApplySettings(Settings());
    plot.SetSize(size);
    TGraphDocument document;
    document.View2D = plot.View();
    document.LoadFromIni(ini);
    plot.ShowDocument(document);
    try {
        plot.Sample(document, std::nullopt, dialog);
    } catch (const ESyntaxError& e) {
        err << "curvane: " << file << ": " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reFormulaError;
    }
    return TRenderExit::reSuccess;
}


}  // namespace

TRenderExit PaintBitmap(const TIniFile& ini, TWindowType type, const QString& file, QSize size, int scale,
                        QTextStream& err, QImage& picture) {
    if (type == TWindowType::wt3D) return Paint3D(ini, file, size, scale, err, picture);
    TPlot2D plot;
    const TRenderExit sampled = Sample2D(ini, file, size, err, plot);
    if (sampled == TRenderExit::reSuccess) picture = plot.Picture(scale);
    return sampled;
}

namespace {

// Where the frames of an animation go: numbered files, or one GIF.
struct TFrameOutput {
    std::optional<TFramePattern> Pattern;
    std::unique_ptr<TGifAnimation> Gif;
};

bool IsGifName(const QString& out) {
    return QFileInfo(out).suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0;
}

// One picture per value of the range, each painted from the document with
// the parameter at that value, as `--set` paints a still.
TRenderExit RenderAnimation(TIniFile& ini, TWindowType type, const QString& file, const QString& out, QSize size,
                            int scale, TBmpDepth depth, const TAnimationRange& range, QTextStream& err) {
    TGraphDocument document;
    document.LoadFromIni(ini);
    try {
        ApplyParameterSettings({{range.Name, range.From}}, document.Functions, document.Parameters,
                               static_cast<int>(TRenderExit::reUsage), "--animate");
    } catch (const ECommandLine& e) {
        err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reUsage;
    }
    TFrameOutput output;
    if (IsGifName(out)) {
        try {
            output.Gif = std::make_unique<TGifAnimation>(out, size * scale);
        } catch (const Exception& e) {
            err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
            return TRenderExit::reWrite;
        }
    } else {
        output.Pattern.emplace(out.toStdString(), static_cast<int>(TRenderExit::reUsage));
    }
    TParameter& parameter = *document.Parameters.Find(range.Name);
    for (int frame = 0; frame < range.FrameCount(); ++frame) {
        TakeParameterValue(parameter, range.FrameValue(frame));
        SaveParameters(ini, document.Parameters);
        QImage picture;
        if (const TRenderExit painted = PaintBitmap(ini, type, file, size, scale, err, picture);
            painted != TRenderExit::reSuccess)
            return painted;
        if (output.Pattern) {
            const QString path = QString::fromStdString(output.Pattern->Path(frame));
            if (const TRenderExit written = WritePicture(picture, path, depth, err); written != TRenderExit::reSuccess)
                return written;
            continue;
        }
        try {
            output.Gif->AddFrame(picture);
        } catch (const Exception& e) {
            err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
            return TRenderExit::reWrite;
        }
    }
    if (output.Gif) {
        try {
            output.Gif->Close();
        } catch (const Exception& e) {
            err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
            return TRenderExit::reWrite;
        }
    }
    return TRenderExit::reSuccess;
}

}  // namespace

bool ParseRenderSize(const QString& text, QSize& size) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,6})\\s*[xX]\\s*(\\d{1,6})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return false;
    const int w = match.captured(1).toInt();
    const int h = match.captured(2).toInt();
    if (w < 1 || h < 1 || w > MaxRenderSide || h > MaxRenderSide) return false;
    size = QSize(w, h);
    return true;
}

bool ParseRenderScale(const QString& text, int& scale) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return false;
    const int value = match.captured(1).toInt();
    if (value < 1 || value > MaxRenderScale) return false;
    scale = value;
    return true;
}

TRenderExit RunRenderCommand(const QString& file, const QString& out, QSize size, QTextStream& err, int scale,
                             const std::optional<QString>& bits, const std::vector<std::string>& sets,
                             const std::optional<std::string>& animate) {
    std::vector<TParameterSetting> settings;
    std::optional<TAnimationRange> range;
    try {
        constexpr int usage = static_cast<int>(TRenderExit::reUsage);
        settings = ParseParameterSettings(sets, usage);
        if (animate) {
            range = ParseAnimationRange(*animate, usage);
            // Refused before anything is painted rather than at the first frame.
            if (!IsGifName(out)) static_cast<void>(TFramePattern(out.toStdString(), usage));
        }
    } catch (const ECommandLine& e) {
        err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reUsage;
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > MaxRenderSide || size.height() > MaxRenderSide) {
        err << "curvane: the size must be between 1x1 and " << MaxRenderSide << "x" << MaxRenderSide << "\n";
        return TRenderExit::reUsage;
    }
    if (scale < 1 || scale > MaxRenderScale) {
        err << "curvane: the scale must be a whole number from 1 to " << MaxRenderScale << "\n";
        return TRenderExit::reUsage;
    }
    if (size.width() * scale > MaxRenderSide || size.height() * scale > MaxRenderSide) {
        err << "curvane: the picture (size times scale) must be at most " << MaxRenderSide << " pixels each way\n";
        return TRenderExit::reUsage;
    }
    if (out.isEmpty()) {
        err << "curvane: --render needs --output FILE\n";
        return TRenderExit::reUsage;
    }
    TBmpDepth depth = TBmpDepth::bd24;
    if (bits) {
        bool number = false;
        const int value = bits->trimmed().toInt(&number);
        if (!number || !IsBmpDepth(value)) {
            err << "curvane: --bits takes 4, 8, 15, 16 or 24\n";
            return TRenderExit::reUsage;
        }
        if (QFileInfo(out).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) != 0) {
            err << "curvane: --bits is for a .bmp picture only\n";
            return TRenderExit::reUsage;
        }
        depth = static_cast<TBmpDepth>(value);
    }
    const std::optional<TPictureFormat> format = PictureFormatForSuffix(out, depth);
    const bool vectors = format && IsVectorFormat(*format);
    if (range && vectors) {
        err << "curvane: the frames of --animate are pictures of pixels: PNG, JPEG, BMP or one GIF\n";
        return TRenderExit::reUsage;
    }
    const QFileInfo info(file);
    if (!info.exists()) {
        err << "curvane: cannot open " << file << ": the file does not exist\n";
        return TRenderExit::reDocument;
    }
    if (!info.isFile() || !info.isReadable()) {
        err << "curvane: cannot open " << file << ": the file cannot be read\n";
        return TRenderExit::reDocument;
    }
    try {
        TIniFile ini(file.toStdString());
        if (!IsGraphDocument(ini)) {
            err << "curvane: " << file << " is not a Curvane document\n";
            return TRenderExit::reDocument;
        }
        if (!settings.empty()) {
            // The values go into the text read, not the file, so that the 2D
            // and the 3D paths both load them as the document's own.
            TGraphDocument document;
            document.LoadFromIni(ini);
            try {
                ApplyParameterSettings(settings, document.Functions, document.Parameters,
                                       static_cast<int>(TRenderExit::reUsage));
            } catch (const ECommandLine& e) {
                err << "curvane: " << QString::fromStdString(e.Message()) << "\n";
                return TRenderExit::reUsage;
            }
            SaveParameters(ini, document.Parameters);
        }
        const int type = ini.ReadInteger("Global", "Window type", 0);
        if (type != static_cast<int>(TWindowType::wt3D) && type != static_cast<int>(TWindowType::wt2D)) {
            err << "curvane: " << file << " is not a 2D or 3D document (window type " << type << ")\n";
            return TRenderExit::reDocument;
        }
        const auto windowType = static_cast<TWindowType>(type);
        if (range) return RenderAnimation(ini, windowType, file, out, size, scale, depth, *range, err);
        if (windowType == TWindowType::wt3D && vectors) {
            err << "curvane: " << file << " is a 3D document: its picture is made of pixels, and SVG and PDF "
                << "pictures are drawn from 2D documents only\n";
            return TRenderExit::reUsage;
        }
        if (vectors) {
            TPlot2D plot;
            if (const TRenderExit sampled = Sample2D(ini, file, size, err, plot); sampled != TRenderExit::reSuccess)
                return sampled;
            return WriteVectors(plot, out, *format, err);
        }
        QImage picture;
        if (const TRenderExit painted = PaintBitmap(ini, windowType, file, size, scale, err, picture);
            painted != TRenderExit::reSuccess)
            return painted;
        return WritePicture(picture, out, depth, err);
    } catch (const Exception& e) {
        err << "curvane: " << file << ": " << QString::fromStdString(e.Message()) << "\n";
        return TRenderExit::reDocument;
    }
}

}  // namespace curvane
