#pragma once

#include "tests/support/testsupport.h"

#include <locale>
#include <memory>
#include <optional>
#include <string>

namespace sonivert::test {

// Switches the C and the C++ global locale to German in UTF-8 ("," as the
// decimal separator, "." between thousands) for the life of the object, so
// that number formatting and parsing are tried away from the "C" locale.
// When the system has no such locale it is generated with localedef into a
// temporary folder named by LOCPATH. The destructor restores the previous
// locales and LOCPATH.
class ScopedGermanLocale {
public:
    ScopedGermanLocale();
    ~ScopedGermanLocale();
    ScopedGermanLocale(const ScopedGermanLocale&) = delete;
    ScopedGermanLocale& operator=(const ScopedGermanLocale&) = delete;

    // False when no German locale could be had; why() tells the reason.
    bool active() const { return m_active; }
    const std::string& why() const { return m_why; }

private:
    void restore();

    std::string m_previousC;
    std::locale m_previousCpp;
    std::optional<std::string> m_previousLocpath;
    bool m_locpathChanged = false;
    std::unique_ptr<TempDir> m_generated;
    bool m_active = false;
    std::string m_why;
};

} // namespace sonivert::test
