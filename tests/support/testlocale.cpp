#include "tests/support/testlocale.h"

#include <clocale>
#include <cstdlib>

// glibc keeps (and never frees) its copy of the search path built from
// LOCPATH when it loads a locale from there; that is the C library's, not a
// leak of ours. The sanitizer runtime calls this to learn what to ignore.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:argz_add_sep\n";
}

namespace sonivert::test {
namespace {
constexpr const char* kGerman = "de_DE.UTF-8";
}

ScopedGermanLocale::ScopedGermanLocale()
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    m_previousC = previous ? previous : "C";

    if (std::setlocale(LC_ALL, kGerman) == nullptr) {
        if (!toolAvailable("localedef")) {
            m_why = "no de_DE.UTF-8 locale and no localedef to generate it";
            return;
        }
        m_generated = std::make_unique<TempDir>();
        int status = 0;
        // -c writes the locale despite warnings about its source.
        const std::string output = captureCommand(
            "localedef -c -i de_DE -f UTF-8 " + shellQuote(m_generated->file(kGerman)) + " 2>&1", status);
        if (const char* locpath = std::getenv("LOCPATH"))
            m_previousLocpath = locpath;
        ::setenv("LOCPATH", m_generated->path().c_str(), 1);
        m_locpathChanged = true;
        if (std::setlocale(LC_ALL, kGerman) == nullptr) {
            m_why = "localedef could not generate de_DE.UTF-8: " + output;
            restore();
            return;
        }
    }
    try {
        std::locale::global(std::locale(kGerman));
    } catch (const std::runtime_error& e) {
        m_why = std::string("the C++ library refuses de_DE.UTF-8: ") + e.what();
        restore();
        return;
    }
    m_active = true;
}

ScopedGermanLocale::~ScopedGermanLocale()
{
    restore();
}

void ScopedGermanLocale::restore()
{
    std::locale::global(m_previousCpp);
    std::setlocale(LC_ALL, m_previousC.c_str());
    if (m_locpathChanged) {
        if (m_previousLocpath)
            ::setenv("LOCPATH", m_previousLocpath->c_str(), 1);
        else
            ::unsetenv("LOCPATH");
        m_locpathChanged = false;
    }
    m_active = false;
}

} // namespace sonivert::test
