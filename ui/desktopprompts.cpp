#include "ui/desktopprompts.h"

#include "engine/constants.h"

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
    QWidget* parent = m_parent.data();
    return parent && parent->isVisible() && parent->isEnabled() ? parent : nullptr;
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
    if (QDesktopServices::openUrl(QUrl(qtext(url), QUrl::TolerantMode)))
        return true;
#ifdef _WIN32
    return openWithHtmBrowser(url);
#else
    return false;
#endif
}

bool DesktopPrompts::openDocument(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qtext(path)));
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
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    // Asynchronous: a file manager that starts slowly does not freeze the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [folder](QDBusPendingCallWatcher* w) {
        if (w->isError())
            QDesktopServices::openUrl(folder);
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
