#include "SessionDisplay.h"

namespace vexto {

bool SessionDisplay::IsNamed() {
    return true;
}

bool SessionDisplay::AcceptsConnections(const QByteArray&) {
    return false;
}

} // namespace vexto
