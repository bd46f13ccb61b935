#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Every test binary runs inside a QApplication on the offscreen platform, with a fixed locale, so that
// screens can be created and the results do not depend on the machine.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
