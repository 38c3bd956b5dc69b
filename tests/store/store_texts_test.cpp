// The naming rules with the installation's own language files.
#include <gtest/gtest.h>

#include "app/Language.h"
#include "store/StoreTexts.h"

namespace tavrick {
namespace {

TEST(StoreTexts, NamesFollowTheCurrentLanguageFile) {
  const int before = GetCurrentLanguageId();
  KeyAssignment left;
  left.macro_type = 1;
  left.macro_value = 1;
  KeyAssignment macro;
  macro.macro_type = 4;
  macro.macro_desc = "Custom 1 Copy";

  SetCurrentLanguageId(2052);
  EXPECT_EQ(ShownProfileName("Profile 2"), "\xE9\x85\x8D\xE7\xBD\xAE 2");
  EXPECT_EQ(ShownDialogProfileName("Konfiguration 1"), "Konfiguration 1");
  EXPECT_EQ(ShownMacroListName("Custom 3 Copy"), "\xE8\x87\xAA\xE5\xAE\x9A\xE4\xB9\x89 3  \xE5\xA4\x8D\xE5\x88\xB6");
  EXPECT_EQ(ShownAssignmentName(left), "\xE5\xB7\xA6\xE9\x94\xAE");
  EXPECT_EQ(ShownAssignmentName(macro), "\xE8\x87\xAA\xE5\xAE\x9A\xE4\xB9\x89 1  \xE5\xA4\x8D\xE5\x88\xB6");

  SetCurrentLanguageId(1033);
  EXPECT_EQ(ShownProfileName("\xE9\x85\x8D\xE7\xBD\xAE 4"), "Profile 4");
  EXPECT_EQ(ShownAssignmentName(left), "Left click");
  KeyAssignment def;
  def.macro_desc = "106";
  EXPECT_EQ(ShownDefaultAssignmentName(def), "Left click");
  SetCurrentLanguageId(before);
}

}  // namespace
}  // namespace tavrick
