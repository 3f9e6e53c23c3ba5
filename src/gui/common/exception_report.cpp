// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/exception_report.h"

#include "core/settings/state_folder.h"
#include "core/support/installation.h"
#include "gui/common/application.h"
#include "gui/common/frm_except.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimeZone>

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

thread_local quintptr gLastThrowAddress = 0;

using TCxaThrow = void (*)(void*, std::type_info*, void (*)(void*));

}  // namespace

// Every `throw` in the program goes through __cxa_throw. Taking it over lets
// the report show where an exception was raised, which C++ otherwise forgets
// by the time a handler runs; the real routine of the C++ runtime (found with
// RTLD_NEXT) then does the throwing as usual. A rethrow (`throw;`) uses
// __cxa_rethrow and keeps the address of the original throw.
namespace __cxxabiv1 {
extern "C" void __cxa_throw(void* object, std::type_info* type, void (*destructor)(void*)) {
    gLastThrowAddress = reinterpret_cast<quintptr>(__builtin_return_address(0));
    static const TCxaThrow real = reinterpret_cast<TCxaThrow>(dlsym(RTLD_NEXT, "__cxa_throw"));
    if (real == nullptr) std::abort();  // no C++ runtime below us: nothing can be thrown at all
    real(object, type, destructor);
    __builtin_unreachable();
}
}  // namespace __cxxabiv1

namespace curvane {

namespace {

QString Demangled(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                std::free);
    QString text = QString::fromLatin1(status == 0 && name ? name.get() : mangled);
    // Our own exceptions are known to users and in reports by their bare
    // names ("ESyntaxError"); library ones keep their namespace.
    if (text.startsWith(QLatin1String("curvane::"))) text.remove(0, 9);
    return text;
}

QString LocalDateTimeText(const QDateTime& dt) {
    return QLocale::system().toString(dt, QLocale::ShortFormat);
}

}  // namespace

quintptr LastThrowAddress() { return gLastThrowAddress; }

TExceptionInfo DescribeException(const std::exception& e) {
    return {QString::fromUtf8(e.what()), Demangled(typeid(e).name()), gLastThrowAddress};
}

TExceptionInfo DescribeUnknownException() {
    QString cls = QStringLiteral("unknown");
    if (const std::type_info* type = abi::__cxa_current_exception_type()) cls = Demangled(type->name());
    return {QStringLiteral("Unknown exception"), cls, gLastThrowAddress};
}

QString FormatExceptAddress(quintptr address) {
    return QStringLiteral("%1h").arg(QString::number(address, 16).rightJustified(8, QLatin1Char('0')));
}

QString DefaultErrorLogPath() {
    const QString overridden = qEnvironmentVariable("CURVANE_ERROR_LOG");
    if (!overridden.isEmpty()) return overridden;
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString name = exe.completeBaseName() + QStringLiteral(".err");
    const QString beside = QString::fromStdString(PortableFolder(exe.absoluteFilePath().toStdString()));
    if (!beside.isEmpty()) return beside + QLatin1Char('/') + name;
    return QString::fromStdString(StateFolderPath()) + QLatin1Char('/') + name;
}

QString ExecutableCreationText() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    if (!exe.exists()) return QStringLiteral(" unknown creation time");
    QDateTime when = exe.fileTime(QFileDevice::FileBirthTime);
    if (!when.isValid()) when = exe.fileTime(QFileDevice::FileModificationTime);
    if (!when.isValid()) return QStringLiteral(" unknown creation time");
    // As stored (UTC), not shifted to local time; the format is the local one.
    when = when.toUTC();
    return LocalDateTimeText(QDateTime(when.date(), when.time()));
}

bool AppendErrorReport(const QString& logPath, const TExceptionInfo& info) {
    if (logPath.isEmpty()) return false;
    QDir().mkpath(QFileInfo(logPath).absolutePath());
    QFile file(logPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return false;
    const QString rule(80, QLatin1Char('-'));
    QString text;
    text += rule + QLatin1Char('\n');
    text += QStringLiteral("--> EXCEPTION occured at: ") + LocalDateTimeText(QDateTime::currentDateTime()) +
            QLatin1Char('\n');
    text += QStringLiteral("    Executable version: ") + ExecutableCreationText() + QLatin1Char('\n');
    text += QLatin1Char('\n');
    text += QStringLiteral("    Error message: ") + info.Message + QLatin1Char('\n');
    text += QStringLiteral("    Except class: ") + info.ClassName + QLatin1Char('\n');
    text += QStringLiteral("    Except address: ") + FormatExceptAddress(info.Address) + QLatin1Char('\n');
    text += rule + QLatin1Char('\n');
    text += QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    // A full disk shows as a short write or a failed flush: report it as a
    // failure, never as a written log.
    return file.write(bytes) == bytes.size() && file.flush();
}

TExceptionReport& TExceptionReport::Instance() {
    static TExceptionReport report;
    return report;
}

QString TExceptionReport::LogPath() const { return FLogPath.isEmpty() ? DefaultErrorLogPath() : FLogPath; }

void TExceptionReport::SetLogPath(const QString& path) { FLogPath = path; }

void TExceptionReport::SetTerminateHandler(std::function<void()> handler) { FTerminate = std::move(handler); }

void TExceptionReport::Handle(const TExceptionInfo& info) {
    if (FBusy) {
        AppendErrorReport(LogPath(), info);
        return;
    }
    FBusy = true;
    struct TBusyReset {
        bool& flag;
        ~TBusyReset() { flag = false; }
    } reset{FBusy};

    QWidget* parent = QApplication::activeWindow();
    QMessageBox::information(parent, ApplicationTitle(), QStringLiteral("in exception"));
    const QString log = LogPath();
    const bool written = AppendErrorReport(log, info);

    TfrmExcept dialog(parent);
    dialog.SetException(info.Message, info.ClassName, FormatExceptAddress(info.Address));
    dialog.SetLogResult(log, written);
    const int result = dialog.exec();
    if (result == TfrmExcept::TerminateResult) {
        if (FTerminate)
            FTerminate();
        else
            QCoreApplication::exit(3);
    }
}

bool RunGuarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        TExceptionReport::Instance().Handle(DescribeException(e));
    } catch (...) {
        TExceptionReport::Instance().Handle(DescribeUnknownException());
    }
    return false;
}

}  // namespace curvane
