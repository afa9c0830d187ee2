// The per-user settings store (section "Settings" and the others), behind an interface so
// that core rules can be tested without touching the user's real settings.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace xtalsp {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A missing value gives std::nullopt.
    virtual std::optional<std::string> readText(const std::string& section,
                                                const std::string& key) const = 0;
    virtual std::optional<int> readInt(const std::string& section,
                                       const std::string& key) const = 0;
    virtual void writeText(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
    virtual void writeInt(const std::string& section, const std::string& key, int value) = 0;
};

// A store that lives in memory: the command-line tool's (which must not touch the user's
// settings) and the tests'.
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<std::string> readText(const std::string& section,
                                        const std::string& key) const override {
        const auto found = m_texts.find({section, key});
        if (found == m_texts.end())
            return std::nullopt;
        return found->second;
    }
    std::optional<int> readInt(const std::string& section, const std::string& key) const override {
        const auto found = m_ints.find({section, key});
        if (found == m_ints.end())
            return std::nullopt;
        return found->second;
    }
    void writeText(const std::string& section, const std::string& key,
                   const std::string& value) override {
        m_texts[{section, key}] = value;
    }
    void writeInt(const std::string& section, const std::string& key, int value) override {
        m_ints[{section, key}] = value;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_texts;
    std::map<std::pair<std::string, std::string>, int> m_ints;
};

// The section of the program's own values.
inline constexpr const char* kSettingsSection = "Settings";

} // namespace xtalsp
