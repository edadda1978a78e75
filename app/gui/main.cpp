// sonivert: the desktop program. Starts the decoding back-ends, shows the
// main window until it is closed, and ends; the window saves its settings
// when it goes.

#include "engine/constants.h"
#include "platform/registrystore.h"
#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"
#include "ui/desktopprompts.h"
#include "ui/filedialogs.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(sonivert::kAppName));

    const std::optional<std::string> programFolder = sonivert::executableFolder();
    sonivert::ui::DesktopPrompts prompts;
    if (!sonivert::startDecodingBackEnds(programFolder, prompts))
        return 1;

    int status = 0;
    {
        std::unique_ptr<sonivert::RegistryStore> store = sonivert::openUserSettingsStore();
        sonivert::ui::SystemFileDialogs dialogs;
        sonivert::ui::MainWindow window({*store, prompts, dialogs, programFolder, &sonivert::documentsFolder});
        prompts.setParentWindow(&window);
        window.show();
        status = QApplication::exec();
    }
    sonivert::stopDecodingBackEnds();
    return status;
}
