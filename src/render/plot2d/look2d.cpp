// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/look2d.h"

#include "core/settings/settings.h"

namespace curvane {

namespace {

QFont FontOf(const TFontRecord& font) {
    return MakePlotFont(QString::fromStdString(font.Name), font.Size, font.Bold, font.Italic, font.Underline,
                        font.StrikeOut);
}

TFontRecord FontRecordOf(const QFont& font, TPlotColor color) {
    TFontRecord record;
    record.Name = font.family().left(255).toStdString();
    record.Size = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    record.Color = color;
    record.Bold = font.bold();
    record.Italic = font.italic();
    record.Underline = font.underline();
    record.StrikeOut = font.strikeOut();
    return record;
}

}  // namespace

TStoredLook2D LookFromSettings(const TSettings& all) {
    const TSettings2D& settings = all.Window2D;
    TStoredLook2D look;
    look.Background = settings.IndicatorBackground;
    look.AxisColor = settings.AxisColor;
    look.GridColor = settings.GridColor;
    look.MarkColor = settings.PeriodColor;
    look.FullGrid = settings.FullGrid;
    look.Labels = settings.Labels;
    look.Uniform = settings.Uniform;
    look.Antialiasing = settings.Antialiasing;
    look.Font = FontOf(all.Font);
    look.FontColor = all.Font.Color;
    look.GridFont = FontOf(all.GridFont);
    look.GridFontColor = all.GridFont.Color;
    return look;
}

void StoreLook(const TStoredLook2D& look, TSettings& all) {
    TSettings2D& settings = all.Window2D;
    settings.IndicatorBackground = look.Background;
    settings.AxisColor = look.AxisColor;
    settings.GridColor = look.GridColor;
    settings.PeriodColor = look.MarkColor;
    settings.FullGrid = look.FullGrid;
    settings.Labels = look.Labels;
    settings.Uniform = look.Uniform;
    settings.Antialiasing = look.Antialiasing;
    all.Font = FontRecordOf(look.Font, look.FontColor);
    all.GridFont = FontRecordOf(look.GridFont, look.GridFontColor);
}

}  // namespace curvane
