// The desktop program's command-line arguments as the list takes them:
// relative paths made absolute from the current folder, "file:" addresses
// turned into paths, web addresses and empty arguments left out.

#include "ui/startuparguments.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

TEST(StartupArguments, ArgumentsBecomeAbsolutePathsInTheirOrder)
{
    using Paths = std::vector<std::string>;
    struct Case {
        QStringList arguments;
        Paths expected;
    };
    const QString current = QStringLiteral("/home/u/music");
    const std::vector<Case> cases = {
        {{}, {}},
        {{QStringLiteral("/tmp/a.wav")}, {"/tmp/a.wav"}},
        {{QStringLiteral("b.mp3"), QStringLiteral("album")}, {"/home/u/music/b.mp3", "/home/u/music/album"}},
        {{QStringLiteral("./sub/../c.flac"), QStringLiteral("../d.ogg")}, {"/home/u/music/c.flac", "/home/u/d.ogg"}},
        {{QStringLiteral("file:///tmp/with%20space.wav")}, {"/tmp/with space.wav"}},
        {{QStringLiteral("https://sonivert.example/x.wav"), QString(), QStringLiteral("e.wav")},
         {"/home/u/music/e.wav"}},
        {{QStringLiteral("take:2.wav")}, {"/home/u/music/take:2.wav"}},
        {{QStringLiteral("/tmp/ü.wav")}, {"/tmp/\xC3\xBC.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(c.expected, ui::startupPaths(c.arguments, current));
    }
}

} // namespace
} // namespace sonivert::test
