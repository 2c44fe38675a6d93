#pragma once

#include <exception>
#include <functional>
#include <stdexcept>
#include <utility>

namespace vexto {

// The application's error report: one replaceable function that shows an error raised by an
// event handler. Until the application installs its own, errors are written to standard error.
using ErrorReportHandler = std::function<void(const std::exception&)>;

void SetErrorReport(ErrorReportHandler handler);
void ReportError(const std::exception& error) noexcept;

// The event-handler boundary: runs a handler and hands whatever it throws to the error report, so
// no exception unwinds through the toolkit's frames.
template <typename Handler> void RunGuarded(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        ReportError(error);
    } catch (...) {
        ReportError(std::runtime_error("Unknown error"));
    }
}

} // namespace vexto
