#include "environment.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace cabkit::test {

#ifdef _WIN32
// _putenv is in every version of the Microsoft C runtime; "NAME=" removes the
// variable, so an empty value cannot be stored (Windows has none).
void setEnvironment(const std::string& name, const std::string& value) {
    const std::string entry = name + "=" + value;
    if (_putenv(entry.c_str()) != 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

void unsetEnvironment(const std::string& name) {
    const std::string entry = name + "=";
    if (_putenv(entry.c_str()) != 0) {
        throw std::runtime_error("cannot unset " + name);
    }
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
