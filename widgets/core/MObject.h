#pragma once
// The interface of every object that owns controls or receives their notifications.
#include "widgets/core/Types.h"

namespace DUI {

class MControl;

class MObject {
 public:
  virtual ~MObject() = default;
  // 1 when the class name equals the given one exactly (case-sensitive), else 0.
  virtual int IsClass(const char* name) const;
  virtual const char* GetClassNameW() const { return nullptr; }
  virtual const char* GetObjectClass() const { return nullptr; }
  virtual const char* BaseObjectClassName() const { return nullptr; }
  // Notifications of child controls: (control id, code, wParam, lParam).
  virtual long OnBaseMessage(unsigned id, unsigned code, unsigned long wParam, long lParam);
  // A child asks for the rectangle to be repainted; redraw marks the child's cache dirty.
  virtual int OnControlUpdate(CRect rect, int redraw, MControl* control);
};

}  // namespace DUI
