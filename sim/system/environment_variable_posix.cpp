#include "environment_variable.h"

#include <cstdlib>

namespace cabkit::sim {

void setEnvironmentVariable(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace cabkit::sim
