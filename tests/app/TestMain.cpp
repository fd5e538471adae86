#include "PrivateSettings.h"
#include "app/AppSettings.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// Every test starts with no settings: nothing one test remembers (folders, the output type, the
// window's size) reaches the next.
class ClearSettings final : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo&) override { OpenAppSettings()->clear(); }
};

} // namespace

int main(int argc, char** argv)
{
    // Continuous integration has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef T2N_TEST_FONT_DIR
    // The offscreen platform of Windows reads fonts from one folder only, which Wine does not
    // hand on from the host's QT_ variables: the folder of the Japanese font the layout is tested
    // with on Linux too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", T2N_TEST_FONT_DIR);
#endif
    QApplication app(argc, argv);
    const PrivateSettings settings;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ClearSettings);
    return RUN_ALL_TESTS();
}
