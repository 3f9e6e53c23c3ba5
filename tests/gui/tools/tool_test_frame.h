// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "core/settings/settings.h"
#include "core/support/number_format.h"
#include "gui/app/calculus_commands.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/document_test_helpers.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/widgets/func_bar_widgets.h"
#include "render/plot2d/indicator.h"

namespace curvane::testing {

// A shown main window with settings and error log in a scratch folder, for
// the tools that work on its graph windows.
class ToolTestFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("CURVANE_SETTINGS", FDir.filePath("curvane.ini").toUtf8());
        qputenv("CURVANE_ERROR_LOG", FDir.filePath("curvane.err").toUtf8());
        Settings() = TSettings();
        FMain = std::make_unique<TfrmMain>();
        FMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FMain.get()));
    }
    void TearDown() override {
        FMain.reset();
        Settings() = TSettings();
        qunsetenv("CURVANE_SETTINGS");
        qunsetenv("CURVANE_ERROR_LOG");
    }

    static void Trigger(QAction* command) {
        command->trigger();
        QApplication::processEvents();
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // A new window of the kind `command` makes, with one function typed into
    // the function bar when `formula` is given.
    TfrmAbstractMDIChild* NewWindow(QAction* command, const QString& formula = {}) {
        Trigger(command);
        TfrmAbstractMDIChild* window = CurrentGraphWindow(FMain->MdiArea());
        if (window && !formula.isEmpty()) {
            Type(FMain->FuncCombo()->lineEdit(), formula);
            QTest::keyClick(FMain->FuncCombo()->lineEdit(), Qt::Key_Return);
            QApplication::processEvents();
        }
        return window;
    }
    // Types a formula into the function bar and presses Enter.
    void EnterFormula(const QString& text) {
        QLineEdit* edit = FMain->FuncCombo()->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QApplication::processEvents();
    }
    // A new window of the kind `command` makes, with a function for each
    // formula typed into the function bar; the last one is active.
    TfrmAbstractMDIChild* NewWindowWith(QAction* command, const QStringList& formulas) {
        Trigger(command);
        TfrmAbstractMDIChild* window = CurrentGraphWindow(FMain->MdiArea());
        for (int i = 0; window && i < formulas.size(); ++i) {
            if (i > 0) AddFunctionTo(*window, QString());
            EnterFormula(formulas[i]);
        }
        return window;
    }

    QTemporaryDir FDir;
    std::unique_ptr<TfrmMain> FMain;
};

}  // namespace curvane::testing
