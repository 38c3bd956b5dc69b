// The SDL2 backend.
#include "platform/gui/detail/Core.h"

namespace DUI::detail {

Backend* CreateSdlBackend() { return nullptr; }

}  // namespace DUI::detail
