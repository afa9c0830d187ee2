// A fresh directory for a test's files, removed with everything in it at the end of the test.
#pragma once

#include <string>
#include <string_view>

namespace xtalsp::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(std::string_view name) const;
    // Writes bytes to a file in the directory and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const;
    // The bytes of a file in the directory ("" when it cannot be read).
    std::string read(std::string_view name) const;

private:
    std::string m_path;
};

// While alive, the C library's locale is a comma-decimal one (as Qt sets it in a German
// session), so printf would write "5,4305" and atof would read "5.4305" as 5.
class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when no comma-decimal locale is installed on this machine.
    bool active() const { return m_active; }
    // True when the run must not skip for want of the locale (set in CI).
    static bool required();

private:
    std::string m_previous;
    bool m_active = false;
};

} // namespace xtalsp::test
