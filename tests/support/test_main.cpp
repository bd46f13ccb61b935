#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// Every test binary runs inside a QApplication on the offscreen platform, with a fixed locale, so that
// screens can be created and the results do not depend on the machine.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // A run that skipped cases and failed none says so in a line that CTest takes for a skip (its
    // SKIP_REGULAR_EXPRESSION), so that the summary shows it instead of a pass. A failure stays a
    // failure.
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    if (result == 0 && run.skipped_test_count() > 0) {
        std::string names;
        for (int i = 0; i < run.total_test_suite_count(); ++i) {
            const ::testing::TestSuite& suite = *run.GetTestSuite(i);
            for (int j = 0; j < suite.total_test_count(); ++j)
                if (suite.GetTestInfo(j)->result()->Skipped())
                    names += std::string(names.empty() ? "" : ", ") + suite.name() + '.' +
                             suite.GetTestInfo(j)->name();
        }
        std::printf("pv-casos-pulados: %s\n", names.c_str());
    }
    return result;
}
