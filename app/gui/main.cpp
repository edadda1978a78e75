// sonivert: the desktop program. Starts the decoding back-ends, shows the
// main window until it is closed, and ends; the window saves its settings
// when it goes. Files and folders named on the command line
// ("sonivert FILE|FOLDER...", as the desktop entry starts it) are added to
// the list as if they were dropped onto the window.

#include "platform/registrystore.h"
#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"
#include "sources/soundfont.h"
#include "ui/appidentity.h"
#include "ui/desktopprompts.h"
#include "ui/filedialogs.h"
#include "ui/mainwindow.h"
#include "ui/startuparguments.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The installed desktop entry's name without ".desktop" (the build's
    // SONIVERT_APP_ID): docks and window lists find the icon through it.
    sonivert::ui::setUpApplicationIdentity(QStringLiteral(SONIVERT_APP_ID));

    const std::optional<std::string> programFolder = sonivert::executableFolder();
    sonivert::ui::DesktopPrompts prompts;
    if (!sonivert::startDecodingBackEnds(programFolder, prompts))
        return 1;

    int status = 0;
    {
        std::unique_ptr<sonivert::RegistryStore> store = sonivert::openUserSettingsStore();
        sonivert::ui::SystemFileDialogs dialogs;
        sonivert::ui::MainWindowServices services{*store, prompts, dialogs, programFolder, &sonivert::documentsFolder};
        services.soundFontFallbacks = sonivert::systemSoundFonts();
        services.soundFontUserFolder = sonivert::userSoundFontFolder();
        sonivert::ui::MainWindow window(std::move(services));
        prompts.setParentWindow(&window);
        window.show();
        window.addPathsAsDropped(sonivert::ui::startupPaths(QApplication::arguments().mid(1), QDir::currentPath()));
        status = QApplication::exec();
    }
    sonivert::stopDecodingBackEnds();
    return status;
}
