#include "ui/appidentity.h"

#include <QGuiApplication>

namespace sonivert::ui {

void setUpApplicationIdentity(const QString& desktopFileName)
{
    QGuiApplication::setDesktopFileName(desktopFileName);
}

} // namespace sonivert::ui
