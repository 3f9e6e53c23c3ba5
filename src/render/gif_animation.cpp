// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/gif_animation.h"

#include <gif_lib.h>

#include <QSaveFile>

#include <array>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include "core/support/exceptions.h"

namespace curvane {

namespace {

constexpr int CubeSteps = 6;
constexpr int CubeColours = CubeSteps * CubeSteps * CubeSteps;
constexpr int GreyCount = 256 - CubeColours;
// The cube's levels are 0, 51, ..., 255; greys fill the gaps between them.
constexpr int CubeLevel(int step) { return step * 51; }
constexpr int GreyLevel(int grey) { return (grey + 1) * 255 / (GreyCount + 1); }

struct TPalette {
    std::array<GifColorType, 256> Colours{};
    // Nearest grey for each sum r+g+b (0..765): the distance to a grey g is
    // 3(g - mean)^2 plus a term that does not depend on g.
    std::array<std::uint8_t, 766> GreyForSum{};
};

const TPalette& Palette() {
    static const TPalette palette = [] {
        TPalette p;
        for (int r = 0; r < CubeSteps; ++r)
            for (int g = 0; g < CubeSteps; ++g)
                for (int b = 0; b < CubeSteps; ++b) {
                    GifColorType& c = p.Colours[static_cast<std::size_t>((r * CubeSteps + g) * CubeSteps + b)];
                    c.Red = static_cast<GifByteType>(CubeLevel(r));
                    c.Green = static_cast<GifByteType>(CubeLevel(g));
                    c.Blue = static_cast<GifByteType>(CubeLevel(b));
                }
        for (int i = 0; i < GreyCount; ++i) {
            const auto level = static_cast<GifByteType>(GreyLevel(i));
            p.Colours[static_cast<std::size_t>(CubeColours + i)] = {level, level, level};
        }
        for (int sum = 0; sum <= 765; ++sum) {
            int best = 0;
            for (int i = 1; i < GreyCount; ++i)
                if (std::abs(3 * GreyLevel(i) - sum) < std::abs(3 * GreyLevel(best) - sum)) best = i;
            p.GreyForSum[static_cast<std::size_t>(sum)] = static_cast<std::uint8_t>(CubeColours + best);
        }
        return p;
    }();
    return palette;
}

int Squared(int v) { return v * v; }

int Distance(QRgb pixel, const GifColorType& c) {
    return Squared(qRed(pixel) - c.Red) + Squared(qGreen(pixel) - c.Green) + Squared(qBlue(pixel) - c.Blue);
}

// The nearest colour of the palette: the cube is nearest channel by channel,
// the greys by the mean, and the closer of the two wins.
GifByteType Nearest(QRgb pixel) {
    const TPalette& p = Palette();
    const auto step = [](int v) { return (v + 25) / 51; };
    const int cube = (step(qRed(pixel)) * CubeSteps + step(qGreen(pixel))) * CubeSteps + step(qBlue(pixel));
    const int grey = p.GreyForSum[static_cast<std::size_t>(qRed(pixel) + qGreen(pixel) + qBlue(pixel))];
    return static_cast<GifByteType>(Distance(pixel, p.Colours[static_cast<std::size_t>(grey)]) <
                                            Distance(pixel, p.Colours[static_cast<std::size_t>(cube)])
                                        ? grey
                                        : cube);
}

EFileError WriteError(const QString& path, int code) {
    const char* reason = GifErrorString(code);
    return EFileError("Unable to write to " + path.toStdString() + (reason ? std::string(": ") + reason : ""));
}

}  // namespace

// giflib writes through a callback into a QSaveFile: the file appears, with
// the permissions of any new file, only once the last frame is in, and a
// failed run leaves an older file of that name as it was.
struct TGifAnimation::TFile {
    QSaveFile Out;
    GifFileType* Gif = nullptr;

    static int Write(GifFileType* gif, const GifByteType* bytes, int count) {
        auto* out = static_cast<QSaveFile*>(gif->UserData);
        return static_cast<int>(out->write(reinterpret_cast<const char*>(bytes), count));
    }
};

TGifAnimation::TGifAnimation(const QString& path, QSize size, int delayCentiseconds)
    : FFile(std::make_unique<TFile>()), FPath(path), FSize(size), FDelay(delayCentiseconds) {
    FFile->Out.setFileName(path);
    if (!FFile->Out.open(QIODevice::WriteOnly))
        throw EFileError("Unable to write to " + path.toStdString() + ": " + FFile->Out.errorString().toStdString());
    int error = 0;
    FFile->Gif = EGifOpen(&FFile->Out, &TFile::Write, &error);
    if (!FFile->Gif) throw WriteError(path, error);
    // GIF89a, which the frame delays and the loop extension need; before the
    // screen descriptor, which writes the version.
    EGifSetGifVersion(FFile->Gif, true);
    ColorMapObject* map = GifMakeMapObject(256, Palette().Colours.data());
    const int status = EGifPutScreenDesc(FFile->Gif, size.width(), size.height(), 8, 0, map);
    GifFreeMapObject(map);
    // "NETSCAPE2.0", sub-block 1 with a loop count of 0: play forever.
    static const GifByteType loop[] = {1, 0, 0};
    if (status == GIF_ERROR || EGifPutExtensionLeader(FFile->Gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(FFile->Gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(FFile->Gif, sizeof loop, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(FFile->Gif) == GIF_ERROR) {
        const int code = FFile->Gif->Error;
        EGifCloseFile(FFile->Gif, &error);
        FFile->Gif = nullptr;
        throw WriteError(path, code);
    }
}

TGifAnimation::~TGifAnimation() {
    if (FFile->Gif) {
        int error = 0;
        EGifCloseFile(FFile->Gif, &error);
    }
}

void TGifAnimation::AddFrame(const QImage& frame) {
    if (!FFile->Gif) throw EFileError("Unable to write to " + FPath.toStdString() + ": the file is closed");
    const QImage pixels = frame.convertToFormat(QImage::Format_RGB32);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = FDelay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    const auto fail = [&] { return WriteError(FPath, FFile->Gif->Error); };
    if (EGifPutExtension(FFile->Gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_ERROR ||
        EGifPutImageDesc(FFile->Gif, 0, 0, FSize.width(), FSize.height(), false, nullptr) == GIF_ERROR)
        throw fail();
    std::vector<GifPixelType> line(static_cast<std::size_t>(FSize.width()));
    for (int y = 0; y < FSize.height(); ++y) {
        // A frame smaller than the screen is padded with black rather than read past its end.
        const auto* row = y < pixels.height() ? reinterpret_cast<const QRgb*>(pixels.constScanLine(y)) : nullptr;
        for (int x = 0; x < FSize.width(); ++x)
            line[static_cast<std::size_t>(x)] = Nearest(row && x < pixels.width() ? row[x] : qRgb(0, 0, 0));
        if (EGifPutLine(FFile->Gif, line.data(), FSize.width()) == GIF_ERROR) throw fail();
    }
}

void TGifAnimation::Close() {
    if (!FFile->Gif) return;
    int error = 0;
    GifFileType* gif = FFile->Gif;
    FFile->Gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR) throw WriteError(FPath, error);
    if (!FFile->Out.commit())
        throw EFileError("Unable to write to " + FPath.toStdString() + ": " + FFile->Out.errorString().toStdString());
}

}  // namespace curvane
