#include "environment_variable.h"

#include <windows.h>

#include "wide_text.h"

namespace cabkit::sim {

void setEnvironmentVariable(const std::string& name, const std::string& value) {
    SetEnvironmentVariableW(wideFromUtf8(name).c_str(), wideFromUtf8(value).c_str());
}

}  // namespace cabkit::sim
