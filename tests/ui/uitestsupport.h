#pragma once

// Helpers of the widget tests: scripted file dialogs, pixel checks and the
// folder that keeps the screenshots.

#include "ui/filedialogs.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace sonivert::test {

// Answers the two intake dialogs from a script; an empty script answers
// like a cancelled dialog.
class ScriptedFileDialogs final : public ui::FileDialogs {
public:
    std::vector<std::string> chooseFiles(QWidget*) override
    {
        ++fileDialogs;
        if (fileAnswers.empty())
            return {};
        std::vector<std::string> answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFolder(QWidget*, const std::string& initialFolder) override
    {
        folderStarts.push_back(initialFolder);
        if (folderAnswers.empty())
            return std::nullopt;
        std::optional<std::string> answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }

    std::optional<std::string> chooseOutputFolder(QWidget* parent, const std::string& initialFolder) override
    {
        ++outputFolderDialogs;
        return chooseFolder(parent, initialFolder);
    }

    std::deque<std::vector<std::string>> fileAnswers;
    std::deque<std::optional<std::string>> folderAnswers;
    std::vector<std::string> folderStarts;
    int fileDialogs = 0;
    int outputFolderDialogs = 0; // of the folder answers, how many went to the output folder dialog
};

inline QPixmap solidPixmap(QSize size, const QColor& colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// How many pixels of image have exactly colour (alpha ignored).
inline int countPixels(const QImage& image, const QColor& colour)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = colour.rgb() & 0xFFFFFFu;
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            count += (line[x] & 0xFFFFFFu) == key ? 1 : 0;
    }
    return count;
}

// Where the tests leave their screenshots for a reviewer (the build folder).
inline QString screenshotPath(const char* name)
{
    return QString::fromUtf8(SONIVERT_SCREENSHOT_DIR) + QLatin1Char('/') + QString::fromUtf8(name);
}

} // namespace sonivert::test
