// Temporary directories and locale switching for tests.
#include "support/tempdir.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace xtalsp::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device device;
    std::mt19937_64 generator(device());
    for (;;) {
        const fs::path candidate =
            fs::temp_directory_path() / ("xtalsp-test-" + std::to_string(generator()));
        if (fs::create_directory(candidate)) {
            m_path = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempDir::file(std::string_view name) const {
    return (fs::path(m_path) / name).string();
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const {
    const std::string path = file(name);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string TempDir::read(std::string_view name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CommaDecimalLocale::CommaDecimalLocale() {
    if (const char* current = std::setlocale(LC_ALL, nullptr))
        m_previous = current;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            const std::lconv* conventions = std::localeconv();
            m_active = conventions != nullptr && conventions->decimal_point[0] == ',';
            if (m_active)
                return;
        }
    }
    std::setlocale(LC_ALL, m_previous.c_str());
}

CommaDecimalLocale::~CommaDecimalLocale() {
    if (m_active)
        std::setlocale(LC_ALL, m_previous.c_str());
}

bool CommaDecimalLocale::required() {
    const char* flag = std::getenv("XTALSP_REQUIRE_COMMA_LOCALE");
    return flag != nullptr && flag[0] == '1';
}

} // namespace xtalsp::test
