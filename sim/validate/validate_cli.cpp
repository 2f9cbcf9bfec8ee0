#include "validate_cli.h"

#include "utf8_path.h"

namespace cabkit::sim::validate {

ValidateCommands::ValidateCommands(CLI::App& app) {
    validate_ = app.add_subcommand("validate", "check plug-in libraries of this interface (exit 1 on a failed check)");
    validate_->add_option("plugins", options_.plugins, "plug-in libraries (.so, .dll)");
    validate_->add_flag("--list", options_.list, "list the checks and what each proves");
    validate_
        ->add_option("--filter", options_.filters, "only this check, or group of checks (life for life.*); repeatable")
        ->allow_extra_args(false);
    validate_->add_flag("--only-failed", options_.onlyFailed, "print only the checks that failed or warned");
    validate_->add_flag("--in-process", options_.inProcess,
                        "run the one check chosen with --filter in this process, for a debugger");
    validate_->add_option("--junit", options_.junit, "write the results as JUnit XML to this file");
    validate_->add_option("--json", options_.json, "write the results as JSON to this file");
    validate_->add_option("--replay", options_.replay, "replay this file of host calls on the plug-ins instead");
    validate_->add_option("--budget", options_.budgetSeconds, "seconds of random sessions (default 3)")
        ->check(CLI::Range(0.0, 3600.0));
    validate_->add_option("--timeout", options_.timeoutSeconds, "seconds one check may take (default 10)")
        ->check(CLI::Range(1.0, 3600.0));
    validate_->add_option("--seed", options_.seed, "seed of the random sessions (default 1)");
    validate_->add_option("--save", options_.saveFolder, "folder for a random session's failure (default: here)");

    // One check in a child process, for a validating simhost; not for users.
    child_command_ = app.add_subcommand(kValidateChildCommand, "")->group("");
    child_command_->add_option("--check", child_.request.check)->required();
    child_command_->add_option("--result", child_.result)->required();
    child_command_->add_option("--parent", child_.parent)->required();
    child_command_->add_option("--log", childLog_);
    child_command_->add_option("--script", childScript_);
    child_command_->add_option("--work", childWork_);
    child_command_->add_option("--budget", child_.request.budgetSeconds);
    child_command_->add_option("--seed", child_.request.seed);
    child_command_->add_option("plugins", childPlugins_)->required();
}

std::optional<int> ValidateCommands::run() const {
    if (*validate_) return runValidateCommand(options_);
    if (*child_command_) {
        ChildArguments arguments = child_;
        for (const std::string& plugin : childPlugins_) arguments.request.plugins.push_back(pathFromUtf8(plugin));
        arguments.request.log = pathFromUtf8(childLog_);
        arguments.request.script = pathFromUtf8(childScript_);
        arguments.request.work = pathFromUtf8(childWork_);
        return validateChild(arguments);
    }
    return std::nullopt;
}

}  // namespace cabkit::sim::validate
