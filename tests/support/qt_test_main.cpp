// SPDX-License-Identifier: Apache-2.0
// main() for tests that need a QApplication: widgets are real, on whatever
// platform QT_QPA_PLATFORM names (offscreen in ctest).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
