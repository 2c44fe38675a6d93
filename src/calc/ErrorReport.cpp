#include "ErrorReport.h"

#include <cstdio>
#include <utility>

namespace vexto {

namespace {

void writeToStandardError(const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
}

ErrorReportHandler& installedReport() {
    static ErrorReportHandler report = writeToStandardError;
    return report;
}

} // namespace

void SetErrorReport(ErrorReportHandler handler) {
    installedReport() = handler ? std::move(handler) : ErrorReportHandler(writeToStandardError);
}

void ReportError(const std::exception& error) noexcept {
    try {
        installedReport()(error);
    } catch (...) {
        // A report that fails itself has nowhere left to go; the message is the best we can do.
        writeToStandardError(error);
    }
}

} // namespace vexto
