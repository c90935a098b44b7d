#include "platform/Memory.h"

#include <malloc.h>

namespace novra::platform {

void returnFreedMemory() {
    malloc_trim(0);
}

} // namespace novra::platform
