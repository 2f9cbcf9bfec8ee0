// Setting a variable in simhost's own environment, where the plug-ins it has
// loaded read it (the fixed local time).
#ifndef CABKIT_SIM_ENVIRONMENT_VARIABLE_H
#define CABKIT_SIM_ENVIRONMENT_VARIABLE_H

#include <string>

namespace cabkit::sim {

// On Windows this is the process environment block the plug-ins read with
// GetEnvironmentVariable; the C runtime's copy is not what they see.
void setEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_ENVIRONMENT_VARIABLE_H
