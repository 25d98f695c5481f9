#pragma once

#include <QByteArray>
#include <map>
#include <optional>
#include <string>

namespace kelvane::test {

// Sets and unsets environment variables for the life of the object; each comes back as it was.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const char* name, const QByteArray& value) {
        save(name);
        qputenv(name, value);
    }
    void unset(const char* name) {
        save(name);
        qunsetenv(name);
    }

private:
    void save(const char* name) {
        if (saved_.count(name))
            return;
        saved_[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }

    std::map<std::string, std::optional<QByteArray>> saved_;
};

} // namespace kelvane::test
