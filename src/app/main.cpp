#include "app/CommandLine.h"
#include "app/TarnwickApp.h"
#include "session/LaunchOptions.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarnwick.svg")));

    tarnwick::Platform platform = tarnwick::Platform::current();
    try {
        platform = tarnwick::CommandLine::platformFor(QApplication::arguments());
    } catch (const tarnwick::LaunchOptions::Error& error) {
        std::fprintf(stderr, "tarnwick: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnwick: %s\n", error.what());
        return 1;
    }
    tarnwick::TarnwickApp program(platform);
    program.window().show();
    return QApplication::exec();
}
