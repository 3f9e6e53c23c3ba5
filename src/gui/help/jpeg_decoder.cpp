// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers

#include <jerror.h>
#include <jpeglib.h>

namespace curvane {

namespace {

// A damaged header may claim 65535 x 65535 pixels; the picture is allocated
// before the first row is read, so the claim is checked first.
constexpr unsigned long long MaxJpegPixels = 8192ULL * 8192ULL;

struct TJpegErrorManager {
    jpeg_error_mgr Public;  // first: libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf Escape;
};

// Both live in the caller's frame, not in the one that calls setjmp: what
// the library changed before an error is then still valid after the jump,
// and jpeg_destroy_decompress can release it.
struct TJpegDecoder {
    jpeg_decompress_struct Info{};
    TJpegErrorManager Error{};
};

// libjpeg's own error_exit prints the message and ends the process. Here the
// decoding is abandoned instead, back at the setjmp in RunDecoder.
[[noreturn]] void EscapeOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Escape, 1);
}

// Warnings (libjpeg prints them to stderr) are counted silently, except that
// data ending early is an error: the rest of the picture would be grey.
void FilterMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    if (info->err->msg_code == JWRN_JPEG_EOF) EscapeOnError(info);
    ++info->err->num_warnings;
}

// Every call that can end in EscapeOnError happens here. The function holds
// no object with a destructor while the library runs, so the jump skips no
// clean-up; `image` belongs to the caller.
bool RunDecoder(TJpegDecoder& decoder, const QByteArray& data, QImage& image) {
    jpeg_decompress_struct& info = decoder.Info;
    if (setjmp(decoder.Error.Escape)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    if (static_cast<unsigned long long>(info.image_width) * info.image_height > MaxJpegPixels) return false;
    info.out_color_space = JCS_RGB;  // greyscale is widened; CMYK has no conversion and fails
    jpeg_start_decompress(&info);
    if (info.output_components != 3) return false;
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    if (image.isNull()) return false;  // out of memory
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
    TJpegDecoder decoder;
    decoder.Info.err = jpeg_std_error(&decoder.Error.Public);
    decoder.Error.Public.error_exit = EscapeOnError;
    decoder.Error.Public.emit_message = FilterMessage;
    QImage image;
    const bool decoded = RunDecoder(decoder, data, image);
    // Safe in every state: a structure the library never set up is all
    // zeros, which it recognises.
    jpeg_destroy_decompress(&decoder.Info);
    if (!decoded) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace curvane
