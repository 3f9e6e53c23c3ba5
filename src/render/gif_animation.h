// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

namespace curvane {

// How long each frame of an animated GIF shows, in the format's hundredths
// of a second: 1/20 s, a smooth enough family of curves for files that
// stay small.
inline constexpr int DefaultGifFrameDelayCentiseconds = 5;

// An animated GIF written frame by frame through giflib, playing in a loop
// forever. Every frame is reduced to one global palette: the 216 colours of
// a 6x6x6 cube and 40 greys between its steps, each pixel taking the nearest
// of them. A plot is mostly flat colours, axis greys and curves of a few
// colours, which a fixed palette holds well, and one palette needs no pass
// over all frames before the first is written.
class TGifAnimation {
public:
    // Starts the file; it takes the place of an older one only when Close
    // succeeds. Throws EFileError "Unable to write to <path>" with the reason.
    TGifAnimation(const QString& path, QSize size, int delayCentiseconds = DefaultGifFrameDelayCentiseconds);
    ~TGifAnimation();  // without Close, the file written so far is dropped
    TGifAnimation(const TGifAnimation&) = delete;
    TGifAnimation& operator=(const TGifAnimation&) = delete;

    // Appends a frame of the size given at creation. Throws EFileError.
    void AddFrame(const QImage& frame);
    // Finishes the file and puts it in place. Throws EFileError.
    void Close();

private:
    struct TFile;
    std::unique_ptr<TFile> FFile;
    QString FPath;
    QSize FSize;
    int FDelay;
};

}  // namespace curvane
