// File list intake and sorting: how many files per second the add loop
// lists (each probed by its reader), with and without the folder scan in
// front of it, and how long sorting 10,000 rows takes for each column.
// Reports; never fails.

#include "bench/benchutil.h"
#include "engine/engine.h"
#include "engine/progress.h"
#include "engine/userprompts.h"
#include "filelist/fileintake.h"
#include "filelist/filelistmodel.h"
#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

using namespace sonivert;

namespace {

// The window side, doing nothing: the figures are the engine's own.
class QuietPrompts final : public UserPrompts {
public:
    void showMessage(Icon, const std::string&) override {}
    bool askYesNo(const std::string&) override { return false; }
    bool openUrl(const std::string&) override { return false; }
    bool openDocument(const std::string&) override { return false; }
    void revealFile(const std::string&) override {}
    void setBusy(bool) override {}
};

class QuietItemProgress final : public ItemProgress {
public:
    void setText(const std::string&) override {}
    void setRange(int32_t) override {}
    void step() override {}
    void pump() override {}
    bool cancelRequested() const override { return false; }
};

class QuietHost final : public ProgressHost {
public:
    std::unique_ptr<ItemProgress> createItemProgress() override { return std::make_unique<QuietItemProgress>(); }
    std::unique_ptr<ConversionProgress> createConversionProgress() override { return nullptr; }
    void setMainWindowEnabled(bool) override {}
};

void putLe(std::vector<char>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// One second of 16-bit stereo silence at the given rate, as a canonical WAV file.
bool writeWav(const std::string& path, uint32_t rate)
{
    const uint32_t dataBytes = rate * 4;
    std::vector<char> bytes;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    putLe(bytes, 36 + dataBytes, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(bytes, 16, 4);
    putLe(bytes, 1, 2);
    putLe(bytes, 2, 2);
    putLe(bytes, rate, 4);
    putLe(bytes, rate * 4, 4);
    putLe(bytes, 4, 2);
    putLe(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    putLe(bytes, dataBytes, 4);
    bytes.resize(bytes.size() + dataBytes, 0);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void benchIntake()
{
    constexpr int kFiles = 2000;
    bench::ScratchDir dir;
    if (!dir.ok())
        return;
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        // Ten subfolders, so that the scan has a tree to walk.
        const std::string folder = dir.file("set" + std::to_string(i % 10));
        std::filesystem::create_directories(folder);
        paths.push_back(folder + "/take" + std::to_string(i) + ".wav");
        if (!writeWav(paths.back(), i % 2 ? 44100 : 22050)) {
            std::printf("could not write the test files\n");
            return;
        }
    }

    QuietPrompts prompts;
    QuietHost host;
    {
        Engine engine(prompts);
        FileListModel list;
        FileIntake intake(engine, list, host);
        const double seconds = bench::secondsOf([&] { intake.AddFileList(paths); });
        std::printf("add loop:           %5d files listed in %7.3f s = %8.0f files/s\n", list.rowCount(), seconds,
                    list.rowCount() / seconds);
    }
    {
        Engine engine(prompts);
        FileListModel list;
        FileIntake intake(engine, list, host);
        const ExtensionFilter filter{true, {"wav", "mp3"}};
        const double seconds = bench::secondsOf([&] { intake.AddFolder(dir.file(""), filter); });
        std::printf("scan and add loop:  %5d files listed in %7.3f s = %8.0f files/s\n", list.rowCount(), seconds,
                    list.rowCount() / seconds);
    }
}

void benchSort()
{
    constexpr int kRows = 10000;
    std::mt19937 random(42);
    FileListModel list;
    const int32_t rates[] = {8000, 11025, 22050, 32000, 44100, 48000, 96000};
    const int32_t kbps[] = {0, 32, 64, 128, 192, 256, 320, 1411};
    for (int i = 0; i < kRows; ++i) {
        FileEntry e;
        e.sourcePath = "/music/album" + std::to_string(random() % 300) + "/track " + std::to_string(random()) + ".wav";
        e.durationSeconds = random() % 10 == 0 ? 0 : random() % 10000; // some empty Duration cells
        e.sampleRate = rates[random() % std::size(rates)];
        e.bitrateKbps = kbps[random() % std::size(kbps)];
        e.inputType = random() % 4 == 0 ? kInputMp3 : kInputWav;
        e.channelCount = static_cast<int32_t>(random() % 3);
        e.channelMode = static_cast<ChannelMode>(random() % 5);
        const int32_t row = list.AddRow(std::move(e));
        if (row >= 0 && random() % 3 == 0)
            list.setStatusText(row, "track" + std::to_string(row) + ".mp3");
    }
    std::printf("sorting %d rows:\n", list.rowCount());
    for (const ColumnInfo& column : FileListModel::columns()) {
        const int32_t index = static_cast<int32_t>(&column - FileListModel::columns().data());
        const double up = bench::secondsOf([&] { list.SortByColumn(index, true); });
        const double down = bench::secondsOf([&] { list.SortByColumn(index, false); });
        std::printf("  %-9s ascending %7.2f ms, then descending %7.2f ms\n", std::string(column.heading).c_str(),
                    up * 1e3, down * 1e3);
    }
}

} // namespace

int main()
{
    // The readers as the program has them: the decoding library started.
    QuietPrompts prompts;
    if (!startDecodingBackEnds(executableFolder(), prompts))
        return 0;
    benchIntake();
    stopDecodingBackEnds();
    benchSort();
    return 0;
}
