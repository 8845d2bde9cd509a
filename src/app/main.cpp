// Tablora: start-up. Builds the Qt desktop, the application over cysj.db beside the executable,
// and runs until the main window is gone.
#include <unistd.h>
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "data/data_context.h"
#include "shell/app.h"
#include "shell/data_location.h"
#include "shell/instance_guard.h"
#include "ui/qt/qt_desktop.h"

namespace {

// The folder of the running executable.
std::filesystem::path programFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

bool installed() {
    return tablora::shell::isInstalledFolder(programFolder(), TABLORA_INSTALL_PREFIX);
}

std::string databasePath() {
    return tablora::shell::databasePathFor(programFolder(), installed());
}

}  // namespace

int main(int argc, char** argv) {
    // A test may run its copies under their own marker, beside a copy someone is using.
    const char* suffix = std::getenv("TABLORA_INSTANCE_SUFFIX");
    tablora::shell::InstanceGuard guard(std::string(tablora::shell::InstanceGuard::kIdentifier) +
                                        (suffix ? suffix : ""));
    // The display scale chosen in the program; the window system takes it only at start-up.
    // A scale set from outside (the environment) is left alone. A second copy, which the guard
    // sends away, never touches the file the first one is working in.
    const int scale = guard.claim() ? tablora::data::readDisplayScale(databasePath()) : 100;
    if (scale != 100 && !std::getenv("QT_SCALE_FACTOR"))
        ::setenv("QT_SCALE_FACTOR", std::to_string(scale / 100.0).c_str(), 1);
    QApplication application(argc, argv);
    // No name of the program's own: a window with an empty caption keeps it empty, where the
    // window system would otherwise be given this name in its place.
    QApplication::setApplicationName(QString());
    // Qt's own dialogs (the text input box, the save dialog, the calendar) speak Chinese too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));  // month names too
    QTranslator qtChinese;
    if (qtChinese.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtChinese);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);  // the program ends with its main window
    for (const QString& family :
         {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}) {
        if (QFontDatabase::families().contains(family)) {
            QFont font(family);
            font.setPixelSize(12);
            QApplication::setFont(font);
            break;
        }
    }

    // Unattended runs (tests of whole processes) set how long a message box waits for nobody.
    const char* unattended = std::getenv("TABLORA_UNATTENDED_MS");
    tablora::ui::qt::QtDesktop desktop(unattended ? std::atoi(unattended) : 0);
    tablora::shell::App app(desktop, databasePath(), &guard);
    app.setOffersNewRestaurant(installed());
    app.start();
    if (!app.running() || desktop.quitRequested()) return app.exitCode();
    return QApplication::exec();
}
