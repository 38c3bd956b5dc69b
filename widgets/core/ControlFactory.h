#pragma once
// The control factory: one table of every class name the window-level and the panel-level
// factories know. Each widget registers its creator once (LUMET_REGISTER_CONTROL in its own
// source file); a known name whose widget has not registered yet creates nothing.
#include "widgets/core/MControl.h"

namespace DUI {

using ControlCreator = MControl* (*)(MObject* parent, unsigned id, CRect rect, const char* title, int visible,
                                     int enabled);

enum class FactoryKind { Window, Panel };

class ControlFactory {
 public:
  // Registers the creator of a class name of the table; false for a name the table lacks.
  static bool Register(const char* className, ControlCreator create);
  // Whether the factory of that kind knows the name (exact, case-sensitive).
  static bool Knows(FactoryKind kind, const char* className);
  // Creates the control, or null for an unknown, empty or not yet registered name.
  static MControl* Create(FactoryKind kind, const char* className, MObject* parent, unsigned id, CRect rect,
                          const char* title, int visible, int enabled);
};

}  // namespace DUI

#define LUMET_REGISTER_CONTROL(ClassName, Expression)                                                      \
  namespace {                                                                                              \
  const bool kRegistered_##ClassName = ::DUI::ControlFactory::Register(                                    \
      #ClassName, [](::DUI::MObject* parent, unsigned id, ::DUI::CRect rect, const char* title, int visible, \
                     int enabled) -> ::DUI::MControl* {                                                    \
        (void)title;                                                                                       \
        (void)visible;                                                                                     \
        (void)enabled;                                                                                     \
        return Expression;                                                                                 \
      });                                                                                                  \
  }
