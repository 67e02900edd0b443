// The version 6 common-controls look: the manifest in the resources binds the process to
// that library, and the common controls are initialised once before the program starts.
#include "toolkit/platform/win32.h"

namespace toolkit {
namespace {

int32_t g_visualStylesInitCount = 0;

struct VisualStylesUnit {
    VisualStylesUnit() {
        if (g_visualStylesInitCount-- == 0)
            InitCommonControls();
    }
    ~VisualStylesUnit() { ++g_visualStylesInitCount; }
};

// Initialised with the other units at start-up, before the program's entry runs.
VisualStylesUnit g_visualStylesUnit;

} // namespace
} // namespace toolkit
