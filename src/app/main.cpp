#include "Logo.h"
#include "RegisterWindows.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QFont>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Tallowick Balance %d.%d\n", TALLOWICK_VERSION_MAJOR, TALLOWICK_VERSION_MINOR);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallowick Balance"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(TALLOWICK_VERSION_MAJOR).arg(TALLOWICK_VERSION_MINOR));
    QApplication::setDesktopFileName(QStringLiteral("tallowick"));
    QApplication::setWindowIcon(tallowick::logoIcon());
    // The registry decides when the program ends: the insert worker is a
    // loaded window that is never shown.
    QApplication::setQuitOnLastWindowClosed(false);

    // The windows are laid out in twips for MS Sans Serif 8.25; Liberation
    // Sans has Arial's metrics and fits the same boxes where that font is missing.
    QFont designFont;
    designFont.setFamilies(
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    designFont.setPointSizeF(8.25);
    QApplication::setFont(designFont);

    tallowick::RegisterWindows();
    auto& registry = tallowick::WindowRegistry::instance();
    QObject::connect(&registry, &tallowick::WindowRegistry::programEnded, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    registry.Show(QStringLiteral("frmSplash"));
    return application.exec();
}
