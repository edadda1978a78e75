#include "ui/desktopprompts.h"

#include "engine/constants.h"
#include "ui/externalopener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#ifdef _WIN32
#include <QSettings>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

namespace sonivert::ui {
namespace {

QString qtext(const std::string& text)
{
    return QString::fromStdString(text);
}

#ifdef _WIN32
// The browser registered for ".htm" files, started with the address.
bool openWithHtmBrowser(const std::string& address)
{
    const QString htmClass = QSettings(QStringLiteral("HKEY_CLASSES_ROOT\\.htm"), QSettings::NativeFormat)
                                 .value(QStringLiteral("Default"))
                                 .toString();
    if (htmClass.isEmpty())
        return false;
    const QString command =
        QSettings(QStringLiteral("HKEY_CLASSES_ROOT\\") + htmClass + QStringLiteral("\\shell\\open\\command"),
                  QSettings::NativeFormat)
            .value(QStringLiteral("Default"))
            .toString();
    if (command.isEmpty())
        return false;
    QStringList words = QProcess::splitCommand(qtext(browserCommandLine(command.toStdString(), address)));
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}
#endif

} // namespace

std::string browserCommandLine(const std::string& openCommand, const std::string& address)
{
    std::string command = openCommand;
    const size_t quoted = command.find("\"%1\"");
    if (quoted != std::string::npos) {
        command.erase(quoted);
    } else if (const size_t bare = command.find("%1"); bare != std::string::npos) {
        command.erase(bare);
    }
    return command + " " + address;
}

QWidget* DesktopPrompts::dialogParent() const
{
    // The dialog that raised the message (the options sheet, the about box,
    // a progress window) before the window behind it.
    auto usable = [](QWidget* widget) { return widget && widget->isVisible() && widget->isEnabled(); };
    if (QWidget* modal = QApplication::activeModalWidget(); usable(modal))
        return modal;
    if (QWidget* active = QApplication::activeWindow(); usable(active) && active != m_parent.data())
        return active;
    QWidget* parent = m_parent.data();
    return usable(parent) ? parent : nullptr;
}

bool DesktopPrompts::openWithDesktop(const QString& target, const std::string& shown)
{
    // The opener may end after these prompts are gone.
    std::weak_ptr<int> alive = m_alive;
    if (startDesktopOpener(QString::fromUtf8(kDesktopOpener), target, [this, alive, shown](int exitStatus) {
            if (!alive.expired())
                showMessage(Icon::Exclamation, couldNotOpenText(shown, openerFailureReason(exitStatus)));
        }))
        return true;
    // Without the opener Qt still knows a browser named by BROWSER or the
    // desktop's own tools; its answer is all there is then.
    const QUrl url = target.contains(QLatin1String(":/")) || target.startsWith(QLatin1String("mailto:"))
                         ? QUrl(target, QUrl::TolerantMode)
                         : QUrl::fromLocalFile(target);
    return QDesktopServices::openUrl(url);
}

void DesktopPrompts::showMessage(Icon icon, const std::string& text)
{
    const QMessageBox::Icon shown = icon == Icon::Error         ? QMessageBox::Critical
                                    : icon == Icon::Exclamation ? QMessageBox::Warning
                                                                : QMessageBox::Information;
    QMessageBox box(shown, QString::fromUtf8(kAppName), qtext(text), QMessageBox::Ok, dialogParent());
    // Texts carry angle brackets ("<more files>", "<address>"): never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool DesktopPrompts::askYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppName), qtext(text),
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

bool DesktopPrompts::openUrl(const std::string& url)
{
#ifdef _WIN32
    if (QDesktopServices::openUrl(QUrl(qtext(url), QUrl::TolerantMode)))
        return true;
    return openWithHtmBrowser(url);
#else
    // QDesktopServices reports success as soon as a helper starts; the
    // opener's own exit status says whether a handler took the address.
    return openWithDesktop(QUrl(qtext(url), QUrl::TolerantMode).toString(QUrl::FullyEncoded), url);
#endif
}

bool DesktopPrompts::openDocument(const std::string& path)
{
#ifdef _WIN32
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qtext(path)));
#else
    return openWithDesktop(QFileInfo(qtext(path)).absoluteFilePath(), path);
#endif
}

void DesktopPrompts::revealFile(const std::string& path)
{
    const QString file = QFileInfo(qtext(path)).absoluteFilePath();
#ifdef _WIN32
    QProcess explorer;
    explorer.setProgram(QStringLiteral("explorer.exe"));
    explorer.setNativeArguments(QStringLiteral("/select,\"") + QDir::toNativeSeparators(file) + QStringLiteral("\""));
    explorer.startDetached();
#else
    const QString folder = QFileInfo(file).absolutePath();
    auto openFolder = [this, folder] {
        if (!openWithDesktop(folder, folder.toStdString()))
            showMessage(Icon::Exclamation,
                        couldNotOpenText(folder.toStdString(), std::string(kDesktopOpener) + " could not be started"));
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    // Asynchronous: a file manager that starts slowly does not freeze the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [openFolder](QDBusPendingCallWatcher* w) {
        if (w->isError())
            openFolder();
        w->deleteLater();
    });
#endif
}

void DesktopPrompts::setBusy(bool busy)
{
    if (busy) {
        if (m_busyDepth++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0 && --m_busyDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace sonivert::ui
