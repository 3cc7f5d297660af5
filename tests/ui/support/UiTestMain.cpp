#include "ui/Translations.h"

#include <QApplication>
#include <gtest/gtest.h>

// The window's tests need a QApplication for the whole run. They draw offscreen, also when CTest lists them
// at build time, where no test environment applies.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    tarnwick::installTranslations(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
