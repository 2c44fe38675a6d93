#pragma once

namespace vexto {

// Gives the result cells and the website link their own accessible interfaces. Call before the
// first of them is created; calling again does nothing.
void InstallWidgetAccessibility();

} // namespace vexto
