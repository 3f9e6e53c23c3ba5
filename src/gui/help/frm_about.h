// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

namespace curvane {

// "About": the program's picture, name and version, and links to its web
// page and mail address, opened by the desktop's programs for them.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* const imgPicture;
    QLabel* const lblTitle;
    QLabel* const lblWeb;
    QLabel* const lblMail;
};

// The project's web page, where the Help menu's home page command goes.
inline constexpr const char* CurvaneHomePage = "https://curvane.org";

}  // namespace curvane
