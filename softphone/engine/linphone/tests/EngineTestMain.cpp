#include <QCoreApplication>

#include <gtest/gtest.h>

// The engine runs on a Qt event loop, as in the program.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
