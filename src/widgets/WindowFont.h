#pragma once

#include <QFont>

namespace vexto {

// The face every control of the window uses; the cells take it bold.
QFont WindowFont();

} // namespace vexto
