// Setting and clearing environment variables from tests, the same way on
// Linux and Windows (where setenv/unsetenv do not exist). The change is made
// in the C runtime the plug-ins read, so a plug-in's getenv sees it.
#ifndef CABKIT_TESTS_ENVIRONMENT_H
#define CABKIT_TESTS_ENVIRONMENT_H

#include <optional>
#include <string>

namespace cabkit::test {

// Sets `name` to `value`, replacing any earlier value. Throws
// std::runtime_error when the runtime refuses. Windows keeps no empty
// values: there an empty `value` removes the variable.
void setEnvironment(const std::string& name, const std::string& value);

// Removes `name` from the environment; nothing happens when it is not set.
void unsetEnvironment(const std::string& name);

// The current value of `name`, if it is set.
std::optional<std::string> environmentValue(const std::string& name);

// Sets (or, with no value, removes) a variable for the lifetime of the
// object and puts the earlier state back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironment();

    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace cabkit::test

#endif  // CABKIT_TESTS_ENVIRONMENT_H
