// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/parameter_offer.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace curvane {

TParameterOffer::TParameterOffer(QWidget* parent)
    : QWidget(parent), btnCreate(new QPushButton(this)), btnDismiss(new QToolButton(this)) {
    setObjectName(QStringLiteral("ParameterOffer"));
    btnCreate->setObjectName(QStringLiteral("btnCreateParameters"));
    btnCreate->setToolTip(QStringLiteral("Make these names parameters (value 1, from -10 to 10) and take the formula"));
    btnDismiss->setObjectName(QStringLiteral("btnDismissParameters"));
    btnDismiss->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    btnDismiss->setAutoRaise(true);
    btnDismiss->setToolTip(QStringLiteral("Dismiss"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 1, 0, 1);
    row->setSpacing(2);
    row->addWidget(btnCreate);
    row->addWidget(btnDismiss);
    row->addStretch(1);
    connect(btnCreate, &QPushButton::clicked, this, [this] {
        const QStringList names = FNames;
        Offer({});
        emit Accepted(names);
    });
    connect(btnDismiss, &QToolButton::clicked, this, [this] { Offer({}); });
    hide();
}

void TParameterOffer::Offer(const QStringList& names) {
    FNames = names;
    btnCreate->setText(QStringLiteral("Create %1").arg(names.join(QStringLiteral(", "))));
    setHidden(names.isEmpty());
}

}  // namespace curvane
