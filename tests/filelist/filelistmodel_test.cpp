// The list model's rows, removal commands, path index and what its view is told.

#include "filelist/filelistmodel.h"
#include "tests/support/fakes.h"

#include <gtest/gtest.h>

namespace sonivert {
namespace {

// A view that keeps its own copy of the File column from what the listener
// tells it alone; wrong indices make the copy drift from the model.
class MirrorView final : public FileListListener {
public:
    explicit MirrorView(const FileListModel& model) : m_model(model) {}

    void rowsAboutToBeInserted(int32_t first, int32_t) override { EXPECT_EQ(m_model.rowCount(), first); }
    void rowsInserted(int32_t first, int32_t last) override
    {
        for (int32_t r = first; r <= last; ++r)
            rows.insert(rows.begin() + r, m_model.cellText(r, kColumnFile));
    }
    void rowsAboutToBeRemoved(int32_t, int32_t) override { EXPECT_EQ(m_model.rowCount(), int32_t(rows.size())); }
    void rowsRemoved(int32_t first, int32_t last) override { rows.erase(rows.begin() + first, rows.begin() + last + 1); }
    void allRemoved() override { rows.clear(); }
    void reordered(std::span<const int32_t> newRowOfOld) override
    {
        std::vector<std::string> moved(rows.size());
        for (size_t old = 0; old < rows.size(); ++old)
            moved[static_cast<size_t>(newRowOfOld[old])] = rows[old];
        rows = std::move(moved);
    }
    void cellChanged(int32_t row, int32_t column) override { changed.emplace_back(row, column); }
    void columnWidthChanged(int32_t column, int32_t width) override { widths.emplace_back(column, width); }
    void rowVisibilityRequested(int32_t row) override { shown.push_back(row); }

    std::vector<std::string> rows;
    std::vector<std::pair<int32_t, int32_t>> changed, widths;
    std::vector<int32_t> shown;

private:
    const FileListModel& m_model;
};

class FileListModelTest : public ::testing::Test {
protected:
    FileListModelTest() { list.setListener(&view); }

    int32_t add(const std::string& path) { return list.AddRow({.sourcePath = path, .inputType = kInputWav}); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> out;
        for (int32_t r = 0; r < list.rowCount(); ++r)
            out.push_back(list.cellText(r, kColumnFile));
        return out;
    }

    FileListModel list;
    MirrorView view{list};
    test::RecordingPrompts prompts;
};

TEST_F(FileListModelTest, AddRowAppendsShowsAndIndexesTheRow)
{
    EXPECT_EQ(add("/music/a.wav"), 0);
    EXPECT_EQ(add("/music/sub/b.wav"), 1);
    EXPECT_EQ(add("relative.wav"), 2);
    EXPECT_EQ(add("/music/./a.wav"), -1); // already listed under another spelling
    EXPECT_EQ(files(), (std::vector<std::string>{"a.wav", "b.wav", "relative.wav"}));
    EXPECT_EQ(view.rows, files());
    EXPECT_EQ(view.shown, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(list.pathIndex().find("/music/a.wav"), list.entry(0));
}

TEST_F(FileListModelTest, BatchDriverWritesReachTheView)
{
    add("/music/a.wav");
    list.setStatusText(0, "Conversion Failure");
    list.setColumnWidth(kColumnStatus, 500);
    list.setColumnWidth(kColumnStatus, 500); // unchanged: no second notice
    list.setStatusText(7, "ignored");        // outside the list
    EXPECT_EQ(list.cellText(0, kColumnStatus), "Conversion Failure");
    EXPECT_EQ(view.changed, (std::vector<std::pair<int32_t, int32_t>>{{0, kColumnStatus}}));
    EXPECT_EQ(view.widths, (std::vector<std::pair<int32_t, int32_t>>{{kColumnStatus, 500}}));
}

TEST_F(FileListModelTest, RemoveTakesEverySelectedRowAndFreesItsKey)
{
    for (const char* name : {"a", "b", "c", "d", "e", "f"})
        add(std::string("/music/") + name + ".wav");
    list.SortByColumn(kColumnFile, false); // f e d c b a

    const std::vector<int32_t> selected = {4, 0, 1, 4, 99, -1}; // repeats and strays are ignored
    list.RemoveCommand(selected, prompts);
    EXPECT_EQ(files(), (std::vector<std::string>{"d.wav", "c.wav", "a.wav"}));
    EXPECT_EQ(view.rows, files());
    EXPECT_TRUE(prompts.messages.empty());

    // The removed files can be added again, the others cannot.
    EXPECT_EQ(add("/music/f.wav"), 3);
    EXPECT_EQ(add("/music/b.wav"), 4);
    EXPECT_EQ(add("/music/d.wav"), -1);

    list.RemoveAllCommand(prompts);
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(list.pathIndex().size(), 0u);
    EXPECT_EQ(add("/music/d.wav"), 0);
}

TEST_F(FileListModelTest, RemoveCommandsRefuseWithTheirMessages)
{
    list.RemoveAllCommand(prompts);
    add("/music/a.wav");
    list.RemoveCommand({}, prompts);
    const std::vector<int32_t> stray = {3};
    list.RemoveCommand(stray, prompts);

    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[0].text, "There aren't files in list.");
    EXPECT_EQ(prompts.messages[1].text, "You should select a file at least.");
    EXPECT_EQ(prompts.messages[2].text, "You should select a file at least.");
    for (const auto& m : prompts.messages)
        EXPECT_EQ(m.icon, UserPrompts::Icon::Information);
    EXPECT_EQ(list.rowCount(), 1);
}

} // namespace
} // namespace sonivert
