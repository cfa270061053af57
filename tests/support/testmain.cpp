// Entry point of every GoogleTest executable: Qt SQL drivers and QSettings need an application
// object.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KelvoranTest"));
    QCoreApplication::setApplicationName(QStringLiteral("KelvoranTest"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
