// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help/frm_about.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/support/version.h"
#include "gui/common/application.h"
#include "gui/common/frm_except.h"
#include "gui/help/help.h"
#include "gui/help/jpeg_decoder.h"

namespace curvane {

namespace {

QLabel* MakeLink(const char* name, const QString& url, const QString& text) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped()));
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setToolTip(url);
    QObject::connect(label, &QLabel::linkActivated, label, [](const QString& link) { OpenExternalUrl(QUrl(link)); });
    return label;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent),
      imgPicture(new QLabel),
      lblTitle(new QLabel(ApplicationTitle())),
      lblWeb(MakeLink("lblWeb", QString::fromLatin1(CurvaneHomePage), QStringLiteral("curvane.org"))),
      lblMail(MakeLink("lblMail", QStringLiteral("mailto:") + QString::fromLatin1(SupportMailAddress),
                       QString::fromLatin1(SupportMailAddress))) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Curvane"));
    SetHelpTopic(this, QString::fromLatin1(HelpPages::Contents));

    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    LoadHelpResources();
    QFile picture(QStringLiteral(":/help/curvane.jpg"));
    const QImage image = picture.open(QIODevice::ReadOnly) ? DecodeJpeg(picture.readAll()) : QImage();
    // Without its picture the box still says what it has to.
    if (image.isNull()) imgPicture->hide();
    else imgPicture->setPixmap(QPixmap::fromImage(image));

    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    auto* lblVersion = new QLabel(QStringLiteral("Version %1").arg(QString::fromUtf8(Version)));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* lblWhat = new QLabel(QStringLiteral("Plots functions in 2D and 3D windows and computes with them."));
    lblWhat->setWordWrap(true);

    auto* links = new QGridLayout;
    links->addWidget(new QLabel(QStringLiteral("Web:")), 0, 0);
    links->addWidget(lblWeb, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("Mail:")), 1, 0);
    links->addWidget(lblMail, 1, 1);
    links->setColumnStretch(1, 1);

    auto* btnOK = new QPushButton(QStringLiteral("OK"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblWhat);
    text->addSpacing(8);
    text->addLayout(links);
    text->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(imgPicture, 0, 0, Qt::AlignTop);
    layout->addLayout(text, 0, 1);
    layout->addLayout(buttons, 1, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace curvane
