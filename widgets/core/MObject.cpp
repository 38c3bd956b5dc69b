#include "widgets/core/MObject.h"

#include <cstring>

namespace DUI {

int MObject::IsClass(const char* name) const {
  const char* own = GetClassNameW();
  if (!own || !name) return 0;
  return std::strcmp(own, name) == 0 ? 1 : 0;
}

long MObject::OnBaseMessage(unsigned, unsigned, unsigned long, long) { return 0; }

int MObject::OnControlUpdate(CRect, int, MControl*) { return 0; }

}  // namespace DUI
