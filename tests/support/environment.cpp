#include "environment.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace cabkit::test {

#ifdef _WIN32
// Both copies of the environment change: the C runtime's, which getenv
// reads, and the process's, which GetEnvironmentVariable reads. _putenv is
// in every version of the runtime; "NAME=" removes the variable there, so
// Windows has no empty values.
void setEnvironment(const std::string& name, const std::string& value) {
    if (value.empty()) {
        unsetEnvironment(name);
        return;
    }
    const std::string entry = name + "=" + value;
    if (_putenv(entry.c_str()) != 0 || SetEnvironmentVariableA(name.c_str(), value.c_str()) == 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

void unsetEnvironment(const std::string& name) {
    const std::string entry = name + "=";
    if (_putenv(entry.c_str()) != 0) {
        throw std::runtime_error("cannot unset " + name);
    }
    SetEnvironmentVariableA(name.c_str(), nullptr);  // fails only when it was not set
}
#else
void setEnvironment(const std::string& name, const std::string& value) {
    if (setenv(name.c_str(), value.c_str(), 1) != 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

void unsetEnvironment(const std::string& name) {
    if (unsetenv(name.c_str()) != 0) {
        throw std::runtime_error("cannot unset " + name);
    }
}
#endif

std::optional<std::string> environmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), previous_(environmentValue(name_)) {
    if (value) {
        setEnvironment(name_, *value);
    } else {
        unsetEnvironment(name_);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    try {
        if (previous_) {
            setEnvironment(name_, *previous_);
        } else {
            unsetEnvironment(name_);
        }
    } catch (const std::exception&) {
        // A destructor must not throw; the next test sets what it needs.
    }
}

}  // namespace cabkit::test
