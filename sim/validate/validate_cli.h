// The command line of `simhost validate` and of its hidden child command,
// kept beside the validator so that simhost's main only adds them.
#ifndef CABKIT_SIM_VALIDATE_VALIDATE_CLI_H
#define CABKIT_SIM_VALIDATE_VALIDATE_CLI_H

#include <optional>

#include <CLI/CLI.hpp>

#include "check_child.h"
#include "validate_command.h"

namespace cabkit::sim::validate {

class ValidateCommands {
public:
    explicit ValidateCommands(CLI::App& app);
    // After parsing: the exit code of the command given, or nullopt when
    // neither was.
    std::optional<int> run() const;

private:
    ValidateOptions options_;
    ChildArguments child_;
    std::vector<std::string> childPlugins_;
    std::string childLog_, childScript_, childWork_;
    CLI::App* validate_ = nullptr;
    CLI::App* child_command_ = nullptr;
};

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_VALIDATE_CLI_H
