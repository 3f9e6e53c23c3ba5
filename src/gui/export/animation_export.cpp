// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/animation_export.h"
#include "gui/export/graph_picture.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextStream>

#include <memory>
#include <optional>

#include "core/cli/command_line.h"
#include "core/document/constant_formula.h"
#include "core/document/graph_document.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/common/application.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/document/parameter_animator.h"
#include "gui/export/render_command.h"
#include "render/gif_animation.h"
#include "render/picture_file.h"

namespace curvane {

namespace {

constexpr int DefaultFrameCount = 100;

bool IsGifName(const QString& out) {
    return QFileInfo(out).suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0;
}

void Warn(QWidget* parent, const QString& text) { QMessageBox::warning(parent, ApplicationTitle(), text); }

// Numbers in the fields are read and written with "." whatever the locale.
QString NumberText(double value) { return QString::number(value, 'g', 12); }

// What is wrong with a frame file name, or "" when it is a GIF or holds its
// one %0Nd.
QString PatternProblem(const QString& out) {
    if (IsGifName(out)) return {};
    try {
        static_cast<void>(TFramePattern(out.toStdString(), 1));
    } catch (const ECommandLine&) {
        // Put together rather than with arg(): the text itself holds "%0".
        return QStringLiteral("The file name ") + out +
               QStringLiteral(" needs one %0Nd for the frame number (frames/%04d.png), or the extension .gif.");
    }
    return {};
}

}  // namespace

TAnimationRange DefaultAnimationRange(const TParameter& parameter) {
    TAnimationRange range{parameter.Name, parameter.Min, parameter.Max, 0};
    const double span = parameter.Max - parameter.Min;
    range.Step = span > 0 ? span / DefaultFrameCount : 1;
    if (parameter.Step > 0 && span / parameter.Step < MaxAnimationFrames) range.Step = parameter.Step;
    return range;
}

TAnimationExportOutcome ExportAnimation(TfrmAbstractMDIChild* window, const TAnimationRange& range,
                                        const QString& out, QWidget* parent) {
    const QPointer<TfrmAbstractMDIChild> shown = window;
    if (!shown) return TAnimationExportOutcome::aoFailed;
    // A copy: a 2D frame never shows in the window, and neither its undo
    // stack nor its modified mark learn of it. A 3D frame is drawn by the
    // window's own renderer (a second, off-screen GL context beside the
    // window's did not finish its frames), shown the way a playing parameter
    // is: no undo step, no modified mark, and the value put back at the end.
    // A window closed by a question of its sampling gives no picture, and
    // the export stops there.
    TGraphDocument document = shown->Document();
    const bool inWindow = document.WindowType == TWindowType::wt3D;
    struct TPutBack {
        const QPointer<TfrmAbstractMDIChild>& Window;
        const TGraphDocument Original;
        bool Active;
        ~TPutBack() {
            if (Active && Window) Window->Owner()->Show(Original);
        }
    } putBack{shown, document, inWindow};
    TParameter* parameter = document.Parameters.Find(range.Name);
    if (!parameter) {
        Warn(parent, QStringLiteral("The document has no parameter %1.").arg(QString::fromStdString(range.Name)));
        return TAnimationExportOutcome::aoFailed;
    }
    const QSize size = shown->PictureSize().isEmpty() ? DefaultRenderSize : shown->PictureSize();
    if (const QString problem = PatternProblem(out); !problem.isEmpty()) {
        Warn(parent, problem);
        return TAnimationExportOutcome::aoFailed;
    }
    std::optional<TFramePattern> pattern;
    std::unique_ptr<TGifAnimation> gif;
    try {
        if (IsGifName(out))
            gif = std::make_unique<TGifAnimation>(out, size);
        else
            pattern.emplace(out.toStdString(), 1);
    } catch (const Exception& e) {
        Warn(parent, QString::fromStdString(e.Message()));
        return TAnimationExportOutcome::aoFailed;
    }
    const int count = range.FrameCount();
    QProgressDialog progress(QStringLiteral("Exporting animation..."), QStringLiteral("Cancel"), 0, count, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    for (int frame = 0; frame < count; ++frame) {
        // The dialog's event processing may close the window or cancel.
        progress.setValue(frame);
        if (progress.wasCanceled() || !shown) return TAnimationExportOutcome::aoCanceled;
        TakeParameterValue(*parameter, range.FrameValue(frame));
        QImage picture;
        if (inWindow) {
            shown->Owner()->Show(document);
            picture = TakeGraphPicture(shown);
            if (picture.isNull()) {
                Warn(parent, QStringLiteral("The window gave no picture to export."));
                return TAnimationExportOutcome::aoFailed;
            }
            if (picture.size() != size) picture = picture.scaled(size);
        } else {
            TIniFile ini = TIniFile::FromText({});
            document.SaveToIni(ini);
            QString problems;
            QTextStream err(&problems);
            if (PaintBitmap(ini, document.WindowType, shown->FileName(), size, 1, err, picture) !=
                TRenderExit::reSuccess) {
                Warn(parent, problems.trimmed());
                return TAnimationExportOutcome::aoFailed;
            }
        }
        try {
            if (gif)
                gif->AddFrame(picture);
            else
                SavePicture(picture, QString::fromStdString(pattern->Path(frame)), TPictureFormat::pfPng);
        } catch (const Exception& e) {
            Warn(parent, QString::fromStdString(e.Message()));
            return TAnimationExportOutcome::aoFailed;
        }
    }
    if (gif) {
        try {
            gif->Close();
        } catch (const Exception& e) {
            Warn(parent, QString::fromStdString(e.Message()));
            return TAnimationExportOutcome::aoFailed;
        }
    }
    progress.setValue(count);
    return TAnimationExportOutcome::aoWritten;
}

void ExportGraphAnimation(TfrmAbstractMDIChild* window, QWidget* parent) {
    const QPointer<TfrmAbstractMDIChild> shown = window;
    if (!shown || shown->Document().Parameters.Empty()) return;
    // A copy: the dialog's loop may change the document's parameters or
    // close the window, and the parameter box keeps offering what it listed.
    const TParameterList parameters = shown->Document().Parameters;
    const TParameterAnimator& animator = TParameterAnimator::Of(*shown->Owner());
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export animation"));
    auto* name = new QComboBox(&dialog);
    int preselected = 0;
    for (int i = 0; i < parameters.Count(); ++i) {
        name->addItem(QString::fromStdString(parameters[i].Name));
        if (preselected == 0 && animator.IsPlaying(parameters[i].Name)) preselected = i;
    }
    auto* from = new QLineEdit(&dialog);
    auto* to = new QLineEdit(&dialog);
    auto* step = new QLineEdit(&dialog);
    const auto fillRange = [&](int index) {
        const TAnimationRange range = DefaultAnimationRange(parameters[index]);
        from->setText(NumberText(range.From));
        to->setText(NumberText(range.To));
        step->setText(NumberText(range.Step));
    };
    QObject::connect(name, &QComboBox::currentIndexChanged, &dialog, fillRange);
    name->setCurrentIndex(preselected);
    fillRange(preselected);
    auto* file = new QLineEdit(QStringLiteral("animation.gif"), &dialog);
    auto* browse = new QPushButton(QStringLiteral("..."), &dialog);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString chosen = QFileDialog::getSaveFileName(
            &dialog, QStringLiteral("Export animation"), file->text(),
            QStringLiteral("Animated GIF (*.gif);;PNG frames, one %04d in the name (*.png)"));
        if (!chosen.isEmpty()) file->setText(chosen);
    });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file);
    fileRow->addWidget(browse);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Parameter:"), name);
    form->addRow(QStringLiteral("&From:"), from);
    form->addRow(QStringLiteral("&To:"), to);
    form->addRow(QStringLiteral("&Step:"), step);
    form->addRow(QStringLiteral("F&ile:"), fileRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    while (dialog.exec() == QDialog::Accepted) {
        if (!shown) return;
        // Read as every number field is: a constant formula, "." whatever the locale.
        const std::optional<double> first = ParseConstant(from->text().toStdString());
        const std::optional<double> last = ParseConstant(to->text().toStdString());
        const std::optional<double> by = ParseConstant(step->text().toStdString());
        const TAnimationRange range{name->currentText().toStdString(), first.value_or(0), last.value_or(0),
                                    by.value_or(0)};
        QString problem;
        if (!first || !last || !by)
            problem = QStringLiteral("From, To and Step must be numbers.");
        else if (!(range.Step > 0))
            problem = QStringLiteral("Step must be greater than 0.");
        else if (range.To < range.From)
            problem = QStringLiteral("To must not be less than From.");
        else if ((range.To - range.From) / range.Step >= MaxAnimationFrames)
            problem = QStringLiteral("An animation has at most %1 frames.").arg(MaxAnimationFrames);
        else
            problem = PatternProblem(file->text());
        if (!problem.isEmpty()) {
            Warn(&dialog, problem);
            continue;
        }
        ExportAnimation(shown, range, file->text(), parent);
        return;
    }
}

}  // namespace curvane
