#include "platform/Tools.h"

namespace novra::platform {

ToolPaths& tools() {
    static ToolPaths table;
    return table;
}

} // namespace novra::platform
