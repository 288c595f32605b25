// Qt's keys in the shortcut table's terms.
#include "hostlib/ui/key_translation.h"

#include <gtest/gtest.h>

#include "hostlib/commands/command_input.h"

namespace vex3d::ui {
namespace {

TEST(KeyTranslation, KeypadKeysAreKnownByPositionWhateverNumLock) {
  EXPECT_EQ(keyFromQt(Qt::Key_4, Qt::KeypadModifier), kKeyNumpad0 + 4);
  EXPECT_EQ(keyFromQt(Qt::Key_Left, Qt::KeypadModifier), kKeyNumpad0 + 4);
  EXPECT_EQ(keyFromQt(Qt::Key_Insert, Qt::KeypadModifier), kKeyNumpad0);
  EXPECT_EQ(keyFromQt(Qt::Key_Clear, Qt::KeypadModifier), kKeyNumpad0 + 5);
  EXPECT_EQ(keyFromQt(Qt::Key_Plus, Qt::KeypadModifier | Qt::ShiftModifier), kKeyNumpadAdd);
  EXPECT_EQ(keyFromQt(Qt::Key_Minus, Qt::KeypadModifier), kKeyNumpadSubtract);
  // The same keys off the keypad are other keys.
  EXPECT_EQ(keyFromQt(Qt::Key_4, Qt::NoModifier), std::uint32_t{'4'});
  EXPECT_EQ(keyFromQt(Qt::Key_Left, Qt::NoModifier), 0u);
  EXPECT_EQ(keyFromQt(Qt::Key_Plus, Qt::NoModifier), 0u);
}

TEST(KeyTranslation, LettersFunctionKeysAndModifiers) {
  EXPECT_EQ(keyFromQt(Qt::Key_L, Qt::ControlModifier), std::uint32_t{'L'});
  EXPECT_EQ(keyFromQt(Qt::Key_F1, Qt::NoModifier), kKeyF1);
  EXPECT_EQ(keyFromQt(Qt::Key_F4, Qt::AltModifier), kKeyF1 + 3);
  EXPECT_EQ(keyFromQt(Qt::Key_Backtab, Qt::ShiftModifier), kKeyTab);
  EXPECT_EQ(keyFromQt(Qt::Key_Space, Qt::NoModifier), kKeySpace);
  EXPECT_EQ(modifiersFromQt(Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier),
            kModCtrl | kModShift);
  EXPECT_EQ(modifiersFromQt(Qt::AltModifier | Qt::MetaModifier), kModAlt);
}

}  // namespace
}  // namespace vex3d::ui
