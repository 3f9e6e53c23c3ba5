#include "gui/application.h"

#include "gui/exception_report.h"

namespace curvane {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        TExceptionReport::Instance().Handle(DescribeException(e));
    } catch (...) {
        TExceptionReport::Instance().Handle(DescribeUnknownException());
    }
    return false;
}

}  // namespace curvane
