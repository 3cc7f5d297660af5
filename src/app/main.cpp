#include "app/CommandLine.h"
#include "app/TarnwickApp.h"
#include "session/LaunchOptions.h"
#include "ui/MainWindow.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarnwick.org"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));

    tarnwick::Platform platform = tarnwick::Platform::current();
    {
        // The command line is read before any window exists, so that --help and --version answer where there
        // is no display.
        QCoreApplication reader(argc, argv);
        try {
            platform = tarnwick::CommandLine::platformFor(QCoreApplication::arguments());
        } catch (const tarnwick::LaunchOptions::Error& error) {
            std::fprintf(stderr, "tarnwick: %s\n", error.what());
            return 2;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tarnwick: %s\n", error.what());
            return 1;
        }
    }

    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarnwick.svg")));
    tarnwick::installTranslations(application);
    tarnwick::TarnwickApp program(platform);
    program.window().show();
    return QApplication::exec();
}
